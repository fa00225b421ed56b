#include "AppTestSupport.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include "document/model/BXNote.h"

#include "platform/testing/FakeScheduler.h"

#include <QPointer>

#include <gtest/gtest.h>

namespace {

// Memory pressure and going inactive reach the real main window through the document
// controller: the notes it does not show lose their text storage.
TEST(MainWindowMemoryPressureTest, PressureAndGoingInactiveFreeTheNotesTheWindowDoesNotShow)
{
    platform::FakeScheduler scheduler;
    apptest::ControllerFixture fixture;
    ASSERT_TRUE(fixture.launch());
    auto* document = new BXDocument;
    fixture.controller->addDocument(document);
    QPointer<BXMainWindowController> window = new BXMainWindowController;
    document->addWindowController(window);
    window->windowDidLoad();
    scheduler.advance(1);
    const BXNote::NotePtr hidden
        = BXNote::newNoteInManagedObjectContext(document->managedObjectContext(), {}, {});
    hidden->updateNoteText(QStringLiteral("Not shown"));

    struct Trigger {
        const char* name;
        std::function<void()> fire;
    };
    const Trigger triggers[] = {
        { "warning",
            [&] { fixture.memoryPressure.fire(platform::MemoryPressureSource::Warning); } },
        { "critical",
            [&] { fixture.memoryPressure.fire(platform::MemoryPressureSource::Critical); } },
        { "inactive", [&] { fixture.controller->applicationWillResignActive(); } },
    };
    for (const Trigger& trigger : triggers) {
        SCOPED_TRACE(trigger.name);
        hidden->textStorage();
        trigger.fire();
        EXPECT_FALSE(hidden->hasTextStorage());
        EXPECT_EQ(hidden->noteText(), QStringLiteral("Not shown"));
    }
    document->removeWindowController(window);
    delete window.data();
}

} // namespace
