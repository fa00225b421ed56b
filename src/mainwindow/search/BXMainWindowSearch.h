#pragma once

#include "platform/controllers/Responder.h"
#include "platform/text/AttributedText.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <optional>

class BXMainWindowController;
class BXNote;
class BXSearchField;
class QAction;

namespace platform {
class Error;
}

// The main window's search: the search field and its modes, filtering the notes list by words
// or by an ICU regular expression as the user types (a bad or too slow expression is explained
// beside the field and leaves the list as it was), the search scope, and Find Next and Find
// Previous through the shown note and on through the listed notes with wrap-around. Owned by
// the window controller; main thread only. Emits searchScopeChanged() and turnedAround() when a
// find wraps.
class BXMainWindowSearch final : public QObject, public platform::Responder {
    Q_OBJECT

public:
    static constexpr int kWordsMode = 1;
    static constexpr int kRegularExpressionMode = 2;
    // Bits of searchStyle().
    static constexpr unsigned kSearchFoundNotes = 1;
    static constexpr unsigned kWrapAround = 2;
    // Tag of the find control's backward segment and of the menu's Find Previous.
    static constexpr int kBackwardTag = 0;

    // Makes the search field, which the window's toolbar shows.
    explicit BXMainWindowSearch(BXMainWindowController* controller);
    ~BXMainWindowSearch() override;

    BXSearchField* searchField() const;

    // The field's text; "" when there is no search. Setting it fills the field without
    // filtering.
    QString searchString() const { return m_searchString; }
    void setSearchString(const QString& text);
    // 1 words; any other value is read as a regular expression.
    int searchMode() const { return m_searchMode; }
    void setSearchMode(int mode) { m_searchMode = mode; }
    unsigned searchStyle() const { return m_searchStyle; }
    void setSearchStyle(unsigned style) { m_searchStyle = style; }
    // 0 the selected categories, 1 all notes; kept by the sidebar's controller. A scope chosen
    // while a search is set is remembered for the next filter.
    unsigned searchScope() const;
    void setSearchScope(unsigned scope);
    unsigned storedSearchScope() const { return m_storedSearchScope; }
    bool searchInProgress() const { return m_searchInProgress; }
    // A match in a note about to be shown, selected once its text is.
    std::optional<platform::TextRange> storedMatchedRange() const { return m_storedMatchedRange; }
    void setStoredMatchedRange(std::optional<platform::TextRange> range)
    {
        m_storedMatchedRange = range;
    }

    // Focuses the field with its text selected.
    void search();
    // Filters by the search string, keeping the selection. While a filter or a find runs, the
    // request waits for it to end, so the latest text always ends up as the filter.
    void searchNotes();
    // Words (1) or regular expression (any other tag): re-filters at once.
    void changeSearchMode(int tag);
    // Find Previous for kBackwardTag, Find Next for any other tag.
    void continueSearch(int tag);
    // Corrects the scope for `text` and filters the list. An invalid expression, or one out
    // of time, is shown beside the field, beeps and keeps the previous filter: false.
    bool filterNotes(const QString& text, bool keepSelection);
    // Ticks `item` (a mode item of `field`), unticks the other mode and shows the item's title
    // as the field's placeholder.
    void updateSearchField(BXSearchField* field, QAction* item);
    // Clears the search (keeping its text with `ignoringString`) and goes back to scope 0.
    void resetSearchIgnoringString(bool ignoringString);

    // One search of `range` in `text`: by words (mode 1) found ignoring case and diacritics,
    // the earliest (backwards the latest) winning, ties going to the word first in `pattern`;
    // else by a case-insensitive regular expression whose "^" and "$" hold only at the ends of
    // the text, backwards the last match in the range. An empty or negative range, a null or
    // empty pattern find nothing. An invalid expression or one out of time fills `error`.
    static std::optional<platform::TextRange> findString(const QString& pattern, QStringView text,
        int mode, platform::TextRange range, bool backwardSearch, platform::Error* error = nullptr);
    // Finds `pattern` in the shown note after the selection (before it backwards; the whole
    // note with `upStart`), then in the other listed notes with `searchFoundNotes`, wrapping
    // with `wrapAround`. A match in the shown note is selected; one in another note selects
    // that note and is kept in storedMatchedRange() until its text shows. No match beeps
    // unless `quiet`. True when something was found.
    bool findStringInNotes(const QString& pattern, bool upStart, bool backwardSearch,
        bool searchFoundNotes, bool wrapAround, bool quiet);
    // The range to select once `note`'s text shows: its own selection without a search, else
    // the stored match, else the first match in the note. Uses up the stored match.
    std::optional<platform::TextRange> rangeToShowInNote(const BXNote& note);

    bool respondsTo(const QString& action) const override;
    void perform(const platform::Command& command) override;

signals:
    void searchScopeChanged(unsigned scope);
    // A find went past the end of the list (or the note, `withinNote`) and began again; past
    // the start with `backward`.
    void turnedAround(bool backward, bool withinNote);

private:
    // The message beside the field for an expression that failed to compile or to match.
    void showRegexError(const platform::Error& error);
    // Ends a filter or find; a search that waited meanwhile runs now.
    void finishSearch();

    BXMainWindowController* m_controller;
    // The toolbar's search item holds it while shown; a toolbar without the item leaves it
    // to this object.
    QPointer<BXSearchField> m_searchField;
    QString m_searchString;
    // The last text the list refused to filter by, an invalid expression already reported.
    QString m_refusedString;
    int m_searchMode = kWordsMode;
    unsigned m_searchStyle = kSearchFoundNotes | kWrapAround;
    unsigned m_storedSearchScope = 0;
    bool m_searchInProgress = false;
    bool m_searchPending = false;
    // The user put the focus in the field: the notes are folded ahead for the search.
    bool m_searchPrepared = false;
    std::optional<platform::TextRange> m_storedMatchedRange;
};
