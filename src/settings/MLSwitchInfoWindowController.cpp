#include "MLSwitchInfoWindowController.h"

#include "MLLayoutLoader.h"
#include "MLLog.h"
#include "MLSettingsRules.h"

#include <QDialog>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

MLSwitchInfoWindowController::MLSwitchInfoWindowController(QObject *parent) : QObject(parent) {}

MLSwitchInfoWindowController::~MLSwitchInfoWindowController()
{
    if (!m_window)
        return;
    m_window->disconnect(this);
    m_window->hide();
    // Released from inside the window's own finished signal: let it return first.
    if (m_ending)
        m_window->deleteLater();
    else
        delete m_window.data();
}

bool MLSwitchInfoWindowController::loadWindow(QWidget *parentWindow)
{
    QWidget *root = MLLayoutLoader::loadLayout(QStringLiteral("SwitchInfoWindow"), parentWindow);
    auto *dialog = qobject_cast<QDialog *>(root);
    if (!dialog) {
        delete root;
        MLLog("Could not load switch info window.");
        return false;
    }
    m_window = dialog;
    // The coverage values, one line each, as the settings sheet explains the chosen one.
    if (auto *coverage = dialog->findChild<QLabel *>(QStringLiteral("coverageMeaningsLabel"))) {
        QStringList lines;
        for (qint32 value = 1; value <= 5; ++value)
            lines.append(MLSettingsRules::coverageMeaning(value));
        coverage->setText(lines.join(u'\n'));
    }
    if (auto *ok = dialog->findChild<QPushButton *>(QStringLiteral("okButton")))
        connect(ok, &QPushButton::clicked, this, &MLSwitchInfoWindowController::okButtonClicked);
    // Escape and the window's close button end it like cancel(): code 0.
    connect(dialog, &QDialog::finished, this, &MLSwitchInfoWindowController::windowFinished);
    return true;
}

void MLSwitchInfoWindowController::beginSheet(QWidget *modalForWindow, DidEndHandler didEnd)
{
    if (!m_window)
        return;
    m_didEnd = std::move(didEnd);
    if (modalForWindow && m_window->parentWidget() != modalForWindow)
        m_window->setParent(modalForWindow, m_window->windowFlags());
    m_window->setWindowModality(Qt::WindowModal);
    m_open = true;
    m_window->open();
}

void MLSwitchInfoWindowController::endSheet(int returnCode)
{
    if (!m_open)
        return;
    if (m_window)
        m_window->done(returnCode); // reaches windowFinished
    else
        windowFinished(returnCode);
}

void MLSwitchInfoWindowController::okButtonClicked()
{
    endSheet(1);
}

void MLSwitchInfoWindowController::windowFinished(int returnCode)
{
    if (!m_open)
        return;
    m_open = false;
    const DidEndHandler didEnd = std::move(m_didEnd);
    m_didEnd = nullptr;
    if (!didEnd)
        return;
    const QPointer<MLSwitchInfoWindowController> self(this);
    m_ending = true;
    didEnd(m_window, returnCode);
    // The handler may have deleted this controller.
    if (self)
        m_ending = false;
}
