#pragma once

#include "platform/data/AttributeReader.h"
#include "platform/data/ManagedObject.h"
#include "platform/foundation/CompressedBytes.h"
#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <atomic>
#include <memory>
#include <optional>
#include <vector>

// The search of a notes list as the user types it. Each note's text and name are folded once (case
// and diacritics for words, as CONTAINS[cd] folds them; diacritics for a regular expression, as
// MATCHES[cd] folds its subject) and kept compressed, at a fraction of the text's own size; each
// key unpacks and searches them on every idle thread of the pool. Texts not in memory are read
// from the store in batches and let go again once folded, so the search holds no copy of a note
// text. A word search takes the previous key's verdicts where one text holds the other: a longer
// text looks only at the notes that held the shorter, a shorter one only at those that did not.
// Owned by the notes controller; main thread only.
class BXNotesSearchIndex final {
public:
    BXNotesSearchIndex();

    // The folded forms kept beyond this are made again, from the store, at each search; 50,000
    // notes of 2 KB in several scripts take less than half of it.
    static constexpr qsizetype kKeptBytes = qsizetype(128) << 20;

    // For each of `notes`, whether "noteText CONTAINS[cd] text OR noteName CONTAINS[cd] text"
    // holds. Notes not among `notes` are forgotten.
    std::vector<char> contains(const QList<platform::ManagedObjectPtr>& notes, const QString& text);
    // For each of `notes` that `tried` lets through, whether "noteText MATCHES[cd] pattern OR
    // noteName MATCHES[cd] pattern" holds, on every idle thread of the pool; the others answer
    // 0. The first note the expression fails on (out of time) ends the search: nullopt with
    // `error` set.
    std::optional<std::vector<char>> matches(const QList<platform::ManagedObjectPtr>& notes,
        const std::vector<char>& tried, const QString& pattern, platform::Error* error);
    // Folds ahead of a search the notes of rows [first, end) of `notes` whose forms for a word
    // search (with `expression`, for a regular expression) are not current, reading their texts
    // as a search does: the search that follows finds them ready. Forgets the verdicts of the
    // previous word search.
    void prepare(const QList<platform::ManagedObjectPtr>& notes, bool expression, qsizetype first,
        qsizetype end);
    // The search ended: every folded form goes.
    void clear();
    // The memory the kept forms take.
    qsizetype keptBytes() const { return m_keptBytes; }

private:
    // What a kept form holds: the folded text and then the folded name, as UTF-8 for words and as
    // UTF-16 for a regular expression, which ICU reads as it is.
    enum class Form : quint8 { None, Words, Expression };

    struct Entry {
        // Held weakly, so that no other note can take its place while it is kept.
        std::weak_ptr<platform::ManagedObject> note;
        // The generations of the text and name folded: the form stays theirs while these do.
        quint64 textGeneration = 0;
        quint64 nameGeneration = 0;
        platform::CompressedBytes folded;
        // Where the name starts in the unpacked form.
        qsizetype nameStart = 0;
        // What the budget counts of it.
        qsizetype keptBytes = 0;
        Form form = Form::None;
        // Whether the text and the name are strings: a value that is not never matches.
        bool hasText = false;
        bool hasName = false;
        // Made by this search, not counted in the budget yet.
        bool foldedNow = false;
        // Whether it held the previous word search's text.
        bool matched = false;
    };

    // Lines the entries up with `notes`: the list seldom changes between two keys.
    void followNotes(const QList<platform::ManagedObjectPtr>& notes);
    // For each of `notes`, whether its entry holds `form` of the note's text and name as they
    // are now.
    std::vector<char> currentForms(const QList<platform::ManagedObjectPtr>& notes, Form form) const;
    // Gives each row its verdict from `judge(entry, folded)`, called on any thread: for the
    // `kept` rows, whose forms are current, with `folded` null (the judge unpacks the entry's
    // form as far as it needs); for the `stale` rows with their text and name folded anew, their
    // texts read from the store in batches where not in memory (the next batch while the pool
    // folds one) and let go again. Stops early once `stop` is set.
    template <typename Judge>
    void search(const QList<platform::ManagedObjectPtr>& notes, const std::vector<qsizetype>& kept,
        const std::vector<qsizetype>& stale, Form form, int options, const Judge& judge,
        const std::atomic<bool>& stop, std::vector<char>& verdicts);
    // Keeps the forms of `rows` made by this search while the budget lasts.
    void keepFolded(const std::vector<qsizetype>& rows);
    void forget(Entry& entry);

    // The entries of the notes of the last search, in the same order.
    std::vector<Entry> m_entries;
    platform::AttributeReader m_readText;
    platform::AttributeReader m_readName;
    // The UTF-8 of the previous word search's folded text, when there was one.
    std::optional<QByteArray> m_previous;
    qsizetype m_keptBytes = 0;
};
