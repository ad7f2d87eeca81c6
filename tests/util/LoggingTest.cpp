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
    mltest::LogCapture log;
};

TEST_F(Logging, SwitchesAreReadOnEveryCallAndNothingIsFormattedWhileOff)
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
    MLDeviceDetailedLog("detail");
    // Received bytes are dumped with control characters spelled out; bytes
    // that are no UTF-8 as the prefix alone.
    MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), QByteArray("name = caf\xc3\xa9\x7f\r\n"));
    MLDeviceDataIOLog(QStringLiteral("Receive Buffer: "), QByteArray("ok\xff"));
    EXPECT_EQ(log.records(), (QStringList{QStringLiteral("second 1"),
                                          QStringLiteral("Receive Buffer: name0x20=0x20caf0xe90x7f0x0d0x0a"),
                                          QStringLiteral("Receive Buffer: ")}));
    EXPECT_EQ(MLUtilities::stringWithExpandedControlChars(QString(QChar(0x20ac)) + QChar(0)),
              QStringLiteral("0x20ac0x00"));

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

TEST_F(Logging, BooleanValueOfStoredObjects)
{
    const std::pair<QVariant, bool> cases[] = {
        {QVariant(), false},
        {true, true},
        {0, false},
        {0.5, true},
        {QStringLiteral("  Yes"), true},
        {QStringLiteral("no"), false},
        {QStringLiteral("-007"), true},
        {QStringLiteral("+000"), false},
        {QStringLiteral("on"), false},
    };
    for (const auto &[value, expected] : cases)
        EXPECT_EQ(MLUserDefaults::boolValueOfObject(value), expected) << value.toString().toStdString();
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
