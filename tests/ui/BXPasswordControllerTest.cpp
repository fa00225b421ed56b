#include "ui/BXPasswordController.h"
#include "document/password/BXPasswordControllerDelegate.h"
#include "document/password/PasswordHash.h"
#include "support/FakePasswordDialogRunner.h"

#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUserInput.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QSignalSpy>
#include <QTest>
#include <QThreadPool>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace {

struct RecordingDelegate final : BXPasswordControllerDelegate {
    void passwordSet(const std::optional<QString>& password) override
    {
        ++calls;
        last = password;
    }
    int calls = 0;
    std::optional<QString> last;
};

// Plays the user at the opening prompt with a script of its own, installed while it lives.
struct ScriptedRunner final : PasswordDialogRunner {
    explicit ScriptedRunner(std::function<int(BXPasswordController&)> s) : script(std::move(s))
    {
        setCurrent(this);
    }
    ~ScriptedRunner() override { setCurrent(nullptr); }
    int runModal(BXPasswordController& controller) override { return script(controller); }
    std::function<int(BXPasswordController&)> script;
};

// Lets every check still running answer, and the answers arrive.
void drainChecks()
{
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
}

class PasswordControllerTest : public ::testing::Test {
protected:
    void SetUp() override { PasswordHash::setUsesInteractiveLimits(true); }

    void type(const QString& text)
    {
        controller.passwordField()->setText(text);
        controller.okPressed();
        FakePasswordDialogRunner::waitForAnswer(controller);
    }

    platform::FakeScheduler scheduler;
    platform::FakeUserInput input;
    FakePasswordDialogRunner runner { scheduler };
    BXPasswordController controller;
    RecordingDelegate delegate;
    QWidget parentWindow;
};

TEST(PasswordHashTest, HashesAreSaltedArgon2idStringsAndPlainValuesStillVerify)
{
    PasswordHash::setUsesInteractiveLimits(true);
    const QString first = PasswordHash::hash(QStringLiteral("Kettle 42"));
    const QString second = PasswordHash::hash(QStringLiteral("Kettle 42"));
    EXPECT_TRUE(first.startsWith(QStringLiteral("$argon2id$"))) << first.toStdString();
    EXPECT_NE(first, second);
    EXPECT_FALSE(first.contains(QStringLiteral("Kettle")));

    struct Case {
        QString stored;
        QString typed;
        bool matches;
    };
    const Case cases[] = {
        { first, QStringLiteral("Kettle 42"), true },
        { first, QStringLiteral("kettle 42"), false },
        { first, QString(), false },
        { PasswordHash::hash(QString()), QString(), true },
        { PasswordHash::hash(QString()), QStringLiteral(" "), false },
        { QStringLiteral("letmein"), QStringLiteral("letmein"), true },
        { QStringLiteral("letmein"), QStringLiteral("letmeout"), false },
        { QStringLiteral("letmein"), QStringLiteral("letmein!"), false },
        { QStringLiteral("pässwörd"), QStringLiteral("pässwörd"), true },
        { QString(), QString(), true },
        // A damaged hash string never matches, not even its own text.
        { QStringLiteral("$argon2id$v=19$broken"), QStringLiteral("$argon2id$v=19$broken"), false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored.left(20).toStdString() + " / " + c.typed.toStdString());
        EXPECT_EQ(PasswordHash::verify(c.stored, c.typed), c.matches);
    }
}

