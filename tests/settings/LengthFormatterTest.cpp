// The name field's formatter: the length rule on its own, then in the
// settings sheet's own field as a user types and pastes.

#include "MLConfigurationSheetController.h"
#include "MLLengthFormatter.h"
#include "TestSupport.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

const QString kMicrophone = QString::fromUtf8("\xF0\x9F\x8E\xA4"); // U+1F3A4, two UTF-16 units

TEST(LengthFormatter, LengthRule)
{
    // A 13th character and a paste of 20 are refused in the sheet's own field, below.
    const std::tuple<const char *, qint32, QString, QString, bool> cases[] = { // max, previous, proposed, accepted
        {"outside the BMP counts two: 13 units", 12, QStringLiteral("Room 4 Lab "),
         QStringLiteral("Room 4 Lab ") + kMicrophone, false},
        {"outside the BMP counts two: 12 units", 12, QStringLiteral("Room 4 Lab"),
         QStringLiteral("Room 4 Lab") + kMicrophone, true},
        {"maxLength 0 takes only empty", 0, QString(), QStringLiteral("a"), false},
        {"maxLength 0 empty", 0, QStringLiteral("a"), QString(), true},
        {"deleting within the limit", 12, QStringLiteral("Lab 2"), QStringLiteral("Lab "), true},
        // Text set by code may be longer than the limit: it may shrink, never be replaced.
        {"replacing within an over-long text", 12, QStringLiteral("Classroom 4B West"),
         QStringLiteral("Classroom 4B Wesx"), false},
    };
    for (const auto &[what, maxLength, previous, proposed, accepted] : cases) {
        SCOPED_TRACE(what);
        MLLengthFormatter formatter;
        formatter.setMaxLength(maxLength);
        QString description;
        EXPECT_EQ(formatter.isPartialStringValid(proposed, previous, &description), accepted);
        EXPECT_EQ(description, accepted ? QString() : QStringLiteral("String too long"));
    }
}

TEST(LengthFormatter, PrintableAsciiOption)
{
    MLLengthFormatter formatter;
    EXPECT_EQ(formatter.maxLength(), 0);
    formatter.setMaxLength(12);
    EXPECT_TRUE(formatter.isPartialStringValid(QString::fromUtf8("Caf\xC3\xA9"))) << "off by default";
    formatter.setPrintableAsciiOnly(true);
    MLLengthFormatter::Refusal refusal = MLLengthFormatter::Refusal::None;
    EXPECT_FALSE(
        formatter.isPartialStringValid(QString::fromUtf8("Caf\xC3\xA9"), QStringLiteral("Caf"), nullptr, &refusal));
    EXPECT_EQ(refusal, MLLengthFormatter::Refusal::CharacterNotAllowed);

    // A name that already holds such a character stays editable, and the
    // character can be removed; another one cannot be added.
    const QString cafe = QString::fromUtf8("Caf\xC3\xA9 \xC3\xA9t\xC3\xA9");
    const struct
    {
        QString previous;
        QString proposed;
        bool accepted;
    } cases[] = {
        {QStringLiteral("Lab2"), QStringLiteral("Lab\r2"), false},
        {QStringLiteral("Lab2"), QStringLiteral("Lab\t2"), false},
        {QStringLiteral("~Lab 2!\""), QStringLiteral("~Lab 2!\"#"), true},
        {cafe, QString::fromUtf8("Caf\xC3\xA9 \xC3\xA9t\xC3\xA9s"), true},
        {cafe, QString::fromUtf8("Caf \xC3\xA9t\xC3\xA9"), true},
        {cafe, QString::fromUtf8("Caf\xC3\xA9\xC3\xA9 \xC3\xA9t\xC3\xA9"), false},
        {cafe, QString::fromUtf8("Caf\xC3\xBC \xC3\xA9t\xC3\xA9"), false}, // swapping one adds one
    };
    for (const auto &c : cases)
        EXPECT_EQ(formatter.isPartialStringValid(c.proposed, c.previous), c.accepted) << c.proposed.toStdString();
}

