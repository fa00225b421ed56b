#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/foundation/Error.h"
#include "platform/predicate/FoldedText.h"

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>
#include <vector>

// The word search of a notes list as the user types it: each note's text and name are folded
// once (case and diacritics, as CONTAINS[cd] folds them), on every idle thread of the pool, and
// kept compactly within a budget; a search whose folded text extends the previous one looks only
// at the notes that matched before. A regular expression is matched on every idle thread too.
// Owned by the notes controller; main thread only.
class BXNotesSearchIndex final {
public:
    // The folded copies kept beyond this are made again at each search; 50,000 notes of 2 KB in
    // several scripts fit.
    static constexpr qsizetype kKeptBytes = qsizetype(192) << 20;

    // For each of `notes`, whether "noteText CONTAINS[cd] text OR noteName CONTAINS[cd] text"
    // holds. Reads the values on this thread, so unread texts are faulted in one by one: load
    // them in batches first. Notes not among `notes` are forgotten.
    std::vector<char> contains(const QList<platform::ManagedObjectPtr>& notes, const QString& text);
    // For each of `notes` that `tried` lets through, whether "noteText MATCHES[cd] pattern OR
    // noteName MATCHES[cd] pattern" holds, on every idle thread of the pool; the others answer
    // 0. The first note the expression fails on (out of time) ends the search: nullopt with
    // `error` set. Reads the values on this thread, as contains() does.
    static std::optional<std::vector<char>> matches(const QList<platform::ManagedObjectPtr>& notes,
        const std::vector<char>& tried, const QString& pattern, platform::Error* error);
    // The search ended: every folded copy goes.
    void clear();
    qsizetype keptBytes() const { return m_keptBytes; }

private:
    struct Entry {
        // The values folded, held so that their storage stays theirs: a value of the same
        // storage is the same value.
        QVariant text;
        QVariant name;
        platform::FoldedText foldedText;
        platform::FoldedText foldedName;
        // Folded within the budget; otherwise folded at each search.
        bool kept = false;
        bool foldedNow = false;
        // Whether it held the previous search text.
        bool matched = false;
    };

    // Lines the entries up with `notes`: the list seldom changes between two keys.
    void followNotes(const QList<platform::ManagedObjectPtr>& notes);
    // Keeps the texts of `rows` folded by this search while the budget lasts.
    void keepFolded(const std::vector<qsizetype>& rows);
    void forget(Entry& entry);

    // The notes of the last search and their entries, in the same order.
    std::vector<const platform::ManagedObject*> m_notes;
    std::vector<Entry> m_entries;
    platform::FoldedText m_previous;
    bool m_hasPrevious = false;
    qsizetype m_keptBytes = 0;
};
