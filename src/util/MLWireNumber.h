#pragma once

#include <QString>
#include <QtGlobal>

#include <optional>

// Numbers as the microphone writes them: an optional minus sign, ASCII digits
// and an optional fraction after a full stop, whatever the user's locale. The
// user's locale is for showing numbers, never for reading the microphone's.
std::optional<double> ML_wireNumber(const QString &text);
// The number with its fraction cut off towards zero, clamped to 32 bits;
// the default when the text is no number.
qint32 ML_wireIntValue(const QString &text, qint32 defaultValue = 0);
double ML_wireDoubleValue(const QString &text, double defaultValue = 0.0);
