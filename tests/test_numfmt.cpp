// The three number notations and the matching parser, in the French setting the test
// programs run in (decimal comma).
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QLocale>

#include "model/errors.h"
#include "model/numfmt.h"

namespace {

struct ScientificCase {
    long double value;
    int digits;
    int exponentDigits;
    const char* expected;
};

TEST(NumfmtScientific, Table)
{
    const ScientificCase cases[] = {
        // Waveform labels: 3 digits, exponent of at least 1 digit.
        {0.5L, 3, 1, "5,00E-1"},
        {1.0L, 3, 1, "1,00E+0"},
        {0.0L, 3, 1, "0,00E+0"},
        {0.05L, 3, 1, "5,00E-2"},
        {0.9L, 3, 1, "9,00E-1"},
        {1.5L, 3, 1, "1,50E+0"},
        // Report values: 5 digits, exponent of at least 2 digits.
        {0.1L, 5, 2, "1,0000E-01"},
        {1.25L, 5, 2, "1,2500E+00"},
        {0.0L, 5, 2, "0,0000E+00"},
        {440.0L, 5, 2, "4,4000E+02"},
        {1e-12L, 5, 2, "1,0000E-12"},
        {1e123L, 5, 2, "1,0000E+123"},
        // Measurement tool: 2 digits.
        {0.1L, 2, 1, "1,0E-1"},
        {1.5L, 2, 1, "1,5E+0"},
        {0.0L, 2, 1, "0,0E+0"},
        // Rounding at the last digit, halves away from zero, carrying into the exponent.
        {0.12345L, 3, 1, "1,23E-1"},
        {0.1235L, 3, 1, "1,24E-1"},
        {9.995L, 3, 1, "1,00E+1"},
        {9.994L, 3, 1, "9,99E+0"},
        {-0.5L, 3, 1, "-5,00E-1"},
        {-9.995L, 3, 1, "-1,00E+1"},
        {-0.0L, 3, 1, "0,00E+0"},
        // One digit: no separator.
        {0.5L, 1, 1, "5E-1"},
        // Exponent padding up to the stated minimum only.
        {12345.0L, 3, 3, "1,23E+004"},
        {12345.0L, 3, 0, "1,23E+4"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << double(c.value) << " p=" << c.digits << " e=" << c.exponentDigits);
        EXPECT_EQ(numfmt::Scientific(c.value, c.digits, c.exponentDigits).toStdString(), c.expected);
    }
}

struct GeneralCase {
    long double value;
    int digits;
    const char* expected;
};

TEST(NumfmtGeneral, Table)
{
    const GeneralCase cases[] = {
        {0.1L, 3, "0,1"},
        {0.123456L, 3, "0,123"},
        {0.0L, 3, "0"},
        {-0.0L, 3, "0"},
        {1500.0L, 3, "1,5E3"},
        {440.0L, 15, "440"},
        {440.0L, 3, "440"},
        {925.925925925926L, 15, "925,925925925926"},
        {2.5L, 3, "2,5"},
        // The low boundary: 0.0001 is still fixed, anything smaller is scientific.
        {0.0001L, 3, "0,0001"},
        {0.0001L, 15, "0,0001"},
        {0.00009999L, 15, "9,999E-5"},
        {0.00001L, 15, "1E-5"},
        {0.000012345L, 3, "1,23E-5"},
        // ...but the boundary applies after rounding: 0.00009999 to 3 digits is 0.0001.
        {0.00009999L, 3, "0,0001"},
        // The high boundary: below 10^p is fixed, rounding up to 10^p makes it scientific.
        {999.0L, 3, "999"},
        {999.4L, 3, "999"},
        {999.5L, 3, "1E3"},
        {1000.0L, 3, "1E3"},
        {1234.0L, 4, "1234"},
        {12345.0L, 4, "1,235E4"},
        // Negative values mirror the positive ones.
        {-0.1L, 3, "-0,1"},
        {-999.5L, 3, "-1E3"},
        {-0.00001L, 3, "-1E-5"},
        {-440.0L, 15, "-440"},
        // Halves away from zero on the decimal reading, whatever the binary one.
        {0.125L, 2, "0,13"},
        {-0.125L, 2, "-0,13"},
        {1.0L / 3.0L, 5, "0,33333"},
        {2.0L / 3.0L, 5, "0,66667"},
        {100.0L, 1, "1E2"},
        {9.0L, 1, "9"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << double(c.value) << " p=" << c.digits);
        EXPECT_EQ(numfmt::General(c.value, c.digits).toStdString(), c.expected);
    }
}

TEST(NumfmtGeneral, DoubleArgumentsRoundOnTheirDecimalReading)
{
    // A double such as 0.1 or 999.5 widened to long double keeps its binary error below the
    // 18th digit, so it rounds like the decimal number the user typed.
    EXPECT_EQ(numfmt::General(double(0.1), 3), QStringLiteral("0,1"));
    EXPECT_EQ(numfmt::General(double(999.5), 3), QStringLiteral("1E3"));
    EXPECT_EQ(numfmt::General(double(0.3), 15), QStringLiteral("0,3"));
}

struct FixedCase {
    long double value;
    int digits;
    int decimals;
    const char* expected;
};

TEST(NumfmtFixed, Table)
{
    const FixedCase cases[] = {
        {440.0L, 15, 1, "440,0"},
        {440.0L, 5, 1, "440,0"},
        {925.925925925926L, 5, 1, "925,9"},
        {0.794L, 15, 3, "0,794"},
        {440.0L, 5, 2, "440,00"},
        {0.0L, 5, 2, "0,00"},
        {-0.0L, 5, 2, "0,00"},
        {1.0L, 5, 0, "1"},
        {2.5L, 5, 0, "3"},
        {-2.5L, 5, 0, "-3"},
        {0.05L, 5, 1, "0,1"},
        {0.04L, 5, 1, "0,0"},
        {-0.04L, 5, 1, "0,0"},
        {0.006L, 5, 2, "0,01"},
        {0.0004L, 5, 2, "0,00"},
        {-12.345L, 15, 2, "-12,35"},
        {9.96L, 5, 1, "10,0"},
        {99999.0L, 5, 1, "99999,0"},
        // More digits before the separator than p: the general notation takes over.
        {123456.0L, 5, 1, "1,2346E5"},
        {99999.9L, 5, 1, "1E5"},
        {1000.0L, 3, 2, "1E3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << double(c.value) << " p=" << c.digits << " d=" << c.decimals);
        EXPECT_EQ(numfmt::Fixed(c.value, c.digits, c.decimals).toStdString(), c.expected);
    }
}

TEST(NumfmtNonFinite, EveryNotationNamesIt)
{
    const long double nan = std::numeric_limits<long double>::quiet_NaN();
    const long double inf = std::numeric_limits<long double>::infinity();
    for (const QString& text :
         {numfmt::Scientific(nan, 3, 1), numfmt::General(nan, 3), numfmt::Fixed(nan, 5, 1)})
        EXPECT_EQ(text, QStringLiteral("NAN"));
    for (const QString& text :
         {numfmt::Scientific(inf, 3, 1), numfmt::General(inf, 3), numfmt::Fixed(inf, 5, 1)})
        EXPECT_EQ(text, QStringLiteral("INF"));
    for (const QString& text :
         {numfmt::Scientific(-inf, 3, 1), numfmt::General(-inf, 3), numfmt::Fixed(-inf, 5, 1)})
        EXPECT_EQ(text, QStringLiteral("-INF"));
}

TEST(NumfmtLocale, FollowsTheDefaultLocale)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(numfmt::Scientific(0.5L, 3, 1), QStringLiteral("5.00E-1"));
    EXPECT_EQ(numfmt::General(0.123456L, 3), QStringLiteral("0.123"));
    EXPECT_EQ(numfmt::Fixed(440.0L, 5, 1), QStringLiteral("440.0"));
    EXPECT_DOUBLE_EQ(numfmt::ParseDecimal(QStringLiteral("1.5")), 1.5);
    EXPECT_THROW(numfmt::ParseDecimal(QStringLiteral("1,5")), AppError);
    QLocale::setDefault(saved);
    EXPECT_EQ(numfmt::Fixed(440.0L, 5, 1), QStringLiteral("440,0"));
}

TEST(NumfmtParse, Accepted)
{
    const struct {
        const char* text;
        double expected;
    } cases[] = {
        {"440", 440.0},      {"0,5", 0.5}, {"  2,25  ", 2.25}, {"\t7\n", 7.0},  {"-3", -3.0},
        {"+3,5", 3.5},       {",5", 0.5},  {"5,", 5.0},        {"1E3", 1000.0}, {"1,5e-2", 0.015},
        {"-2,5E+2", -250.0}, {"0", 0.0},   {"007", 7.0},       {"1E-400", 0.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(numfmt::ParseDecimal(QString::fromUtf8(c.text)), c.expected);
    }
}

TEST(NumfmtParse, RoundTripsWhatGeneralShows)
{
    for (double value : {0.1, 925.925925925926, 1e-5, 1.5e3, -0.123, 440.0}) {
        SCOPED_TRACE(value);
        EXPECT_DOUBLE_EQ(numfmt::ParseDecimal(numfmt::General(value, 15)), value);
    }
}

TEST(NumfmtParse, RejectedWithTheFrenchMessage)
{
    const char* texts[] = {
        "",  "   ", "abc",  "1.5", "1,5,2", "1 000", "1E",   "1E+",      "E3",   "-",     "+",
        ",", "--1", "1,5x", "nan", "NAN",   "inf",   "-INF", "infinity", "0x10", "1E400", "1e99999999999999"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const QString input = QString::fromUtf8(text);
        try {
            numfmt::ParseDecimal(input);
            ADD_FAILURE() << "accepted";
        } catch (const AppError& error) {
            EXPECT_EQ(error.text(),
                      QStringLiteral("'") + input +
                          QStringLiteral("' n'est pas une valeur en virgule flottante correcte"));
        }
    }
}

}  // namespace
