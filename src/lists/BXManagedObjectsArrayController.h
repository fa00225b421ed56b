#pragma once

#include "platform/controllers/ArrayController.h"

#include <QList>
#include <QUrl>

namespace platform {
class ManagedObjectContext;
}

// The array controller of the lists with a few questions about its arranged and selected
// managed objects. Main thread only.
class BXManagedObjectsArrayController : public platform::ArrayController {
    Q_OBJECT

public:
    using platform::ArrayController::ArrayController;

    // Whether `index` addresses an arranged object.
    bool indexValid(int index) const;
    // The IDs of the arranged objects at `rows`, in row order; rows out of range skipped.
    QList<platform::ManagedObjectID> arrangedObjectIDs(const platform::IndexSet& rows) const;
    bool canDelete() const { return canRemove(); }
    // In selection order.
    QList<platform::ManagedObjectID> selectedObjectsIDs() const;
    QList<QUrl> selectedObjectsIDURIRepresentations() const;
    // True for two or more selected rows without a gap; a single row is not a run.
    bool selectionIsContiguous() const;
    // Removes every arranged object from the content.
    virtual void deleteArrangedObjects();
    // The context of the listed objects: that of the first arranged one, unless a subclass
    // knows its own.
    virtual platform::ManagedObjectContext* managedObjectContext() const;

    // The list a drag started from: the controller of a list's table or of the sidebar's
    // outline; null for any other source.
    static BXManagedObjectsArrayController* draggingSourceController(QObject* source);
};
