#include "MLVersionNumber.h"

// After the header on purpose: its macros must not break major() and minor().
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

#include <limits>

namespace {

std::string describe(const MLVersionNumber &v)
{
    return v.description().toStdString();
}

TEST(VersionNumber, ParsesTextIntoFourFields)
{
    struct Case
    {
        const char *text;
        MLVersionNumber expected;
    };
    const Case cases[] = {
        {"1.05", {1, 5, 0, 0}},
        {"2", {2, 0, 0, 0}},
        {"1.2.3.4.5", {1, 2, 3, 4}},
        {"1.x.3", {1, 0, 3, 0}},
        {"", {0, 0, 0, 0}},
        {"1..2", {1, 0, 2, 0}},
        {"10.20.30.40", {10, 20, 30, 40}},
        {"-1.2", {-1, 2, 0, 0}},
        {" 1.2", {0, 2, 0, 0}}, // no white space allowed in a number
        {"1.2.", {1, 2, 0, 0}}, // trailing empty component
        {"v1.2", {0, 2, 0, 0}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(MLVersionNumber::initWithString(QString::fromUtf8(c.text)), c.expected)
            << c.text << " gave " << describe(MLVersionNumber::initWithString(QString::fromUtf8(c.text)));
}

TEST(VersionNumber, DescriptionPadsToTwoPlaces)
{
    EXPECT_EQ(MLVersionNumber::initWithString(QStringLiteral("1.05")).description(),
              QStringLiteral("01.05.00.00"));
    EXPECT_EQ(MLVersionNumber().description(), QStringLiteral("00.00.00.00"));
    // Wider fields are not cut, and the sign takes one of the two places.
    EXPECT_EQ(MLVersionNumber(123, -1, 7, -12).description(), QStringLiteral("123.-1.07.-12"));
}

TEST(VersionNumber, HigherThanComparesFieldByField)
{
    struct Case
    {
        MLVersionNumber a;
        MLVersionNumber b;
        bool aHigher;
        bool bHigher;
    };
    constexpr qint32 max = std::numeric_limits<qint32>::max();
    constexpr qint32 min = std::numeric_limits<qint32>::min();
    const Case cases[] = {
        {{1, 10, 0, 0}, {1, 9, 9, 9}, true, false},
        {{1, 9, 0, 0}, {1, 9, 0, 0}, false, false},
        {{2, 0, 0, 0}, {1, 99, 99, 99}, true, false},
        {{1, 0, 0, 1}, {1, 0, 0, 0}, true, false},
        {{1, 0, 1, 0}, {1, 0, 0, 9}, true, false},
        {{0, 0, 0, 0}, {-1, 5, 0, 0}, true, false},
        {{1, -1, 0, 0}, {1, 0, 0, 0}, false, true},
        // Signed comparison without overflow at the extremes.
        {{max, 0, 0, 0}, {min, 0, 0, 0}, true, false},
        {{0, 0, 0, min}, {0, 0, 0, max}, false, true},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(c.a.higherThan(c.b), c.aHigher) << describe(c.a) << " vs " << describe(c.b);
        EXPECT_EQ(c.b.higherThan(c.a), c.bHigher) << describe(c.b) << " vs " << describe(c.a);
    }
}

TEST(VersionNumber, ValidWhenAnyFieldIsPositive)
{
    EXPECT_FALSE(MLVersionNumber().isValid());
    EXPECT_FALSE(MLVersionNumber::initWithString(QString()).isValid());
    EXPECT_TRUE(MLVersionNumber(0, 0, 0, 1).isValid());
    EXPECT_TRUE(MLVersionNumber(0, 0, 1, 0).isValid());
    EXPECT_TRUE(MLVersionNumber(-1, 0, 0, 1).isValid());
    EXPECT_FALSE(MLVersionNumber(-1, -1, -1, -1).isValid());
}

TEST(VersionNumber, ConstructionCopyAndSetters)
{
    const MLVersionNumber twoFields(3, 4);
    EXPECT_EQ(twoFields, MLVersionNumber(3, 4, 0, 0));
    EXPECT_EQ(MLVersionNumber::initWithVersionNumber(&twoFields), twoFields);
    EXPECT_EQ(MLVersionNumber::initWithVersionNumber(nullptr), MLVersionNumber());

    MLVersionNumber v;
    v.setMajor(5);
    v.setMinor(6);
    v.setBugfix(7);
    v.setBuild(8);
    EXPECT_EQ(v.major(), 5);
    EXPECT_EQ(v.minor(), 6);
    EXPECT_EQ(v.bugfix(), 7);
    EXPECT_EQ(v.build(), 8);
    EXPECT_FALSE(v == twoFields);
}

} // namespace
