#pragma once
// What the parameter editor does for the procedures that lean on it, for runs without the
// editor: an acknowledged Load Flash Parameters is read back from the bench that loaded it,
// and the text of every Read Flash Parameters reply is kept for the calibration check.
// Kept per bench, so benches worked in parallel never read back each other's numbers.
#include <array>
#include <cstdint>
#include <string>

#include "link/link_listener.h"

class Link;

class ParamReadBack : public LinkListener {
public:
    // Subscribes to the link for its life.
    explicit ParamReadBack(Link& link);
    ~ParamReadBack() override;
    ParamReadBack(const ParamReadBack&) = delete;
    ParamReadBack& operator=(const ParamReadBack&) = delete;

    // Sends Load Flash Parameters to bench k and notes the number to read back.
    void Load(int k, uint16_t number);
    // Text of bench k's latest Read Flash Parameters reply: its bytes as they came.
    const std::string& LastText(int k) const { return lastText_[size_t(k)]; }
    void ClearLastText(int k) { lastText_[size_t(k)].clear(); }
    // Read Flash Parameters replies bench k gave so far.
    int Reads(int k) const { return reads_[size_t(k)]; }

    void ReplyDecoded(int k, ReplyKind kind, const RxFrame& frame) override;

private:
    Link& link_;
    std::array<uint16_t, 4> loaded_{};
    std::array<std::string, 4> lastText_;
    std::array<int, 4> reads_{};
};
