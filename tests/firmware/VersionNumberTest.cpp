#include "MLVersionNumber.h"

#include <QList>

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
    const std::pair<const char *, MLVersionNumber> cases[] = {
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
    for (const auto &[text, expected] : cases) {
        const MLVersionNumber parsed = MLVersionNumber::initWithString(QString::fromUtf8(text));
        EXPECT_EQ(parsed, expected) << text << " gave " << describe(parsed);
    }
    // A copy of nothing is zero; the fields read back by name even after <sys/sysmacros.h>.
    EXPECT_EQ(MLVersionNumber::initWithVersionNumber(nullptr), MLVersionNumber());
    const MLVersionNumber v(5, 6, 7, 8);
    EXPECT_EQ(QList<qint32>({v.major(), v.minor(), v.bugfix(), v.build()}), QList<qint32>({5, 6, 7, 8}));
}

TEST(VersionNumber, DescriptionPadsToTwoPlaces)
{
    EXPECT_EQ(MLVersionNumber::initWithString(QStringLiteral("1.05")).description(), QStringLiteral("01.05.00.00"));
    EXPECT_EQ(MLVersionNumber().description(), QStringLiteral("00.00.00.00"));
    // Wider fields are not cut, and the sign takes one of the two places.
    EXPECT_EQ(MLVersionNumber(123, -1, 7, -12).description(), QStringLiteral("123.-1.07.-12"));
}

TEST(VersionNumber, HigherThanComparesFieldByField)
{
    constexpr qint32 max = std::numeric_limits<qint32>::max();
    constexpr qint32 min = std::numeric_limits<qint32>::min();
    const std::tuple<MLVersionNumber, MLVersionNumber, bool, bool> cases[] = { // a, b, a higher, b higher
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
    for (const auto &[a, b, aHigher, bHigher] : cases) {
        EXPECT_EQ(a.higherThan(b), aHigher) << describe(a) << " vs " << describe(b);
        EXPECT_EQ(b.higherThan(a), bHigher) << describe(b) << " vs " << describe(a);
    }
}

TEST(VersionNumber, ValidWhenAnyFieldIsPositive)
{
    EXPECT_FALSE(MLVersionNumber().isValid());
    EXPECT_TRUE(MLVersionNumber(0, 0, 0, 1).isValid());
    EXPECT_TRUE(MLVersionNumber(0, 0, 1, 0).isValid());
    EXPECT_TRUE(MLVersionNumber(-1, 0, 0, 1).isValid());
    EXPECT_FALSE(MLVersionNumber(-1, -1, -1, -1).isValid());
}

} // namespace
