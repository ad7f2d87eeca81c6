#include "MLRegex.h"

#include <gtest/gtest.h>

#include <set>

namespace {

constexpr uint32_t kReplyOptions = MLRegex::CaseInsensitive | MLRegex::MultiLine;

bool matches(const QString &subject, const QString &pattern, uint32_t options = kReplyOptions)
{
    return MLRegex::isMatchedByRegex(subject, pattern, options, MLRegex::Range::whole(subject));
}

QStringList capture(const QString &subject, const QString &pattern, uint32_t options = kReplyOptions)
{
    return MLRegex::captureComponentsMatchedByRegex(subject, pattern, options, MLRegex::Range::whole(subject));
}

TEST(Regex, MatchingTable)
{
    const std::tuple<const char *, const char *, uint32_t, bool> cases[] = { // subject, pattern, options, match
        {"echo\r\nname = Lab\r\n", "^name\\s*=\\s*.+$", kReplyOptions, true},
        {"echo\r\nname = Lab\r\n", "^name\\s*=\\s*.+$", MLRegex::CaseInsensitive, false}, // ^ only at the start
        {"NAME=x", "^name\\s*=\\s*.+$", kReplyOptions, true},
        {"NAME=x", "^name\\s*=\\s*.+$", MLRegex::MultiLine, false}, // case matters without bit 2
        {"name=\r", "^name\\s*=\\s*.+$", kReplyOptions, false},
        {"xname=a", "^name\\s*=\\s*.+$", kReplyOptions, false},
        {"first\nsecond line\nthird", "^.+$", kReplyOptions, true},
        {"", "^.+$", kReplyOptions, false},
        {"abc", "b", 0, true}, // a search, not an anchored match
    };
    for (const auto &[subject, pattern, options, expected] : cases)
        EXPECT_EQ(matches(QString::fromUtf8(subject), QString::fromUtf8(pattern), options), expected)
            << subject << " / " << pattern << " / " << options;
}

TEST(Regex, CaptureComponents)
{
    const QString pattern = QStringLiteral("^Summary=\"(.+)\",(.+),(.+),(.+),(.+),(.+),(.+)$");
    const QStringList parts = capture(QStringLiteral("SUMMARY=\"Room 4\",A1,B2,C3,D4,E5,96\r\n"), pattern);
    const QStringList expected = {QStringLiteral("SUMMARY=\"Room 4\",A1,B2,C3,D4,E5,96"),
                                  QStringLiteral("Room 4"), QStringLiteral("A1"), QStringLiteral("B2"),
                                  QStringLiteral("C3"), QStringLiteral("D4"), QStringLiteral("E5"),
                                  QStringLiteral("96")};
    EXPECT_EQ(parts, expected);

    EXPECT_TRUE(capture(QStringLiteral("Summary=\"\",a,b,c,d,e,f"), pattern).isEmpty());
    EXPECT_TRUE(capture(QStringLiteral("no reply"), pattern).isEmpty());

    // A group that takes no part gives an empty string, not a missing element.
    const QStringList optional = capture(QStringLiteral("ac"), QStringLiteral("a(b)?c"), 0);
    EXPECT_EQ(optional, (QStringList{QStringLiteral("ac"), QString()}));
}

TEST(Regex, RangeLimitsTheSearch)
{
    const QString subject = QStringLiteral("abc def");
    EXPECT_FALSE(MLRegex::isMatchedByRegex(subject, QStringLiteral("def"), 0, {0, 3}));
    EXPECT_TRUE(MLRegex::isMatchedByRegex(subject, QStringLiteral("def"), 0, {4, 3}));
    QString error;
    EXPECT_FALSE(MLRegex::isMatchedByRegex(subject, QStringLiteral("a"), 0, {5, 5}, &error));
    EXPECT_EQ(error, QStringLiteral("Range or index out of bounds."));
}

TEST(Regex, FailuresAreReported)
{
    QString error;
    EXPECT_FALSE(MLRegex::isMatchedByRegex(QStringLiteral("x"), QStringLiteral("(unclosed"), 0, {0, 1}, &error));
    EXPECT_TRUE(error.startsWith(QStringLiteral("There was an error compiling the regular expression.")));
    EXPECT_TRUE(error.contains(QStringLiteral("ICU regular expression error #")));

    error.clear();
    EXPECT_TRUE(MLRegex::captureComponentsMatchedByRegex(QStringLiteral("x"), QString(), 0, {0, 1}, &error).isEmpty());
    EXPECT_EQ(error, QStringLiteral("The regular expression argument is NULL."));
}

TEST(Regex, CompiledPatternsAreReused)
{
    MLRegex::clearCache();
    const QString pattern = QStringLiteral("^channel1\\s*=\\s*.+$");
    const quint64 before = MLRegex::compilationCount();
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(matches(QStringLiteral("channel1=%1\r").arg(i), pattern));
        // An equal pattern text in another string object is the same entry.
        EXPECT_TRUE(matches(QStringLiteral("channel1=3"), QString(pattern.constData(), pattern.size())));
    }
    EXPECT_EQ(MLRegex::compilationCount() - before, 1u);

    // The same pattern with other options is an entry of its own.
    EXPECT_FALSE(matches(QStringLiteral("CHANNEL1=3"), pattern, MLRegex::MultiLine));
    EXPECT_EQ(MLRegex::compilationCount() - before, 2u);
    EXPECT_TRUE(matches(QStringLiteral("CHANNEL1=3"), pattern));
    EXPECT_EQ(MLRegex::compilationCount() - before, 2u);
}

// Patterns that fall into one cache set: the fifth evicts the least recently used.
TEST(Regex, FullSetEvictsLeastRecentlyUsed)
{
    MLRegex::clearCache();
    const int set = MLRegex::cacheSetForPattern(QStringLiteral("p0"), 0);
    QStringList sameSet;
    for (int i = 0; sameSet.size() < 5; ++i) {
        const QString p = QStringLiteral("p%1").arg(i);
        if (MLRegex::cacheSetForPattern(p, 0) == set)
            sameSet.append(p);
    }
    quint64 base = MLRegex::compilationCount();
    for (int i = 0; i < 4; ++i)
        matches(sameSet[i], sameSet[i], 0);
    EXPECT_EQ(MLRegex::compilationCount() - base, 4u);

    // Touch the first so that the second becomes the oldest, then add a fifth.
    matches(sameSet[0], sameSet[0], 0);
    matches(sameSet[4], sameSet[4], 0);
    EXPECT_EQ(MLRegex::compilationCount() - base, 5u);

    base = MLRegex::compilationCount();
    for (int i : {0, 2, 3, 4})
        matches(sameSet[i], sameSet[i], 0);
    EXPECT_EQ(MLRegex::compilationCount() - base, 0u) << "the recently used stay cached";
    matches(sameSet[1], sameSet[1], 0);
    EXPECT_EQ(MLRegex::compilationCount() - base, 1u) << "the least recently used was evicted";
}

TEST(Regex, ChangingSubjectsGiveFreshResults)
{
    // The matcher keeps the last subject; a new text must never see the old one.
    const QString pattern = QStringLiteral("^coverage\\s*=\\s*(.+)$");
    QString subject = QStringLiteral("coverage=1");
    EXPECT_EQ(capture(subject, pattern).value(1), QStringLiteral("1"));
    subject[9] = u'4';
    EXPECT_EQ(capture(subject, pattern).value(1), QStringLiteral("4"));
    EXPECT_TRUE(capture(QString(), pattern).isEmpty());
    EXPECT_FALSE(matches(QStringLiteral(""), pattern));
}

} // namespace
