// The device manager's reply processing, fed as the serial port delivers:
// the first byte picks the outstanding command, the rest are chunks separated
// by 0x01 bytes. After each chunk the link's state must hang together.

#include "FuzzSupport.h"
#include "MLDeviceManager.h"

#include <QEvent>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool ready = (fuzzInit(), true);
    (void)ready;
    if (size == 0)
        return 0;
    static const QString keys[] = {QString(), QString(), MLDeviceKeys::DeviceName, MLDeviceKeys::DeviceChannel1,
                                   MLDeviceKeys::DeviceChannel2, MLDeviceKeys::DeviceVoiceChoice};
    const qint32 command = data[0] % 6;
    int completions = 0;
    QObject target;
    {
        MLDeviceManager manager;
        manager.setConnectedDevices({{1, MLSerialDeviceInfo{}}});
        if (command != MLDeviceCommandNone) {
            manager.setCurrentDeviceCommand(command);
            manager.setSerialResponseTarget(&target);
            manager.setSerialResponseSelector([&](QObject *, const MLDeviceOperationResult &) { ++completions; });
            manager.setPendingNewPropertyKey(keys[command]);
            manager.setPendingNewPropertyValue(QStringLiteral("new"));
            manager.startTimeoutTimer();
        }
        const QByteArray input(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
        for (const QByteArray &chunk : input.split('\x01')) {
            manager.serialPortDidReceiveData(nullptr, chunk);
            const bool outstanding = manager.currentDeviceCommand() != MLDeviceCommandNone;
            FUZZ_REQUIRE(manager.serialBuffer().size() <= MLDeviceManager::kMaxBufferedBytes);
            FUZZ_REQUIRE(outstanding == manager.isTimeoutTimerArmed());
            FUZZ_REQUIRE(completions == 0 || !outstanding);
            const QMap<QString, QString> properties = manager.properties();
            for (auto it = properties.begin(); it != properties.end(); ++it)
                FUZZ_REQUIRE(it.key() == MLDeviceKeys::DeviceType || std::find(std::begin(keys), std::end(keys), it.key()) != std::end(keys) ||
                             it.key() == MLDeviceKeys::DeviceSerial || it.key() == MLDeviceKeys::DeviceVersion ||
                             it.key() == MLDeviceKeys::DeviceBattery);
            bool isNumber = false;
            const double battery = properties.value(MLDeviceKeys::DeviceBattery, QStringLiteral("0")).toDouble(&isNumber);
            FUZZ_REQUIRE(isNumber && battery <= 100);
        }
    }
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
