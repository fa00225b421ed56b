#pragma once

#include <functional>

namespace platform {
class ManagedObject;
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
};
