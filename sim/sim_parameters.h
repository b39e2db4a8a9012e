#pragma once
// The bench's numbered flash parameters: a RAM copy that reads and writes use,
// a flash copy that store and load move to and from, and the factory defaults.

#include <array>
#include <cstdint>
#include <string>

namespace sim {

class SimParameterStore {
public:
    static constexpr int kCount = 401; // parameter numbers 0..400

    explicit SimParameterStore(uint32_t seed);

    static bool Valid(int number) { return number >= 0 && number < kCount; }

    // Value text as the bench answers a read (comma-separated values, no blanks).
    const std::string& Ram(int number) const;
    const std::string& Flash(int number) const;
    // Stores a written text. With normalising on (the default) every number is
    // rewritten in the bench's own form, so 1.50 reads back as 1.5.
    void Write(int number, const std::string& text);
    void Store(int number) { flash_.at(size_t(number)) = ram_.at(size_t(number)); }
    void Load(int number) { ram_.at(size_t(number)) = flash_.at(size_t(number)); }
    void StoreDefaults() { defaults_ = ram_; }
    void ResetToDefaults() { ram_ = defaults_; }
    // What a restart does: RAM comes from flash.
    void LoadAll() { ram_ = flash_; }

    // The refusal a write of this text gets (0 when accepted): 0x47 for an
    // empty value between commas, 0x48 for more values than the parameter holds.
    uint8_t CheckWrite(int number, const std::string& text) const;
    // Values a parameter holds: its list size, else up to four.
    static int Capacity(int number);
    // The whole flash image, for dumping and comparing benches.
    const std::array<std::string, kCount>& FlashImage() const { return flash_; }

    void SetNormalise(bool on) { normalise_ = on; }
    // The bench's own form of a value text.
    static std::string Normalise(const std::string& text);

private:
    std::array<std::string, kCount> ram_, flash_, defaults_;
    bool normalise_ = true;
};

} // namespace sim
