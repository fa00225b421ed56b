#include "BXNotesSearchIndex.h"

#include "document/BXNote.h"
#include "platform/foundation/Dispatch.h"
#include "platform/predicate/ComparisonPredicate.h"

#include <malloc.h>

#include <algorithm>
#include <atomic>
#include <mutex>
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
    std::vector<char> verdicts(size_t(notes.size()), 0);
    std::vector<std::pair<qsizetype, Entry*>> work;
    work.reserve(size_t(notes.size()));
    for (auto& [note, entry] : m_entries)
        entry.visited = false;
    for (qsizetype i = 0; i < notes.size(); ++i) {
        const platform::ManagedObject* note = notes.at(i).get();
        if (!note)
            continue;
        const QVariant noteText = note->valueForKey(BXNote::NoteTextKey);
        const QVariant noteName = note->valueForKey(BXNote::NoteNameKey);
        Entry& entry = m_entries[note];
        entry.visited = true;
        if (!sameValue(entry.text, noteText) || !sameValue(entry.name, noteName)) {
            forget(entry);
            entry.text = noteText;
            entry.name = noteName;
        } else if (narrowing && !entry.matched) {
            continue;
        }
        work.emplace_back(i, &entry);
    }
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->second.visited) {
            ++it;
            continue;
        }
        forget(it->second);
        it = m_entries.erase(it);
    }
    const auto search = [&](qsizetype index) {
        auto& [row, entry] = work[size_t(index)];
        if (!entry->kept) {
            if (const QString* string = stringIn(entry->text))
                entry->foldedText = FoldedText(*string, kFolding);
            if (const QString* string = stringIn(entry->name))
                entry->foldedName = FoldedText(*string, kFolding);
            entry->foldedNow = true;
        }
        entry->matched = (stringIn(entry->text) && entry->foldedText.contains(part))
            || (stringIn(entry->name) && entry->foldedName.contains(part));
        verdicts[size_t(row)] = entry->matched;
    };
    // Looking through kept copies takes a few milliseconds: threads would only add the wait for
    // the slowest of them on a busy machine. Folding is worth spreading.
    if (std::all_of(work.begin(), work.end(), [](const auto& item) { return item.second->kept; })) {
        for (qsizetype i = 0; i < qsizetype(work.size()); ++i)
            search(i);
    } else {
        platform::dispatchApply(qsizetype(work.size()), search);
    }
    // What the budget has no room for is folded again next time.
    for (auto& [row, entry] : work) {
        if (!std::exchange(entry->foldedNow, false))
            continue;
        const qsizetype size = entry->foldedText.byteSize() + entry->foldedName.byteSize();
        entry->kept = m_keptBytes + size <= kKeptBytes;
        if (entry->kept)
            m_keptBytes += size;
        else
            entry->foldedText = entry->foldedName = FoldedText();
    }
    m_previous = part;
    m_hasPrevious = true;
    return verdicts;
}

std::optional<std::vector<char>> BXNotesSearchIndex::matches(const QList<ManagedObjectPtr>& notes,
    const std::vector<char>& tried, const QString& pattern, platform::Error* error)
{
    const platform::PredicateRef matching = platform::Predicate::predicateWithFormat(
        QStringLiteral("SELF MATCHES[cd] %@"), { pattern }, error);
    if (!matching)
        return std::nullopt;
    std::vector<std::pair<QVariant, QVariant>> values(size_t(notes.size()));
    for (qsizetype i = 0; i < notes.size(); ++i) {
        if (notes.at(i) && tried[size_t(i)])
            values[size_t(i)] = { notes.at(i)->valueForKey(BXNote::NoteTextKey),
                notes.at(i)->valueForKey(BXNote::NoteNameKey) };
    }
    std::vector<char> verdicts(size_t(notes.size()), 0);
    std::atomic<bool> failed = false;
    std::mutex failureLock;
    platform::Error failure;
    platform::dispatchApply(notes.size(), [&](qsizetype i) {
        const auto& [text, name] = values[size_t(i)];
        if (failed || !tried[size_t(i)])
            return;
        platform::Error noteFailure;
        const bool found = matching->evaluateWithObject(text, {}, &noteFailure)
            || (!noteFailure && matching->evaluateWithObject(name, {}, &noteFailure));
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
    const bool visited = entry.visited;
    entry = Entry();
    entry.visited = visited;
}

void BXNotesSearchIndex::clear()
{
    m_entries = {};
    m_previous = FoldedText();
    m_hasPrevious = false;
    m_keptBytes = 0;
    // Many small copies go at once: give their pages back rather than keep them for the next
    // search.
    malloc_trim(0);
}
