#include "BXManagedObjectUtilities.h"

#include "platform/data/ManagedObject.h"

bool BXManagedObjectUtilities::objectAvailable(const platform::ManagedObject& object)
{
    return object.managedObjectContext() != nullptr && !object.isDeleted();
}
