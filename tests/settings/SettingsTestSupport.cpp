#include "SettingsTestSupport.h"

#include "MLSerialPort.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>

namespace mlsettingstest {

bool SimulatedMicrophone::attach(QString *error)
{
    if (!sim.openPty(&path, error))
        return false;
    MLSerialDeviceEntry entry;
    entry.calloutPath = entry.dialinPath = path;
    entry.baseName = QStringLiteral("pts");
    entry.suffix = path.section(u'/', -1);
    entry.modemName = QStringLiteral("IOSerialStream");
    m_previousRegistry = MLSerialPort::setDeviceRegistry(
        std::make_shared<MLFixedSerialDeviceRegistry>(std::vector<MLSerialDeviceEntry>{entry}));

    MLDeviceManager *manager = MLDeviceManager::sharedInstance();
    m_previousTimings = manager->timings();
    MLDeviceManagerTimings timings = m_previousTimings;
    timings.commandTimeoutMs = kCommandTimeoutMs;
    timings.waitForOpenSleepMs = 10;
    manager->setTimings(timings);
    manager->setConnectedDevices(microphonesAt(path));
    m_attached = true;
    return true;
}

void SimulatedMicrophone::detach()
{
    if (!m_attached)
        return;
    m_attached = false;
    MLDeviceManager *manager = MLDeviceManager::sharedInstance();
    manager->cancelCommand();
    manager->closeSerialPort();
    manager->setConnectedDevices({});
    manager->setPendingNewPropertyKey(QString());
    manager->setPendingNewPropertyValue(QString());
    manager->setTimings(m_previousTimings);
    sim.stop();
    MLSerialPort::setDeviceRegistry(m_previousRegistry);
    // Deferred notifications and deletions of this test end here, not in the next one.
    mltest::flushEvents();
}

QMap<quint32, MLSerialDeviceInfo> microphonesAt(const QString &path, int count)
{
    QMap<quint32, MLSerialDeviceInfo> devices;
    for (int i = 0; i < count; ++i) {
        MLSerialDeviceInfo info;
        info.location = 0x01200000u + quint32(i) * 0x00100000u;
        info.callOutDevice = path;
        info.dialInDevice = path;
        devices.insert(info.location, info);
    }
    return devices;
}

AlertDriver::AlertDriver(QString screenshotPrefix) : m_prefix(std::move(screenshotPrefix))
{
    m_timer.setInterval(5);
    connect(&m_timer, &QTimer::timeout, this, &AlertDriver::poll);
    m_timer.start();
}

void AlertDriver::answer(const QString &button, bool tickCheckBox)
{
    m_answers.push_back({button, tickCheckBox});
}

void AlertDriver::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("mltestAnswered").toBool())
        return;
    if (box != m_current) {
        m_current = box;
        m_currentSince.start();
        SeenAlert alert;
        alert.text = box->text();
        alert.informativeText = box->informativeText();
        for (QAbstractButton *button : box->buttons())
            alert.buttons.append(button->text());
        if (box->checkBox())
            alert.checkBoxText = box->checkBox()->text();
        alert.modality = box->windowModality();
        if (!m_prefix.isEmpty())
            alert.screenshot = saveScreenshot(box, m_prefix + u'-' + QString::number(seen.size() + 1));
        seen.push_back(alert);
    }
    if (m_currentSince.elapsed() < m_answerDelayMs)
        return;
    box->setProperty("mltestAnswered", true);

    if (m_answers.empty()) {
        ++unexpected;
        if (QAbstractButton *escape = box->escapeButton())
            escape->click();
        else
            box->reject();
        return;
    }
    const Answer answer = m_answers.front();
    m_answers.pop_front();
    if (answer.tick && box->checkBox())
        box->checkBox()->setChecked(true);
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == answer.button) {
            button->click();
            return;
        }
    }
    ++unexpected; // no such button
    box->reject();
}

QString screenshotPath(const QString &name)
{
    const QString dir = mltest::outputDir() + QStringLiteral("/settings");
    QDir().mkpath(dir);
    return dir + u'/' + name + QStringLiteral(".png");
}

QString saveScreenshot(QWidget *widget, const QString &name)
{
    const QString path = screenshotPath(name);
    return widget && widget->grab().save(path) ? path : QString();
}

} // namespace mlsettingstest
