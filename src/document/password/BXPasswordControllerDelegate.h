#pragma once

#include <QString>

#include <optional>

// Told the outcome of setting a document password.
class BXPasswordControllerDelegate {
public:
    virtual ~BXPasswordControllerDelegate() = default;

    // The confirmed new password in its stored form (PasswordHash::hash, made off the main
    // thread), or nullopt when the user cancelled.
    virtual void passwordSet(const std::optional<QString>& storedPassword) = 0;
};
