#include "document/password/BXDocumentPassword.h"

#include "document/model/BXDocumentPreference.h"
#include "document/password/BXPasswordPrompt.h"
#include "document/password/PasswordHash.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"

using platform::ManagedObjectContext;

BXDocumentPassword::BXDocumentPassword(std::function<ManagedObjectContext*()> prefsContext)
    : m_prefsContext(std::move(prefsContext))
{ }

BXDocumentPassword::~BXDocumentPassword() = default;

bool BXDocumentPassword::unlock(const QString& documentName, platform::Error* error)
{
    ManagedObjectContext* prefs = m_prefsContext();
    m_requirePassword = BXDocumentPreference::prefBooleanForType(BXDocumentPreference::SecurityType,
        BXDocumentPreference::RequirePasswordName, BXDocumentPreference::DefaultRequirePassword,
        prefs);
    m_password = BXDocumentPreference::prefStringForType(
        BXDocumentPreference::SecurityType, BXDocumentPreference::PasswordName, QString(), prefs);
    if (!m_requirePassword)
        return true;
    if (PasswordHash::isHash(m_password) && !PasswordHash::hasAcceptableCost(m_password))
        return platform::Error::set(error,
            platform::Error(platform::kCocoaErrorDomain, platform::FileReadCorruptFileError,
                platform::localized(QStringLiteral("The notes store is damaged.")),
                QStringLiteral("The stored password hash asks for more work than this "
                               "application ever does.")));

    if (!m_passwordController)
        m_passwordController = BXPasswordPrompt::make();
    if (m_passwordController && m_passwordController->askPassword(m_password, documentName))
        return true;

    // With nobody to ask, the file stays shut as after a wrong entry.
    if (m_passwordController && !m_passwordController->password().has_value())
        return platform::Error::set(
            error, platform::Error(platform::kCocoaErrorDomain, platform::UserCancelledError));
    return platform::Error::set(error,
        platform::Error(platform::kOSStatusErrorDomain, kWrongPasswordErrorCode,
            platform::localized(QStringLiteral("Can't open this notes file.")),
            platform::localized(QStringLiteral("Sorry, the password you entered is incorrect."))));
}

void BXDocumentPassword::setRequirePassword(bool flag, const std::optional<QString>& password)
{
    QString stored;
    if (flag && password) {
        stored = PasswordHash::hash(*password);
        if (stored.isEmpty()) {
            // An empty stored value would let an empty entry open the document.
            platform::log("The document password was not changed");
            return;
        }
    }
    storePasswordState(flag, stored);
}

void BXDocumentPassword::storePasswordState(bool flag, const QString& stored)
{
    const bool changed = m_requirePassword != flag;
    m_requirePassword = flag;
    m_password = stored;

    ManagedObjectContext* prefs = m_prefsContext();
    BXDocumentPreference::setPrefBoolean(
        flag, BXDocumentPreference::SecurityType, BXDocumentPreference::RequirePasswordName, prefs);
    BXDocumentPreference::setPrefString(
        stored, BXDocumentPreference::SecurityType, BXDocumentPreference::PasswordName, prefs);
    // A new document keeps the records until its first save creates the store.
    if (prefs->persistentStoreCoordinator()->hasStore()) {
        platform::Error error;
        if (!prefs->save(&error))
            platform::log("Could not save the document password: %@", error);
    }
    if (changed)
        emit requirePasswordChanged(flag);
}

void BXDocumentPassword::toggleLock(QObject* window)
{
    if (m_requirePassword) {
        setRequirePassword(false, std::nullopt);
        return;
    }
    if (!m_passwordController)
        m_passwordController = BXPasswordPrompt::make();
    if (m_passwordController)
        m_passwordController->setPasswordForWindow(window, this);
}

void BXDocumentPassword::passwordSet(const std::optional<QString>& storedPassword)
{
    storePasswordState(storedPassword.has_value(), storedPassword.value_or(QString()));
    // Dropped on a later turn: this runs inside the controller's own sheet handler.
    if (m_passwordController)
        platform::dispatchAsyncMain(
            [prompt = std::shared_ptr<BXPasswordPrompt>(std::move(m_passwordController))] {});
}
