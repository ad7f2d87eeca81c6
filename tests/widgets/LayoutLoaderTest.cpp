#include "MLLayoutLoader.h"
#include "MLViewContainer.h"
#include "WidgetsTestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

struct Outlet
{
    const char *name;
    const char *className;
};

struct LayoutCase
{
    const char *layout;
    const char *rootName;
    const char *rootClass;
    std::vector<Outlet> outlets;
};

const std::vector<LayoutCase> &layoutCases()
{
    static const std::vector<LayoutCase> cases = {
        {"MainWindow", "mainWindow", "QMainWindow", {{"baseWindowView", "QWidget"}}},
        {"ConnectMessageView", "connectMessageView", "QWidget", {{"busyIndicator", "MLBusyIndicator"}}},
        {"DisconnectMessageView", "disconnectMessageView", "QWidget", {}},
        {"DisconnectMultiMessageView", "disconnectMultiMessageView", "QWidget", {}},
        {"MicInfoView",
         "micInfoView",
         "QWidget",
         {{"micImage", "QLabel"},
          {"microphoneNameLabel", "QLabel"},
          {"microphoneTypeLabel", "QLabel"},
          {"microphoneSerialLabel", "QLabel"},
          {"microphoneVersionLabel", "QLabel"},
          {"batteryGauge", "MLBatteryGauge"},
          {"batteryLevelLabel", "QLabel"},
          {"firmwareUpdateNotice", "QLabel"},
          {"settingButton", "QPushButton"}}},
        {"CriticalErrorView", "criticalErrorView", "QWidget", {{"criticalErrorCaption", "QLabel"}}},
        {"RestartingView", "restartingView", "QWidget", {}},
    };
    return cases;
}

class LayoutLoaderTest : public ::testing::Test
{
protected:
    void SetUp() override { mlwidgetstest::useApplicationStyle(); }
};

TEST_F(LayoutLoaderTest, EveryLayoutLoadsWithItsNamedOutlets)
{
    for (const LayoutCase &c : layoutCases()) {
        SCOPED_TRACE(c.layout);
        ASSERT_TRUE(QFile::exists(MLLayoutLoader::layoutPath(QString::fromLatin1(c.layout))))
            << "the layout is not compiled into the library";
        std::unique_ptr<QWidget> root(MLLayoutLoader::loadLayout(QString::fromLatin1(c.layout)));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->objectName(), QLatin1StringView(c.rootName));
        EXPECT_STREQ(root->metaObject()->className(), c.rootClass);
        for (const Outlet &outlet : c.outlets) {
            SCOPED_TRACE(outlet.name);
            auto *widget = root->findChild<QWidget *>(QString::fromLatin1(outlet.name));
            ASSERT_NE(widget, nullptr);
            EXPECT_STREQ(widget->metaObject()->className(), outlet.className);
        }
        // A picture named in a layout must exist.
        for (const QLabel *label : root->findChildren<QLabel *>()) {
            if (label->property("mlImage").isValid()) {
                EXPECT_FALSE(label->pixmap().isNull()) << label->property("mlImage").toString().toStdString();
            }
        }
    }
}

TEST_F(LayoutLoaderTest, MissingOrBrokenLayoutGivesNothing)
{
    EXPECT_EQ(MLLayoutLoader::loadLayout(QStringLiteral("NoSuchView")), nullptr);
    EXPECT_EQ(MLLayoutLoader::loadLayout(QString()), nullptr);

    // The broken file is there: only its content makes the load fail.
    ASSERT_TRUE(QFile::exists(MLLayoutLoader::layoutPath(QStringLiteral("Broken"))));
    EXPECT_EQ(MLLayoutLoader::loadLayout(QStringLiteral("Broken")), nullptr);
}

TEST_F(LayoutLoaderTest, LoadedLayoutBelongsToTheGivenParent)
{
    QWidget owner;
    QPointer<QWidget> view = MLLayoutLoader::loadLayout(QStringLiteral("RestartingView"), &owner);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->parentWidget(), &owner);
}

