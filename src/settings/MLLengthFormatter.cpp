#include "MLLengthFormatter.h"

#include "MLSettingsRules.h"

#include <QLineEdit>

#include <algorithm>

namespace {

// The characters of the text that a command line cannot carry, sorted, so
// that two texts can be compared as multisets.
QString disallowedCharacters(const QString &text)
{
    QString found;
    for (QChar c : text) {
        if (!MLSettingsRules::isPrintableAscii(c))
            found.append(c);
    }
    std::sort(found.begin(), found.end());
    return found;
}

} // namespace

MLLengthFormatter::MLLengthFormatter(QObject *parent) : QValidator(parent) {}

bool MLLengthFormatter::getObjectValue(QString *value, const QString &string, QString *errorDescription) const
{
    Q_UNUSED(errorDescription);
    if (value)
        *value = string;
    return true;
}

bool MLLengthFormatter::isPartialStringValid(const QString &proposed, const QString &previous,
                                             QString *errorDescription, Refusal *refusal) const
{
    Refusal why = Refusal::None;
    if (proposed == previous) {
        why = Refusal::None;
    } else if (proposed.size() > m_maxLength && proposed.size() >= previous.size()) {
        why = Refusal::TooLong;
    } else if (m_printableAsciiOnly) {
        const QString added = disallowedCharacters(proposed);
        const QString before = disallowedCharacters(previous);
        if (!std::includes(before.begin(), before.end(), added.begin(), added.end()))
            why = Refusal::CharacterNotAllowed;
    }
    if (refusal)
        *refusal = why;
    if (why == Refusal::None)
        return true;
    if (errorDescription)
        *errorDescription = why == Refusal::TooLong ? tr("String too long") : tr("Character not allowed");
    return false;
}

QValidator::State MLLengthFormatter::validate(QString &input, int &pos) const
{
    Q_UNUSED(pos);
    QString description;
    Refusal refusal = Refusal::None;
    const bool accepted =
        isPartialStringValid(input, m_field ? m_fieldText : QString(), &description, &refusal);
    m_lastError = description;
    m_lastRefusal = refusal;
    return accepted ? Acceptable : Invalid;
}

void MLLengthFormatter::attachTo(QLineEdit *field)
{
    if (m_field)
        QObject::disconnect(m_fieldConnection);
    m_field = field;
    if (!field)
        return;
    m_fieldText = field->text();
    // textChanged comes after the validator accepted an edit, and also for
    // text set by code, so m_fieldText is always the text an edit starts from.
    m_fieldConnection =
        connect(field, &QLineEdit::textChanged, this, [this](const QString &text) { m_fieldText = text; });
    field->setValidator(this);
}

void MLLengthFormatter::setFieldText(const QString &text)
{
    if (!m_field)
        return;
    // Known before the field validates it, so it counts as unchanged; the
    // field then also takes its next edits as valid input to undo to.
    m_fieldText = text;
    m_field->setText(text);
}
