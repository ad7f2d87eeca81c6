#include "MLBatteryGauge.h"
#include "MLImages.h"
#include "MLLayoutLoader.h"
#include "MLViewContainer.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QPointer>

#include <gtest/gtest.h>

#include <memory>

namespace {

const QColor kRed(0xd2, 0x3f, 0x31);
const QColor kAmber(0xe8, 0xa1, 0x1a);
const QColor kGreen(0x2e, 0x9a, 0x4f);

class Widgets : public ::testing::Test
{
protected:
    // The application runs with Fusion; the tests look at what users see.
    void SetUp() override { QApplication::setStyle(QStringLiteral("Fusion")); }

    static QImage render(QWidget *widget)
    {
        return widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    }

    static int pixelsNear(const QImage &image, const QColor &color)
    {
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                count += pixel.alpha() > 200 && std::abs(pixel.red() - color.red()) <= 30 &&
                         std::abs(pixel.green() - color.green()) <= 30 &&
                         std::abs(pixel.blue() - color.blue()) <= 30;
            }
        }
        return count;
    }
};

TEST_F(Widgets, BatteryGaugeShowsTheLevelInBarsAndColour)
{
    MLBatteryGauge gauge;
    gauge.resize(gauge.sizeHint());
    // Segment 0 warns with a red outline and no bar; from 1 up, one bar per segment.
    const std::pair<int, QColor> rows[] = {{0, kRed},   {1, kRed},   {2, kAmber},
                                           {3, kGreen}, {4, kGreen}, {5, kGreen}};
    int previousBars = 0;
    for (const auto &[segment, colour] : rows) {
        SCOPED_TRACE(segment);
        gauge.setSegment(segment);
        const QImage image = render(&gauge);
        const int expected = pixelsNear(image, colour);
        const int coloured = pixelsNear(image, kRed) + pixelsNear(image, kAmber) + pixelsNear(image, kGreen);
        EXPECT_GT(expected, 20);
        if (segment > 0) {
            EXPECT_EQ(coloured, expected) << "bars of one colour, outline not coloured";
            EXPECT_GT(coloured, previousBars) << "more bars than the segment below";
            previousBars = coloured;
        }
    }
    gauge.setLevel(87);
    EXPECT_EQ(gauge.accessibleDescription(), QStringLiteral("87 percent"));
}

// Every view loads by its name with the pictures it names (whether its texts
// fit is checked in every language with the translations).
TEST_F(Widgets, EveryViewLoadsWithItsPictures)
{
    const char *views[] = {
        "MainWindow",  "ConnectMessageView", "DisconnectMessageView", "DisconnectMultiMessageView",
        "MicInfoView", "CriticalErrorView",  "RestartingView"};
    for (const char *name : views) {
        SCOPED_TRACE(name);
        std::unique_ptr<QWidget> view(MLLayoutLoader::loadLayout(QString::fromLatin1(name)));
        ASSERT_NE(view, nullptr);
        for (QLabel *label : view->findChildren<QLabel *>())
            EXPECT_TRUE(!label->property("mlImage").isValid() || !label->pixmap().isNull())
                << "picture missing";
    }
    EXPECT_FALSE(MLImages::pixmapNamed(QStringLiteral("StudentMic"), QSize(64, 64)).isNull());
    // The loader leaves out Qt Designer's plugins (Qt Quick among them): start-up time and memory for
    // nothing.
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("/designer/"));
}

TEST_F(Widgets, SwapShowsOneViewAndKeepsTheOldOneForReuse)
{
    QWidget container;
    container.resize(300, 200);
    QPointer<QWidget> first = new QLabel(QStringLiteral("first"));
    QPointer<QWidget> second = new QLabel(QStringLiteral("second"));
    container.show();
    const auto fading = [](QWidget *view) {
        return qobject_cast<QGraphicsOpacityEffect *>(view->graphicsEffect());
    };

    MLSwapView(&container, first, 150);
    EXPECT_EQ(MLCurrentView(&container), first);
    EXPECT_FALSE(fading(first)) << "into an empty container without a fade";

    MLSwapView(&container, second, 150);
    ASSERT_FALSE(first.isNull()) << "the old view was deleted";
    EXPECT_TRUE(first->isHidden());
    EXPECT_EQ(MLCurrentView(&container), second);
    EXPECT_TRUE(fading(second));

    // Back while the second still fades in: it keeps no half-finished fade.
    MLSwapView(&container, first, 150);
    EXPECT_FALSE(fading(second));
    EXPECT_TRUE(second->isHidden());
    EXPECT_EQ(MLCurrentView(&container), first);
    EXPECT_TRUE(mltest::waitUntil([&] { return !fading(first); }, 3000)) << "the fade never ended";
}

} // namespace
