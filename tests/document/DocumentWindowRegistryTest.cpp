#include "DocumentWindowsTestSupport.h"
#include "NotesFileTestSupport.h"

#include "document/windows/BXDocumentWindows.h"
#include "platform/testing/FakeScheduler.h"

#include <QCoreApplication>
#include <QPointer>

#include <gtest/gtest.h>

using documentwindowstest::TestMainWindowController;
using documentwindowstest::TestNoteWindowController;
using platform::WindowController;

namespace {

void deleteLaterObjects()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(DocumentWindowRegistryTest, KeepsTheControllersItMadeUntilTheirWindowsCloseOrItEnds)
{
    platform::FakeScheduler scheduler;
    BXWrappedPersistentDocument document;
    const BXNote::NotePtr a = notesfiletest::addNote(document, QStringLiteral("A"));
    const BXNote::NotePtr b = notesfiletest::addNote(document, QStringLiteral("B"));
    // Nothing to autosave when a note window closes.
    document.updateChangeCount(platform::Document::ChangeType::Cleared);
    int made = 0;
    auto windows
        = std::make_unique<BXDocumentWindows>(document, [&made](const BXNote::NotePtr& note) {
              ++made;
              return std::make_unique<TestNoteWindowController>(note);
          });

    const QPointer<WindowController> main
        = windows->adopt(std::make_unique<TestMainWindowController>());
    const QPointer<WindowController> windowA = windows->openNoteWindow(a);
    ASSERT_TRUE(windowA);
    EXPECT_EQ(windows->openNoteWindow(a), windowA) << "one window per note";
    EXPECT_EQ(windows->openNoteWindow(nullptr), nullptr);
    EXPECT_EQ(made, 1);
    const QPointer<WindowController> windowB = windows->openNoteWindow(b);
    EXPECT_EQ(document.windowControllers(), (QList<WindowController*> { main, windowA, windowB }));

    // A closed note window leaves the document at once and its controller on a later turn,
    // as it is still at work while it closes.
    windowA->close();
    EXPECT_EQ(document.windowControllers(), (QList<WindowController*> { main, windowB }));
    EXPECT_FALSE(windowA.isNull());
    deleteLaterObjects();
    EXPECT_TRUE(windowA.isNull());
    EXPECT_EQ(windows->noteWindowControllerForNote(a), nullptr);

    // One deleted by someone else is only forgotten, never deleted a second time.
    delete windowB.data();
    EXPECT_EQ(document.windowControllers(), QList<WindowController*> { main });
    WindowController* reopenedB = windows->openNoteWindow(b);
    EXPECT_EQ(document.windowControllers(), (QList<WindowController*> { main, reopenedB }));
    EXPECT_EQ(made, 3);

    // The registry's end takes the rest out of the document and deletes them later.
    windows.reset();
    EXPECT_TRUE(document.windowControllers().isEmpty());
    EXPECT_FALSE(main.isNull());
    deleteLaterObjects();
    EXPECT_TRUE(main.isNull());
}

} // namespace
