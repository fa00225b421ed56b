#pragma once

#include "document/password/BXPasswordControllerDelegate.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class BXPasswordPrompt;

namespace platform {
class Error;
class ManagedObjectContext;
} // namespace platform

// A document's password: whether opening its file asks for one and the stored form, read from
// the preferences ("Security") when the file opens and asked for before any window exists;
// set, changed and removed by the user and stored back. Owned by the document; main thread;
// emits requirePasswordChanged() when the requirement changes.
class BXDocumentPassword final : public QObject, public BXPasswordControllerDelegate {
    Q_OBJECT

public:
    static constexpr int kWrongPasswordErrorCode = 666;

    // `prefsContext` answers the document's preferences context.
    explicit BXDocumentPassword(std::function<platform::ManagedObjectContext*()> prefsContext);
    ~BXDocumentPassword() override;

    // Reads the state of a file just opened and, when it requires a password, asks for it
    // naming the file `documentName`.
    // False when the file must stay shut: a wrong password gives code 666 in the OS-status
    // domain, Cancel a user-cancelled error, a hash asking for more work than ever written a
    // damaged-file error.
    bool unlock(const QString& documentName, platform::Error* error);

    bool requirePassword() const { return m_requirePassword; }
    // The stored form: an Argon2id string, the typed text of an older file, or "".
    const QString& password() const { return m_password; }
    // `password` is the typed text, hashed here on the calling thread before it is kept.
    // Without `flag` the stored password becomes "". Saves the preferences when the document
    // has a store.
    void setRequirePassword(bool flag, const std::optional<QString>& password);
    // Removes a required password at once; otherwise asks for a new one in a sheet on
    // `window` (application-modal without one).
    void toggleLock(QObject* window);
    void passwordSet(const std::optional<QString>& storedPassword) override;
    BXPasswordPrompt* passwordController() const { return m_passwordController.get(); }

signals:
    void requirePasswordChanged(bool requirePassword);

private:
    void storePasswordState(bool flag, const QString& stored);

    std::function<platform::ManagedObjectContext*()> m_prefsContext;
    std::unique_ptr<BXPasswordPrompt> m_passwordController;
    QString m_password;
    bool m_requirePassword = false;
};
