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
        FUZZ_REQUIRE(version == MLVersionNumber() && checker->firmwareFileSize() == 0);
    } else {
        FUZZ_REQUIRE(success && checker->isMicrophoneFirmware(fileName));
        FUZZ_REQUIRE(MLFirmwareUpdateChecker::getFirmwareVersionFromFileName(fileName) == version);
        FUZZ_REQUIRE(version.higherThan(MLVersionNumber()) && !MLVersionNumber().higherThan(version));
    }
    // Version comparison is a strict order on whatever text the body holds.
    const MLVersionNumber a = MLVersionNumber::initWithString(QString::fromUtf8(body.left(size / 2)));
    const MLVersionNumber b = MLVersionNumber::initWithString(QString::fromUtf8(body.mid(size / 2)));
    FUZZ_REQUIRE(!(a.higherThan(b) && b.higherThan(a)));
    FUZZ_REQUIRE((a == b) == (!a.higherThan(b) && !b.higherThan(a)));
    return 0;
}
