#pragma once

namespace platform {
class ManagedObject;
}

// Questions about any managed object that the document's code asks before using one.
class BXManagedObjectUtilities final {
public:
    BXManagedObjectUtilities() = delete;

    // True while the object still has a context and is not deleted.
    static bool objectAvailable(const platform::ManagedObject& object);
};
