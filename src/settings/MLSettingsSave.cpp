#include "MLSettingsSave.h"

#include "MLDeviceManager.h"
#include "MLLog.h"

#include <QElapsedTimer>
#include <QTimer>

namespace {

// The periodic summary is on the wire for tens of milliseconds: a save waits
// for it rather than fail, but not for ever. Any other refusal fails the stage.
constexpr int kLinkWaitMs = 1500;
constexpr int kLinkPollMs = 15;

} // namespace

struct MLSettingsSave::Private
{
    MLDeviceManager *manager = nullptr;
    MLMicrophoneSettings settings;
    int stage = NameStage;
    bool running = false;
    // Since when the current stage has waited for another caller's summary.
    QElapsedTimer linkWait;
    // Tells a save's deferred retry from one of a later save.
    quint32 generation = 0;
};

QString MLSettingsSave::stageName(int stage)
{
    switch (stage) {
    case NameStage:
        return tr("the name");
    case Channel1Stage:
        return tr("switch position 1");
    case Channel2Stage:
        return tr("switch position 2");
    case CoverageStage:
        return tr("the coverage");
    default:
        return QString();
    }
}

MLSettingsSave::MLSettingsSave(MLDeviceManager *manager, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->manager = manager;
}

MLSettingsSave::~MLSettingsSave()
{
    // Only a command of our own: cancelling another one (the main window's
    // periodic query) would end that chain for good.
    if (ownsOutstandingCommand())
        d->manager->cancelCommand();
}

void MLSettingsSave::start(const MLMicrophoneSettings &settings)
{
    d->settings = settings;
    d->stage = NameStage;
    d->running = true;
    ++d->generation;
    d->linkWait.invalidate();
    writeStage();
}

bool MLSettingsSave::isRunning() const
{
    return d->running;
}

int MLSettingsSave::stage() const
{
    return d->stage;
}

bool MLSettingsSave::ownsOutstandingCommand() const
{
    return d->manager->serialResponseTarget() == this &&
           d->manager->currentDeviceCommand() != MLDeviceCommandNone;
}

void MLSettingsSave::interrupt(MLFailureReason reason)
{
    if (!d->running || ownsOutstandingCommand())
        return;
    fail(reason);
}

void MLSettingsSave::stop()
{
    d->running = false;
    ++d->generation;
}

void MLSettingsSave::writeStage()
{
    MLDeviceManager *manager = d->manager;
    const bool summaryOnTheWire =
        manager->currentDeviceCommand() == MLDeviceCommandSummary && manager->serialResponseTarget() != this;
    if (d->stage < StageCount && summaryOnTheWire) {
        if (!d->linkWait.isValid())
            d->linkWait.start();
        if (!d->linkWait.hasExpired(kLinkWaitMs)) {
            const quint32 generation = d->generation;
            QTimer::singleShot(kLinkPollMs, Qt::PreciseTimer, this, [this, generation] {
                if (d->running && generation == d->generation)
                    writeStage();
            });
            return;
        }
    }
    d->linkWait.invalidate();
    if (d->stage >= StageCount) {
        d->running = false;
        emit finished();
        return;
    }
    emit stageStarted(d->stage);
    // A slot may have stopped the save.
    if (!d->running)
        return;
    const MLCompletionSelector completion = MLSelector(&MLSettingsSave::stageComplete);
    bool sent = false;
    switch (d->stage) {
    case NameStage:
        sent = manager->setPropertyStringValue(MLDeviceKeys::DeviceName, d->settings.name, this, completion);
        break;
    case Channel1Stage:
        sent = manager->setPropertyIntValue(MLDeviceKeys::DeviceChannel1, d->settings.channel1, this,
                                            completion);
        break;
    case Channel2Stage:
        sent = manager->setPropertyIntValue(MLDeviceKeys::DeviceChannel2, d->settings.channel2, this,
                                            completion);
        break;
    default:
        sent = manager->setPropertyIntValue(MLDeviceKeys::DeviceVoiceChoice, d->settings.coverage, this,
                                            completion);
        break;
    }
    // A refused command never completes: without this the save would run for ever.
    if (!sent)
        fail(MLFailureReason::Refused);
}

void MLSettingsSave::stageComplete(const MLDeviceOperationResult &result)
{
    // A late acknowledgement after the save has ended starts nothing.
    if (!d->running)
        return;
    if (result.result()) {
        ++d->stage;
        writeStage();
    } else {
        // A device layer that names no reason has given up waiting.
        const MLFailureReason reason = result.failureReason();
        fail(reason == MLFailureReason::None ? MLFailureReason::Timeout : reason);
    }
}

void MLSettingsSave::fail(MLFailureReason reason)
{
    // A save fails once, whatever else reports the same trouble after it.
    if (!d->running)
        return;
    MLLog("Error saving config at stage: %d, %@", d->stage, MLFailureReasonText(reason));
    d->running = false;
    ++d->generation;
    emit failed(d->stage, reason);
}
