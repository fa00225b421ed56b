#include "document/model/BXManagedObjectUtilities.h"

#include "platform/data/ManagedObject.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/UndoManager.h"

bool BXManagedObjectUtilities::objectAvailable(const platform::ManagedObject& object)
{
    return object.managedObjectContext() != nullptr && !object.isDeleted();
}

void BXManagedObjectUtilities::withoutUndo(
    platform::ManagedObjectContext* context, const std::function<void()>& work)
{
    platform::UndoManager* undo = context ? context->undoManager() : nullptr;
    if (context)
        context->processPendingChanges();
    if (undo)
        undo->disableUndoRegistration();
    work();
    if (context)
        context->processPendingChanges();
    if (undo)
        undo->enableUndoRegistration();
}

QList<platform::ManagedObjectPtr> BXManagedObjectUtilities::objectsFromIDURIs(
    platform::ManagedObjectContext* context, const QList<QUrl>& uris)
{
    QList<platform::ManagedObjectPtr> objects;
    if (!context || !context->persistentStoreCoordinator())
        return objects;
    for (const QUrl& uri : uris) {
        const platform::ManagedObjectID id
            = context->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri);
        if (id.isNull())
            continue;
        platform::Error error;
        const platform::ManagedObjectPtr object = context->existingObjectWithID(id, &error);
        if (object && !object->isDeleted() && !objects.contains(object))
            objects.append(object);
    }
    return objects;
}
