#include "service/param_editor_text.h"

#include <QString>

ParamReplyLayout LayOutParamReply(const uint8_t* data, int length, int columns)
{
    ParamReplyLayout out;
    std::string line;
    int commas = 0;
    for (int i = 0; i < length; ++i) {
        const char c = char(data[i]);
        out.Whole += c;
        line += c;
        if (c == ',') {
            line += '\t';
            if (++commas >= columns) {
                out.Lines.push_back(line);
                line.clear();
                commas = 0;
            }
        }
    }
    out.Lines.push_back(line);
    return out;
}

std::optional<int> ColumnCount(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < 1 || n > 20)
        return std::nullopt;
    return n;
}

std::string WriteTextOf(const std::string& memo)
{
    std::string out;
    const size_t n = std::min(memo.size(), kMemoTextMax);
    for (size_t i = 0; i < n; ++i) {
        const char c = memo[i];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            out += c;
    }
    return out;
}

int LenientNumber(const QString& text)
{
    return StrictNumber(text).value_or(-999);
}

std::optional<int> StrictNumber(const QString& text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok)
        return std::nullopt;
    return n;
}

QString ConversionErrorText(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

ParamLabels LabelsFor(const ParameterList& list, int number)
{
    ParamLabels l;
    if (number < 0 || number >= kParamCount) {
        l.Type = "Unknown";
        l.BankShown = false;
        return l;
    }
    const ParameterItem& item = list[size_t(number)];
    const int type = item.TypeIndex >= 0 && item.TypeIndex < 6 ? item.TypeIndex : 0;
    l.Type = ParamTypeNames[type];
    if (item.Elements > 0 || item.Elements < -1) { // a negative count other than -1 is shown as written
        l.ElementsShown = true;
        l.ElementsText = std::to_string(item.Elements);
    } else if (item.Elements == -1) {
        l.ElementsShown = true;
        l.ElementsText = item.ElementsText;
    } else {
        const int bank = item.BankIndex >= 0 && item.BankIndex < 3 ? item.BankIndex : 0;
        l.BankShown = true;
        l.BankText = ParamBankNames[bank];
    }
    return l;
}

bool StoreAllowedAfterWrite(const ParameterList& list, int currentParam, bool flashStoreAllowed)
{
    if (currentParam < 0 || currentParam >= kParamCount)
        return flashStoreAllowed;
    return flashStoreAllowed && list[size_t(currentParam)].BankIndex != 1;
}
