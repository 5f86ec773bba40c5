#include "model/numfmt.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>

#include <QLocale>

#include "model/errors.h"

namespace numfmt {

namespace {

constexpr int MaxDigits = 18;           // significant digits kept before any rounding
constexpr int MaxExponentDigits = 4;    // padding of the scientific exponent, 0..4
constexpr int GeneralLowExponent = -3;  // 0.0001 = 0.1E-3 is the smallest magnitude in fixed form

// A finite value as decimal digits: value = sign 0.d1d2d3... x 10^exponent. No digits = zero.
struct Decimal {
    bool negative = false;
    std::string digits;  // no leading zero, no trailing zeros, at most MaxDigits
    int exponent = 0;
};

// The value's first 18 significant digits, each later rounding starts from these, so that a
// value like 999.5 read as 999.4999... in binary still rounds like its decimal reading.
Decimal ToDecimal(long double value)
{
    Decimal d;
    d.negative = std::signbit(value);
    if (value == 0)
        return d;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*Le", MaxDigits - 1, std::fabs(value));
    // buffer: d.ddddddddddddddddde[+-]x
    const std::string text(buffer);
    const std::size_t e = text.find('e');
    d.digits = text.substr(0, 1) + text.substr(2, e - 2);
    d.exponent = std::stoi(text.substr(e + 1)) + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
    return d;
}

// Keeps `count` significant digits, halves away from zero; count may be 0 or negative when
// a fixed number of decimals lies before the first significant digit.
void RoundTo(Decimal& d, int count)
{
    if (d.digits.empty() || int(d.digits.size()) <= count)
        return;
    if (count < 0) {
        d.digits.clear();
        return;
    }
    const bool up = d.digits[std::size_t(count)] >= '5';
    d.digits.resize(std::size_t(count));
    if (up) {
        int k = count - 1;
        while (k >= 0 && d.digits[std::size_t(k)] == '9') {
            d.digits.pop_back();
            --k;
        }
        if (k < 0) {
            d.digits.assign(1, '1');
            ++d.exponent;
        } else {
            ++d.digits[std::size_t(k)];
        }
    }
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

QString Separator()
{
    return QLocale().decimalPoint();
}

// NAN, INF and -INF rather than digits that mean nothing.
bool NonFinite(long double value, QString& text)
{
    if (std::isnan(value)) {
        text = QStringLiteral("NAN");
        return true;
    }
    if (std::isinf(value)) {
        text = value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
        return true;
    }
    return false;
}

// Digit k (0-based) of the significant digits, zeros beyond them.
char DigitAt(const Decimal& d, int k)
{
    return k >= 0 && k < int(d.digits.size()) ? d.digits[std::size_t(k)] : '0';
}

QString Sign(const Decimal& d)
{
    // A value rounded to zero is shown without a sign.
    return d.negative && !d.digits.empty() ? QStringLiteral("-") : QString();
}

// The exponent text ("-12", "+3", "7", "" = 0), saturated far beyond any double's range.
long long ExponentValue(const std::string& text)
{
    constexpr long long Saturation = 1000000000;  // decimal exponent, well past 308
    long long value = 0;
    bool negative = false;
    for (char c : text) {
        if (c == '-')
            negative = true;
        else if (c >= '0' && c <= '9')
            value = std::min(Saturation, value * 10 + (c - '0'));
    }
    return negative ? -value : value;
}

}  // namespace

QString Scientific(long double value, int digits, int minExponentDigits)
{
    QString text;
    if (NonFinite(value, text))
        return text;
    digits = std::clamp(digits, 1, MaxDigits);
    minExponentDigits = std::clamp(minExponentDigits, 0, MaxExponentDigits);
    Decimal d = ToDecimal(value);
    RoundTo(d, digits);
    const int exponent = d.digits.empty() ? 0 : d.exponent - 1;

    text = Sign(d);
    text += QChar(DigitAt(d, 0));
    if (digits > 1) {
        text += Separator();
        for (int k = 1; k < digits; ++k)
            text += QChar(DigitAt(d, k));
    }
    text += exponent < 0 ? QStringLiteral("E-") : QStringLiteral("E+");
    text += QString::number(std::abs(exponent)).rightJustified(minExponentDigits, QLatin1Char('0'));
    return text;
}

QString General(long double value, int digits)
{
    QString text;
    if (NonFinite(value, text))
        return text;
    digits = std::clamp(digits, 1, MaxDigits);
    Decimal d = ToDecimal(value);
    RoundTo(d, digits);
    if (d.digits.empty())
        return QStringLiteral("0");

    const int count = int(d.digits.size());
    text = Sign(d);
    if (d.exponent > digits || d.exponent < GeneralLowExponent) {
        text += QChar(d.digits[0]);
        if (count > 1)
            text += Separator() + QString::fromLatin1(d.digits.substr(1));
        text += QStringLiteral("E") + QString::number(d.exponent - 1);
        return text;
    }
    if (d.exponent <= 0) {
        text += QStringLiteral("0") + Separator() + QString(-d.exponent, QLatin1Char('0')) +
                QString::fromLatin1(d.digits);
    } else if (d.exponent >= count) {
        text += QString::fromLatin1(d.digits) + QString(d.exponent - count, QLatin1Char('0'));
    } else {
        text += QString::fromLatin1(d.digits.substr(0, std::size_t(d.exponent))) + Separator() +
                QString::fromLatin1(d.digits.substr(std::size_t(d.exponent)));
    }
    return text;
}

QString Fixed(long double value, int digits, int decimals)
{
    QString text;
    if (NonFinite(value, text))
        return text;
    digits = std::clamp(digits, 1, MaxDigits);
    decimals = std::clamp(decimals, 0, MaxDigits);
    Decimal d = ToDecimal(value);
    if (!d.digits.empty())
        RoundTo(d, std::min(digits, d.exponent + decimals));
    if (!d.digits.empty() && d.exponent > digits)
        return General(value, digits);

    text = Sign(d);
    if (d.digits.empty() || d.exponent <= 0) {
        text += QStringLiteral("0");
    } else {
        for (int k = 0; k < d.exponent; ++k)
            text += QChar(DigitAt(d, k));
    }
    if (decimals > 0) {
        text += Separator();
        for (int k = 0; k < decimals; ++k)
            text += d.digits.empty() ? QChar('0') : QChar(DigitAt(d, d.exponent + k));
    }
    return text;
}

double ParseDecimal(const QString& text)
{
    const AppError invalid(QStringLiteral("'") + text +
                           QStringLiteral("' n'est pas une valeur en virgule flottante correcte"));
    const QString separator = Separator();
    const QString body = text.trimmed();

    // [sign] digits [separator digits] [E [sign] digits], at least one mantissa digit. Only the
    // user's separator is a separator: in French "1.5" is not a number.
    std::string whole;  // integer digits
    std::string tail;   // fraction digits
    qsizetype p = 0;
    const qsizetype n = body.size();
    bool negative = false;
    if (p < n && (body[p] == QLatin1Char('+') || body[p] == QLatin1Char('-'))) {
        negative = body[p] == QLatin1Char('-');
        ++p;
    }
    while (p < n && body[p] >= QLatin1Char('0') && body[p] <= QLatin1Char('9'))
        whole += char(body[p++].unicode());
    if (p < n && body.mid(p, separator.size()) == separator) {
        p += separator.size();
        while (p < n && body[p] >= QLatin1Char('0') && body[p] <= QLatin1Char('9'))
            tail += char(body[p++].unicode());
    }
    if (whole.empty() && tail.empty())
        throw invalid;
    std::string exponentText;
    if (p < n && (body[p] == QLatin1Char('E') || body[p] == QLatin1Char('e'))) {
        ++p;
        if (p < n && (body[p] == QLatin1Char('+') || body[p] == QLatin1Char('-')))
            exponentText += char(body[p++].unicode());
        const qsizetype firstDigit = p;
        while (p < n && body[p] >= QLatin1Char('0') && body[p] <= QLatin1Char('9'))
            exponentText += char(body[p++].unicode());
        if (p == firstDigit)
            throw invalid;
    }
    if (p != n)
        throw invalid;

    std::string plain;  // the same number in the C notation, for from_chars
    if (negative)
        plain.push_back('-');
    plain.append(whole.empty() ? std::string(1, '0') : whole);
    plain.push_back('.');
    plain.append(tail);
    if (!exponentText.empty()) {
        plain.push_back('e');
        plain.append(exponentText);
    }
    double result = 0;
    const auto [end, error] = std::from_chars(plain.data(), plain.data() + plain.size(), result);
    if (error == std::errc::result_out_of_range) {
        // Too small to hold is zero; too large is not a number we can use. The decimal
        // magnitude tells which: position of the first significant digit plus the exponent.
        const std::size_t firstNonZero = whole.find_first_not_of('0');
        long long magnitude = 0;
        if (firstNonZero != std::string::npos)
            magnitude = (long long)(whole.size() - firstNonZero);
        else
            magnitude = -(long long)std::min(tail.find_first_not_of('0'), tail.size());
        magnitude += ExponentValue(exponentText);
        if (magnitude < 0)
            return negative ? -0.0 : 0.0;
        throw invalid;
    }
    if (error != std::errc() || end != plain.data() + plain.size() || !std::isfinite(result))
        throw invalid;
    return result;
}

}  // namespace numfmt