TEST(PasswordHashTest, AStoredHashAskingForMoreWorkThanEverWrittenIsRefusedUnrun)
{
    PasswordHash::setUsesInteractiveLimits(false);
    const QString moderate = PasswordHash::hash(QStringLiteral("x"));
    PasswordHash::setUsesInteractiveLimits(true);
    EXPECT_TRUE(PasswordHash::hasAcceptableCost(moderate)) << moderate.toStdString();
    EXPECT_TRUE(PasswordHash::hasAcceptableCost(PasswordHash::hash(QStringLiteral("x"))));
    const QString tail = QStringLiteral("$c2FsdHNhbHRzYWx0c2FsdA$aGFzaGhhc2hoYXNoaGFzaGhhc2hoYXNo");
    for (const QString& parameters : { QStringLiteral("m=65536,t=200,p=1"),
             QStringLiteral("m=65536,t=4294967295,p=1"), QStringLiteral("m=4294967295,t=2,p=1"),
             QStringLiteral("m=65536,t=2,p=8"), QStringLiteral("m=65536,t=99999999999,p=1") }) {
        SCOPED_TRACE(parameters.toStdString());
        const QString stored = QStringLiteral("$argon2id$v=19$") + parameters + tail;
        EXPECT_FALSE(PasswordHash::hasAcceptableCost(stored));
        // Refused before any hashing: the test would not end otherwise.
        EXPECT_FALSE(PasswordHash::verify(stored, QStringLiteral("x")));
    }
}

