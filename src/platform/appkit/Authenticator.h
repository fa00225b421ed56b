#pragma once

#include <QString>

#include <functional>

namespace platform {

// Proves that the person at the keyboard owns the user account. Tests install a fake; the
// application installs the PAM one. Main thread only.
class Authenticator {
public:
    using Reply = std::function<void(bool success)>;

    virtual ~Authenticator() = default;

    // Whether a proof can be asked for at all; when not, evaluate() answers NO without a
    // dialog. `reason` receives the cause when it is false.
    virtual bool canEvaluate(QString* reason = nullptr) const = 0;
    // Asks for the proof with `reason` shown; `reply` runs later on the main thread.
    virtual void evaluate(const QString& reason, Reply reply) = 0;

    // The authenticator in force; until one is installed, one that can never evaluate.
    static Authenticator& current();
    // Installs `authenticator` (not owned) and returns the one it replaces; nullptr returns to
    // the one that refuses.
    static Authenticator* setCurrent(Authenticator* authenticator);
};

} // namespace platform
