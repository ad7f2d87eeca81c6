// The device manager's reply processing, fed as the serial port delivers:
// the first byte picks the outstanding command, the rest are chunks separated
// by 0x01 bytes. After each chunk the link's state must hang together.

#include "FuzzSupport.h"
#include "MLDeviceManager.h"

#include <QEvent>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    [[maybe_unused]] static const bool ready = (fuzzInit(), true);
    if (size == 0)
        return 0;
    // Every key the table may hold; a property command's key stands at its number.
    static const QStringList keys = {MLDeviceKeys::DeviceSerial,   MLDeviceKeys::DeviceVersion,
                                     MLDeviceKeys::DeviceName,     MLDeviceKeys::DeviceChannel1,
                                     MLDeviceKeys::DeviceChannel2, MLDeviceKeys::DeviceVoiceChoice,
                                     MLDeviceKeys::DeviceType,     MLDeviceKeys::DeviceBattery};
    const qint32 command = data[0] % 6;
    int completions = 0;
    QObject target;
    {
        MLDeviceManager manager;
        manager.setConnectedDevices({{1, MLSerialDeviceInfo{}}});
        if (command != MLDeviceCommandNone) {
            manager.setCurrentDeviceCommand(command);
            manager.setSerialResponseTarget(&target);
            manager.setSerialResponseSelector(
                [&](QObject *, const MLDeviceOperationResult &) { ++completions; });
            manager.setPendingNewPropertyKey(command == MLDeviceCommandSummary ? QString()
                                                                               : keys.at(command));
            manager.setPendingNewPropertyValue(QStringLiteral("new"));
            manager.startTimeoutTimer();
        }
        const QByteArray input(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
        for (const QByteArray &chunk : input.split('\x01')) {
            manager.serialPortDidReceiveData(nullptr, chunk);
            const bool outstanding = manager.currentDeviceCommand() != MLDeviceCommandNone;
            assert(manager.serialBuffer().size() <= MLDeviceManager::kMaxBufferedBytes);
            assert(outstanding == manager.isTimeoutTimerArmed());
            assert(completions == 0 || !outstanding);
            for (const QString &key : manager.properties().keys())
                assert(keys.contains(key));
            bool isNumber = false;
            const double battery = manager.properties()
                                       .value(MLDeviceKeys::DeviceBattery, QStringLiteral("0"))
                                       .toDouble(&isNumber);
            assert(isNumber && battery <= 100);
        }
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
