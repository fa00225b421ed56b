#include "lists/noteslist/BXNotesSearchIndex.h"

#include "document/model/BXNote.h"
#include "platform/data/AttributeReader.h"
#include "platform/foundation/Dispatch.h"
#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/StringFolding.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <unordered_map>
#include <utility>

using platform::ComparisonPredicate;
using platform::FoldedText;
using platform::ManagedObjectPtr;

namespace {

constexpr int kFolding
    = ComparisonPredicate::CaseInsensitive | ComparisonPredicate::DiacriticInsensitive;

const QString* stringIn(const QVariant& value)
{
    return value.metaType().id() == QMetaType::QString
        ? static_cast<const QString*>(value.constData())
        : nullptr;
}

bool sameValue(const QVariant& kept, const QVariant& current)
{
    const QString* keptString = stringIn(kept);
    const QString* currentString = stringIn(current);
    if (!keptString || !currentString)
        return !keptString && !currentString;
    // The kept value holds its storage, so no other text can have taken it over.
    return keptString->constData() == currentString->constData()
        && keptString->size() == currentString->size();
}

// A value as a regular expression sees it: folded, or null when folding leaves it as it is.
QString foldedSubject(const QString* value, int options)
{
    if (!value)
        return {};
    thread_local QString buffer;
    const QStringView folded = platform::StringFolding::fold(*value, options, buffer);
    return folded.data() == value->data() || folded == *value ? QString() : folded.toString();
}

QStringView subject(const QString& value, const QString& folded)
{
    return folded.isNull() ? QStringView(value) : QStringView(folded);
}

// In runs of notes, so that a helper takes a share worth its start.
template <typename Work> void inRuns(qsizetype count, const Work& work)
{
    constexpr qsizetype kRun = 64;
    platform::dispatchApply((count + kRun - 1) / kRun, [&](qsizetype run) {
        for (qsizetype i = run * kRun; i < std::min(count, (run + 1) * kRun); ++i)
            work(i);
    });
}

} // namespace

BXNotesSearchIndex::BXNotesSearchIndex()
    : m_readText(BXNote::NoteTextKey), m_readName(BXNote::NoteNameKey)
{ }

qsizetype BXNotesSearchIndex::Entry::byteSize() const
{
    return foldedText.byteSize() + foldedName.byteSize()
        + (subjectText.capacity() + subjectName.capacity()) * qsizetype(sizeof(QChar));
}

bool BXNotesSearchIndex::takeValues(
    const QList<ManagedObjectPtr>& notes, qsizetype row, bool& changed)
{
    const platform::ManagedObject* note = notes.at(row).get();
    const QVariant* noteText = note ? m_readText(*note) : nullptr;
    const QVariant* noteName = note ? m_readName(*note) : nullptr;
    if (!noteText || !noteName)
        return false;
    Entry& entry = m_entries[size_t(row)];
    changed = !sameValue(entry.text, *noteText) || !sameValue(entry.name, *noteName);
    if (changed) {
        forget(entry);
        entry.text = *noteText;
        entry.name = *noteName;
    }
    return true;
}

std::vector<char> BXNotesSearchIndex::contains(
    const QList<ManagedObjectPtr>& notes, const QString& text)
{
    const FoldedText part(text, kFolding);
    // Every note holding the new text holds the text it extends.
    const bool narrowing = m_hasPrevious && part.contains(m_previous);
    followNotes(notes);
    std::vector<char> verdicts(size_t(notes.size()), 0);
    std::vector<qsizetype> work;
    work.reserve(size_t(notes.size()));
    for (qsizetype i = 0; i < notes.size(); ++i) {
        bool changed = false;
        if (takeValues(notes, i, changed)
            && (!narrowing || changed || m_entries[size_t(i)].matched))
            work.push_back(i);
    }
    inRuns(qsizetype(work.size()), [&](qsizetype index) {
        const qsizetype row = work[size_t(index)];
        Entry& entry = m_entries[size_t(row)];
        if (!entry.folded) {
            if (const QString* string = stringIn(entry.text))
                entry.foldedText = FoldedText(*string, kFolding);
            if (const QString* string = stringIn(entry.name))
                entry.foldedName = FoldedText(*string, kFolding);
            entry.folded = entry.foldedNow = true;
        }
        entry.matched = (stringIn(entry.text) && entry.foldedText.contains(part))
            || (stringIn(entry.name) && entry.foldedName.contains(part));
        verdicts[size_t(row)] = entry.matched;
    });
    keepFolded(work);
    m_previous = part;
    m_hasPrevious = true;
    return verdicts;
}

