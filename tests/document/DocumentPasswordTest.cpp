#include "document/model/BXDataModel.h"
#include "document/model/BXDocumentPreference.h"
#include "document/password/BXDocumentPassword.h"
#include "document/password/BXPasswordPrompt.h"
#include "document/password/PasswordHash.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include <gtest/gtest.h>

using platform::Error;
using platform::ManagedObjectContext;

namespace {

// Answers the opening prompt with one entry, or cancels without one; counts the questions.
class ScriptedPrompt final : public BXPasswordPrompt {
public:
    ScriptedPrompt(std::optional<QString> entry, int& asked)
        : m_entry(std::move(entry)), m_asked(asked)
    { }

    bool askPassword(const QString& storedPassword, const QString&) override
    {
        ++m_asked;
        m_password = m_entry;
        return m_entry && PasswordHash::verify(storedPassword, *m_entry);
    }
    void setPasswordForWindow(QObject*, BXPasswordControllerDelegate*) override { }
    const std::optional<QString>& password() const override { return m_password; }

private:
    std::optional<QString> m_entry;
    std::optional<QString> m_password;
    int& m_asked;
};

TEST(DocumentPasswordTest, OpeningAsksOnlyWhenRequiredAndNamesWhyAFileStaysShut)
{
    PasswordHash::setUsesInteractiveLimits(true);
    const QString sesame = PasswordHash::hash(QStringLiteral("sesame"));
    // A hash whose cost would keep the opening busy for days: refused before anyone is asked.
    const QString costly
        = QStringLiteral("$argon2id$v=19$m=65536,t=4294967295,p=1"
                         "$c2FsdHNhbHRzYWx0c2FsdA$aGFzaGhhc2hoYXNoaGFzaGhhc2hoYXNo");
    struct Case {
        const char* name;
        bool required;
        QString stored;
        bool promptInstalled;
        std::optional<QString> entry;
        bool opens;
        QString domain;
        int code;
        int asked;
    };
    const Case cases[] = {
        { "not required", false, sesame, true, QStringLiteral("wrong"), true, {}, 0, 0 },
        { "right entry", true, sesame, true, QStringLiteral("sesame"), true, {}, 0, 1 },
        { "typed by an older file", true, QStringLiteral("letmein"), true,
            QStringLiteral("letmein"), true, {}, 0, 1 },
        { "wrong entry", true, sesame, true, QStringLiteral("sesam"), false,
            platform::kOSStatusErrorDomain, BXDocumentPassword::kWrongPasswordErrorCode, 1 },
        { "cancelled", true, sesame, true, std::nullopt, false, platform::kCocoaErrorDomain,
            platform::UserCancelledError, 1 },
        { "nobody to ask", true, sesame, false, std::nullopt, false, platform::kOSStatusErrorDomain,
            BXDocumentPassword::kWrongPasswordErrorCode, 0 },
        { "hash asking too much work", true, costly, true, QStringLiteral("sesame"), false,
            platform::kCocoaErrorDomain, platform::FileReadCorruptFileError, 0 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ManagedObjectContext prefs(ManagedObjectContext::ConcurrencyType::MainQueue);
        prefs.setPersistentStoreCoordinator(
            std::make_shared<platform::PersistentStoreCoordinator>(BXDataModel::model()));
        BXDocumentPreference::setPrefBoolean(c.required, BXDocumentPreference::SecurityType,
            BXDocumentPreference::RequirePasswordName, &prefs);
        BXDocumentPreference::setPrefString(c.stored, BXDocumentPreference::SecurityType,
            BXDocumentPreference::PasswordName, &prefs);
        int asked = 0;
        if (c.promptInstalled)
            BXPasswordPrompt::setMaker(
                [&] { return std::make_unique<ScriptedPrompt>(c.entry, asked); });
        BXDocumentPassword password([&prefs] { return &prefs; });

        Error error;
        EXPECT_EQ(password.unlock(QStringLiteral("Plans"), &error), c.opens);
        BXPasswordPrompt::setMaker({});
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(password.requirePassword(), c.required);
        EXPECT_EQ(password.password(), c.stored);
        if (c.opens)
            EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
        else
            EXPECT_TRUE(error.is(c.domain, c.code)) << error.toString().toStdString();
    }
}

} // namespace
