#pragma once

#include "Authenticator.h"

#include <QByteArray>

#include <optional>

namespace platform {

// The user's own account password, checked through PAM: our dialog on the main thread, the
// check on a worker thread (a wrong password costs pam_unix about two seconds), the answer
// back on the main thread. A wrong password asks again until it is right or cancelled. The
// service is the application's own ("brindlex", which PAM answers from "other" when
// packaging installed no file), or $BRINDLEX_PAM_SERVICE for tests.
class PamAuthenticator final : public Authenticator {
public:
    // Asks for the password; nullopt when cancelled. `retry` is true after a wrong one.
    using PasswordPrompt = std::function<std::optional<QString>(const QString& reason, bool retry)>;

    static constexpr const char* kServiceVariable = "BRINDLEX_PAM_SERVICE";

    // Without a prompt, a modal password dialog of our own.
    explicit PamAuthenticator(PasswordPrompt prompt = {});

    static QByteArray serviceName();
    // The account running the application; empty when the system does not know it.
    static QByteArray userName();

    bool canEvaluate(QString* reason = nullptr) const override;
    void evaluate(const QString& reason, Reply reply) override;

    // The PAM check itself, blocking: authentication, then the account's validity. Answers
    // PAM's code (PAM_SUCCESS is 0). `password` is wiped before it returns. Never on the
    // main thread.
    static int check(const QByteArray& service, const QByteArray& user, QByteArray& password);

private:
    PasswordPrompt m_prompt;
};

} // namespace platform
