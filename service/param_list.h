#pragma once
// The flash parameter list read from "ParamLst.c": a name, type, bank and
// element count for each parameter number 0 to 400. The list only labels the
// numbers; nothing sent to a bench depends on it.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class QString;

struct ParameterItem {
    std::string Name;
    int8_t TypeIndex = 0;  // into ParamTypeNames
    int8_t BankIndex = 0;  // into ParamBankNames
    int16_t Elements = 0;  // count, 0, or -1 when given as text
    std::string ElementsText;
};

inline constexpr int kParamCount = 401; // parameter numbers 0..400
// Longest text kept for any one field; longer fields are cut.
inline constexpr size_t kParamFieldMax = 99;
// Longest line read; the rest of a longer line is dropped.
inline constexpr size_t kParamLineMax = 2057;

inline constexpr const char* ParamTypeNames[] = {"Char", "Int", "Float", "Double", "Long", "String12", "End"};
inline constexpr const char* ParamBankNames[] = {"Flash", "RAM", "Boot", "End"};

using ParameterList = std::array<ParameterItem, kParamCount>;

// Parses the text of a list file (Latin-1 bytes, any line ends).
ParameterList ParseParamList(std::string_view content);
// Reads the file; a missing or unreadable file gives the empty list.
ParameterList ReadParamListFile(const QString& path);
