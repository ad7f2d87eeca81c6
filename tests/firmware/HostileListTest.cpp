// Update lists a compromised server could send: each is refused with the
// usual log line, and none gives a version.

#include "MLFirmwareUpdateChecker.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

QByteArray list(const QByteArray &fileName)
{
    return "<updates><files><file><filename>" + fileName +
           "</filename><filesize>5</filesize></file></files></updates>";
}

TEST(HostileList, RefusedWithoutAVersionAndTextReadUpToItsCap)
{
    const QByteArray declare = "<!DOCTYPE updates [<!ENTITY e \"" + QByteArray(50000, 'x') + "\">]>";
    QByteArray nested = "<!DOCTYPE updates [<!ENTITY a0 \"aaaaaaaaaa\">";
    for (int i = 1; i < 10; ++i)
        nested += "<!ENTITY a" + QByteArray::number(i) + " \"" +
                  QByteArray("&a" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    const QByteArray cases[] = {
        declare + list("4721_A_x_01_05" + QByteArray("&e;").repeated(20000) + ".bin"),
        nested + "]>" + list("4721_A_x_01_05&a9;.bin"), list("4721_A_x_01_05.bin&undeclared;"),
        "<!DOCTYPE updates>" + list("4721_A_x_01_05.bin"), "<updates><files><file><filename>4721_A_x_9.9_",
        list("4721_A_x_01_05.bin").chopped(10),
        // Found by fuzzing: a declaration after an error was read into a document that leaked.
        "<?xmln=\"1.0\"?>\n<!DOCTYPE updates [<!ENTITY a \"a\">]>" + list("4721_A_x_01_05.bin")};
    mltest::LogCapture log;
    MLFirmwareUpdateChecker checker;
    for (const QByteArray &body : cases) {
        EXPECT_FALSE(checker.processFirmwareUpdateList(body, QStringLiteral("4721_A")))
            << body.left(60).toStdString();
        EXPECT_EQ(checker.highestVersion(), MLVersionNumber());
        EXPECT_EQ(log.countContaining(QStringLiteral("Invalid XML Response for firmware update: ")), 1);
        log.clear();
    }

    // Element text is read up to its cap.
    const std::pair<QByteArray, MLVersionNumber> capped[] = {
        {"4721_A_x_01_06_" + QByteArray(4000, 'x'), {1, 6}},
        {"4721_A_x_01_06_" + QByteArray(4100, 'x'), {}},
        {"<![CDATA[4721_A_x]]>_01<!-- c --><b>_07</b>.bin", {1, 7}}};
    for (const auto &[fileName, version] : capped) {
        EXPECT_TRUE(checker.processFirmwareUpdateList(list(fileName), QStringLiteral("4721_A")));
        EXPECT_EQ(checker.highestVersion(), version) << fileName.left(60).toStdString();
    }
}

} // namespace
