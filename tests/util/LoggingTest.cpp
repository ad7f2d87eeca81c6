#include "MLDefaultsKeys.h"
#include "MLLog.h"
#include "MLUserDefaults.h"
#include "MLUtilities.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSettings>

#include <gtest/gtest.h>

namespace {

class Logging : public ::testing::Test
{
protected:
    void SetUp() override { mltest::clearUserDefaults(); }
    void TearDown() override { mltest::clearUserDefaults(); }
};

struct CountingDescription
{
    int *calls;
    QString description() const
    {
        ++*calls;
        return QStringLiteral("table");
    }
};

TEST_F(Logging, ExpansionOfControlCharacters)
{
    const std::pair<QString, QString> cases[] = {
        {QStringLiteral("name = Lab\r"), QStringLiteral("name0x20=0x20Lab0x0d")},
        {QStringLiteral("!~"), QStringLiteral("!~")},
        {QStringLiteral(" \x7f"), QStringLiteral("0x200x7f")},
        {QString::fromUtf8("\u00e9\u20ac"), QStringLiteral("0xe90x20ac")},
        {QStringLiteral("\r\n"), QStringLiteral("0x0d0x0a")},
        {QString(QChar(0)), QStringLiteral("0x00")},
        {QString(), QString()},
    };
    for (const auto &[text, expected] : cases)
        EXPECT_EQ(MLUtilities::stringWithExpandedControlChars(text), expected) << text.toStdString();
}

TEST_F(Logging, SwitchesAreReadOnEveryCall)
{
    mltest::LogCapture log;
    MLDiagnosticsLog("first %d", 1);
    EXPECT_TRUE(log.records().isEmpty());

    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DiagnosticsEnabled));
    MLDiagnosticsLog("second %d", 2);
    MLDeviceDetailedLog("detail");
    EXPECT_EQ(log.records(), QStringList{QStringLiteral("second 2")});

    MLUserDefaults::setObject(QStringLiteral("  YES please"), QString(MLDefaultsKeys::DeviceDetailedDiagnosticsEnabled));
    MLDeviceDetailedLog("Sent Command: %@", QStringLiteral("SUMMARY\r"));
    EXPECT_EQ(log.records().last(), QStringLiteral("Sent Command: SUMMARY\r"));

    MLUserDefaults::removeObjectForKey(QString(MLDefaultsKeys::DiagnosticsEnabled));
    log.clear();
    MLDiagnosticsLog("gone");
    EXPECT_TRUE(log.records().isEmpty());
}

TEST_F(Logging, SwitchesSetFromOutsideTheProgramAreNoticed)
{
    // A support person edits the settings file while the application runs.
    const QString key = QString(MLDefaultsKeys::DeviceDataIODiagnosticsEnabled);
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

TEST_F(Logging, NothingIsFormattedWhileOff)
{
    mltest::LogCapture log;
    int calls = 0;
    MLDiagnosticsLog("Props: %@.", CountingDescription{&calls});
    EXPECT_EQ(calls, 0);
    MLUserDefaults::setBool(true, QString(MLDefaultsKeys::DiagnosticsEnabled));
    MLDiagnosticsLog("Props: %@.", CountingDescription{&calls});
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(log.records(), QStringList{QStringLiteral("Props: table.")});
}

TEST_F(Logging, DataDump)
{
    mltest::LogCapture log;
    MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), QByteArray("x\r\n"));
    EXPECT_TRUE(log.records().isEmpty());

    MLUserDefaults::setObject(1, QString(MLDefaultsKeys::DeviceDataIODiagnosticsEnabled));
    MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), QByteArray("\r\n"));
    MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), QByteArray("ok\xff\xfe", 4));
    MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), QByteArray("caf\xc3\xa9"));
    EXPECT_EQ(log.records(), (QStringList{QStringLiteral("Receive Buffer: 0x0d0x0a"),
                                          QStringLiteral("Receive Buffer: "),
                                          QStringLiteral("Receive Buffer: caf0xe9")}));
}

TEST_F(Logging, BooleanValueOfStoredObjects)
{
    const std::pair<QVariant, bool> cases[] = {
        {QVariant(), false},
        {true, true},
        {false, false},
        {1, true},
        {0, false},
        {0.5, true},
        {QStringLiteral("true"), true},
        {QStringLiteral("false"), false},
        {QStringLiteral("  Yes"), true},
        {QStringLiteral("no"), false},
        {QStringLiteral("-007"), true},
        {QStringLiteral("+000"), false},
        {QStringLiteral(""), false},
        {QStringLiteral("on"), false},
    };
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(MLUserDefaults::boolValueOfObject(value), expected) << value.toString().toStdString();
}

TEST_F(Logging, RegisteredDefaultsStayInMemory)
{
    const QString key = QString(MLDefaultsKeys::MarlevoServerURL);
    MLUserDefaults::registerDefaults({{key, QStringLiteral("https://updates.marlevo.example/")}});
    EXPECT_EQ(MLUserDefaults::stringForKey(key), QStringLiteral("https://updates.marlevo.example/"));
    EXPECT_FALSE(MLUserDefaults::hasStoredValue(key));

    MLUserDefaults::setObject(QStringLiteral("http://127.0.0.1:8080"), key);
    EXPECT_EQ(MLUserDefaults::stringForKey(key), QStringLiteral("http://127.0.0.1:8080"));
    MLUserDefaults::removeObjectForKey(key);
    EXPECT_EQ(MLUserDefaults::stringForKey(key), QStringLiteral("https://updates.marlevo.example/"));
}

TEST_F(Logging, PlatformLogLineFormat)
{
    testing::internal::CaptureStderr();
    MLLog("Serial Timeout");
    const QString line = QString::fromStdString(testing::internal::GetCapturedStderr());
    const QRegularExpression format(
        QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d\\.\\d{3} [^\\[\\]]+\\[\\d+\\] Serial Timeout\\n$"));
    EXPECT_TRUE(format.match(line).hasMatch()) << line.toStdString();
}

TEST_F(Logging, UserAppSupportPath)
{
    const QString path = MLUtilities::userAppSupportPath();
    EXPECT_TRUE(path.endsWith(QStringLiteral("/Marlevo Microphone Settings"))) << path.toStdString();
    EXPECT_TRUE(path.startsWith(qEnvironmentVariable("XDG_DATA_HOME"))) << path.toStdString();
}

} // namespace
