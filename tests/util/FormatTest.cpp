#include "MLFormat.h"

#include <gtest/gtest.h>

namespace {

struct Described
{
    QString description() const { return QStringLiteral("01.05.00.00"); }
};

TEST(Format, ConversionsAndMalformedFormats)
{
    EXPECT_EQ(MLFormat("%@: %d.%02d", {Described(), -1, 5}), QStringLiteral("01.05.00.00: -1.05"));
    EXPECT_EQ(MLFormat("%02d 0x%02x 0x%02x", {123, 0x0d, 0x20ac}), QStringLiteral("123 0x0d 0x20ac"));
    EXPECT_EQ(MLFormat("%s|%5s|%-4s|%C", {"a", "b", "c", QChar(0xe9)}),
              QString::fromUtf8("a|    b|c   |\u00e9"));
    EXPECT_EQ(MLFormat("%u %ld %lld %qd %.1f 100%%", {7u, 1L, 2LL, 3, 2.25}),
              QStringLiteral("7 1 2 3 2.2 100%"));
    // Malformed formats stay printable, and a text argument is never read as a format.
    EXPECT_EQ(MLFormat("missing %@ and %d; dangling %", {}), QStringLiteral("missing  and 0; dangling %"));
    EXPECT_EQ(MLFormat("odd %k here", {1, 2}), QStringLiteral("odd %k here"));
    EXPECT_EQ(MLFormat(nullptr, {}), QString());
    EXPECT_EQ(MLFormat("%@", {QStringLiteral("%d %s %n")}), QStringLiteral("%d %s %n"));
}

} // namespace
