// The udev rule that ships with the application: well-formed, and every
// vendor/product pair of the microphones gets both settings.

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <map>

namespace {

struct Assignment
{
    QString key;
    QString op;
    QString value;
};

// Splits a rule line into its KEY op "value" parts; false on anything else.
bool parseRule(const QString &line, std::vector<Assignment> *parts)
{
    static const QRegularExpression item(
        QStringLiteral("\\s*([A-Z_]+(?:\\{[^}]+\\})?)\\s*(==|!=|\\+=|-=|:=|=)\\s*\"([^\"]*)\"\\s*(,|$)"));
    qsizetype pos = 0;
    while (pos < line.size()) {
        const auto match = item.match(line, pos, QRegularExpression::NormalMatch,
                                      QRegularExpression::AnchorAtOffsetMatchOption);
        if (!match.hasMatch())
            return false;
        parts->push_back({match.captured(1), match.captured(2), match.captured(3)});
        pos = match.capturedEnd();
    }
    return !parts->empty();
}

TEST(UdevRule, EveryMicrophoneIsIgnoredByModemManagerAndOpenToTheUser)
{
    QFile file(QStringLiteral(ML_UDEV_RULE_PATH));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');

    std::map<std::pair<QString, QString>, QStringList> actions; // (vendor, product) -> settings
    QStringList gotos, labels;
    for (const QString &raw : lines) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        std::vector<Assignment> parts;
        ASSERT_TRUE(parseRule(line, &parts)) << "not a rule: " << line.toStdString();
        QString vendor, product;
        for (const Assignment &a : parts) {
            if (a.key == u"ATTRS{idVendor}" && a.op == u"==")
                vendor = a.value;
            else if (a.key == u"ATTRS{idProduct}" && a.op == u"==")
                product = a.value;
            else if (a.key == u"GOTO")
                gotos.append(a.value);
            else if (a.key == u"LABEL")
                labels.append(a.value);
            else if (a.op != u"==" && a.op != u"!=")
                actions[{vendor, product}].append(a.key + a.op + a.value);
        }
    }
    for (const QString &target : gotos)
        EXPECT_TRUE(labels.contains(target)) << "GOTO without LABEL: " << target.toStdString();
    for (const char *vendor : {"1a85", "6789"}) {
        for (const char *product : {"4721", "4728"}) {
            const QStringList &set = actions[{QString::fromLatin1(vendor), QString::fromLatin1(product)}];
            EXPECT_TRUE(set.contains(QStringLiteral("ENV{ID_MM_DEVICE_IGNORE}=1"))) << vendor << ":" << product;
            EXPECT_TRUE(set.contains(QStringLiteral("TAG+=uaccess"))) << vendor << ":" << product;
        }
    }

    // Where udev's own checker exists, it has the last word.
    const QString udevadm = QStandardPaths::findExecutable(QStringLiteral("udevadm"));
    if (!udevadm.isEmpty()) {
        QProcess verify;
        verify.start(udevadm, {QStringLiteral("verify"), QStringLiteral(ML_UDEV_RULE_PATH)});
        ASSERT_TRUE(verify.waitForFinished(10000));
        // Older udevadm has no "verify" command and says so: that is no verdict.
        const QString output = QString::fromUtf8(verify.readAllStandardError() + verify.readAllStandardOutput());
        if (!output.contains(QStringLiteral("Unknown command"))) {
            EXPECT_EQ(verify.exitCode(), 0) << output.toStdString();
        }
    }
}

} // namespace
