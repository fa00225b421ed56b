#pragma once

#include "document/model/BXNote.h"

#include "platform/text/AttributedText.h"

#include <QString>

#include <optional>

namespace platform {
class UndoManager;
} // namespace platform

// What the main window's text swap asks of its window controller: the selected note, the undo
// manager holding the shown note's typing, and the search that decides where the caret goes in
// a note once it shows. Main thread only.
class BXMainWindowTextSwapDelegate {
public:
    virtual ~BXMainWindowTextSwapDelegate() = default;

    // The note when exactly one is selected.
    virtual BXNote::NotePtr selectedNote() const = 0;
    virtual platform::UndoManager* documentUndoManager() const = 0;
    // A note's text is about to show, or to load first when it is long.
    virtual void noteTextWillShow(const BXNote::NotePtr& note) = 0;
    virtual QString searchString() const = 0;
    // Where the caret goes once `note` shows; may use up a match the search kept for it.
    virtual std::optional<platform::TextRange> rangeToShowInNote(const BXNote& note) = 0;
    // Lets the scope bar follow the search, then selects `range` in the shown note.
    virtual void handleScopeBarWithRange(std::optional<platform::TextRange> range) = 0;
};
