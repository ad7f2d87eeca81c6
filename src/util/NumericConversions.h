#pragma once

#include <QString>
#include <QtGlobal>

// Conversions of text values (device properties, firmware lists, version
// components) into numbers and booleans. Numbers are parsed strictly in the
// user's locale: an optional minus sign, digits and an optional fraction after
// the locale's decimal separator, nothing else (no white space, no grouping).

QString ML_stringByTrimmingFirstCharacter(const QString &text);
bool ML_containsString(const QString &text, const QString &other);
bool ML_startsWith(const QString &text, const QString &other);
QString ML_includeTrailingSlash(const QString &text);

qint64 ML_toLongWithDefault(const QString &text, qint64 defaultValue);
qint32 ML_toIntWithDefault(const QString &text, qint32 defaultValue);
double ML_toDoubleWithDefault(const QString &text, double defaultValue);
qint32 ML_intValueWithDefault(const QString &text, qint32 defaultValue);
double ML_doubleValueWithDefault(const QString &text, double defaultValue);
// 1 for "yes", "true", "t", "y" or "1" in any letter case, 0 for everything else.
qint32 ML_boolValueWithDefault(const QString &text, bool defaultValue);

// Reads the leading number of a text the way C's strtod does, with a point as
// decimal separator whatever the locale: 0 when the text does not start with one.
double ML_leadingDoubleValue(const QString &text);
