#include "NoteWindowFixture.h"

#include "platform/text/AttributedText.h"

#include <QApplication>
#include <QMainWindow>
#include <QTest>

namespace {

using NoteWindowEndToEndTest = NoteWindowFixture;

TEST_F(NoteWindowEndToEndTest, OneNoteEditedInTwoWindowsSurvivesQuittingWithItsWindow)
{
    makeFile({ QStringLiteral("Garden\nThe fence needs paint and the tulips need planting "
                              "before the first frost of the year.") });
    openWindow();
    const auto note = noteTitled(QStringLiteral("Garden"));
    select({ note });
    BXNoteWindowController* window = openNoteWindow(note);
    ASSERT_TRUE(window);
    BXTextView* other = window->noteTextView();

    const auto typeAtEnd = [&](BXTextView* view, const QString& text) {
        view->setSelectedRange({ platform::AttributedText::length(*view->mirror()), 0 });
        typeInto(view, text);
    };
    typeAtEnd(textView, QStringLiteral(" Main one."));
    typeAtEnd(other, QStringLiteral(" Window two."));
    typeAtEnd(textView, QStringLiteral(" Main three."));
    window->noteWindow()->setGeometry(120, 80, 620, 560);
    window->zoomToFactor(1.5);
    settle();
    QApplication::setActiveWindow(controller->mainWindow());
    screenshot(QStringLiteral("notewindow-main-side.png"));
    grabWindow(window->noteWindow(), QStringLiteral("notewindow-note-side.png"));
    EXPECT_EQ(textOf(textView), textOf(other));

    // Undo in each window: the main window's last step, then nothing left in the note window
    // (its step lies under the main window's edit).
    textView->setFocus();
    QTest::keyClick(textView, Qt::Key_Z, Qt::ControlModifier);
    settle();
    QApplication::setActiveWindow(window->noteWindow());
    other->setFocus();
    QTest::keyClick(other, Qt::Key_Z, Qt::ControlModifier);
    settle();
    const QString expected = QStringLiteral("Garden\nThe fence needs paint and the tulips need "
                                            "planting before the first frost of the year. Main "
                                            "one. Window two.");
    EXPECT_EQ(textOf(textView), expected);
    EXPECT_EQ(textOf(other), expected);

    // Closed, the window keeps its frame in the note; open at quitting, it comes back.
    window->noteWindow()->close();
    settle();
    window = openNoteWindow(note);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->noteWindow()->geometry(), QRect(120, 80, 620, 560));
    window->zoomToFactor(1.5);
    settle();
    closeWindow();

    openWindow();
    ASSERT_EQ(noteWindows().size(), 1);
    BXNoteWindowController* reopened = noteWindows().first();
    EXPECT_EQ(reopened->noteItem()->noteText(), expected);
    EXPECT_EQ(textOf(reopened->noteTextView()), expected);
    EXPECT_EQ(reopened->noteWindow()->geometry(), QRect(120, 80, 620, 560));
    EXPECT_DOUBLE_EQ(reopened->noteTextZoomFactor(), 1.5);
}

} // namespace
