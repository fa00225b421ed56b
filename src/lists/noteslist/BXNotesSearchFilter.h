#pragma once

#include "lists/noteslist/BXNotesSearchIndex.h"

#include "platform/data/ManagedObject.h"
#include "platform/foundation/Error.h"
#include "platform/predicate/Expression.h"
#include "platform/predicate/Predicate.h"

#include <QString>

#include <memory>
#include <optional>
#include <vector>

class BXTableManagedObjectsArrayController;

// The notes list's filter: the base predicate, which hides trashed notes except those included
// by hand, and the search by words or by a regular expression over the notes' texts and names,
// answered for all notes at once through a search index. A search reads the texts it needs and
// lets them go when it ends. Owned by the notes list's controller, whose arranged objects it
// filters and selects; main thread only.
class BXNotesSearchFilter final {
public:
    explicit BXNotesSearchFilter(BXTableManagedObjectsArrayController& list);

    // Shown whatever the filter says; shared with every filter predicate, so a note added here
    // passes at the next rearrangement.
    const platform::SharedVariantList& included() const { return m_included; }
    bool isIncluded(const platform::ManagedObjectPtr& note) const;
    void include(const platform::ManagedObjectPtr& note);
    void exclude(const platform::ManagedObjectPtr& note);
    void clearIncluded() { m_included->clear(); }

    // True only while a new filter predicate is being applied.
    bool isFiltering() const { return m_filtering; }
    // "trashFlag = NO OR (self IN included)".
    platform::PredicateRef basePredicate() const;

    // Mode 1 looks for the words, any other mode for a regular expression that may match
    // anywhere in the note's text or name. An invalid expression, or one that runs out of time
    // on a note, beeps, fills `error` (the text under "NSInvalidValue"), keeps the previous
    // filter and answers false.
    bool filterNotes(
        const QString& text, int searchMode, bool keepSelection, platform::Error* error);
    // Back to the base predicate; the search ends.
    void resetFilter();
    // Reads the texts of the listed notes that have none in memory yet, a batch of notes a
    // query.
    void loadNoteTexts();
    // Folds the texts of a slice of the content from row `first` on for a search in `searchMode`
    // about to be typed, so that its first key finds them ready: the row to go on from, or -1
    // once the content is done or a search is shown.
    qsizetype prepareSearch(int searchMode, qsizetype first);
    // No search followed the preparation: what it folded goes.
    void abandonPreparation();

private:
    // What the base predicate answers for each note of the content, and with `found` (one per
    // note) what it answers with "AND found" on its trash test: the search predicate's answer
    // when `found` holds its text comparisons'.
    std::vector<char> baseVerdicts(const std::vector<char>* found) const;
    // What the search's predicate answers for each note of the content: by the words of `text`
    // in mode 1, else by the regular expression `pattern`; nullopt with `error` set when the
    // expression fails on a note.
    std::optional<std::vector<char>> searchVerdicts(
        const QString& text, int searchMode, const QString& pattern, platform::Error* error);
    // Lets go of what searching kept: folded texts, and the note texts it read unchanged.
    void endSearch();

    BXTableManagedObjectsArrayController& m_list;
    platform::SharedVariantList m_included;
    BXNotesSearchIndex m_searchIndex;
    // The notes whose texts a search read.
    std::vector<std::weak_ptr<platform::ManagedObject>> m_textsRead;
    bool m_filtering = false;
    // Whether the list is filtered by a search text.
    bool m_searching = false;
};
