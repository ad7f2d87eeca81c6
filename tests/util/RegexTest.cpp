#include "MLRegex.h"

#include <gtest/gtest.h>

namespace {

constexpr uint32_t kReplyOptions = MLRegex::CaseInsensitive | MLRegex::MultiLine;

bool matches(const QString &subject, const QString &pattern, uint32_t options = kReplyOptions)
{
    return MLRegex::isMatchedByRegex(subject, pattern, options, MLRegex::Range::whole(subject));
}

QStringList capture(const QString &subject, const QString &pattern, uint32_t options = kReplyOptions)
{
    return MLRegex::captureComponentsMatchedByRegex(subject, pattern, options,
                                                    MLRegex::Range::whole(subject));
}

TEST(Regex, MatchingAndCapture)
{
    const std::tuple<const char *, uint32_t, bool> cases[] = {
        // subject, options, match of ^name\s*=\s*.+$
        {"echo\r\nname = Lab\r\n", kReplyOptions, true},
        {"echo\r\nname = Lab\r\n", MLRegex::CaseInsensitive, false}, // ^ only at the start
        {"NAME=x", MLRegex::MultiLine, false},
        {"name=\r", kReplyOptions, false},
    };
    for (const auto &[subject, options, expected] : cases)
        EXPECT_EQ(matches(QString::fromUtf8(subject), QStringLiteral("^name\\s*=\\s*.+$"), options), expected)
            << subject << " / " << options;

    const QString summary = QStringLiteral("^Summary=\"(.+)\",(.+),(.+)$");
    EXPECT_EQ(capture(QStringLiteral("SUMMARY=\"Room 4\",A1,96\r\n"), summary),
              (QStringList{QStringLiteral("SUMMARY=\"Room 4\",A1,96"), QStringLiteral("Room 4"),
                           QStringLiteral("A1"), QStringLiteral("96")}));
    EXPECT_TRUE(capture(QStringLiteral("Summary=\"\",a,b"), summary).isEmpty());
    // A group that takes no part gives an empty string, not a missing element.
    EXPECT_EQ(capture(QStringLiteral("ac"), QStringLiteral("a(b)?c"), 0),
              (QStringList{QStringLiteral("ac"), QString()}));
    // The matcher keeps the last subject; a changed text must never see the old one.
    QString subject = QStringLiteral("coverage=1");
    EXPECT_EQ(capture(subject, QStringLiteral("^coverage=(.+)$")).value(1), QStringLiteral("1"));
    subject[9] = u'4';
    EXPECT_EQ(capture(subject, QStringLiteral("^coverage=(.+)$")).value(1), QStringLiteral("4"));
}

TEST(Regex, RangesAndFailures)
{
    QString error;
    EXPECT_FALSE(MLRegex::isMatchedByRegex(QStringLiteral("abc def"), QStringLiteral("def"), 0, {0, 3}));
    EXPECT_FALSE(
        MLRegex::isMatchedByRegex(QStringLiteral("abc def"), QStringLiteral("a"), 0, {5, 5}, &error));
    EXPECT_EQ(error, QStringLiteral("Range or index out of bounds."));
    EXPECT_FALSE(
        MLRegex::isMatchedByRegex(QStringLiteral("x"), QStringLiteral("(unclosed"), 0, {0, 1}, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("There was an error compiling the regular expression.")));
}

// Patterns that fall into one cache set: each is compiled once, until the
// fifth evicts the least recently used; other options make another entry.
TEST(Regex, CacheKeepsTheRecentlyUsed)
{
    MLRegex::clearCache();
    QStringList sameSet;
    for (int i = 0; sameSet.size() < 5; ++i) {
        const QString p = QStringLiteral("p%1").arg(i);
        if (MLRegex::cacheSetForPattern(p, 0) == MLRegex::cacheSetForPattern(QStringLiteral("p0"), 0))
            sameSet.append(p);
    }
    const quint64 base = MLRegex::compilationCount();
    for (int i : {0, 1, 2, 3, 0, 0, 4, 0, 2, 3, 4})
        matches(sameSet[i], QString(sameSet[i].constData(), sameSet[i].size()), 0);
    EXPECT_EQ(MLRegex::compilationCount() - base, 5u);
    matches(sameSet[1], sameSet[1], 0);
    EXPECT_EQ(MLRegex::compilationCount() - base, 6u) << "the least recently used was evicted";
    EXPECT_FALSE(matches(QStringLiteral("P0"), sameSet[0], MLRegex::MultiLine));
    EXPECT_TRUE(matches(QStringLiteral("P0"), sameSet[0]));
    EXPECT_EQ(MLRegex::compilationCount() - base, 8u);
}

} // namespace
