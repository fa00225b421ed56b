#pragma once

#include "platform/data/AttributeReader.h"
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
// at the notes that matched before. A regular expression is matched on every idle thread too,
// against texts folded once (diacritics, as MATCHES[cd] folds its subject) and kept in the same
// budget. Owned by the notes controller; main thread only.
class BXNotesSearchIndex final {
public:
    BXNotesSearchIndex();

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
    std::optional<std::vector<char>> matches(const QList<platform::ManagedObjectPtr>& notes,
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
        // What a regular expression is matched against, where folding changed the value.
        QString subjectText;
        QString subjectName;
        // Whether each form is made: within the budget, or for this search only.
        bool folded = false;
        bool subjectsFolded = false;
        // Made by this search, not counted in the budget yet.
        bool foldedNow = false;
        // What the budget counts of it.
        qsizetype keptBytes = 0;
        // Whether it held the previous search text.
        bool matched = false;

        qsizetype byteSize() const;
    };

    // Lines the entries up with `notes`: the list seldom changes between two keys.
    void followNotes(const QList<platform::ManagedObjectPtr>& notes);
    // Gives the entry of `notes` at `row` the note's text and name as they are now, starting it
    // over when either changed (`changed`); false for a note without them.
    bool takeValues(const QList<platform::ManagedObjectPtr>& notes, qsizetype row, bool& changed);
    // Keeps the forms of `rows` made by this search while the budget lasts.
    void keepFolded(const std::vector<qsizetype>& rows);
    void forget(Entry& entry);

    // The notes of the last search and their entries, in the same order.
    std::vector<const platform::ManagedObject*> m_notes;
    std::vector<Entry> m_entries;
    platform::AttributeReader m_readText;
    platform::AttributeReader m_readName;
    platform::FoldedText m_previous;
    bool m_hasPrevious = false;
    qsizetype m_keptBytes = 0;
};
