#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QUrl>

#include <functional>

namespace platform {
class ManagedObjectContext;
} // namespace platform

// Questions about any managed object that the document's code asks before using one.
class BXManagedObjectUtilities final {
public:
    BXManagedObjectUtilities() = delete;

    // True while the object still has a context and is not deleted.
    static bool objectAvailable(const platform::ManagedObject& object);
    // Runs `work`, which must not show up as a user's undoable change; pending changes are
    // processed on both sides so the surrounding changes keep their own undo groups.
    static void withoutUndo(
        platform::ManagedObjectContext* context, const std::function<void()>& work);
    // The objects behind object-ID URIs, in their order; URIs of other stores, of objects
    // since deleted or of nothing at all are left out.
    static QList<platform::ManagedObjectPtr> objectsFromIDURIs(
        platform::ManagedObjectContext* context, const QList<QUrl>& uris);
};
