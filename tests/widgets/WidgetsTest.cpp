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

// Every view in the main window at its real size, filled with the widest
// content it takes; the pictures are saved for review.
TEST_F(Widgets, EveryViewLoadsAndFitsTheMainWindow)
{
    std::unique_ptr<QWidget> root(MLLayoutLoader::loadLayout(QStringLiteral("MainWindow")));
    auto *window = qobject_cast<QMainWindow *>(root.get());
    ASSERT_NE(window, nullptr);
    auto *quit = window->findChild<QAction *>(QStringLiteral("quitMenuItem"));
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    QWidget *base = window->findChild<QWidget *>(QStringLiteral("baseWindowView"));
    ASSERT_NE(base, nullptr);
    window->show();
    const QString dir = mltest::outputDir() + QStringLiteral("/widgets");
    QDir().mkpath(dir);
    const char *views[] = {"connectMessageView", "disconnectMessageView", "disconnectMultiMessageView",
                           "micInfoView",        "criticalErrorView",     "restartingView"};
    for (const char *name : views) {
        SCOPED_TRACE(name);
        QString layout = QString::fromLatin1(name);
        layout[0] = layout[0].toUpper();
        QWidget *view = MLLayoutLoader::loadLayout(layout, base);
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->objectName(), QLatin1StringView(name));
        if (auto *value = view->findChild<QLabel *>(QStringLiteral("microphoneNameLabel"))) {
            // Names have up to 12 characters; the widest still fits beside the picture.
            value->setText(QStringLiteral("WWWWWWWWWWWW"));
            auto *image = view->findChild<QLabel *>(QStringLiteral("micImage"));
            image->setPixmap(MLImages::pixmapNamed(QStringLiteral("StudentMic"), image->size()));
            EXPECT_FALSE(image->pixmap().isNull()) << "no student microphone picture";
            auto *notice = view->findChild<QLabel *>(QStringLiteral("firmwareUpdateNotice"));
            notice->setText(QStringLiteral("Firmware update available: 1.05 \u2192 1.07"));
            notice->show();
        }
        MLSwapView(base, view, 0);
        mltest::flushEvents();
        EXPECT_EQ(view->size(), base->size());
        for (QLabel *label : view->findChildren<QLabel *>()) {
            EXPECT_TRUE(!label->property("mlImage").isValid() || !label->pixmap().isNull())
                << "picture missing";
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            SCOPED_TRACE(label->objectName().toStdString());
            EXPECT_TRUE(view->rect().contains(QRect(label->mapTo(view, QPoint(0, 0)), label->size())));
            const QSize needed = label->wordWrap() ? QSize(0, label->heightForWidth(label->width()))
                                                   : label->minimumSizeHint();
            EXPECT_GE(label->height(), needed.height()) << "text cut off at the bottom";
            EXPECT_GE(label->width(), needed.width()) << "text cut off at the side";
        }
        EXPECT_TRUE(render(window).save(dir + u'/' + layout + QStringLiteral(".png")));
    }
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
