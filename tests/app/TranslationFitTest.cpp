// Every window of the application in each language, rendered offscreen: no
// label, button or check box may be narrower than its text needs unless it
// wraps. The pictures go to the test output folder for review.

#include "MLConfigurationSheetController.h"
#include "MLLayoutLoader.h"
#include "MLViewContainer.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

namespace {

// Checks every visible text widget of the window and saves its picture.
void expectNothingCut(QWidget *window, const QString &name)
{
    mltest::flushEvents();
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        auto *label = qobject_cast<QLabel *>(widget);
        auto *button = qobject_cast<QAbstractButton *>(widget);
        const QString shown = label ? label->text() : button ? button->text() : QString();
        if (shown.isEmpty() || !widget->isVisible())
            continue;
        const bool wraps = label && label->wordWrap();
        EXPECT_TRUE(wraps ? label->height() >= label->heightForWidth(label->width())
                          : widget->width() >= widget->sizeHint().width() &&
                                widget->height() >= widget->sizeHint().height())
            << name.toStdString() << ": " << widget->objectName().toStdString() << " cut, " << widget->width()
            << "x" << widget->height() << " for " << widget->sizeHint().width() << "x"
            << widget->sizeHint().height();
    }
    const QString dir = mltest::outputDir() + QStringLiteral("/translations/");
    EXPECT_TRUE(QDir().mkpath(dir) && window->grab().save(dir + name + QStringLiteral(".png")));
}

// Runs a call that opens a modal alert, checks the alert and closes it.
void expectAlertFits(const std::function<void()> &openAlert, const QString &name)
{
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *alert = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!alert || !alert->isVisible())
            return;
        poll.stop();
        expectNothingCut(alert, name);
        alert->done(0);
    });
    poll.start(10);
    openAlert();
    EXPECT_FALSE(poll.isActive()) << name.toStdString() << ": no alert";
}

using TranslationFit = ::testing::TestWithParam<const char *>;

TEST_P(TranslationFit, EveryWindowShowsItsTextsWhole)
{
    const QString language = QString::fromLatin1(GetParam());
    const auto text = [](const char *c, const char *s) { return QCoreApplication::translate(c, s); };
    QTranslator translator; // uninstalls itself when it goes
    ASSERT_TRUE(translator.load(QStringLiteral(":/i18n/marlevo-mic-settings_") + language));
    QCoreApplication::installTranslator(&translator);

    std::unique_ptr<QWidget> root(MLLayoutLoader::loadLayout(QStringLiteral("MainWindow")));
    auto *window = qobject_cast<QMainWindow *>(root.get());
    ASSERT_NE(window, nullptr);
    QWidget *base = window->findChild<QWidget *>(QStringLiteral("baseWindowView"));
    window->show();
    // Each view with the longest texts the application puts into it.
    const std::vector<std::pair<QString, std::vector<std::pair<const char *, QString>>>> views = {
        {QStringLiteral("ConnectMessageView"), {}},
        {QStringLiteral("ConnectMessageView"),
         {{"connectHeadlineLabel", text("MLAppDelegate", "Reading the microphone\u2026")},
          {"connectMessageDetailLabel",
           text("MLAppDelegate",
                "Marlevo Microphone Settings is asking the microphone for its name and settings.")}}},
        {QStringLiteral("DisconnectMessageView"), {}},
        {QStringLiteral("DisconnectMultiMessageView"), {}},
        {QStringLiteral("CriticalErrorView"), {}},
        {QStringLiteral("RestartingView"), {}},
        {QStringLiteral("MicInfoView"),
         {{"microphoneNameLabel", QStringLiteral("WWWWWWWWWWWW")},
          {"microphoneTypeLabel", text("MLAppDelegate", "Student Microphone")},
          {"batteryLevelLabel", text("MLAppDelegate", "%1 %").arg(100)},
          {"firmwareUpdateNotice", text("MLAppDelegate", "Firmware update available: %1 \u2192 %2")
                                       .arg(QStringLiteral("10.05"), QStringLiteral("10.07"))}}},
    };
    int step = 0;
    for (const auto &[layout, fills] : views) {
        QWidget *view = MLLayoutLoader::loadLayout(layout, base);
        ASSERT_NE(view, nullptr) << layout.toStdString();
        for (const auto &[label, shown] : fills) {
            QLabel *target = view->findChild<QLabel *>(QString::fromLatin1(label));
            target->setText(shown), target->show();
        }
        MLSwapView(base, view, 0);
        expectNothingCut(window, language + QStringLiteral("-%1-").arg(++step) + layout);
    }

    MLConfigurationSheetController sheet;
    ASSERT_TRUE(sheet.loadWindow(window));
    sheet.beginSheet(window, [](QWidget *, int) {});
    // A refused character shows the longest hint under the name field.
    QKeyEvent refused(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QStringLiteral("\u00e9"));
    QApplication::sendEvent(sheet.window()->findChild<QLineEdit *>(QStringLiteral("microphoneNameField")),
                            &refused);
    expectNothingCut(sheet.window(), language + QStringLiteral("-ConfigurationSheet"));
    sheet.moreInformationClicked();
    ASSERT_NE(sheet.switchInfoWindow(), nullptr);
    expectNothingCut(sheet.switchInfoWindow()->window(), language + QStringLiteral("-SwitchInfoWindow"));
    sheet.switchInfoWindow()->endSheet(0);
    sheet.defaultsClicked();
    ASSERT_NE(sheet.resetConfirmAlert(), nullptr);
    expectNothingCut(sheet.resetConfirmAlert(), language + QStringLiteral("-ResetAlert"));
    sheet.resetConfirmAlert()->done(0);
    const std::pair<const char *, std::function<void()>> alerts[] = {
        {"LegacyAlert", [&] { sheet.confirmLegacyChannels(); }},
        {"ExtendedAlert", [&] { sheet.confirmExtendedChannels(); }},
        {"NameBlankAlert", [&] { sheet.informMicrophoneNameInvalid(); }},
        {"NameNotStorableAlert", [&] { sheet.informMicrophoneNameNotSendable(); }},
        {"NameTooLongAlert", [&] { sheet.informMicrophoneNameTooLong(); }},
        {"SameChannelsAlert", [&] { sheet.informUserChannelsCannotBeTheSame(); }},
        {"NotSavedAlert", [&] { sheet.informConfigurationNotSaved(); }},
    };
    for (const auto &[name, open] : alerts)
        expectAlertFits(open, language + u'-' + QString::fromLatin1(name));
    sheet.cancel();
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslationFit, ::testing::Values("en", "de", "fr", "es", "it", "nl"));

} // namespace
