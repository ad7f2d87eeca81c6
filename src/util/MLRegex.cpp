#include "MLRegex.h"

#include "MLLog.h"

#include <QHash>

#include <unicode/uregex.h>

#include <array>
#include <atomic>
#include <climits>
#include <memory>
#include <mutex>

namespace {

struct URegexDeleter
{
    void operator()(URegularExpression *re) const { uregex_close(re); }
};
using URegexPtr = std::unique_ptr<URegularExpression, URegexDeleter>;

struct Entry
{
    QString pattern;
    size_t hash = 0;
    uint32_t options = 0;
    URegexPtr regex;
    int32_t groupCount = 0;
    // The subject last set on the matcher. Holding the QString keeps its
    // UTF-16 buffer alive for ICU, which does not copy it.
    QString subject;
    bool subjectSet = false;
    quint64 lastUse = 0;
};

struct Cache
{
    std::mutex mutex;
    std::array<std::array<Entry, MLRegex::kCacheWays>, MLRegex::kCacheSets> sets;
    Entry *last = nullptr;
    quint64 clock = 0;
};

Cache &cache()
{
    static Cache instance;
    return instance;
}

std::atomic<quint64> compilations{0};

size_t patternHash(const QString &pattern)
{
    return qHash(pattern, 0);
}

int setIndex(size_t hash, uint32_t options)
{
    return int((hash ^ options) % MLRegex::kCacheSets);
}

void reportFailure(QString *error, const QString &text)
{
    if (error)
        *error = text;
    else
        MLLog("%@", text);
}

// The cache entry for the pattern, compiling it on a miss. Caller holds the lock.
Entry *entryFor(Cache &c, const QString &pattern, uint32_t options, QString *error)
{
    if (c.last && c.last->regex && c.last->options == options && c.last->pattern.size() == pattern.size()
        && (c.last->pattern.constData() == pattern.constData() || c.last->pattern == pattern)) {
        c.last->lastUse = ++c.clock;
        return c.last;
    }
    const size_t hash = patternHash(pattern);
    auto &set = c.sets[size_t(setIndex(hash, options))];
    for (Entry &entry : set) {
        if (entry.regex && entry.hash == hash && entry.options == options && entry.pattern == pattern) {
            entry.lastUse = ++c.clock;
            c.last = &entry;
            return &entry;
        }
    }

    UErrorCode status = U_ZERO_ERROR;
    UParseError parseError{};
    URegexPtr regex(uregex_open(reinterpret_cast<const UChar *>(pattern.utf16()), int32_t(pattern.size()),
                                options, &parseError, &status));
    if (U_FAILURE(status) || !regex) {
        reportFailure(error, MLFormat("There was an error compiling the regular expression. "
                                      "ICU regular expression error #%d, %s.",
                                      {int(status), u_errorName(status)}));
        return nullptr;
    }
    const int32_t groups = uregex_groupCount(regex.get(), &status);
    if (U_FAILURE(status)) {
        reportFailure(error, MLFormat("ICU regular expression error #%d, %s.", {int(status), u_errorName(status)}));
        return nullptr;
    }
    compilations.fetch_add(1, std::memory_order_relaxed);

    Entry *victim = &set[0];
    for (Entry &entry : set) {
        if (!entry.regex) {
            victim = &entry;
            break;
        }
        if (entry.lastUse < victim->lastUse)
            victim = &entry;
    }
    *victim = Entry{};
    victim->pattern = pattern;
    victim->hash = hash;
    victim->options = options;
    victim->regex = std::move(regex);
    victim->groupCount = groups;
    victim->lastUse = ++c.clock;
    c.last = victim;
    return victim;
}

// Sets the subject and region and runs the search. Caller holds the lock.
bool search(Entry &entry, const QString &subject, MLRegex::Range range, QString *error)
{
    UErrorCode status = U_ZERO_ERROR;
    const bool sameSubject = entry.subjectSet && entry.subject.size() == subject.size()
        && entry.subject.constData() == subject.constData();
    if (!sameSubject) {
        entry.subject = subject;
        // A null QString has no buffer; ICU wants a valid pointer even for length 0.
        static const UChar empty[1] = {0};
        const UChar *text = subject.isNull() ? empty : reinterpret_cast<const UChar *>(entry.subject.utf16());
        uregex_setText(entry.regex.get(), text, int32_t(subject.size()), &status);
        if (U_FAILURE(status)) {
            entry.subjectSet = false;
            reportFailure(error,
                          MLFormat("ICU regular expression error #%d, %s.", {int(status), u_errorName(status)}));
            return false;
        }
        entry.subjectSet = true;
    }
    uregex_setRegion64(entry.regex.get(), range.location, range.location + range.length, &status);
    const bool found = U_SUCCESS(status) && uregex_findNext(entry.regex.get(), &status);
    if (U_FAILURE(status)) {
        reportFailure(error, MLFormat("ICU regular expression error #%d, %s.", {int(status), u_errorName(status)}));
        return false;
    }
    return found;
}

bool checkArguments(const QString &subject, const QString &pattern, MLRegex::Range range, QString *error)
{
    if (pattern.isNull()) {
        reportFailure(error, QStringLiteral("The regular expression argument is NULL."));
        return false;
    }
    if (pattern.size() > INT_MAX) {
        reportFailure(error, QStringLiteral("Regex string length exceeds INT_MAX"));
        return false;
    }
    if (subject.size() > INT_MAX) {
        reportFailure(error, QStringLiteral("String length exceeds INT_MAX."));
        return false;
    }
    if (range.location < 0 || range.length < 0 || range.location > subject.size()
        || range.length > subject.size() - range.location) {
        reportFailure(error, QStringLiteral("Range or index out of bounds."));
        return false;
    }
    return true;
}

} // namespace

namespace MLRegex {

bool isMatchedByRegex(const QString &subject, const QString &pattern, uint32_t options, Range range,
                      QString *error)
{
    if (!checkArguments(subject, pattern, range, error))
        return false;
    Cache &c = cache();
    std::lock_guard lock(c.mutex);
    Entry *entry = entryFor(c, pattern, options, error);
    return entry && search(*entry, subject, range, error);
}

QStringList captureComponentsMatchedByRegex(const QString &subject, const QString &pattern, uint32_t options,
                                            Range range, QString *error)
{
    if (!checkArguments(subject, pattern, range, error))
        return {};
    Cache &c = cache();
    std::lock_guard lock(c.mutex);
    Entry *entry = entryFor(c, pattern, options, error);
    if (!entry || !search(*entry, subject, range, error))
        return {};
    QStringList components;
    components.reserve(entry->groupCount + 1);
    for (int32_t group = 0; group <= entry->groupCount; ++group) {
        UErrorCode status = U_ZERO_ERROR;
        const int64_t start = uregex_start64(entry->regex.get(), group, &status);
        const int64_t end = uregex_end64(entry->regex.get(), group, &status);
        if (U_FAILURE(status) || start < 0 || end < start)
            components.append(QStringLiteral(""));
        else
            components.append(entry->subject.mid(qsizetype(start), qsizetype(end - start)));
    }
    return components;
}

quint64 compilationCount()
{
    return compilations.load(std::memory_order_relaxed);
}

int cacheSetForPattern(const QString &pattern, uint32_t options)
{
    return setIndex(patternHash(pattern), options);
}

void clearCache()
{
    Cache &c = cache();
    std::lock_guard lock(c.mutex);
    for (auto &set : c.sets)
        for (Entry &entry : set)
            entry = Entry{};
    c.last = nullptr;
}

} // namespace MLRegex
