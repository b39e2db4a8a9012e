#include "ui/main/program_texts.h"

#include <clocale>

bool Cedat::ReadDecimalPointIsDot()
{
    std::setlocale(LC_ALL, "");
    const std::lconv* conv = std::localeconv();
    const bool comma = conv && conv->decimal_point && conv->decimal_point[0] == ',';
    // Number formatting of the files stays in the "C" locale whatever the user's locale is.
    std::setlocale(LC_NUMERIC, "C");
    return !comma;
}
