// The parameter file reader on any bytes: it ends, every value fits a write request, and every entry
// names a 16-bit parameter number. And an entry written the way upload writes it reads back as the
// same number and value text.
#include <fuzzer/FuzzedDataProvider.h>

#include <QBuffer>
#include <string>

#include "fuzz_check.h"
#include "service/param_file.h"

namespace {

void ReadAll(const QByteArray& bytes)
{
    QBuffer file;
    file.setData(bytes);
    file.open(QIODevice::ReadOnly);
    ParamFileReader reader(file);
    // Every step takes at least one line, so a file of n line ends takes at most n + 2 steps.
    const qsizetype limit = bytes.count('\n') + 2;
    for (qsizetype steps = 0;; ++steps) {
        FUZZ_CHECK(steps <= limit);
        const ParamFileReader::Step s = reader.Next();
        if (s.What == ParamFileReader::Kind::End || s.What == ParamFileReader::Kind::Error)
            return;
        if (s.What == ParamFileReader::Kind::Entry) {
            FUZZ_CHECK(s.Number >= 0 && s.Number <= 0xFFFF);
            FUZZ_CHECK(s.Value.size() <= size_t(kParamValueMax));
            FUZZ_CHECK(s.Value.find_first_of(" \t\r\n") == std::string::npos);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    ReadAll(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));

    FuzzedDataProvider in(data, size);
    const int number = in.ConsumeIntegralInRange(0, 400);
    std::string name = in.ConsumeRandomLengthString(40);
    std::string value = in.ConsumeRandomLengthString(kParamValueMax);
    for (char& c : name)
        if (c == '\n' || c == '\r')
            c = '_';
    for (char& c : value)
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\0')
            c = '_';
    const std::string lines =
        UploadEntryLines(number, name, reinterpret_cast<const uint8_t*>(value.data()), int(value.size()));
    QBuffer file;
    file.setData(QByteArray::fromStdString(lines));
    file.open(QIODevice::ReadOnly);
    ParamFileReader reader(file);
    const ParamFileReader::Step s = reader.Next();
    FUZZ_CHECK(s.What == ParamFileReader::Kind::Entry);
    FUZZ_CHECK(s.Number == number);
    FUZZ_CHECK(s.Value == value);
    return 0;
}
