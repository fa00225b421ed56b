#include "AppTestSupport.h"

#include "app/BXAppAuthenticationService.h"
#include "app/BXDocumentController.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/testing/FakeAuthenticator.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

using apptest::ControllerFixture;

namespace {

bool settle(const std::function<bool()>& condition)
{
    return QTest::qWaitFor(condition, 5000);
}

} // namespace

TEST(AppLockTest, SwitchingTheLockNeedsTheProofAndStoresBothKeys)
{
    platform::FakeAuthenticator authenticator;
    platform::UserDefaults defaults(bxtest::makeTempFolder() + QStringLiteral("/s.conf"));
    const struct {
        const char* name;
        bool enable;
        bool proof;
        bool stored;
    } cases[] = {
        { "on, cancelled", true, false, false },
        { "on, given", true, true, true },
        { "off, refused", false, false, true },
        { "off, given", false, true, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::optional<bool> reply;
        BXAppAuthenticationService::setProtectionEnabled(
            c.enable, defaults, [&](bool success) { reply = success; });
        ASSERT_EQ(authenticator.pendingCount(), 1);
        EXPECT_EQ(authenticator.reasons().last(),
            authenticationReason(c.enable ? BXAuthenticationMode::turnOnProtection
                                          : BXAuthenticationMode::turnOffProtection));
        EXPECT_FALSE(reply) << "the reply waits for the proof";
        authenticator.answer(c.proof);
        ASSERT_TRUE(settle([&] { return reply.has_value(); }));
        EXPECT_EQ(*reply, c.proof);
        EXPECT_EQ(BXAppAuthenticationService::isProtectionEnabled(defaults), c.stored);
        EXPECT_EQ(defaults.boolForKey(QStringLiteral("AllowBiometrics")), c.stored);
    }
}

TEST(AppLockTest, WithoutAWayToCheckEveryRequestAnswersNoWithoutADialog)
{
    platform::FakeAuthenticator authenticator;
    authenticator.setUnavailable(QStringLiteral("no PAM"));
    platform::UserDefaults defaults(bxtest::makeTempFolder() + QStringLiteral("/s.conf"));
    std::optional<bool> reply;
    BXAppAuthenticationService::setProtectionEnabled(
        true, defaults, [&](bool success) { reply = success; });
    EXPECT_FALSE(reply) << "answered later, never from within the call";
    ASSERT_TRUE(settle([&] { return reply.has_value(); }));
    EXPECT_FALSE(*reply);
    EXPECT_TRUE(authenticator.reasons().isEmpty());
    EXPECT_FALSE(BXAppAuthenticationService::isProtectionEnabled(defaults));
    EXPECT_EQ(authenticationModeFromRawValue(4), std::nullopt);
    EXPECT_EQ(authenticationModeFromRawValue(2), BXAuthenticationMode::turnOffProtection);
}

TEST(AppLockTest, AWaitingProofWorksOffTheMainThreadAndRefusesOnIt)
{
    platform::FakeAuthenticator authenticator;
    EXPECT_FALSE(
        BXAppAuthenticationService::authenticateSynchronously(BXAuthenticationMode::generic));
    EXPECT_EQ(authenticator.pendingCount(), 0);

    std::atomic<int> result { -1 };
    std::thread worker([&] {
        result = BXAppAuthenticationService::authenticateSynchronously(
            BXAuthenticationMode::generic, QStringLiteral("Custom reason"));
    });
    ASSERT_TRUE(settle([&] { return authenticator.pendingCount() == 1; }));
    EXPECT_EQ(authenticator.reasons().last(), QStringLiteral("Custom reason"));
    authenticator.answer(true);
    ASSERT_TRUE(settle([&] { return result != -1; }));
    worker.join();
    EXPECT_EQ(result, 1);
}

TEST(AppLockTest, ALockedLaunchShowsNothingBeforeTheProof)
{
    for (const bool proof : { true, false }) {
        SCOPED_TRACE(proof ? "password given" : "cancelled");
        ControllerFixture fixture;
        platform::FakeAuthenticator authenticator;
        fixture.defaults.setBool(Protect, true);
        const QUrl url
            = apptest::makeNotesFile(fixture.folder + QStringLiteral("/Locked.brindlex"));
        QSignalSpy quit(fixture.controller.get(), &BXDocumentController::quitRequested);

        ASSERT_TRUE(fixture.launch());
        fixture.controller->openFiles({ url.toLocalFile() });
        fixture.controller->applicationDidFinishLaunching();
        fixture.controller->applicationShouldHandleReopen(false);
        EXPECT_TRUE(fixture.controller->isLocked());
        EXPECT_FALSE(fixture.controller->welcomeWindowController());
        EXPECT_FALSE(fixture.controller->recentDocumentsWindowController());
        EXPECT_TRUE(fixture.controller->documents().isEmpty());
        EXPECT_FALSE(BXDocumentController::hasVisibleWindows());
        ASSERT_EQ(authenticator.pendingCount(), 1);
        EXPECT_EQ(
            authenticator.reasons().first(), authenticationReason(BXAuthenticationMode::unlockApp));

        authenticator.answer(proof);
        if (proof) {
            ASSERT_TRUE(settle([&] { return !fixture.controller->documents().isEmpty(); }));
            EXPECT_FALSE(fixture.controller->isLocked());
            EXPECT_EQ(quit.count(), 0);
        } else {
            ASSERT_TRUE(settle([&] { return quit.count() == 1; }));
            EXPECT_TRUE(fixture.controller->documents().isEmpty());
        }
        for (platform::Document* document : fixture.controller->documents())
            document->close();
    }
}

TEST(AppLockTest, ALockThatCannotWorkEndsTheLaunchWithItsCause)
{
    ControllerFixture fixture;
    platform::FakeAuthenticator authenticator;
    authenticator.setUnavailable(
        QStringLiteral("Authentication service cannot retrieve authentication info"));
    fixture.defaults.setBool(Protect, true);
    EXPECT_FALSE(fixture.launch());
    ASSERT_EQ(fixture.presenter.shown().size(), 1u);
    const QString text = fixture.presenter.shown()[0].alert.informativeText;
    EXPECT_TRUE(text.contains(QStringLiteral("cannot retrieve authentication info")));
    EXPECT_TRUE(text.contains(QStringLiteral("Protect")));
    EXPECT_FALSE(BXDocumentController::hasVisibleWindows());
}
