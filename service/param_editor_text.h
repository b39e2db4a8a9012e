#pragma once
// The parameter editor's rules that need no window: how a read reply is laid
// out in columns, what a write sends, which labels a number shows, and when
// storing to flash is allowed.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/param_list.h"

class QString;

// Longest memo text taken for a write.
inline constexpr size_t kMemoTextMax = 2050;

// A read reply split into memo lines: after each comma a tab, and a new line
// once `columns` commas were seen. The last line is always there, even empty.
struct ParamReplyLayout {
    std::vector<std::string> Lines;
    std::string Whole; // the reply's bytes as they came
};
ParamReplyLayout LayOutParamReply(const uint8_t* data, int length, int columns);

// Column count of the editor's "Columns" edit: 1..20, or nothing.
std::optional<int> ColumnCount(const QString& text);

// The memo text without spaces, tabs, CR and LF (of its first 2050 characters).
std::string WriteTextOf(const std::string& memo);

// Parameter number from the number edit: lenient gives -999 for text that is
// not a number; strict gives nothing.
int LenientNumber(const QString& text);
std::optional<int> StrictNumber(const QString& text);
// The error a failed strict conversion reports.
QString ConversionErrorText(const QString& text);

// What the type, element and bank labels show for a parameter number.
struct ParamLabels {
    std::string Type;
    bool ElementsShown = false;
    std::string ElementsText;
    // Set when the bank label changes (shown or hidden); unset leaves it as it was.
    std::optional<bool> BankShown;
    std::string BankText;
};
ParamLabels LabelsFor(const ParameterList& list, int number);

// StoreBtn after a write was acknowledged.
bool StoreAllowedAfterWrite(const ParameterList& list, int currentParam, bool flashStoreAllowed);
