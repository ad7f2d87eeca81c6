// The pending-suffix list and its sweep, time stamps, and USB locations.

#include "DeviceTestSupport.h"
#include "MLUsbDiscovery.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <set>

using namespace mltest;

namespace {

class DeviceLists : public ::testing::Test
{
protected:
    void SetUp() override
    {
        now = QDateTime(QDate(2026, 12, 6), QTime(9, 0), Qt::UTC);
        previousClock = MLTimestampedString::setClock([this] { return now; });
    }
    void TearDown() override { MLTimestampedString::setClock(previousClock); }

    void advance(double seconds) { now = now.addMSecs(qint64(seconds * 1000)); }
    QStringList pending(const MLDeviceManager &manager) const
    {
        QStringList suffixes;
        for (const auto &entry : manager.serialDeviceSfxList())
            suffixes.append(entry.string());
        return suffixes;
    }

    QDateTime now;
    MLTimestampedString::Clock previousClock;
    // Ticks are driven by hand; the timer is set far off.
    MLDeviceManager manager{MLDeviceManagerTimings{20000, 3600000, 60.0, 41, 50}};
};

TEST_F(DeviceLists, TimestampAge)
{
    const MLTimestampedString entry = MLTimestampedString::nowWithString(QStringLiteral("ttyACM0"));
    EXPECT_EQ(entry.length(), 7);
    EXPECT_TRUE(entry.isEqualToString(QStringLiteral("ttyACM0")));
    advance(60.0);
    EXPECT_FALSE(entry.isOlderThan(60.0)) << "exactly the elapsed time is not older";
    advance(0.001);
    EXPECT_TRUE(entry.isOlderThan(60.0));
}

TEST_F(DeviceLists, UnmatchedSuffixIsGoneAtTheSecondTick)
{
    manager.serialDeviceSfxListAdd(QStringLiteral("ttyS4"));
    EXPECT_EQ(manager.deviceMatchCnt(), 1u);
    advance(61);
    manager.cleanDeviceLists(); // records the count only
    EXPECT_EQ(pending(manager), QStringList{QStringLiteral("ttyS4")});
    EXPECT_EQ(manager.deviceMatchCheck(), 1u);
    advance(60);
    manager.cleanDeviceLists(); // nothing new for a whole interval: sweep
    EXPECT_TRUE(pending(manager).isEmpty());
    EXPECT_EQ(manager.deviceMatchCnt(), 0u);
    EXPECT_EQ(manager.deviceMatchCheck(), 0u);
}

TEST_F(DeviceLists, YoungEntriesSurviveASweep)
{
    manager.serialDeviceSfxListAdd(QStringLiteral("old"));
    advance(30);
    manager.cleanDeviceLists(); // record
    advance(31);
    manager.serialDeviceSfxListAdd(QStringLiteral("young1"));
    manager.serialDeviceSfxListAdd(QStringLiteral("young2"));
    manager.cleanDeviceLists(); // new arrivals: record again, nothing dropped
    EXPECT_EQ(pending(manager).size(), 3);
    advance(30);
    manager.cleanDeviceLists(); // sweep: "old" is 91 s old, the young ones 30 s
    EXPECT_EQ(pending(manager), (QStringList{QStringLiteral("young1"), QStringLiteral("young2")}));
    EXPECT_EQ(manager.deviceMatchCnt(), 2u);
    EXPECT_EQ(manager.deviceMatchCheck(), 0u);
    advance(60);
    manager.cleanDeviceLists(); // only records
    EXPECT_EQ(pending(manager).size(), 2);
    advance(1);
    manager.cleanDeviceLists(); // sweeps again
    EXPECT_TRUE(pending(manager).isEmpty());
}

TEST_F(DeviceLists, ArrivalsEveryMinuteKeepEverything)
{
    for (int i = 0; i < 5; ++i) {
        manager.serialDeviceSfxListAdd(QStringLiteral("tty%1").arg(i));
        advance(60);
        manager.cleanDeviceLists();
    }
    EXPECT_EQ(pending(manager).size(), 5);
}

TEST(UsbLocation, BusAndPortChain)
{
    const std::tuple<const char *, const char *, std::optional<quint32>> cases[] = {
        {"1", "2", 0x01200000u}, {"3", "1.4.2", 0x03142000u}, {"1", "15.15.15.15.15.15", 0x01ffffffu},
        {"0", "1", 0x00100000u}, {"x", "1", std::nullopt},    {"1", "", std::nullopt},
        {"1", "1..2", std::nullopt}, {"1", "0", std::nullopt}, {"256", "1", std::nullopt},
    };
    for (const auto &[bus, devpath, location] : cases)
        EXPECT_EQ(MLUsbDiscovery::locationFromBusAndDevpath(QString::fromLatin1(bus), QString::fromLatin1(devpath)),
                  location)
            << bus << " " << devpath;
}

TEST(UsbLocation, PositionsBeyondNibblesStayDistinct)
{
    // Ports above 15 and deep chains cannot be nibble-coded; they must still
    // differ from each other and from every nibble-coded position.
    std::set<quint32> seen;
    for (const char *devpath : {"16", "17", "1.16", "16.1", "1.2.3.4.5.6.7", "20.3"}) {
        const auto location = MLUsbDiscovery::locationFromBusAndDevpath(QStringLiteral("2"), QString::fromLatin1(devpath));
        ASSERT_TRUE(location.has_value()) << devpath;
        EXPECT_EQ(*location >> 24, 2u);
        EXPECT_EQ((*location >> 20) & 0xf, 0u) << devpath;
        EXPECT_TRUE(seen.insert(*location).second) << devpath;
    }
}

} // namespace
