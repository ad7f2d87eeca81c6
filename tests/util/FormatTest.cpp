#include "MLFormat.h"

#include <gtest/gtest.h>

namespace {

struct Described
{
    QString description() const { return QStringLiteral("01.05.00.00"); }
};

TEST(Format, Conversions)
{
    EXPECT_EQ(MLFormat("Props: %@.", {QStringLiteral("{a}")}), QStringLiteral("Props: {a}."));
    EXPECT_EQ(MLFormat("%d.%02d", {1, 5}), QStringLiteral("1.05"));
    EXPECT_EQ(MLFormat("%d.%02d", {1, 123}), QStringLiteral("1.123"));
    EXPECT_EQ(MLFormat("%02d.%02d.%02d.%02d", {-1, 5, 0, 123}), QStringLiteral("-1.05.00.123"));
    EXPECT_EQ(MLFormat("0x%02x", {0x20ac}), QStringLiteral("0x20ac"));
    EXPECT_EQ(MLFormat("0x%02x", {0x0d}), QStringLiteral("0x0d"));
    EXPECT_EQ(MLFormat("Error saving config at stage: %d, %@", {2, QStringLiteral("Timeout")}),
              QStringLiteral("Error saving config at stage: 2, Timeout"));
    EXPECT_EQ(MLFormat("listener %d of %u", {3, 7u}), QStringLiteral("listener 3 of 7"));
    EXPECT_EQ(MLFormat("%s|%5s|%-4s|", {"a", "b", "c"}), QStringLiteral("a|    b|c   |"));
    EXPECT_EQ(MLFormat("%C", {QChar(0xe9)}), QString::fromUtf8("\u00e9"));
    EXPECT_EQ(MLFormat("100%%", {}), QStringLiteral("100%"));
    EXPECT_EQ(MLFormat("%@", {Described()}), QStringLiteral("01.05.00.00"));
    EXPECT_EQ(MLFormat("%.1f", {2.25}), QStringLiteral("2.2"));
    EXPECT_EQ(MLFormat("%ld %lld %qd", {1L, 2LL, 3}), QStringLiteral("1 2 3"));
}

TEST(Format, MalformedFormatsStayPrintable)
{
    EXPECT_EQ(MLFormat("missing %@ and %d", {}), QStringLiteral("missing  and 0"));
    EXPECT_EQ(MLFormat("extra", {1, 2}), QStringLiteral("extra"));
    EXPECT_EQ(MLFormat("dangling %", {}), QStringLiteral("dangling %"));
    EXPECT_EQ(MLFormat("odd %k here", {}), QStringLiteral("odd %k here"));
    EXPECT_EQ(MLFormat(nullptr, {}), QString());
    // A text argument is never read as a format.
    EXPECT_EQ(MLFormat("%@", {QStringLiteral("%d %s %n")}), QStringLiteral("%d %s %n"));
}

} // namespace
