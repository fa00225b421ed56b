#pragma once

#include <QString>

#include <optional>

// Told the outcome of setting a document password.
class BXPasswordControllerDelegate {
public:
    virtual ~BXPasswordControllerDelegate() = default;

    // The confirmed new password as typed (possibly empty), or nullopt when the user cancelled.
    virtual void passwordSet(const std::optional<QString>& password) = 0;
};
