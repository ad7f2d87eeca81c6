#include "NumericConversions.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// Runs a test body in a given default locale and restores the previous one.
class LocaleScope
{
public:
    explicit LocaleScope(const QLocale &locale) : m_previous(QLocale()) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(m_previous); }

private:
    QLocale m_previous;
};

TEST(NumericConversions, IntegerParsingIsStrict)
{
    LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::pair<const char *, qint32> cases[] = {
        {"12", 12},  {"-4", -4},      {"7a", 0},     {" 7", 0},        {"7 ", 0},  {"", 0},
        {"3.7", 3},  {"-3.7", -3},    {"1,000", 0},  {"0012", 12},     {"-", 0},   {"1.", 0},
        {".5", 0},   {"1e3", 0},      {"+5", 0},     {"-0.9", 0},      {"1.2.3", 0},
        {"2147483648", std::numeric_limits<qint32>::max()},
        {"-2147483649", std::numeric_limits<qint32>::min()},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(ML_toIntWithDefault(QString::fromUtf8(text), 0), expected) << text;
    EXPECT_EQ(ML_toIntWithDefault(QStringLiteral("x"), 42), 42);
    EXPECT_EQ(ML_intValueWithDefault(QStringLiteral("x"), -1), -1);
}

TEST(NumericConversions, LongKeepsTenDigitSizes)
{
    EXPECT_EQ(ML_toLongWithDefault(QStringLiteral("4294967296"), 0), 4294967296LL);
    EXPECT_EQ(ML_toLongWithDefault(QStringLiteral("9223372036854775807"), 0), std::numeric_limits<qint64>::max());
    EXPECT_EQ(ML_toLongWithDefault(QStringLiteral("-9223372036854775808"), 0), std::numeric_limits<qint64>::min());
    EXPECT_EQ(ML_toLongWithDefault(QStringLiteral("99999999999999999999"), 0), std::numeric_limits<qint64>::max());
    EXPECT_EQ(ML_toLongWithDefault(QStringLiteral("12 kB"), -7), -7);
}

TEST(NumericConversions, DoubleFollowsTheLocale)
{
    {
        LocaleScope english(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57.9"), 0.0), 57.9);
        EXPECT_DOUBLE_EQ(ML_doubleValueWithDefault(QStringLiteral("-0.25"), 1.0), -0.25);
        EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57,9"), 1.5), 1.5);
    }
    {
        LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57,9"), 0.0), 57.9);
        EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57.9"), 1.5), 1.5);
        EXPECT_EQ(ML_toIntWithDefault(QStringLiteral("3,7"), 0), 3);
    }
}

TEST(NumericConversions, BooleanSet)
{
    for (const char *yes : {"yes", "YES", "True", "T", "y", "1", "tRuE"})
        EXPECT_EQ(ML_boolValueWithDefault(QString::fromUtf8(yes), false), 1) << yes;
    for (const char *no : {"no", "0", "on", " yes", "", "yes ", "2", "truth"})
        EXPECT_EQ(ML_boolValueWithDefault(QString::fromUtf8(no), true), 0) << no;
}

TEST(NumericConversions, TextOperations)
{
    EXPECT_TRUE(ML_startsWith(QStringLiteral("initialquery"), QStringLiteral("initial")));
    EXPECT_FALSE(ML_startsWith(QStringLiteral("query"), QStringLiteral("initial")));
    EXPECT_FALSE(ML_startsWith(QStringLiteral("query"), QString()));

    EXPECT_EQ(ML_includeTrailingSlash(QStringLiteral("https://a.example/")), QStringLiteral("https://a.example/"));
    EXPECT_EQ(ML_includeTrailingSlash(QStringLiteral("https://a.example")), QStringLiteral("https://a.example/"));
    EXPECT_EQ(ML_includeTrailingSlash(QString()), QStringLiteral("/"));

    EXPECT_TRUE(ML_containsString(QStringLiteral("error: keyset1.txt missing"), QStringLiteral("keyset1.txt")));
    EXPECT_FALSE(ML_containsString(QStringLiteral("error: KEYSET1.TXT missing"), QStringLiteral("keyset1.txt")));
    EXPECT_FALSE(ML_containsString(QStringLiteral("anything"), QString()));
    // Composed and decomposed spellings are the same text.
    EXPECT_TRUE(ML_containsString(QString::fromUtf8("caf\u00e9 au lait"), QString::fromUtf8("cafe\u0301")));

    EXPECT_EQ(ML_stringByTrimmingFirstCharacter(QStringLiteral("S123")), QStringLiteral("123"));
    EXPECT_EQ(ML_stringByTrimmingFirstCharacter(QStringLiteral("S")), QString());
    EXPECT_EQ(ML_stringByTrimmingFirstCharacter(QString()), QString());
}

TEST(NumericConversions, LeadingDoubleValue)
{
    const std::pair<const char *, double> cases[] = {
        {"87", 87},       {"87%", 87},     {"94.9", 94.9},  {"  12.5xyz", 12.5}, {"-3", -3},
        {"+4", 4},        {"abc", 0},      {"", 0},         {".5", 0.5},         {"5.", 5},
        {"1e2", 100},     {"1e", 1},       {"2E-1", 0.2},   {"1e+", 1},          {".", 0},
        {"\t7\r\n", 7},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_DOUBLE_EQ(ML_leadingDoubleValue(QString::fromUtf8(text)), expected) << text;
    EXPECT_TRUE(std::isinf(ML_leadingDoubleValue(QStringLiteral("1e999"))));
    EXPECT_EQ(ML_leadingDoubleValue(QStringLiteral("1e-999")), 0.0);
}

} // namespace