TEST_F(PasswordControllerTest, AskModeGivesFourTriesAndKeepsWrongEntries)
{
    const QString stored = PasswordHash::hash(QStringLiteral("open sesame"));
    const QString right = QStringLiteral("open sesame");
    const QString wrong = QStringLiteral("close sesame");
    struct Case {
        const char* name;
        QStringList entries;
        bool cancelAfter;
        bool opens;
        int beeps;
    };
    const Case cases[] = {
        { "right at once", { right }, false, true, 0 },
        { "three wrong then right", { wrong, wrong, wrong, right }, false, true, 3 },
        { "four wrong", { wrong, wrong, wrong, wrong, right }, false, false, 3 },
        { "cancel", { wrong }, true, false, 1 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        platform::FakeScheduler caseScheduler;
        FakePasswordDialogRunner caseRunner(caseScheduler);
        BXPasswordController asker;
        caseRunner.enqueueEntries(c.entries);
        if (c.cancelAfter)
            caseRunner.enqueueCancel();
        EXPECT_EQ(asker.askPassword(stored, QString()), c.opens);
        EXPECT_EQ(caseRunner.runCount(), 1);
        EXPECT_TRUE(caseRunner.wasApplicationModal());
        EXPECT_EQ(caseRunner.beepCount(), c.beeps);
        EXPECT_EQ(asker.attempts(), c.beeps);
        EXPECT_EQ(asker.password().has_value(), !c.cancelAfter);
        // Each wrong entry up to the third stays in the field.
        const QStringList texts = caseRunner.fieldTextsAfterEntries();
        for (int i = 0; i < std::min<qsizetype>(3, texts.size()); ++i) {
            if (c.entries.value(i) == wrong) {
                EXPECT_EQ(texts.at(i), wrong) << "entry " << i;
            }
        }
        EXPECT_FALSE(asker.window()->isVisible());
        EXPECT_TRUE(asker.passwordField()->text().isEmpty());
    }
}

TEST(PasswordControllerEscape, EscapeAtTheOpeningPromptIsACancel)
{
    // The real modal window, left with Escape as a user would.
    PasswordHash::setUsesInteractiveLimits(true);
    BXPasswordController asker;
    QTimer::singleShot(0, asker.window(), [&asker] {
        QTest::keyClicks(asker.passwordField(), QStringLiteral("wrong"));
        QTest::keyClick(asker.passwordField(), Qt::Key_Escape);
    });
    EXPECT_FALSE(asker.askPassword(PasswordHash::hash(QStringLiteral("right")), QString()));
    EXPECT_FALSE(asker.password().has_value());
    EXPECT_EQ(asker.attempts(), 0);
}

TEST(PasswordControllerTiming, RightPasswordShowsTheOpenLockBeforeTheWindowEnds)
{
    // Types the right password and watches the window end only after 0.35 s.
    platform::FakeScheduler scheduler;
    bool unlockedAtOnce = false;
    bool endedEarly = true;
    ScriptedRunner watching([&](BXPasswordController& controller) {
        std::optional<int> code;
        QObject::connect(
            controller.window(), &QDialog::finished, [&code](int result) { code = result; });
        controller.passwordField()->setText(QStringLiteral("pw"));
        controller.okPressed();
        FakePasswordDialogRunner::waitForAnswer(controller);
        unlockedAtOnce = !controller.isLockShownLocked();
        scheduler.advance(0.3);
        endedEarly = code.has_value();
        controller.okPressed(); // a second press while closing changes nothing
        scheduler.advance(0.1);
        return code.value_or(-1);
    });
    BXPasswordController controller;
    EXPECT_TRUE(controller.askPassword(QStringLiteral("pw"), QString()));
    EXPECT_TRUE(unlockedAtOnce);
    EXPECT_FALSE(endedEarly);
}

TEST(PasswordControllerBusy, AnEntryIsCheckedOffTheMainThreadWhileTheWindowWaitsBusy)
{
    PasswordHash::setUsesInteractiveLimits(true);
    const QString stored = PasswordHash::hash(QStringLiteral("right"));
    for (const bool right : { false, true }) {
        SCOPED_TRACE(right ? "right" : "wrong");
        platform::FakeScheduler scheduler;
        platform::FakeUserInput input;
        ScriptedRunner runner([&](BXPasswordController& controller) {
            QSignalSpy busy(&controller, &BXPasswordController::busyChanged);
            controller.passwordField()->setText(QLatin1String(right ? "right" : "wrong"));
            controller.okPressed();
            controller.okPressed(); // refused while the first is checked
            EXPECT_EQ(busy.count(), 1);
            EXPECT_TRUE(controller.isBusy());
            EXPECT_TRUE(controller.passwordField()->isReadOnly());
            // The answer comes through the event loop, after what was posted before it.
            bool busyWhenTurned = false;
            QMetaObject::invokeMethod(
                &controller, [&] { busyWhenTurned = controller.isBusy(); }, Qt::QueuedConnection);
            FakePasswordDialogRunner::waitForAnswer(controller);
            EXPECT_TRUE(busyWhenTurned);
            EXPECT_FALSE(controller.passwordField()->isReadOnly());
            EXPECT_EQ(controller.attempts(), right ? 0 : 1);
            EXPECT_EQ(input.beepCount(), right ? 0 : 1);
            EXPECT_EQ(controller.isLockShownLocked(), !right);
            if (!right)
                controller.cancelPressed();
            scheduler.advance(1.0);
            return controller.window()->result();
        });
        BXPasswordController asker;
        EXPECT_EQ(asker.askPassword(stored, QString()), right);
    }
}

TEST(PasswordControllerBusy, AnAnswerArrivingAfterTheWindowOrItsControllerWentChangesNothing)
{
    PasswordHash::setUsesInteractiveLimits(true);
    platform::FakeScheduler scheduler;
    platform::FakeUserInput input;
    {
        // Cancel while the right password is checked: the prompt stays cancelled.
        ScriptedRunner runner([](BXPasswordController& controller) {
            controller.passwordField()->setText(QStringLiteral("right"));
            controller.okPressed();
            controller.cancelPressed();
            return 0;
        });
        BXPasswordController asker;
        EXPECT_FALSE(asker.askPassword(PasswordHash::hash(QStringLiteral("right")), QString()));
        drainChecks();
        scheduler.runUntilIdle();
        EXPECT_FALSE(asker.password().has_value());
        EXPECT_TRUE(asker.isLockShownLocked());
        EXPECT_FALSE(asker.isBusy());
    }
    {
        // The document, and with it the sheet's controller, goes while the password is hashed.
        QWidget window;
        RecordingDelegate recorder;
        auto setter = std::make_unique<BXPasswordController>();
        setter->setPasswordForWindow(&window, &recorder);
        for (int i = 0; i < 2; ++i) {
            setter->passwordField()->setText(QStringLiteral("new"));
            setter->okPressed();
        }
        ASSERT_TRUE(setter->isBusy());
        setter.reset();
        drainChecks();
        scheduler.runUntilIdle();
        EXPECT_EQ(recorder.calls, 0);
    }
    EXPECT_EQ(input.beepCount(), 0);
}

TEST_F(PasswordControllerTest, SettingAPasswordNeedsAMatchingConfirmation)
{
    controller.setPasswordForWindow(&parentWindow, &delegate);
    EXPECT_TRUE(controller.isSheet());
    EXPECT_EQ(controller.mode(), BXPasswordController::SetMode);
    EXPECT_FALSE(controller.isLockShownLocked());
    EXPECT_EQ(
        controller.passwordCaption()->text(), QStringLiteral("Please enter the new password:"));

    type(QStringLiteral("first"));
    EXPECT_EQ(controller.step(), 1);
    EXPECT_TRUE(controller.isLockShownLocked());
    EXPECT_TRUE(controller.passwordField()->text().isEmpty());
    EXPECT_EQ(
        controller.passwordCaption()->text(), QStringLiteral("Please re-enter the password:"));

    type(QStringLiteral("frist"));
    EXPECT_EQ(input.beepCount(), 1);
    EXPECT_EQ(controller.step(), 1);
    EXPECT_TRUE(controller.passwordField()->text().isEmpty());
    EXPECT_EQ(delegate.calls, 0);
    scheduler.runUntilIdle();
    EXPECT_EQ(controller.shakeAnimation()->state(), QAbstractAnimation::Running);
    const QPoint origin = controller.shakeAnimation()->keyValueAt(0).toPoint();
    EXPECT_EQ(controller.shakeAnimation()->keyValueAt(1.0 / 3.0).toPoint(), origin - QPoint(10, 0));
    EXPECT_EQ(controller.shakeAnimation()->keyValueAt(2.0 / 3.0).toPoint(), origin + QPoint(10, 0));
    EXPECT_EQ(controller.shakeAnimation()->duration(), 250);

    type(QStringLiteral("first"));
    EXPECT_EQ(delegate.calls, 1);
    ASSERT_TRUE(delegate.last.has_value());
    EXPECT_TRUE(PasswordHash::isHash(*delegate.last)) << delegate.last->toStdString();
    EXPECT_TRUE(PasswordHash::verify(*delegate.last, QStringLiteral("first")));
    EXPECT_FALSE(controller.password().has_value()) << "the typed text is not kept";
}

TEST_F(PasswordControllerTest, EveryWayOutOfTheSheetButConfirmingGivesNothing)
{
    struct Case {
        const char* name;
        std::function<void(BXPasswordController&)> leave;
        std::optional<QString> expected;
    };
    const Case cases[] = {
        { "cancel at the first entry", [](BXPasswordController& c) { c.cancelPressed(); },
            std::nullopt },
        { "cancel at the confirmation",
            [](BXPasswordController& c) {
                c.passwordField()->setText(QStringLiteral("abc"));
                c.okPressed();
                c.cancelPressed();
            },
            std::nullopt },
        { "escape at the confirmation",
            [](BXPasswordController& c) {
                c.passwordField()->setText(QStringLiteral("abc"));
                c.okPressed();
                c.window()->reject();
            },
            std::nullopt },
        // An empty password is refused: the sheet stays at its first entry.
        { "empty password twice",
            [](BXPasswordController& c) {
                c.okPressed();
                c.okPressed();
                EXPECT_EQ(c.step(), 0);
                c.cancelPressed();
            },
            std::nullopt },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BXPasswordController setter;
        RecordingDelegate recorder;
        setter.setPasswordForWindow(&parentWindow, &recorder);
        c.leave(setter);
        EXPECT_EQ(recorder.calls, 1);
        EXPECT_EQ(recorder.last, c.expected);
        // The window goes with the sheet; the next use makes a fresh one.
        scheduler.runUntilIdle();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        setter.setPasswordForWindow(&parentWindow, &recorder);
        EXPECT_EQ(setter.step(), 0);
        EXPECT_TRUE(setter.passwordField()->text().isEmpty());
        setter.cancelPressed();
    }
}

} // namespace
