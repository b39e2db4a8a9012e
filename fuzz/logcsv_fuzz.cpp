// Log to CSV: any file a user picks as a log. Besides no crash: an accepted log gives a CSV in which
// every record ends in CR LF and has as many fields as the header row, and as many records below the
// header as the converter says it wrote.
#include <QBuffer>
#include <QByteArray>

#include <cstddef>
#include <cstdint>

#include "fuzz_check.h"
#include "rows/log_csv.h"

namespace {

// Splits RFC 4180 text into records, counting each record's fields; false when the text is not
// well formed (a quote inside an unquoted field, an unclosed quote, a record without CR LF).
bool CountFields(const QByteArray& csv, std::vector<int>& fieldsPerRecord)
{
    int fields = 1;
    bool quoted = false, fieldStart = true, afterQuote = false;
    for (qsizetype i = 0; i < csv.size(); ++i) {
        const char c = csv[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < csv.size() && csv[i + 1] == '"')
                    ++i;
                else {
                    quoted = false;
                    afterQuote = true;
                }
            }
            continue;
        }
        if (c == ',') {
            ++fields;
            fieldStart = true;
            afterQuote = false;
        } else if (c == '\r') {
            if (i + 1 >= csv.size() || csv[i + 1] != '\n')
                return false;
            ++i;
            fieldsPerRecord.push_back(fields);
            fields = 1;
            fieldStart = true;
            afterQuote = false;
        } else if (c == '\n' || afterQuote) {
            return false;
        } else if (c == '"') {
            if (!fieldStart)
                return false;
            quoted = true;
            fieldStart = false;
        } else {
            fieldStart = false;
        }
    }
    return !quoted && (csv.isEmpty() || csv.endsWith("\r\n"));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 1 << 13)
        return 0;
    QByteArray in(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer log(&in);
    log.open(QIODevice::ReadOnly);
    QByteArray out;
    QBuffer csv(&out);
    csv.open(QIODevice::WriteOnly);
    LogCsvFormats formats;
    formats.DateFormats << QStringLiteral("dd/MM/yyyy");
    formats.TimeFormats << QStringLiteral("HH:mm:ss");
    const LogCsvResult result = ConvertLogToCsv(log, csv, formats);
    if (!result.Ok)
        return 0;
    std::vector<int> fields;
    FUZZ_CHECK(CountFields(out, fields));
    FUZZ_CHECK(!fields.empty());
    FUZZ_CHECK(int(fields.size()) - 1 == result.Rows);
    for (int n : fields)
        FUZZ_CHECK(n == fields.front());
    return 0;
}
