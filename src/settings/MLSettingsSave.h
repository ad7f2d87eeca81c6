#pragma once

#include "MLDeviceRecords.h"
#include "MLSettingsRules.h"

#include <QObject>

#include <memory>

class MLDeviceManager;

// The staged save: writes the name, switch position 1, switch position 2 and
// the coverage one after another, each once the microphone has acknowledged
// the one before. Checks nothing: the caller has applied MLSettingsRules.
// Main thread only.
class MLSettingsSave : public QObject
{
    Q_OBJECT

public:
    enum Stage
    {
        NameStage = 0,
        Channel1Stage = 1,
        Channel2Stage = 2,
        CoverageStage = 3,
        StageCount = 4,
    };
    // "the name", "switch position 1", "switch position 2", "the coverage", localised.
    static QString stageName(int stage);

    explicit MLSettingsSave(MLDeviceManager *manager, QObject *parent = nullptr);
    // Cancels the outstanding command only when this save issued it.
    ~MLSettingsSave() override;

    void start(const MLMicrophoneSettings &settings);
    bool isRunning() const;
    // The stage being written, or the one that failed; StageCount once done.
    int stage() const;
    // Whether the device manager still holds a command of this save.
    bool ownsOutstandingCommand() const;

    // The device manager dropped this save's command without completing it
    // (too much data, a bricked report, a removal): the stage fails with the
    // reason. Does nothing unless a save is running and the manager no longer
    // holds its command.
    void interrupt(MLFailureReason reason);
    // Ends a running save without a failure (the person cancelled); a late
    // acknowledgement then starts nothing.
    void stop();

signals:
    void stageStarted(int stage);
    void finished();
    // Logged as "Error saving config at stage: <stage>, <reason>" before it is emitted.
    void failed(int stage, MLFailureReason reason);

private:
    void writeStage();
    void stageComplete(const MLDeviceOperationResult &result);
    void fail(MLFailureReason reason);

    struct Private;
    std::unique_ptr<Private> d;
};
