#pragma once

#include <QMetaObject>
#include <QPointer>
#include <QString>
#include <QValidator>

class QLineEdit;

// Refuses any edit of a text field that would make its text longer than
// maxLength UTF-16 units. A refused edit is refused whole (the field keeps the
// text it had), so a paste that does not fit is never cut to size.
//
// Optionally it also refuses edits that add a character outside printable
// ASCII: the microphone receives its name inside a 7-bit command line, where
// such a character cannot travel and a control character would end the line.
class MLLengthFormatter : public QValidator
{
    Q_OBJECT
    Q_PROPERTY(qint32 maxLength READ maxLength WRITE setMaxLength)
    Q_PROPERTY(bool printableAsciiOnly READ printableAsciiOnly WRITE setPrintableAsciiOnly)

public:
    enum class Refusal
    {
        None,
        TooLong,
        CharacterNotAllowed,
    };

    explicit MLLengthFormatter(QObject *parent = nullptr);

    qint32 maxLength() const { return m_maxLength; }
    void setMaxLength(qint32 maxLength) { m_maxLength = maxLength; }
    bool printableAsciiOnly() const { return m_printableAsciiOnly; }
    void setPrintableAsciiOnly(bool on) { m_printableAsciiOnly = on; }

    // The object value is the text itself, unchanged in both directions.
    QString stringForObjectValue(const QString &value) const { return value; }
    bool getObjectValue(QString *value, const QString &string, QString *errorDescription = nullptr) const;

    // Whether the field may hold `proposed` after an edit of `previous`. A
    // text longer than maxLength is refused unless the edit shortens it (a
    // text set by code may be over the limit and must stay editable); a
    // character outside printable ASCII is refused only when the edit adds
    // it; an unchanged text is no edit and always passes. With a refusal the
    // description goes to *errorDescription.
    bool isPartialStringValid(const QString &proposed, const QString &previous = QString(),
                              QString *errorDescription = nullptr, Refusal *refusal = nullptr) const;

    // The edit is judged against the attached field's current text.
    State validate(QString &input, int &pos) const override;

    // Why the last edit was refused ("String too long"), empty after an
    // accepted one.
    QString lastError() const { return m_lastError; }
    Refusal lastRefusal() const { return m_lastRefusal; }

    // Becomes the field's validator and follows its text.
    void attachTo(QLineEdit *field);
    // Sets the attached field's text from code. Such a text is taken as it
    // is, also when it would not pass as an edit (a name the microphone
    // reported), and later edits are judged against it.
    void setFieldText(const QString &text);

private:
    qint32 m_maxLength = 0;
    bool m_printableAsciiOnly = false;
    QString m_fieldText;
    QPointer<QLineEdit> m_field;
    QMetaObject::Connection m_fieldConnection;
    mutable QString m_lastError;
    mutable Refusal m_lastRefusal = Refusal::None;
};
