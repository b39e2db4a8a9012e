// The calibration file reader on any bytes, asked for records of the shapes the procedure reads: it
// always ends, a record it returns has exactly the numbers asked for, and every text it returns
// is a number whose value is the one returned beside it.
#include <fuzzer/FuzzedDataProvider.h>

#include <sstream>
#include <string>

#include "service/cal_file.h"
#include "fuzz_check.h"

namespace {

void CheckRecord(const CalValues& v, size_t count)
{
    FUZZ_CHECK(v.Texts.size() == count && v.Numbers.size() == count);
    for (size_t i = 0; i < count; ++i) {
        float value = 0;
        FUZZ_CHECK(CalFileReader::ParseNumber(v.Texts[i], &value));
        FUZZ_CHECK(value == v.Numbers[i] || (value != value && v.Numbers[i] != v.Numbers[i]));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const int lines = in.ConsumeIntegralInRange(1, 4);
    const int perLine = in.ConsumeIntegralInRange(1, 6);
    std::istringstream file(in.ConsumeRemainingBytesAsString());
    CalFileReader reader(file);

    std::string serial;
    if (!reader.ReadSerialNumber(&serial)) {
        FUZZ_CHECK(!reader.Error().empty());
        return 0;
    }
    for (int i = 0; i < 4; ++i) {
        CalValues t;
        if (!reader.ReadTemperatureLine(&t)) {
            FUZZ_CHECK(!reader.Error().empty());
            return 0;
        }
        CheckRecord(t, 3);
    }
    for (int record = 0; record < 8; ++record) {
        CalValues c;
        if (!reader.ReadCoefficients(lines, perLine, &c)) {
            FUZZ_CHECK(!reader.Error().empty());
            return 0;
        }
        CheckRecord(c, size_t(lines * perLine));
    }
    return 0;
}
