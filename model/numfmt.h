#pragma once

#include <QString>

// Every number the program shows goes through these, with the decimal separator of QLocale().
namespace numfmt {

// One digit, the separator, digits - 1 digits, "E", the exponent's sign ("+" for zero or
// positive) and the exponent padded with zeros to minExponentDigits: 5,00E-1 · 1,0000E-01.
QString Scientific(long double value, int digits, int minExponentDigits);

// Fixed notation with at most `digits` significant digits and no trailing zeros for magnitudes
// from 0.0001 up to below 10^digits (0,123 · 440 · 0), else one digit, the separator, the
// remaining digits, "E", "-" only for negative exponents and the bare exponent (1,5E3).
QString General(long double value, int digits);

// `decimals` digits after the separator (440,0 · 0,794), falling back to General when the
// value has more than `digits` digits before the separator.
QString Fixed(long double value, int digits, int decimals);

// Reads a decimal number written with the user's separator; throws AppError with
// "'<text>' n'est pas une valeur en virgule flottante correcte" when it isn't one.
double ParseDecimal(const QString& text);

}  // namespace numfmt
