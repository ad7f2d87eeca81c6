// The firmware notice: the periodic check of the update service, what its
// answer does, and the notice on the information view. The list's address is
// built in MLAppDelegate.cpp.

#include "MLAppDelegate.h"

#include "MLDefaultsKeys.h"
#include "MLDeviceManager.h"
#include "MLFirmwareUpdateChecker.h"
#include "MLLog.h"
#include "MLUserDefaults.h"

#include <QLabel>
#include <QTimer>

void MLAppDelegate::setupPeriodicCheckForFirmwareVersions()
{
    if (m_firmwareCheckTimer)
        return;
    m_firmwareCheckTimer = new QTimer(this);
    m_firmwareCheckTimer->setInterval(m_firmwareCheckIntervalMs);
    connect(m_firmwareCheckTimer, &QTimer::timeout, this, [this] { doPeriodicFirmwareVersionCheck(); });
    m_firmwareCheckTimer->start();
}

void MLAppDelegate::doPeriodicFirmwareVersionCheck()
{
    getAvailableFirmwareVersions();
}

void MLAppDelegate::getAvailableFirmwareVersions()
{
    const QString url =
        firmwareListURL(MLUserDefaults::objectForKey(QString(MLDefaultsKeys::MarlevoServerURL)));
    QPointer<MLAppDelegate> self(this);
    MLFirmwareUpdateChecker::sharedInstance()->checkForAvailableUpdateAtUrl(
        url, kFirmwareBasename,
        [self](bool success, const MLVersionNumber &version, const QString &fileName, qint64 fileSize) {
            if (!self)
                return;
            if (!success) {
                MLLog("Firmware update check failed.");
                return;
            }
            MLDeviceDetailedLog("Firmware update check succeeded. Highest version: %@", version);
            if (MLDeviceManager::sharedInstance()->numConnectedDevices() == 1) {
                self->m_heldFirmwareAnswer.reset();
                self->firmwareUpdateAvailable(version, fileName, fileSize);
            } else {
                // Taken up once one microphone is in use: no notice waits for the next check.
                self->m_heldFirmwareAnswer = version;
            }
        });
}

void MLAppDelegate::firmwareUpdateAvailable(const MLVersionNumber &version, const QString &fileName,
                                            qint64 fileSize)
{
    Q_UNUSED(fileName);
    Q_UNUSED(fileSize);
    setServerUpdateVersion(version);
    if (m_appState == MLAppStateConnected && version.higherThan(m_microphoneVersion))
        setFirmwareUpdateAvailable(true);
}

void MLAppDelegate::refreshFirmwareNotice()
{
    auto *notice =
        m_micInfoView ? m_micInfoView->findChild<QLabel *>(QStringLiteral("firmwareUpdateNotice")) : nullptr;
    if (!notice)
        return;
    const bool show = m_firmwareUpdateAvailable && m_serverUpdateVersion.has_value();
    if (show) {
        QString installed = m_microphoneVersionStr;
        QString offered = versionText(*m_serverUpdateVersion);
        // Newer only in the parts the short form leaves out: show all four.
        if (installed == offered) {
            installed = m_microphoneVersion.description();
            offered = m_serverUpdateVersion->description();
        }
        notice->setText(tr("Firmware update available: %1 \u2192 %2").arg(installed, offered));
    }
    notice->setVisible(show);
}
