#include "platform/appkit/CommandRouter.h"
#include "platform/controllers/Responder.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/testing/FakeUserInput.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWidget>

#include <map>

using namespace platform;

namespace {

// Takes the actions it is given; records what it performed and what the test logged.
class Recorder : public Responder {
public:
    Recorder(QString name, QStringList actions, QStringList* log)
        : m_name(std::move(name)), m_actions(std::move(actions)), m_log(log)
    { }

    bool respondsTo(const QString& action) const override { return m_actions.contains(action); }
    std::optional<bool> validate(Command& command) const override
    {
        if (const auto it = answers.find(command.action); it != answers.end())
            return it->second;
        if (checks)
            command.checked = true;
        return std::nullopt;
    }
    void perform(const Command& command) override
    {
        m_log->append(m_name + u':' + command.action + u':' + QString::number(command.tag));
    }

    std::map<QString, bool> answers;
    bool checks = false;

private:
    QString m_name;
    QStringList m_actions;
    QStringList* m_log;
};

class ResponderWidget : public QLineEdit, public Recorder {
public:
    ResponderWidget(QWidget* parent, QStringList actions, QStringList* log)
        : QLineEdit(parent), Recorder(QStringLiteral("field"), std::move(actions), log)
    { }
};

class ResponderWindow : public QWidget, public Recorder {
public:
    ResponderWindow(QString name, QStringList actions, QStringList* log)
        : Recorder(std::move(name), std::move(actions), log)
    { }
};

class ResponderPanel : public QDialog, public Recorder {
public:
    ResponderPanel(QStringList actions, QStringList* log)
        : Recorder(QStringLiteral("panel"), std::move(actions), log)
    { }
};

class ResponderController : public WindowController, public Recorder {
public:
    ResponderController(QStringList actions, QStringList* log)
        : Recorder(QStringLiteral("controller"), std::move(actions), log)
    { }
};

void activate(QWidget* window)
{
    window->show();
    QApplication::setActiveWindow(window);
    window->activateWindow();
    QCoreApplication::processEvents();
}

class CommandRouterTest : public ::testing::Test {
protected:
    void SetUp() override { router.setApplicationResponder(&application); }
    void TearDown() override { router.setApplicationResponder(nullptr); }

    CommandRouter& router = CommandRouter::shared();
    QStringList log;
    FakeUserInput input;
    Recorder application { QStringLiteral("app"),
        { QStringLiteral("newDocument:"), QStringLiteral("deleteSelection:") }, &log };
};

} // namespace

TEST_F(CommandRouterTest, ChainRunsFromTheFocusThroughThePanelToTheMainWindowAndApplication)
{
    ResponderWindow main(
        QStringLiteral("main"), { QStringLiteral("print:"), QStringLiteral("copy:") }, &log);
    auto* layout = new QVBoxLayout(&main);
    auto* field = new ResponderWidget(&main, { QStringLiteral("copy:") }, &log);
    layout->addWidget(field);
    ResponderController controller({ QStringLiteral("saveDocument:") }, &log);
    controller.setWindow(&main);
    activate(&main);
    field->setFocus();
    ASSERT_EQ(router.keyWindow(), &main);

    ResponderPanel panel({ QStringLiteral("find:") }, &log);
    activate(&panel);
    ASSERT_EQ(router.keyWindow(), &panel);
    EXPECT_EQ(router.mainWindow(), &main);

    const QList<Responder*> expected
        = { &panel, static_cast<Recorder*>(field), &main, &controller, &application };
    EXPECT_EQ(router.responderChain(), expected);

    struct Case {
        QString action;
        QString performer; // empty: nobody takes it
    };
    const Case cases[] = {
        { QStringLiteral("find:"), QStringLiteral("panel") },
        { QStringLiteral("copy:"), QStringLiteral("field") },
        { QStringLiteral("print:"), QStringLiteral("main") },
        { QStringLiteral("saveDocument:"), QStringLiteral("controller") },
        { QStringLiteral("newDocument:"), QStringLiteral("app") },
        { QStringLiteral("paste:"), QString() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action.toStdString());
        log.clear();
        const int beeps = input.beepCount();
        Command command { c.action, 7, {}, {} };
        EXPECT_EQ(router.validate(command), !c.performer.isEmpty());
        EXPECT_EQ(router.sendAction(command), !c.performer.isEmpty());
        if (c.performer.isEmpty()) {
            EXPECT_TRUE(log.isEmpty());
            EXPECT_EQ(input.beepCount(), beeps + 1);
        } else {
            EXPECT_EQ(log, QStringList { c.performer + u':' + c.action + QStringLiteral(":7") });
        }
    }
    QApplication::setActiveWindow(nullptr);
}

TEST_F(CommandRouterTest, AWindowControllerKnowsItsWindowUntilTheWindowGoes)
{
    ResponderController controller({}, &log);
    EXPECT_EQ(controller.window(), nullptr);
    auto* window = new QWidget;
    controller.setWindow(window);
    EXPECT_EQ(controller.window(), window);
    EXPECT_EQ(WindowController::forWindow(window), &controller);
    EXPECT_EQ(WindowController::forWindow(nullptr), nullptr);
    delete window;
    EXPECT_EQ(controller.window(), nullptr);
}

