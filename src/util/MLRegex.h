#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <cstdint>

// Pattern matching over ICU with a cache of compiled patterns: 13 sets of 4
// entries, least recently used replaced within a set, the entry of the
// previous call tried first. Thread-safe (one lock around the cache).
namespace MLRegex {

enum Option : uint32_t {
    CaseInsensitive = 2, // same bit values as ICU's pattern flags
    MultiLine = 8,
};

struct Range
{
    qsizetype location = 0;
    qsizetype length = 0;
    static Range whole(const QString &subject) { return {0, subject.size()}; }
};

// True when a search of the range finds the pattern anywhere in it. On a
// failure (pattern that does not compile, range out of bounds) the result is
// false and the reason goes to *error, or to the platform log without one.
bool isMatchedByRegex(const QString &subject, const QString &pattern, uint32_t options, Range range,
                      QString *error = nullptr);

// The whole match and every capture group of the first match in the range
// ("" for a group that took no part); an empty list when nothing matches.
QStringList captureComponentsMatchedByRegex(const QString &subject, const QString &pattern, uint32_t options,
                                            Range range, QString *error = nullptr);

// Cache introspection for tests and benchmarks.
quint64 compilationCount();
int cacheSetForPattern(const QString &pattern, uint32_t options);
void clearCache();

inline constexpr int kCacheSets = 13;
inline constexpr int kCacheWays = 4;

} // namespace MLRegex
