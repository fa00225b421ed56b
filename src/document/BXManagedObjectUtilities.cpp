#include "BXManagedObjectUtilities.h"

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