TEST_F(CommandRouterTest, ExplicitTargetsAndValidationAnswersDecideTheSendersState)
{
    ResponderWindow target(QStringLiteral("target"), { QStringLiteral("toggle:") }, &log);
    QObject notAResponder;
    struct Case {
        const char* name;
        QObject* target;
        std::optional<bool> answer;
        bool enabled;
    };
    const Case cases[] = {
        { "target without opinion", &target, std::nullopt, true },
        { "target refuses", &target, false, false },
        { "target agrees", &target, true, true },
        { "target that is no responder", &notAResponder, std::nullopt, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        target.answers.clear();
        if (c.answer)
            target.answers[QStringLiteral("toggle:")] = *c.answer;
        QAction action;
        CommandRouter::setAction(&action, QStringLiteral("toggle:"), 3);
        CommandRouter::setTarget(&action, c.target);
        EXPECT_EQ(router.validateSender(&action), c.enabled);
        EXPECT_EQ(action.isEnabled(), c.enabled);

        log.clear();
        const int beeps = input.beepCount();
        router.connectAction(&action);
        // Triggered while stale (enabled by hand): checked again, and refused with a beep.
        action.setEnabled(true);
        action.trigger();
        EXPECT_EQ(log.size(), c.enabled ? 1 : 0);
        EXPECT_EQ(input.beepCount(), beeps + (c.enabled ? 0 : 1));
    }

    // The target may set the check state of a checkable sender.
    target.answers.clear();
    target.checks = true;
    QPushButton button;
    button.setCheckable(true);
    CommandRouter::setAction(&button, QStringLiteral("toggle:"));
    CommandRouter::setTarget(&button, &target);
    EXPECT_TRUE(router.validateSender(&button));
    EXPECT_TRUE(button.isChecked());
    log.clear();
    router.connectButton(&button, true);
    emit button.pressed();
    EXPECT_EQ(log, QStringList { QStringLiteral("target:toggle::0") });
}

TEST_F(CommandRouterTest, MenusValidateOnShowAndAnnounceTheItemBeforeItsAction)
{
    QMenu menu;
    QAction* enabled = menu.addAction(QStringLiteral("New"));
    CommandRouter::setAction(enabled, QStringLiteral("newDocument:"));
    QAction* disabled = menu.addAction(QStringLiteral("Paste"));
    CommandRouter::setAction(disabled, QStringLiteral("paste:"));
    QAction* plain = menu.addAction(QStringLiteral("About"));
    QMenu* submenu = menu.addMenu(QStringLiteral("More"));
    QAction* nested = submenu->addAction(QStringLiteral("Delete"));
    CommandRouter::setAction(nested, QStringLiteral("deleteSelection:"));
    router.attachMenu(&menu);
    router.attachMenu(submenu);

    emit menu.aboutToShow();
    EXPECT_TRUE(enabled->isEnabled());
    EXPECT_FALSE(disabled->isEnabled());
    EXPECT_TRUE(plain->isEnabled()) << "an item without an action is left alone";

    QStringList order;
    int sentAfterNotice = -1;
    NotificationCenter::defaultCenter().addObserver(
        this, MenuWillSendActionNotification, nullptr, [&](const Notification& note) {
            order << QStringLiteral("notice:")
                    + qobject_cast<QAction*>(
                        note.userInfo.value(QStringLiteral("MenuItem")).value<QObject*>())
                          ->text();
            sentAfterNotice = int(log.size());
        });
    emit menu.triggered(enabled);
    emit submenu->triggered(nested);
    emit menu.triggered(nested); // the same trigger as it reaches the parent menu
    NotificationCenter::defaultCenter().removeObserver(this);

    EXPECT_EQ(
        order, (QStringList { QStringLiteral("notice:New"), QStringLiteral("notice:Delete") }));
    EXPECT_EQ(sentAfterNotice, 1) << "the notice comes before the item's action";
    EXPECT_EQ(log,
        (QStringList {
            QStringLiteral("app:newDocument::0"), QStringLiteral("app:deleteSelection::0") }));

    // Once the menu is gone a key equivalent is validated when pressed, not when last shown.
    emit menu.aboutToHide();
    EXPECT_TRUE(disabled->isEnabled());
    EXPECT_TRUE(enabled->isEnabled());
    application.answers[QStringLiteral("newDocument:")] = false;
    log.clear();
    emit menu.triggered(enabled);
    EXPECT_TRUE(log.isEmpty());
    EXPECT_EQ(input.beepCount(), 1);
}

// An item wired on its own that also sits in an attached menu sends its command once: a share
// or a deletion chosen once runs once.
TEST_F(CommandRouterTest, AnItemWiredOnItsOwnInAnAttachedMenuSendsOnce)
{
    QMenu menu;
    QAction* item = menu.addAction(QStringLiteral("New"));
    CommandRouter::setAction(item, QStringLiteral("newDocument:"));
    router.connectAction(item);
    router.attachMenu(&menu);
    emit menu.aboutToShow();
    item->trigger();
    EXPECT_EQ(log, QStringList { QStringLiteral("app:newDocument::0") });
}