void BXNotesSearchIndex::keepFolded(const std::vector<qsizetype>& rows)
{
    // What the budget has no room for is made again next time.
    for (const qsizetype row : rows) {
        Entry& entry = m_entries[size_t(row)];
        if (!std::exchange(entry.foldedNow, false))
            continue;
        const qsizetype size = entry.byteSize();
        if (m_keptBytes - entry.keptBytes + size <= kKeptBytes) {
            m_keptBytes += size - entry.keptBytes;
            entry.keptBytes = size;
            continue;
        }
        m_keptBytes -= std::exchange(entry.keptBytes, 0);
        entry.foldedText = entry.foldedName = FoldedText();
        entry.subjectText = entry.subjectName = QString();
        entry.folded = entry.subjectsFolded = false;
    }
}

void BXNotesSearchIndex::followNotes(const QList<ManagedObjectPtr>& notes)
{
    const auto same = [&] {
        if (qsizetype(m_notes.size()) != notes.size())
            return false;
        for (qsizetype i = 0; i < notes.size(); ++i) {
            if (m_notes[size_t(i)] != notes.at(i).get())
                return false;
        }
        return true;
    };
    if (same())
        return;
    // The list changed: each note takes its entry along; the entries of notes gone go.
    std::unordered_map<const platform::ManagedObject*, Entry> previous;
    previous.reserve(m_notes.size());
    for (size_t i = 0; i < m_notes.size(); ++i)
        previous.emplace(m_notes[i], std::move(m_entries[i]));
    m_notes.assign(size_t(notes.size()), nullptr);
    m_entries.assign(size_t(notes.size()), Entry());
    for (qsizetype i = 0; i < notes.size(); ++i) {
        m_notes[size_t(i)] = notes.at(i).get();
        if (const auto found = previous.find(m_notes[size_t(i)]); found != previous.end()) {
            m_entries[size_t(i)] = std::move(found->second);
            previous.erase(found);
        }
    }
    for (auto& [note, entry] : previous)
        forget(entry);
}

std::optional<std::vector<char>> BXNotesSearchIndex::matches(const QList<ManagedObjectPtr>& notes,
    const std::vector<char>& tried, const QString& pattern, platform::Error* error)
{
    const platform::PredicateRef matching = platform::Predicate::predicateWithFormat(
        QStringLiteral("SELF MATCHES[cd] %@"), { pattern }, error);
    if (!matching)
        return std::nullopt;
    const auto& comparison = static_cast<const ComparisonPredicate&>(*matching);
    const int options = comparison.matchSubjectOptions();
    followNotes(notes);
    std::vector<qsizetype> work;
    work.reserve(size_t(notes.size()));
    for (qsizetype i = 0; i < notes.size(); ++i) {
        bool changed = false;
        if (tried[size_t(i)] && takeValues(notes, i, changed))
            work.push_back(i);
    }
    std::vector<char> verdicts(size_t(notes.size()), 0);
    std::atomic<bool> failed = false;
    std::mutex failureLock;
    platform::Error failure;
    inRuns(qsizetype(work.size()), [&](qsizetype index) {
        if (failed)
            return;
        Entry& entry = m_entries[size_t(work[size_t(index)])];
        const QString* text = stringIn(entry.text);
        const QString* name = stringIn(entry.name);
        if (!entry.subjectsFolded) {
            entry.subjectText = foldedSubject(text, options);
            entry.subjectName = foldedSubject(name, options);
            entry.subjectsFolded = entry.foldedNow = true;
        }
        platform::Error noteFailure;
        const bool found = (text
                               && comparison.matchesFoldedSubject(
                                   subject(*text, entry.subjectText), &noteFailure))
            || (!noteFailure && name
                && comparison.matchesFoldedSubject(
                    subject(*name, entry.subjectName), &noteFailure));
        if (noteFailure) {
            const std::lock_guard lock(failureLock);
            if (!failed.exchange(true))
                failure = noteFailure;
            return;
        }
        verdicts[size_t(work[size_t(index)])] = found;
    });
    keepFolded(work);
    if (failed) {
        platform::Error::set(error, failure);
        return std::nullopt;
    }
    return verdicts;
}

void BXNotesSearchIndex::forget(Entry& entry)
{
    m_keptBytes -= entry.keptBytes;
    entry = Entry();
}

void BXNotesSearchIndex::clear()
{
    m_notes = {};
    m_entries = {};
    m_previous = FoldedText();
    m_hasPrevious = false;
    m_keptBytes = 0;
    // Many small copies go at once: give their pages back rather than keep them for the next
    // search.
    malloc_trim(0);
}