// Qt Designer's plugins (Qt Quick among them where Designer is installed)
// would cost the application start-up time and memory for nothing.
TEST_F(LayoutLoaderTest, LoadingDoesNotPullInDesignerPlugins)
{
    bool designerPluginsInstalled = false;
    for (const QString &path : QCoreApplication::libraryPaths())
        designerPluginsInstalled |=
            !QDir(path + QStringLiteral("/designer")).entryList(QDir::Files).isEmpty();
    if (!designerPluginsInstalled)
        GTEST_SKIP() << "no Qt Designer plugins on this machine";

    std::unique_ptr<QWidget> view(MLLayoutLoader::loadLayout(QStringLiteral("MicInfoView")));
    ASSERT_NE(view, nullptr);
    QFile maps(QStringLiteral("/proc/self/maps"));
    ASSERT_TRUE(maps.open(QIODevice::ReadOnly));
    EXPECT_FALSE(maps.readAll().contains("/designer/"));
    EXPECT_FALSE(QCoreApplication::libraryPaths().isEmpty()) << "library paths were not put back";
}

TEST_F(LayoutLoaderTest, MainWindowHasItsMenusAndAnEmptyContainer)
{
    std::unique_ptr<QWidget> root(MLLayoutLoader::loadLayout(QStringLiteral("MainWindow")));
    auto *window = qobject_cast<QMainWindow *>(root.get());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Marlevo Microphone Settings"));
    EXPECT_EQ(window->minimumSize(), window->maximumSize()) << "the window has a fixed size";

    auto *quit = window->findChild<QAction *>(QStringLiteral("quitMenuItem"));
    auto *diagnostics = window->findChild<QAction *>(QStringLiteral("diagnosticsMenuItem"));
    auto *help = window->findChild<QAction *>(QStringLiteral("helpMenuItem"));
    ASSERT_TRUE(quit && diagnostics && help);
    EXPECT_EQ(quit->shortcut(), QKeySequence(QStringLiteral("Ctrl+Q")));
    EXPECT_TRUE(diagnostics->isCheckable());
    EXPECT_FALSE(diagnostics->isChecked());
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));

    // Each action sits in its own menu of the menu bar, in File, Tools, Help order.
    const QList<QAction *> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    const QAction *expected[] = {quit, diagnostics, help};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(menus[i]->menu(), nullptr);
        EXPECT_TRUE(menus[i]->menu()->actions().contains(expected[i]));
    }

    auto *base = window->findChild<QWidget *>(QStringLiteral("baseWindowView"));
    ASSERT_NE(base, nullptr);
    auto *layout = qobject_cast<QVBoxLayout *>(base->layout());
    ASSERT_NE(layout, nullptr);
    EXPECT_EQ(layout->contentsMargins(), QMargins());
    EXPECT_EQ(MLCurrentView(base), nullptr);
}

TEST_F(LayoutLoaderTest, InformationViewTellsScreenReadersWhatEachValueIs)
{
    std::unique_ptr<QWidget> view(MLLayoutLoader::loadLayout(QStringLiteral("MicInfoView")));
    ASSERT_NE(view, nullptr);
    const struct
    {
        const char *value;
        const char *caption;
    } rows[] = {{"microphoneSerialLabel", "Serial number"},
                {"microphoneVersionLabel", "Firmware"},
                {"batteryGauge", "Battery"}};
    const QList<QLabel *> labels = view->findChildren<QLabel *>();
    for (const auto &row : rows) {
        SCOPED_TRACE(row.value);
        auto *value = view->findChild<QWidget *>(QString::fromLatin1(row.value));
        ASSERT_NE(value, nullptr);
        const QLabel *caption = nullptr;
        for (const QLabel *label : labels) {
            if (label->buddy() == value)
                caption = label;
        }
        ASSERT_NE(caption, nullptr) << "no label has this value as its buddy";
        EXPECT_EQ(caption->text(), QLatin1StringView(row.caption));
    }
    for (const char *selectable : {"microphoneSerialLabel", "microphoneVersionLabel"}) {
        auto *label = view->findChild<QLabel *>(QString::fromLatin1(selectable));
        EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse) << selectable;
    }
    EXPECT_FALSE(view->findChild<QPushButton *>(QStringLiteral("settingButton"))->text().isEmpty());
}

