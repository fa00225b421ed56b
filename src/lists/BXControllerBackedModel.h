#pragma once

class BXManagedObjectsArrayController;

// An item model whose rows are a list controller's arranged objects, so that a drag from any view
// over it can name the controller it came from.
class BXControllerBackedModel {
public:
    virtual ~BXControllerBackedModel() = default;

    // The list the rows belong to.
    virtual BXManagedObjectsArrayController* controller() const = 0;
};
