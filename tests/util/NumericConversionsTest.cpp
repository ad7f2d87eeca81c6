#include "NumericConversions.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(NumericConversions, NumbersAreStrictAndFollowTheLocale)
{
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::pair<const char *, qint32> cases[] = {
        {"12", 12},
        {"-3.7", -3},
        {"0012", 12},
        {"7a", -9},
        {" 7", -9},
        {"7 ", -9},
        {"", -9},
        {"1,000", -9},
        {"-", -9},
        {"1.", -9},
        {".5", -9},
        {"1e3", -9},
        {"+5", -9},
        {"1.2.3", -9},
        {"2147483648", 2147483647},
        {"-2147483649", -2147483647 - 1},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(ML_toIntWithDefault(QString::fromUtf8(text), -9), expected) << text;
    EXPECT_EQ(ML_toLongWithDefault(QStringLiteral("4294967296"), 0), 4294967296LL);
    EXPECT_EQ(ML_toLongWithDefault(QStringLiteral("-99999999999999999999"), 0),
              std::numeric_limits<qint64>::min());
    EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57.9"), 0.0), 57.9);
    EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57,9"), 1.5), 1.5);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57,9"), 0.0), 57.9);
    EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57.9"), 1.5), 1.5);
    EXPECT_EQ(ML_toIntWithDefault(QStringLiteral("3,7"), 0), 3);
    QLocale::setDefault(previous);
}

TEST(NumericConversions, BooleanSet)
{
    for (const char *yes : {"yes", "True", "T", "y", "1"})
        EXPECT_EQ(ML_boolValueWithDefault(QString::fromUtf8(yes), false), 1) << yes;
    for (const char *no : {"no", "0", "on", " yes", "", "2", "truth"})
        EXPECT_EQ(ML_boolValueWithDefault(QString::fromUtf8(no), true), 0) << no;
}

TEST(NumericConversions, TextOperations)
{
    EXPECT_FALSE(ML_startsWith(QStringLiteral("query"), QString()));
    EXPECT_EQ(ML_includeTrailingSlash(QStringLiteral("https://a.example/")),
              QStringLiteral("https://a.example/"));
    EXPECT_EQ(ML_includeTrailingSlash(QStringLiteral("https://a.example")),
              QStringLiteral("https://a.example/"));
    EXPECT_FALSE(
        ML_containsString(QStringLiteral("error: KEYSET1.TXT missing"), QStringLiteral("keyset1.txt")));
    // Composed and decomposed spellings are the same text.
    EXPECT_TRUE(ML_containsString(QString::fromUtf8("caf\u00e9 au lait"), QString::fromUtf8("cafe\u0301")));
    EXPECT_EQ(ML_stringByTrimmingFirstCharacter(QStringLiteral("S123")), QStringLiteral("123"));
    EXPECT_EQ(ML_stringByTrimmingFirstCharacter(QString()), QString());
}

TEST(NumericConversions, LeadingDoubleValue)
{
    const std::pair<const char *, double> cases[] = {
        {"87%", 87}, {"\t-12.5xyz", -12.5}, {"+4", 4}, {"abc", 0},    {".5", 0.5}, {"5.", 5}, {"1e2", 100},
        {"1e+", 1},  {"2E-1", 0.2},         {".", 0},  {"1e-999", 0},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_DOUBLE_EQ(ML_leadingDoubleValue(QString::fromUtf8(text)), expected) << text;
    EXPECT_TRUE(std::isinf(ML_leadingDoubleValue(QStringLiteral("1e999"))));
}

} // namespace
