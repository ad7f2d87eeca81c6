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
#include <QPushButton>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace {

class LayoutLoaderTest : public ::testing::Test
{
protected:
    void SetUp() override { mlwidgetstest::useApplicationStyle(); }
};

// The views' own content is checked where they are drawn (ScreenshotTest) and used.
TEST_F(LayoutLoaderTest, EveryLayoutLoadsUnderItsRootName)
{
    const std::tuple<const char *, const char *, const char *> cases[] = { // layout, root name, root class
        {"MainWindow", "mainWindow", "QMainWindow"},
        {"ConnectMessageView", "connectMessageView", "QWidget"},
        {"DisconnectMessageView", "disconnectMessageView", "QWidget"},
        {"DisconnectMultiMessageView", "disconnectMultiMessageView", "QWidget"},
        {"MicInfoView", "micInfoView", "QWidget"},
        {"CriticalErrorView", "criticalErrorView", "QWidget"},
        {"RestartingView", "restartingView", "QWidget"},
    };
    for (const auto &[layout, rootName, rootClass] : cases) {
        SCOPED_TRACE(layout);
        std::unique_ptr<QWidget> root(MLLayoutLoader::loadLayout(QString::fromLatin1(layout)));
        ASSERT_NE(root, nullptr);
        EXPECT_EQ(root->objectName(), QLatin1StringView(rootName));
        EXPECT_STREQ(root->metaObject()->className(), rootClass);
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

TEST_F(LayoutLoaderTest, MainWindowHasItsMenus)
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
    EXPECT_EQ(help->shortcut(), QKeySequence(Qt::Key_F1));

    // Each action sits in its own menu of the menu bar, in File, Tools, Help order.
    const QList<QAction *> menus = window->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    const QAction *expected[] = {quit, diagnostics, help};
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(menus[i]->menu(), nullptr);
        EXPECT_TRUE(menus[i]->menu()->actions().contains(expected[i]));
    }
}

TEST_F(LayoutLoaderTest, InformationViewTellsScreenReadersWhatEachValueIs)
{
    std::unique_ptr<QWidget> view(MLLayoutLoader::loadLayout(QStringLiteral("MicInfoView")));
    ASSERT_NE(view, nullptr);
    const std::pair<const char *, const char *> rows[] = {
        {"microphoneSerialLabel", "Serial number"}, {"microphoneVersionLabel", "Firmware"}, {"batteryGauge", "Battery"}};
    const QList<QLabel *> labels = view->findChildren<QLabel *>();
    for (const auto &[valueName, caption] : rows) {
        SCOPED_TRACE(valueName);
        auto *value = view->findChild<QWidget *>(QString::fromLatin1(valueName));
        ASSERT_NE(value, nullptr);
        const auto label = std::find_if(labels.begin(), labels.end(), [&](QLabel *l) { return l->buddy() == value; });
        ASSERT_NE(label, labels.end()) << "no label has this value as its buddy";
        EXPECT_EQ((*label)->text(), QLatin1StringView(caption));
    }
    for (const char *selectable : {"microphoneSerialLabel", "microphoneVersionLabel"}) {
        auto *label = view->findChild<QLabel *>(QString::fromLatin1(selectable));
        EXPECT_TRUE(label->textInteractionFlags() & Qt::TextSelectableByMouse) << selectable;
    }
    EXPECT_FALSE(view->findChild<QPushButton *>(QStringLiteral("settingButton"))->text().isEmpty());
    view->show();
    EXPECT_FALSE(view->findChild<QWidget *>(QStringLiteral("firmwareUpdateNotice"))->isVisible())
        << "the notice starts hidden";
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

} // namespace
