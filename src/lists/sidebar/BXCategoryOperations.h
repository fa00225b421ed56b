#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QString>

#include <functional>

class BXTableManagedObjectsArrayController;
class QWidget;

namespace platform {
class UndoManager;
}

// Adding, deleting and renaming the categories of a sidebar's list: additions and removals are
// named undo steps that undo each other; deleting asks first in a sheet (which can delete the
// categories' notes too) and refuses the built-in categories; a rename is checked against the
// other names. Owned by the categories controller, which `list` is; main thread only.
class BXCategoryOperations final {
public:
    using Objects = QList<platform::ManagedObjectPtr>;

    // `added` runs once categories joined the list, to observe them and put them in their
    // place; `sheetWindow` answers the window the sheets go on.
    BXCategoryOperations(BXTableManagedObjectsArrayController& list, std::function<void()> added,
        std::function<QWidget*()> sheetWindow);

    void addCategories(const Objects& categories);
    void removeCategories(const Objects& categories, bool deletingLinkedNotes);
    // Beeps when all are built-in, else asks whether to delete the others.
    void complainForAttemptingDefaultCategoriesDeletion(const Objects& categories);
    // Asks (with the option to delete the notes too) and deletes; Option deletes at once.
    void attemptCategoriesDeletion(const Objects& categories);
    platform::ManagedObjectPtr newCategoryWithName(const QString& name, bool selectIt);

    bool categoryExistsWithName(
        const QString& name, const platform::ManagedObjectPtr& excluding) const;
    // Applies an edited name once the editor that gave it has closed; false when the name
    // stays as it was (a duplicate is refused with an alert).
    bool renameCategory(const platform::ManagedObjectPtr& category, const QString& text);

private:
    platform::UndoManager* undoManager() const;

    BXTableManagedObjectsArrayController& m_list;
    std::function<void()> m_added;
    std::function<QWidget*()> m_sheetWindow;
};
