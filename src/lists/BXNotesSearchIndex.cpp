#include "BXNotesSearchIndex.h"

#include "document/BXNote.h"
#include "platform/data/AttributeReader.h"
#include "platform/foundation/Dispatch.h"
#include "platform/predicate/ComparisonPredicate.h"

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

} // namespace

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
    platform::AttributeReader readText(BXNote::NoteTextKey);
    platform::AttributeReader readName(BXNote::NoteNameKey);
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const platform::ManagedObject* note = notes.at(i).get();
        if (!note)
            continue;
        const QVariant* noteText = readText(*note);
        const QVariant* noteName = readName(*note);
        if (!noteText || !noteName)
            continue;
        Entry& entry = m_entries[size_t(i)];
        if (!sameValue(entry.text, *noteText) || !sameValue(entry.name, *noteName)) {
            forget(entry);
            entry.text = *noteText;
            entry.name = *noteName;
        } else if (narrowing && !entry.matched) {
            continue;
        }
        work.push_back(i);
    }
    std::atomic<bool> foldedAny = false;
    const auto search = [&](qsizetype index) {
        const qsizetype row = work[size_t(index)];
        Entry& entry = m_entries[size_t(row)];
        if (!entry.kept) {
            if (const QString* string = stringIn(entry.text))
                entry.foldedText = FoldedText(*string, kFolding);
            if (const QString* string = stringIn(entry.name))
                entry.foldedName = FoldedText(*string, kFolding);
            entry.foldedNow = true;
            foldedAny = true;
        }
        entry.matched = (stringIn(entry.text) && entry.foldedText.contains(part))
            || (stringIn(entry.name) && entry.foldedName.contains(part));
        verdicts[size_t(row)] = entry.matched;
    };
    // In runs of notes, so that a helper takes a share worth its start.
    constexpr qsizetype kRun = 64;
    const qsizetype count = qsizetype(work.size());
    platform::dispatchApply((count + kRun - 1) / kRun, [&](qsizetype run) {
        for (qsizetype i = run * kRun; i < std::min(count, (run + 1) * kRun); ++i)
            search(i);
    });
    if (foldedAny)
        keepFolded(work);
    m_previous = part;
    m_hasPrevious = true;
    return verdicts;
}

void BXNotesSearchIndex::keepFolded(const std::vector<qsizetype>& rows)
{
    // What the budget has no room for is folded again next time.
    for (const qsizetype row : rows) {
        Entry& entry = m_entries[size_t(row)];
        if (!std::exchange(entry.foldedNow, false))
            continue;
        const qsizetype size = entry.foldedText.byteSize() + entry.foldedName.byteSize();
        entry.kept = m_keptBytes + size <= kKeptBytes;
        if (entry.kept)
            m_keptBytes += size;
        else
            entry.foldedText = entry.foldedName = FoldedText();
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
    // Read here, matched on the pool while this thread waits, so the values stay as read.
    std::vector<std::pair<const QVariant*, const QVariant*>> values(size_t(notes.size()));
    platform::AttributeReader readText(BXNote::NoteTextKey);
    platform::AttributeReader readName(BXNote::NoteNameKey);
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (notes.at(i) && tried[size_t(i)])
            values[size_t(i)] = { readText(*notes.at(i)), readName(*notes.at(i)) };
    }
    std::vector<char> verdicts(size_t(notes.size()), 0);
    std::atomic<bool> failed = false;
    std::mutex failureLock;
    platform::Error failure;
    platform::dispatchApply(notes.size(), [&](qsizetype i) {
        const auto& [text, name] = values[size_t(i)];
        if (failed || !text || !name)
            return;
        platform::Error noteFailure;
        const bool found = matching->evaluateWithObject(*text, {}, &noteFailure)
            || (!noteFailure && matching->evaluateWithObject(*name, {}, &noteFailure));
        if (noteFailure) {
            const std::lock_guard lock(failureLock);
            if (!failed.exchange(true))
                failure = noteFailure;
            return;
        }
        verdicts[size_t(i)] = found;
    });
    if (failed) {
        platform::Error::set(error, failure);
        return std::nullopt;
    }
    return verdicts;
}

void BXNotesSearchIndex::forget(Entry& entry)
{
    if (entry.kept)
        m_keptBytes -= entry.foldedText.byteSize() + entry.foldedName.byteSize();
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
