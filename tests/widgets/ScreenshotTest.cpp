// Renders every view in the main window at its real size, as the application
// shows it, and saves the pictures for review. Each view must fit the
// window's content area, with no text cut off.

#include "MLBatteryGauge.h"
#include "MLBusyIndicator.h"
#include "MLImages.h"
#include "MLLayoutLoader.h"
#include "MLViewContainer.h"
#include "TestSupport.h"
#include "WidgetsTestSupport.h"

#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QPushButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

class ScreenshotTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        mlwidgetstest::useApplicationStyle();
        m_window.reset(qobject_cast<QMainWindow *>(MLLayoutLoader::loadLayout(QStringLiteral("MainWindow"))));
        ASSERT_NE(m_window, nullptr);
        m_base = m_window->findChild<QWidget *>(QStringLiteral("baseWindowView"));
        ASSERT_NE(m_base, nullptr);
        m_window->show();
    }

    // Loads the view into the window, lets fill() set it up, swaps it in
    // and saves the window as <file>.png.
    QWidget *shoot(const QString &layout, const QString &file,
                   const std::function<void(QWidget *)> &fill = {})
    {
        QWidget *view = MLLayoutLoader::loadLayout(layout, m_base);
        if (!view)
            return nullptr;
        if (fill)
            fill(view);
        MLSwapView(m_base, view, 0);
        mltest::flushEvents();
        const QSize area = m_base->size();
        EXPECT_GT(area.height(), 200);
        EXPECT_EQ(view->size(), area);
        EXPECT_LE(view->minimumSizeHint().width(), area.width());
        EXPECT_LE(view->minimumSizeHint().height(), area.height());
        if (view->layout()->hasHeightForWidth()) {
            EXPECT_LE(view->layout()->totalHeightForWidth(area.width()), area.height());
        }
        expectNothingCutOff(view);
        const QString path =
            mlwidgetstest::screenshotDir() + QLatin1Char('/') + file + QStringLiteral(".png");
        const QImage image = mlwidgetstest::render(m_window.get());
        EXPECT_EQ(image.size(), QSize(560, 380));
        EXPECT_TRUE(image.save(path)) << path.toStdString();
        return view;
    }

    void expectNothingCutOff(QWidget *view)
    {
        const QRect area = view->rect();
        for (QLabel *label : view->findChildren<QLabel *>()) {
            if (!label->isVisible() || label->text().isEmpty())
                continue;
            SCOPED_TRACE(label->objectName().toStdString());
            const QRect box(label->mapTo(view, QPoint(0, 0)), label->size());
            EXPECT_TRUE(area.contains(box)) << "label outside the view";
            const QSize needed = label->wordWrap() ? QSize(0, label->heightForWidth(label->width()))
                                                   : label->minimumSizeHint();
            EXPECT_GE(label->height(), needed.height()) << "text cut off at the bottom";
            EXPECT_GE(label->width(), needed.width()) << "text cut off at the side";
        }
    }

    std::unique_ptr<QMainWindow> m_window;
    QWidget *m_base = nullptr;
};

template<typename T> T *child(QWidget *view, const char *name)
{
    return view->findChild<T *>(QString::fromLatin1(name));
}

void fillInformation(QWidget *view, const QString &picture, const QString &name, const QString &type,
                     int level, int segment)
{
    auto *image = child<QLabel>(view, "micImage");
    image->setPixmap(MLImages::pixmapNamed(picture, image->size(), image->devicePixelRatioF()));
    child<QLabel>(view, "microphoneNameLabel")->setText(name);
    child<QLabel>(view, "microphoneTypeLabel")->setText(type);
    child<QLabel>(view, "microphoneSerialLabel")->setText(QStringLiteral("2104578"));
    child<QLabel>(view, "microphoneVersionLabel")->setText(QStringLiteral("1.05"));
    child<MLBatteryGauge>(view, "batteryGauge")->setSegment(segment);
    child<MLBatteryGauge>(view, "batteryGauge")->setLevel(level);
    child<QLabel>(view, "batteryLevelLabel")->setText(QStringLiteral("%1 %").arg(level));
}

TEST_F(ScreenshotTest, MessageViews)
{
    QWidget *connect =
        shoot(QStringLiteral("ConnectMessageView"), QStringLiteral("ConnectMessageView"),
              [](QWidget *view) { child<MLBusyIndicator>(view, "busyIndicator")->startAnimation(); });
    ASSERT_NE(connect, nullptr);
    EXPECT_TRUE(child<MLBusyIndicator>(connect, "busyIndicator")->isVisible());

    ASSERT_NE(shoot(QStringLiteral("DisconnectMessageView"), QStringLiteral("DisconnectMessageView")),
              nullptr);
    ASSERT_NE(
        shoot(QStringLiteral("DisconnectMultiMessageView"), QStringLiteral("DisconnectMultiMessageView")),
        nullptr);
    ASSERT_NE(shoot(QStringLiteral("RestartingView"), QStringLiteral("RestartingView")), nullptr);
    ASSERT_NE(shoot(QStringLiteral("CriticalErrorView"), QStringLiteral("CriticalErrorView"),
                    [](QWidget *view) {
                        child<QLabel>(view, "criticalErrorCaption")
                            ->setText(
                                QStringLiteral("Marlevo Microphone Settings cannot communicate with the "
                                               "device."));
                    }),
              nullptr);
}

TEST_F(ScreenshotTest, InformationViews)
{
    QWidget *teacher =
        shoot(QStringLiteral("MicInfoView"), QStringLiteral("MicInfoView-Teacher"), [](QWidget *view) {
            fillInformation(view, QStringLiteral("TeacherMic"), QStringLiteral("Classroom 4B"),
                            QStringLiteral("Teacher Microphone"), 87, 4);
            auto *notice = child<QLabel>(view, "firmwareUpdateNotice");
            notice->setText(QStringLiteral("Firmware update available: 1.05 \u2192 1.07"));
            notice->show();
        });
    ASSERT_NE(teacher, nullptr);
    EXPECT_TRUE(child<QPushButton>(teacher, "settingButton")->isVisible()) << "not pushed out by the notice";

    ASSERT_NE(shoot(QStringLiteral("MicInfoView"), QStringLiteral("MicInfoView-Student"),
                    [](QWidget *view) {
                        fillInformation(view, QStringLiteral("StudentMic"), QStringLiteral("Student Mic 2"),
                                        QStringLiteral("Student Microphone"), 18, 1);
                    }),
              nullptr);

    // The settings allow names of up to 12 characters; the widest of them
    // still fits beside the picture.
    ASSERT_NE(shoot(QStringLiteral("MicInfoView"), QStringLiteral("MicInfoView-LongName"),
                    [](QWidget *view) {
                        fillInformation(view, QStringLiteral("TeacherMic"), QStringLiteral("WWWWWWWWWWWW"),
                                        QStringLiteral("Teacher Microphone"), 100, 5);
                    }),
              nullptr);
}

} // namespace
