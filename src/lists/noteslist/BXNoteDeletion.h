#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>

class BXSelectedCategories;
class BXTableManagedObjectsArrayController;
class QWidget;

// Deleting notes from the document and removing them from the selected categories, for the
// notes list: which confirmation sheet to show (through the alert presenter, on the list's
// window), the undo step names, the hand-off of deletions to the list's delegate, and the
// labels of the delete commands. A spare note among the notes to delete only leaves the list,
// through the callback the list gives. Owned by the notes list's controller; main thread only.
class BXNoteDeletion final : public QObject {
    Q_OBJECT

public:
    // Takes the spare note out of the list, undoably, when it is among `notes`, and answers
    // it; null when it is not among them.
    using SpareNoteRemoval
        = std::function<platform::ManagedObjectPtr(const QList<platform::ManagedObjectPtr>& notes)>;

    BXNoteDeletion(BXTableManagedObjectsArrayController& list,
        const BXSelectedCategories& categories, SpareNoteRemoval removeSpareNote);

    // Something is selected and only plain categories are: notes can leave them.
    bool canRemove() const;
    // Takes the selected notes out of the selected category as one named step.
    void removeSelection();

    // The toolbar's delete item and the delete menu item, for the selection.
    QString deleteToolLabel() const;
    QString titleForDeleteMenu() const;

    // Deletes `notes` or removes them from the selected category, after the sheet that fits:
    // removal is offered only when asked for and only plain categories are selected; Alt
    // deletes at once unless the notes are all a search found.
    void attemptNotesDeletion(
        const QList<platform::ManagedObjectPtr>& notes, bool askForCategoryRemoval);
    void deleteNotes(const QList<platform::ManagedObjectPtr>& notes);
    void removeNotes(const QList<platform::ManagedObjectPtr>& notes);
    void removeNotesFromCategories(const QList<platform::ManagedObjectPtr>& notes,
        const QList<platform::ManagedObjectPtr>& categories);
    void deleteSelection();
    // Beeps unless notes can leave the selected categories; a row out of range does nothing.
    void deleteRow(int row);
    void deleteArrangedObjects();
    void unlinkSelectedNotes();
    void unlinkClickedNote();
    void unlinkAllNotes();
    // One selected note, or several that carry exactly the same categories.
    bool canEditTags() const;

private:
    void showDeletionSheet(
        const QList<platform::ManagedObjectPtr>& notes, bool offerRemoval, bool foundNotes);
    QWidget* sheetWindow() const;

    BXTableManagedObjectsArrayController& m_list;
    const BXSelectedCategories& m_categories;
    SpareNoteRemoval m_removeSpareNote;
};
