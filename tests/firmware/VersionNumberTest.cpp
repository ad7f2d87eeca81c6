#include "MLVersionNumber.h"

// After the header on purpose: its macros must not break major() and minor().
#include <sys/sysmacros.h>

#include <gtest/gtest.h>

namespace {

MLVersionNumber version(const char *text)
{
    return MLVersionNumber::initWithString(QString::fromUtf8(text));
}

TEST(VersionNumber, ParsesTextIntoFourFieldsAndPadsItsDescription)
{
    const std::pair<const char *, const char *> cases[] = {
        {"1.05", "01.05.00.00"},           {"1.2.3.4.5", "01.02.03.04"},
        {"1..x.", "01.00.00.00"},          {"", "00.00.00.00"},
        {" 1.2", "00.02.00.00"},           // no white space in a number
        {"123.-1.7.-12", "123.-1.07.-12"}, // wider fields are not cut
    };
    for (const auto &[text, description] : cases)
        EXPECT_EQ(version(text).description(), QString::fromUtf8(description)) << text;
    const MLVersionNumber v(5, 6, 7, 8);
    EXPECT_EQ(std::make_tuple(v.major(), v.minor(), v.bugfix(), v.build()), std::make_tuple(5, 6, 7, 8));
}

TEST(VersionNumber, HigherThanComparesFieldByField)
{
    const std::tuple<const char *, const char *, bool> cases[] = {
        // a, b, a is higher
        {"1.10", "1.9.9.9", true},  {"1.9", "1.9.0.0", false}, {"1.0.0.1", "1", true},
        {"1.0.1", "1.0.0.9", true}, {"0", "-1.5", true},       {"2147483647", "-2147483648", true},
    };
    for (const auto &[a, b, aHigher] : cases) {
        EXPECT_EQ(version(a).higherThan(version(b)), aHigher) << a << " vs " << b;
        EXPECT_FALSE(version(b).higherThan(version(a))) << b << " vs " << a;
    }
}

TEST(VersionNumber, ValidWhenAnyFieldIsPositive)
{
    EXPECT_FALSE(MLVersionNumber().isValid());
    EXPECT_TRUE(MLVersionNumber(-1, 0, 0, 1).isValid());
    EXPECT_TRUE(MLVersionNumber(0, 0, 1, 0).isValid());
    EXPECT_FALSE(MLVersionNumber(-1, -1, -1, -1).isValid());
}

} // namespace
