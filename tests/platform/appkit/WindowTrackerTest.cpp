#include "platform/appkit/ApplicationWindowTracker.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"

#include <QApplication>
#include <QDialog>
#include <QSignalSpy>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

using platform::ApplicationWindowTracker;
using platform::WindowController;

namespace {

void activate(QWidget* window)
{
    window->show();
    QApplication::setActiveWindow(window);
    window->activateWindow();
    QCoreApplication::processEvents();
}

struct DocumentWindow {
    DocumentWindow() { controller.setWindow(window.get()); }
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    WindowController controller;
};

} // namespace

TEST(ApplicationWindowTrackerTest, MainIsTheLastActivatedDocumentWindowAndNeverAPanel)
{
    ApplicationWindowTracker tracker;
    QSignalSpy mainChanges(&tracker, &ApplicationWindowTracker::mainWindowControllerChanged);
    QSignalSpy keyChanges(&tracker, &ApplicationWindowTracker::keyWindowControllerChanged);
    DocumentWindow a;
    DocumentWindow b;
    QDialog panel;
    WindowController panelController;
    panelController.setWindow(&panel);
    QWidget plain; // a window no controller runs

    struct Step {
        const char* name;
        QWidget* activated;
        WindowController* main;
        WindowController* key;
        QList<WindowController*> order;
    };
    const Step steps[] = {
        { "first window", a.window.get(), &a.controller, &a.controller, { &a.controller } },
        { "second window", b.window.get(), &b.controller, &b.controller,
            { &b.controller, &a.controller } },
        { "panel", &panel, &b.controller, &panelController,
            { &panelController, &b.controller, &a.controller } },
        { "window without controller", &plain, &b.controller, nullptr,
            { &panelController, &b.controller, &a.controller } },
        { "first again", a.window.get(), &a.controller, &a.controller,
            { &a.controller, &panelController, &b.controller } },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        activate(step.activated);
        EXPECT_EQ(tracker.mainWindowController(), step.main);
        EXPECT_EQ(tracker.keyWindowController(), step.key);
        EXPECT_EQ(tracker.orderedWindowControllers(), step.order);
    }
    EXPECT_EQ(mainChanges.count(), 3);
    EXPECT_EQ(keyChanges.count(), 5);

    // The main window goes: the frontmost remaining document window takes over, not the panel.
    a.window->hide();
    EXPECT_EQ(tracker.mainWindowController(), &b.controller);
    EXPECT_EQ(tracker.orderedWindowControllers(),
        (QList<WindowController*> { &panelController, &b.controller }));
    b.window.reset();
    EXPECT_EQ(tracker.mainWindowController(), nullptr);
    EXPECT_EQ(tracker.orderedWindowControllers(), QList<WindowController*> { &panelController });
    QApplication::setActiveWindow(nullptr);
}

TEST(ApplicationWindowTrackerTest, InstallsOneTrackerAsTheCurrentOne)
{
    platform::WindowTracker* before = &platform::WindowTracker::current();
    EXPECT_EQ(before->mainWindowController(), nullptr);
    ApplicationWindowTracker::install();
    auto* installed = &platform::WindowTracker::current();
    EXPECT_NE(installed, before);
    EXPECT_NE(qobject_cast<ApplicationWindowTracker*>(installed), nullptr);
    delete installed;
    EXPECT_EQ(&platform::WindowTracker::current(), before);
}
