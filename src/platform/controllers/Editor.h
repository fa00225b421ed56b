#pragma once

#include "platform/foundation/Error.h"

#include <functional>

namespace platform {

// Something holding an edit not yet applied to the model (a cell being renamed, a token field,
// a text view): registered with its document while the edit is open, so that a save the user
// asked for or a close applies the edit first. Main thread only.
class Editor {
public:
    virtual ~Editor() = default;

    // Applies the pending edit; false when it cannot be applied now (the edit stays open).
    virtual bool commitEditing() = 0;
    // Drops the pending edit.
    virtual void discardEditing() = 0;

    // commitEditing() with the reason of a refusal in `error`.
    virtual bool commitEditingAndReturnError(Error* error)
    {
        if (commitEditing())
            return true;
        Error::set(error, Error(kOSStatusErrorDomain, 1, {}, commitFailureReason()));
        return false;
    }

    // commitEditing(), answered through `completion` (editors whose commit waits on the user
    // answer later; the others answer at once).
    virtual void commitEditingWithCompletion(const std::function<void(bool didCommit)>& completion)
    {
        const bool didCommit = commitEditing();
        if (completion)
            completion(didCommit);
    }

protected:
    // The localised reason a refused commit reports.
    virtual QString commitFailureReason() const { return {}; }
};

} // namespace platform