// The sheet's own name field, as the layout sets it up.
class NameField : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_sheet.loadWindow(&m_parent));
        m_field = m_sheet.window()->findChild<QLineEdit *>(QStringLiteral("microphoneNameField"));
        ASSERT_NE(m_field, nullptr);
        m_hint = m_sheet.window()->findChild<QLabel *>(QStringLiteral("microphoneNameHint"));
        m_parent.show();
        m_sheet.beginSheet(&m_parent, [](QWidget *, int) {});
        mltest::flushEvents();
    }

    void TearDown() override { m_sheet.cancel(); }

    QWidget m_parent;
    MLConfigurationSheetController m_sheet;
    QLineEdit *m_field = nullptr;
    QLabel *m_hint = nullptr;
};

TEST_F(NameField, TypingStopsAtTheLayoutsLimit)
{
    m_field->clear();
    QSignalSpy rejected(m_field, &QLineEdit::inputRejected);
    QTest::keyClicks(m_field, QStringLiteral("Room 4 Lab 2"));
    EXPECT_EQ(m_sheet.microphoneName(), QStringLiteral("Room 4 Lab 2"));
    EXPECT_EQ(rejected.count(), 0);
    QTest::keyClick(m_field, 'x');
    EXPECT_EQ(m_field->text(), QStringLiteral("Room 4 Lab 2"));
    EXPECT_EQ(m_sheet.microphoneName(), QStringLiteral("Room 4 Lab 2"));
    EXPECT_EQ(rejected.count(), 1);
    ASSERT_NE(m_hint, nullptr);
    EXPECT_TRUE(m_hint->text().contains(QStringLiteral("12"))) << m_hint->text().toStdString();

    // Deleting always works.
    QTest::keyClick(m_field, Qt::Key_Backspace);
    EXPECT_EQ(m_sheet.microphoneName(), QStringLiteral("Room 4 Lab "));
}

TEST_F(NameField, APasteThatDoesNotFitIsRefusedWhole)
{
    m_field->clear();
    QApplication::clipboard()->setText(QStringLiteral("ABCDEFGHIJKLMNOPQRST"));
    if (QApplication::clipboard()->text() != QStringLiteral("ABCDEFGHIJKLMNOPQRST"))
        GTEST_SKIP() << "no clipboard on this platform";
    m_field->paste();
    EXPECT_EQ(m_field->text(), QString());
    EXPECT_EQ(m_sheet.microphoneName(), QString());

    QApplication::clipboard()->setText(QStringLiteral("Lab 2"));
    m_field->paste();
    EXPECT_EQ(m_sheet.microphoneName(), QStringLiteral("Lab 2"));
}

TEST_F(NameField, RefusesCharactersACommandLineCannotCarry)
{
    m_field->clear();
    QTest::keyClicks(m_field, QStringLiteral("Caf"));
    // QTest types ASCII only; a key that produces a letter outside ASCII:
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString::fromUtf8("\xC3\xA9"));
    QApplication::sendEvent(m_field, &press);
    m_field->insert(kMicrophone);
    QTest::keyClick(m_field, '!');
    EXPECT_EQ(m_sheet.microphoneName(), QStringLiteral("Caf!"));
}

TEST_F(NameField, ANameFromTheMicrophoneIsShownAsItIsAndStaysEditable)
{
    const QString reported = QString::fromUtf8("\xC3\x89tage 2 West 4"); // 14 units, one outside ASCII
    m_sheet.setMicrophoneName(reported);
    EXPECT_EQ(m_field->text(), reported);
    m_field->setCursorPosition(int(reported.size()));
    QTest::keyClick(m_field, Qt::Key_Backspace);
    QTest::keyClick(m_field, Qt::Key_Backspace);
    EXPECT_EQ(m_sheet.microphoneName(), QString::fromUtf8("\xC3\x89tage 2 West"));
    QTest::keyClick(m_field, 'x');
    EXPECT_EQ(m_sheet.microphoneName(), QString::fromUtf8("\xC3\x89tage 2 West")) << "still at the limit";
    m_field->setCursorPosition(1);
    QTest::keyClick(m_field, Qt::Key_Backspace);
    QTest::keyClick(m_field, 'E');
    EXPECT_EQ(m_sheet.microphoneName(), QStringLiteral("Etage 2 West"));
}

} // namespace
