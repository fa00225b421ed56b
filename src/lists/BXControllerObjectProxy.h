#pragma once

#include "platform/controllers/ControllerSelection.h"

#include <memory>

// A selection of exactly one fixed managed object, which a controller hands out instead of what
// the user selected (the categories list shows All Notes so while a search covers every note).
// Reads and writes go to the object; "@count" is 1. Keeps the object alive. Main thread only.
class BXControllerObjectProxy final : public platform::ControllerSelection {
public:
    // Null unless `object` is a managed object.
    static std::shared_ptr<BXControllerObjectProxy> withManagedObject(
        const platform::KeyValueRef& object);

    explicit BXControllerObjectProxy(const platform::ManagedObjectPtr& object);

    const platform::ManagedObjectPtr& managedObject() const { return objects().front(); }
};
