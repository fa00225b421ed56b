#pragma once

#include <QString>

#include <optional>

// Why the application asks the user to prove who they are; each purpose has its own reason
// text in the password dialog.
enum class BXAuthenticationMode : qint64 {
    unlockApp = 0,
    turnOnProtection = 1,
    turnOffProtection = 2,
    generic = 3,
};

// A mode from its stored number; nullopt outside 0 to 3.
std::optional<BXAuthenticationMode> authenticationModeFromRawValue(qint64 value);
// The localised reason shown for `mode`.
QString authenticationReason(BXAuthenticationMode mode);
