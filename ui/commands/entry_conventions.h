#pragma once
#include <QString>

#include <cstdint>
#include <optional>

// How the command dialog reads what the user typed. One place for every panel,
// so a byte field, a location and a tag value follow exactly the same rules.
namespace Entry {

// Leading blanks, an optional sign, then decimal digits or a hexadecimal
// number introduced by "$", "x", "X", "0x" or "0X"; nothing may follow.
// Empty text, any other character, or a value outside the signed 32-bit range
// gives no value.
std::optional<int32_t> ParseInteger(const QString& text);

// A decimal number with the given separator and an optional exponent, held as
// a 32-bit float. Blanks around the number are allowed. A number that does not
// fit a 32-bit float (or inf/nan) gives no value rather than an infinity that
// would later be cut to some arbitrary integer.
std::optional<float> ParseDecimal(const QString& text, QChar separator);

// Steps of the scaled entries: (x + h) * m truncated toward zero, with h
// negative for a negative x, so halves round away from zero on both sides.
enum class Step { Hundredth, Thousandth, Tenth };
double StepSize(Step step);

// A decimal entry turned into whole steps. The float is widened before adding
// the half step, so 2.675 (held as 2.67499995) gives 267 and -2.675 gives -267. No range check: the
// low 16 bits are kept, as the request carries 16 bits.
std::optional<int16_t> ParseScaled(const QString& text, Step step, QChar separator);

// The low 16 bits of an integer entry (Freon and NO span values).
std::optional<int16_t> ParseInteger16(const QString& text);

// A remembered value v in steps shown as v * step in fixed-point notation with
// the given number of decimals (at most 6 significant digits).
QString ScaledText(int v, Step step, int decimals, QChar separator);

// Fixed-point text of a float with the given separator.
QString FixedText(double value, int decimals, QChar separator);

} // namespace Entry
