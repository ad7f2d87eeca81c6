// The update list parser on arbitrary bodies: whatever it picks must be a
// matching name whose own version is the one reported.

#include "FuzzSupport.h"
#include "MLFirmwareUpdateChecker.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static MLFirmwareUpdateChecker *const checker = [] {
        fuzzInit();
        return new MLFirmwareUpdateChecker;
    }();
    const QByteArray body(reinterpret_cast<const char *>(data), qsizetype(size));
    const bool success = checker->processFirmwareUpdateList(body, QStringLiteral("4721_A"));
    const MLVersionNumber version = checker->highestVersion();
    const QString fileName = checker->firmwareFileName();
    if (fileName.isEmpty()) {
        assert(version == MLVersionNumber() && checker->firmwareFileSize() == 0);
    } else {
        assert(success && checker->isMicrophoneFirmware(fileName));
        assert(MLFirmwareUpdateChecker::getFirmwareVersionFromFileName(fileName) == version);
        assert(version.higherThan(MLVersionNumber()) && !MLVersionNumber().higherThan(version));
    }
    return 0;
}
