#include "service/cal_file_check.h"

#include <array>
#include <fstream>

#include "link/bench_record.h"
#include "service/cal_file.h"

namespace {

CalFileCheck Refuse(const std::string& why) { return {false, why}; }

} // namespace

CalFileCheck CheckCalFile(const std::string& path, bool load)
{
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (path.empty() || !in.is_open())
        return Refuse("cannot open " + path);
    CalFileReader reader(in);
    auto tooLong = [&](const std::string& values) {
        return load && values.size() > size_t(kMaxFlashDataBytes);
    };
    auto longText = [&] {
        return "line " + std::to_string(reader.LineNumber()) + ": values longer than " +
               std::to_string(kMaxFlashDataBytes) + " characters";
    };
    std::string serial;
    if (!reader.ReadSerialNumber(&serial))
        return Refuse(reader.Error());
    std::array<std::string, 3> temperatures;
    for (int t = 0; t < 4; ++t) {
        CalValues line;
        if (!reader.ReadTemperatureLine(&line))
            return Refuse(reader.Error());
        for (size_t i = 0; i < 3; ++i) {
            temperatures[i] += (t ? "," : "") + line.Texts[i];
            if (tooLong(temperatures[i]))
                return Refuse(longText());
        }
        for (int span = 0; span < 9; ++span) {
            CalValues v;
            if (!reader.ReadCoefficients(4, 5, &v))
                return Refuse(reader.Error());
            if (tooLong(v.Joined()))
                return Refuse(longText());
        }
    }
    // Zero temperature coefficients, then the two NH3 sets.
    const std::array<std::array<int, 2>, 3> records{{{4, 3}, {2, 10}, {2, 10}}};
    for (const auto& r : records) {
        CalValues v;
        if (!reader.ReadCoefficients(r[0], r[1], &v))
            return Refuse(reader.Error());
        if (tooLong(v.Joined()))
            return Refuse(longText());
    }
    return {true, {}};
}
