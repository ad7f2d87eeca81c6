// Numbers and text, formatting, regular expressions and the log switches.

#include "MLDefaultsKeys.h"
#include "MLFormat.h"
#include "MLLog.h"
#include "MLRegex.h"
#include "MLUserDefaults.h"
#include "MLUtilities.h"
#include "MLWireNumber.h"
#include "NumericConversions.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QSettings>

#include <gtest/gtest.h>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace {

class Util : public ::testing::Test
{
protected:
    void SetUp() override { mltest::clearUserDefaults(); }
    void TearDown() override
    {
        mltest::clearUserDefaults();
        QLocale::setDefault(previousLocale);
    }
    const QLocale previousLocale;
    mltest::LogCapture log;
};

TEST_F(Util, NumbersAreStrictAndFollowTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const std::pair<const char *, qint32> cases[] = {
        {"12", 12},    {"-3.7", -3}, {"0012", 12}, {"7a", -9}, {" 7", -9},    {"", -9},
        {"1,000", -9}, {"1.", -9},   {".5", -9},   {"+5", -9}, {"1.2.3", -9}, {"2147483648", 2147483647}};
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(ML_toIntWithDefault(QString::fromUtf8(text), -9), expected) << text;
    EXPECT_EQ(ML_toLongWithDefault(QStringLiteral("4294967296"), 0), 4294967296LL);
    EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57,9"), 1.5), 1.5);
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57,9"), 0.0), 57.9);
    EXPECT_DOUBLE_EQ(ML_toDoubleWithDefault(QStringLiteral("57.9"), 1.5), 1.5);

    const std::pair<const char *, double> leading[] = {
        {"87%", 87}, {"\t-12.5xyz", -12.5}, {"+4", 4}, {"abc", 0},   {".5", 0.5}, {"5.", 5}, {"1e2", 100},
        {"1e+", 1},  {"2E-1", 0.2},         {".", 0},  {"1e-999", 0}};
    for (const auto &[text, expected] : leading)
        EXPECT_DOUBLE_EQ(ML_leadingDoubleValue(QString::fromUtf8(text)), expected) << text;
    EXPECT_TRUE(std::isinf(ML_leadingDoubleValue(QStringLiteral("1e999"))));
}

TEST_F(Util, WireNumbersIgnoreTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const QString tiny = QStringLiteral("0.") + QString(330, u'0') + u'1';
    const QString huge = QStringLiteral("-1") + QString(400, u'0');
    const std::pair<QString, std::optional<double>> cases[] = {
        {u"57.9"_s, 57.9}, {u"-3"_s, -3.0},    {u"57,9"_s, {}}, {u"1."_s, {}}, {u".5"_s, {}},
        {u"+5"_s, {}},     {u"1e2"_s, {}},     {u""_s, {}},     {u"-"_s, {}},  {u"1-2"_s, {}},
        {tiny, 0.0},       {u"-"_s + tiny, -0.0}};
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(ML_wireNumber(text), expected) << text.left(20).toStdString();
    EXPECT_EQ(ML_wireNumber(huge), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(ML_wireIntValue(huge.mid(1)), std::numeric_limits<qint32>::max());
    EXPECT_EQ(ML_wireIntValue(u"-2.9"_s), -2);
}

TEST_F(Util, BooleansFromTextAndFromStoredObjects)
{
    for (const char *yes : {"yes", "True", "T", "y", "1"})
        EXPECT_EQ(ML_boolValueWithDefault(QString::fromUtf8(yes), false), 1) << yes;
    for (const char *no : {"no", "0", "on", " yes", "", "2", "truth"})
        EXPECT_EQ(ML_boolValueWithDefault(QString::fromUtf8(no), true), 0) << no;
    const std::pair<QVariant, bool> stored[] = {{QVariant(), false},
                                                {true, true},
                                                {0, false},
                                                {0.5, true},
                                                {QStringLiteral("  Yes"), true},
                                                {QStringLiteral("no"), false},
                                                {QStringLiteral("-007"), true},
                                                {QStringLiteral("+000"), false},
                                                {QStringLiteral("on"), false}};
    for (const auto &[value, expected] : stored)
        EXPECT_EQ(MLUserDefaults::boolValueOfObject(value), expected) << value.toString().toStdString();
}

TEST_F(Util, TextOperationsAndFormats)
{
    EXPECT_EQ(ML_includeTrailingSlash(QStringLiteral("https://a.example/")),
              QStringLiteral("https://a.example/"));
    EXPECT_EQ(ML_includeTrailingSlash(QStringLiteral("https://a.example")),
              QStringLiteral("https://a.example/"));
    EXPECT_FALSE(
        ML_containsString(QStringLiteral("error: KEYSET1.TXT missing"), QStringLiteral("keyset1.txt")));
    // Composed and decomposed spellings are the same text.
    EXPECT_TRUE(ML_containsString(QString::fromUtf8("caf\u00e9 au lait"), QString::fromUtf8("cafe\u0301")));
    EXPECT_EQ(ML_stringByTrimmingFirstCharacter(QStringLiteral("S123")), QStringLiteral("123"));

    struct Described
    {
        QString description() const { return QStringLiteral("01.05.00.00"); }
    };
    EXPECT_EQ(MLFormat("%@: %d.%02d", {Described(), -1, 5}), QStringLiteral("01.05.00.00: -1.05"));
    EXPECT_EQ(MLFormat("%02d 0x%02x 0x%02x", {123, 0x0d, 0x20ac}), QStringLiteral("123 0x0d 0x20ac"));
    EXPECT_EQ(MLFormat("%s %lld 100%%", {"a", 2LL}), QStringLiteral("a 2 100%"));
    // Malformed formats stay printable, and a text argument is never read as a format.
    EXPECT_EQ(MLFormat("missing %@ and %d; dangling %", {}), QStringLiteral("missing  and 0; dangling %"));
    EXPECT_EQ(MLFormat("odd %k here", {1, 2}), QStringLiteral("odd %k here"));
    EXPECT_EQ(MLFormat("%@", {QStringLiteral("%d %s %n")}), QStringLiteral("%d %s %n"));
}

TEST_F(Util, RegexMatchingCaptureAndRanges)
{
    const uint32_t reply = MLRegex::CaseInsensitive | MLRegex::MultiLine;
    auto capture = [&](const QString &subject, const QString &pattern, uint32_t options) {
        return MLRegex::captureComponentsMatchedByRegex(subject, pattern, options,
                                                        MLRegex::Range::whole(subject));
    };
    const std::tuple<const char *, uint32_t, bool> cases[] = {
        // subject, options, match of ^name\s*=\s*.+$
        {"echo\r\nname = Lab\r\n", reply, true},
        {"echo\r\nname = Lab\r\n", MLRegex::CaseInsensitive, false}, // ^ only at the start
        {"NAME=x", MLRegex::MultiLine, false},
        {"name=\r", reply, false},
    };
    for (const auto &[subject, options, expected] : cases)
        EXPECT_EQ(
            !capture(QString::fromUtf8(subject), QStringLiteral("^name\\s*=\\s*.+$"), options).isEmpty(),
            expected)
            << subject << " / " << options;

    // A group that takes no part gives an empty string, not a missing element.
    EXPECT_EQ(capture(QStringLiteral("ac"), QStringLiteral("a(b)?c"), 0),
              (QStringList{QStringLiteral("ac"), QString()}));
    // The matcher keeps the last subject; a changed text must never see the old one.
    QString subject = QStringLiteral("coverage=1");
    EXPECT_EQ(capture(subject, QStringLiteral("^coverage=(.+)$"), reply).value(1), QStringLiteral("1"));
    subject[9] = u'4';
    EXPECT_EQ(capture(subject, QStringLiteral("^coverage=(.+)$"), reply).value(1), QStringLiteral("4"));

    QString error;
    EXPECT_FALSE(MLRegex::isMatchedByRegex(QStringLiteral("abc def"), QStringLiteral("def"), 0, {0, 3}));
    EXPECT_FALSE(
        MLRegex::isMatchedByRegex(QStringLiteral("abc def"), QStringLiteral("a"), 0, {5, 5}, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(MLRegex::isMatchedByRegex(QStringLiteral("x"), QStringLiteral("(unclosed"), 0, {0, 1}));
}

// Patterns that fall into one cache set: each is compiled once, until the
// fifth evicts the least recently used; other options make another entry.
TEST_F(Util, RegexCacheKeepsTheRecentlyUsed)
{
    auto matches = [](const QString &subject, const QString &pattern, uint32_t options) {
        return MLRegex::isMatchedByRegex(subject, pattern, options, MLRegex::Range::whole(subject));
    };
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
    EXPECT_TRUE(matches(QStringLiteral("P0"), sameSet[0], MLRegex::CaseInsensitive));
    EXPECT_EQ(MLRegex::compilationCount() - base, 8u);
}

TEST_F(Util, LogSwitchesAreReadOnEveryCallAndNothingIsFormattedWhileOff)
{
    struct Counting
    {
        int *calls;
        QString description() const { return QString::number(++*calls); }
    };
    int calls = 0;
    MLDiagnosticsLog("first %@", Counting{&calls});
    MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), QByteArray("x"));
    EXPECT_EQ(calls, 0);

    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DiagnosticsEnabled));
    MLUserDefaults::setObject(QStringLiteral("  YES please"),
                              QString(MLDefaultsKeys::DeviceDataIODiagnosticsEnabled));
    MLDiagnosticsLog("second %@", Counting{&calls});
    // Received bytes are dumped with control characters spelled out; bytes
    // that are no UTF-8 as the prefix alone.
    MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), QByteArray("name = caf\xc3\xa9\x7f\r\n"));
    MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), QByteArray("ok\xff"));
    EXPECT_EQ(log.records(), (QStringList{QStringLiteral("second 1"),
                                          QStringLiteral("Receive Buffer: name0x20=0x20caf0xe90x7f0x0d0x0a"),
                                          QStringLiteral("Receive Buffer: ")}));

    MLUserDefaults::removeObjectForKey(QString(MLDefaultsKeys::DiagnosticsEnabled));
    log.clear();
    MLDiagnosticsLog("gone");
    EXPECT_TRUE(log.records().isEmpty());

    // A support person edits the settings file while the application runs.
    const QString key = QString(MLDefaultsKeys::DeviceDataIODiagnosticsEnabled);
    MLUserDefaults::removeObjectForKey(key);
    ASSERT_FALSE(MLUtilities::logActive(key));
    const QString path =
        QSettings(QStringLiteral("Marlevo"), QStringLiteral("Marlevo Microphone Settings")).fileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write("[General]\nDeviceDataIODiagnosticsEnabled=true\n");
    file.close();
    EXPECT_TRUE(mltest::waitUntil([&] { return MLUtilities::logActive(key); }, 3000));
}

TEST(PlatformLog, LineFormat)
{
    testing::internal::CaptureStderr();
    MLLog("Serial Timeout");
    const QString line = QString::fromStdString(testing::internal::GetCapturedStderr());
    const QRegularExpression format(QStringLiteral(
        "^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} [^\\[\\]]+\\[\\d+\\] Serial Timeout\\n$"));
    EXPECT_TRUE(format.match(line).hasMatch()) << line.toStdString();
}

} // namespace