TEST_F(LayoutLoaderTest, FirmwareNoticeStartsHidden)
{
    std::unique_ptr<QWidget> view(MLLayoutLoader::loadLayout(QStringLiteral("MicInfoView")));
    ASSERT_NE(view, nullptr);
    view->show();
    auto *notice = view->findChild<QWidget *>(QStringLiteral("firmwareUpdateNotice"));
    ASSERT_NE(notice, nullptr);
    EXPECT_FALSE(notice->isVisible());
    EXPECT_TRUE(view->findChild<QWidget *>(QStringLiteral("settingButton"))->isVisible());
}

TEST_F(LayoutLoaderTest, TextStylesGiveAHierarchy)
{
    std::unique_ptr<QWidget> view(MLLayoutLoader::loadLayout(QStringLiteral("MicInfoView")));
    ASSERT_NE(view, nullptr);
    auto label = [&](const char *name) { return view->findChild<QLabel *>(QString::fromLatin1(name)); };
    const QFont title = label("microphoneNameLabel")->font();
    const QFont body = label("microphoneSerialLabel")->font();
    EXPECT_GT(title.pointSizeF(), body.pointSizeF());
    EXPECT_GT(title.weight(), body.weight());
    // Captions are muted against the values they describe.
    EXPECT_NE(label("serialCaptionLabel")->palette().color(QPalette::WindowText),
              label("microphoneSerialLabel")->palette().color(QPalette::WindowText));

    // Styling again (after a palette or font change) must not compound.
    const qreal before = title.pointSizeF();
    MLLayoutLoader::applyStyles(view.get());
    EXPECT_DOUBLE_EQ(label("microphoneNameLabel")->font().pointSizeF(), before);
}

// Every view must fit the window's content area: nothing cut off, no
// squeezed text, at the fixed window size.
TEST_F(LayoutLoaderTest, EveryViewFitsTheWindow)
{
    std::unique_ptr<QWidget> root(MLLayoutLoader::loadLayout(QStringLiteral("MainWindow")));
    ASSERT_NE(root, nullptr);
    root->show();
    auto *base = root->findChild<QWidget *>(QStringLiteral("baseWindowView"));
    ASSERT_NE(base, nullptr);
    for (const LayoutCase &c : layoutCases()) {
        if (QLatin1StringView(c.rootClass) != QLatin1StringView("QWidget"))
            continue;
        SCOPED_TRACE(c.layout);
        QWidget *view = MLLayoutLoader::loadLayout(QString::fromLatin1(c.layout), base);
        ASSERT_NE(view, nullptr);
        // The notice is the tallest state of the information view.
        if (auto *notice = view->findChild<QLabel *>(QStringLiteral("firmwareUpdateNotice"))) {
            notice->setText(QStringLiteral("Firmware update available: 1.05 \u2192 1.07"));
            notice->show();
        }
        MLSwapView(base, view, 0);
        root->layout()->activate();
        const QSize area = base->size();
        ASSERT_GT(area.height(), 200);
        const QSize minimum = view->minimumSizeHint();
        EXPECT_LE(minimum.width(), area.width());
        EXPECT_LE(minimum.height(), area.height());
        if (view->layout()->hasHeightForWidth()) {
            EXPECT_LE(view->layout()->totalHeightForWidth(area.width()), area.height());
        }
        EXPECT_EQ(view->size(), area);
    }
}

} // namespace
