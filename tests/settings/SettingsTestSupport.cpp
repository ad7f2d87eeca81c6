#include "SettingsTestSupport.h"

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
    m_port.emplace(path);
    MLDeviceManager *manager = MLDeviceManager::sharedInstance();
    m_previousTimings = manager->timings();
    MLDeviceManagerTimings timings = m_previousTimings;
    timings.commandTimeoutMs = kCommandTimeoutMs;
    timings.waitForOpenSleepMs = 10;
    manager->setTimings(timings);
    manager->setConnectedDevices(microphonesAt(path));
    return true;
}

void SimulatedMicrophone::detach()
{
    if (!m_port)
        return;
    MLDeviceManager *manager = MLDeviceManager::sharedInstance();
    manager->cancelCommand();
    manager->closeSerialPort();
    manager->setConnectedDevices({});
    manager->setPendingNewPropertyKey(QString());
    manager->setPendingNewPropertyValue(QString());
    manager->setTimings(m_previousTimings);
    sim.stop();
    m_port.reset();
    // Deferred notifications and deletions of this test end here, not in the next one.
    mltest::flushEvents();
}

void SimulatedMicrophone::neverAnswer(const QByteArray &commandStart)
{
    sim.setReplyOverride([commandStart](const QByteArray &command) -> std::optional<QByteArray> {
        if (command.startsWith(commandStart))
            return QByteArray();
        return std::nullopt;
    });
}

QMap<quint32, MLSerialDeviceInfo> microphonesAt(const QString &path, int count)
{
    QMap<quint32, MLSerialDeviceInfo> devices;
    for (int i = 0; i < count; ++i) {
        MLSerialDeviceInfo info;
        info.location = 0x01200000u + quint32(i) * 0x00100000u;
        info.callOutDevice = info.dialInDevice = path;
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

void AlertDriver::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible() || box->property("mltestAnswered").toBool())
        return;
    if (box != m_current) {
        m_current = box;
        m_currentSince.start();
        SeenAlert alert{box->text(), box->informativeText(), {}, {}, box->windowModality()};
        for (QAbstractButton *button : box->buttons())
            alert.buttons.append(button->text());
        if (box->checkBox())
            alert.checkBoxText = box->checkBox()->text();
        seen.push_back(alert);
        if (!m_prefix.isEmpty())
            saveScreenshot(box, m_prefix + u'-' + QString::number(seen.size()));
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
    const auto [text, tick] = m_answers.front();
    m_answers.pop_front();
    if (tick && box->checkBox())
        box->checkBox()->setChecked(true);
    for (QAbstractButton *button : box->buttons()) {
        if (button->text() == text) {
            button->click();
            return;
        }
    }
    ++unexpected; // no such button
    box->reject();
}

void saveScreenshot(QWidget *widget, const QString &name)
{
    const QString dir = mltest::outputDir() + QStringLiteral("/settings");
    QDir().mkpath(dir);
    widget->grab().save(dir + u'/' + name + QStringLiteral(".png"));
}

} // namespace mlsettingstest
