#pragma once

#include "app/BXAuthenticationMode.h"

#include <functional>

namespace platform {
class UserDefaults;
}

// The application lock: whether it is on ("Protect"), and the proof of the account's owner
// that unlocking the application and switching the lock either way need. Proofs go through
// the current platform::Authenticator; replies come on the main thread. Main thread, except
// authenticateSynchronously().
class BXAppAuthenticationService final {
public:
    using Reply = std::function<void(bool success)>;

    static bool isProtectionEnabled(const platform::UserDefaults& defaults);
    // No fingerprint reader is asked for directly: a PAM stack that uses one still works.
    static bool isBiometricsAvailable() { return false; }

    static void authenticateWithMode(BXAuthenticationMode mode, Reply reply);
    // Waits for the proof on the calling thread. On the main thread it answers NO at once:
    // the dialog and the answer both need the main thread, so waiting there would never end.
    static bool authenticateSynchronously(BXAuthenticationMode mode, const QString& reason = {});
    // Asks for the proof, then stores "Protect" and "AllowBiometrics"; a failure changes nothing.
    static void setProtectionEnabled(bool enabled, platform::UserDefaults& defaults, Reply reply);
};
