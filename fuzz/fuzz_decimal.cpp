// The decimal reader as the harmonic dialog's amplitude field uses it: the text typed (any
// characters), read with the French separator, refused with the text quoted or read exactly as
// the C library reads it. (The amplitude then given to a harmonic is any double of 0..1, which
// fuzz_render's models hold, among others.)
#include <QString>
#include <cerrno>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "model/errors.h"
#include "model/numfmt.h"

namespace {

// What the C library reads from the same text with a point for the comma: an independent
// reading of the accepted texts. Returns false when strtod does not take the whole text.
bool CReading(const QString& accepted, double& value, bool& outOfRange)
{
    std::string text = accepted.trimmed().toStdString();
    for (char& c : text) {
        if (c == ',')
            c = '.';
    }
    errno = 0;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    outOfRange = errno == ERANGE;
    return end == text.c_str() + text.size();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::StartParsing();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    double value = 0;
    try {
        value = numfmt::ParseDecimal(text);
    } catch (const AppError& error) {
        fuzz::Check(
            error.text() == QStringLiteral("'") + text +
                                QStringLiteral("' n'est pas une valeur en virgule flottante correcte"),
            "a refused text is quoted whole in the message");
        return 0;
    }
    fuzz::Check(std::isfinite(value), "an accepted text is a finite number");
    // Only ASCII digits, signs, one comma and an exponent get here, which strtod reads too
    // (with a point); a value too small to hold may come out as 0 or as the nearest subnormal.
    double expected = 0;
    bool outOfRange = false;
    fuzz::Check(CReading(text, expected, outOfRange), "an accepted text is a C number with a point");
    if (!outOfRange)
        fuzz::Check(expected == value && std::signbit(expected) == std::signbit(value),
                    "the value is the correctly rounded reading");
    else
        fuzz::Check(std::isfinite(value) && std::fabs(value) <= std::fabs(expected) + 1e-300 &&
                        std::fabs(expected) < 1,
                    "only an underflow is out of range, and it reads as (almost) zero");
    return 0;
}
