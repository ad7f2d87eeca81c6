#include "MLBatteryGauge.h"
#include "WidgetsTestSupport.h"

#include <gtest/gtest.h>

namespace {

class BatteryGaugeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mlwidgetstest::useApplicationStyle();
        m_gauge.resize(m_gauge.sizeHint());
    }

    QImage paintedAt(int segment)
    {
        m_gauge.setSegment(segment);
        return mlwidgetstest::render(&m_gauge);
    }

    MLBatteryGauge m_gauge;
};

const QColor kRed(0xd2, 0x3f, 0x31);
const QColor kAmber(0xe8, 0xa1, 0x1a);
const QColor kGreen(0x2e, 0x9a, 0x4f);

TEST_F(BatteryGaugeTest, EverySegmentLooksDifferent)
{
    std::vector<QImage> images;
    for (int segment = 0; segment <= MLBatteryGauge::kMaxSegment; ++segment)
        images.push_back(paintedAt(segment));
    for (size_t a = 0; a < images.size(); ++a)
        for (size_t b = a + 1; b < images.size(); ++b)
            EXPECT_TRUE(images[a] != images[b]) << "segments " << a << " and " << b;
}

TEST_F(BatteryGaugeTest, MoreSegmentsFillMoreOfTheBattery)
{
    // Segment 3 onwards is green: the green area grows with every segment.
    int previous = 0;
    for (int segment = 3; segment <= MLBatteryGauge::kMaxSegment; ++segment) {
        const int green = mlwidgetstest::countPixelsNear(paintedAt(segment), kGreen);
        EXPECT_GT(green, previous) << "segment " << segment;
        previous = green;
    }
    // A full battery is one bar more than segment 4 and nowhere near empty.
    EXPECT_GT(previous, m_gauge.width() * m_gauge.height() / 5);
}

TEST_F(BatteryGaugeTest, ColourWarnsWhenLow)
{
    const std::pair<int, QColor> cases[] = {{0, kRed}, {1, kRed}, {2, kAmber}, {3, kGreen}, {5, kGreen}};
    for (const auto &[segment, colour] : cases) {
        SCOPED_TRACE(segment);
        const QImage image = paintedAt(segment);
        const int red = mlwidgetstest::countPixelsNear(image, kRed, 30);
        const int amber = mlwidgetstest::countPixelsNear(image, kAmber, 30);
        const int green = mlwidgetstest::countPixelsNear(image, kGreen, 30);
        const int expected = mlwidgetstest::countPixelsNear(image, colour, 30);
        EXPECT_GT(expected, 20);
        EXPECT_EQ(expected, std::max({red, amber, green}));
        // An empty battery shows its warning on the outline, with no bar.
        if (segment > 0) {
            EXPECT_EQ(red + amber + green, expected);
        }
    }
}

TEST_F(BatteryGaugeTest, OutOfRangeSegmentsArePaintedClamped)
{
    EXPECT_TRUE(paintedAt(7) == paintedAt(5));
    EXPECT_TRUE(paintedAt(-3) == paintedAt(0));
}

TEST_F(BatteryGaugeTest, ScreenReadersHearTheLevel)
{
    EXPECT_EQ(m_gauge.accessibleName(), QStringLiteral("Battery level"));
    m_gauge.setLevel(87);
    EXPECT_EQ(m_gauge.accessibleDescription(), QStringLiteral("87 percent"));
}

TEST_F(BatteryGaugeTest, KeepsItsShapeWhenSmall)
{
    m_gauge.resize(m_gauge.minimumSizeHint());
    const QImage small = paintedAt(5);
    EXPECT_GT(mlwidgetstest::countPixelsNear(small, kGreen, 40), 0);
    EXPECT_TRUE(small != paintedAt(0));
}

} // namespace
