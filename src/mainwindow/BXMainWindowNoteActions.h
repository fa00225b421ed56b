#pragma once

#include "platform/controllers/Responder.h"
#include "platform/data/ManagedObject.h"
#include "platform/foundation/IndexSet.h"
#include "platform/text/TextRange.h"

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

#include <optional>

class BXHoverButton;
class BXMainWindowController;
class BXNotesToolbarView;
class BXTableManagedObjectsArrayController;
class QLabel;
class QMenu;
class QWidget;

// The main window's commands on whole notes and categories: adding, duplicating, deleting,
// unlinking, renaming, opening and exporting notes, adding, deleting, renaming and reordering
// categories, the sort criterion, the sidebar and column switches. Most of them are handed to
// the notes list, the sidebar or the document. Also builds the notes bar under the notes list
// and turns a click into the empty note pane into a new note. Owned by the window controller;
// main thread only; delays go through the scheduler.
class BXPendingKeystrokes;

class BXMainWindowNoteActions final : public QObject, public platform::Responder {
    Q_OBJECT

public:
    static constexpr int kNotesBarHeight = 32;
    static constexpr int kNotesBarButtonSize = 28;
    static constexpr double kAddNoteDelay = 0.1;
    static constexpr double kFocusNewNoteDelay = 0.05;
    // Tags of the sort criteria: title, creation date, anything else modification date.
    static constexpr int kSortByTitleTag = 0;
    static constexpr int kSortByCreatedTag = 1;
    static constexpr int kSortByModifiedTag = 2;

    explicit BXMainWindowNoteActions(BXMainWindowController* controller);
    ~BXMainWindowNoteActions() override;

    // Puts the notes bar under the notes list; nothing when the list has no pane of its own
    // in the split view. Runs once.
    void setupNotesToolbar();
    BXNotesToolbarView* notesToolbar() const;
    BXHoverButton* notesToolbarAddButton() const;
    // Enabled exactly while the notes list can delete; null without a bar.
    BXHoverButton* notesToolbarRemoveButton() const;
    BXHoverButton* notesToolbarSortButton() const;
    void updateRemoveButton();
    // The bar's count of the listed notes: "no notes", "1 note", "12 notes".
    void updateNotesCount();
    // An icon button sending `action`, which a screen reader calls `name`.
    BXHoverButton* createToolbarButtonWithImageName(
        const QString& symbol, const QString& action, const QString& name);

    // The sort menu: one checked item for the list's primary sort (none without a sort).
    QMenu* makeSortMenu(QWidget* parent);
    void updateSortMenuItemsState(QMenu* menu) const;
    // Pops the sort menu up under `sender`; returned, already shown, for tests.
    QMenu* notesToolbarSortMenu(QWidget* sender);
    // The list's primary sort criterion as a tag; nullopt without a sort.
    std::optional<int> currentSortTag() const;
    static QString sortKeyForTag(int tag);
    void setNotesSortDescriptors(int tag);

    // After committing the open edits: the list adds a note 0.1 s later, and the note text
    // takes the focus 0.05 s after that. The flag is accepted and not consulted: typing goes
    // into the text, not the name. Keys typed meanwhile are held for the new note.
    void addEmptyNoteEditingName(bool editingName);
    // Copies the notes at those rows of the list as one undo step; the copies are listed,
    // also by a search that finds nothing in them, and selected. A single copy made from its
    // text takes the original's caret and the keys typed before it shows.
    void duplicateNotesAtIndexes(const platform::IndexSet& indexes);
    void addCategory();
    // Starts editing the clicked row of `controller`'s list, else its selected row.
    void renameItemInController(BXTableManagedObjectsArrayController* controller);
    // Renames the category the sender represents, else the sidebar's clicked or selected one.
    void renameCategory(const platform::Command& command);
    // A click into the note pane makes a new note only while nothing is selected and the text
    // is read-only.
    bool gestureRecognizerShouldBegin() const;

    bool respondsTo(const QString& action) const override;
    void perform(const platform::Command& command) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The note of a valid clicked row of the notes list, else null.
    platform::ManagedObjectPtr clickedNote() const;
    void exportNotes(const QList<platform::ManagedObjectPtr>& notes);
    // Commits the open edits and shows the lists; false when an edit refuses to end.
    bool prepareRenaming();
    // Adds the new note now, and focuses its text 0.05 s later.
    void addNewNote();
    void focusNewNote();
    // Types the held keys into the text once it shows the new note.
    void deliverPendingKeysOnceNoteShows();
    // The user did something else before the new note showed: the note is made and shown at
    // once, and the held keys typed into it.
    void finishNewNote();
    void deliverPendingKeys();

    BXMainWindowController* m_controller;
    QPointer<BXNotesToolbarView> m_notesToolbar;
    QPointer<BXHoverButton> m_addButton;
    QPointer<BXHoverButton> m_removeButton;
    QPointer<BXHoverButton> m_sortButton;
    QPointer<QLabel> m_countLabel;
    // Where the mouse went down in the note pane, until it goes up.
    std::optional<QPoint> m_pressPosition;
    QObject* m_pressTarget = nullptr;
    BXPendingKeystrokes* m_pendingKeys;
    // Where the held keys go in the note shown for them, when not at the caret it shows.
    std::optional<platform::TextRange> m_heldKeysCaret;
    QMetaObject::Connection m_textSwapConnection;
    // The new note's steps still to come.
    quint64 m_addNoteTask = 0;
    quint64 m_focusNoteTask = 0;
};
