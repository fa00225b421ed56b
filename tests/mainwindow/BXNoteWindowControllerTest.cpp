#include "NoteWindowFixture.h"

#include "mainwindow/notewindow/BXNoteIconButton.h"
#include "mainwindow/notememory/BXNoteMemoryManager.h"
#include "mainwindow/notewindow/BXNoteWindowCommands.h"
#include "mainwindow/notewindow/BXNoteWindowToolbar.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/BXPasteboardNoteRow.h"

#include "document/BXDefaults.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/FilePromiseMimeData.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/RulerView.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarItem.h"
#include "platform/data/FetchRequest.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QTest>
#include <QTextCursor>
#include <QTextDocument>
#include <QWindow>

using platform::AttributedText;

namespace {

class BXNoteWindowControllerTest : public NoteWindowFixture {
protected:
    void openThreeNotes()
    {
        makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") });
        openWindow();
        alpha = noteTitled(QStringLiteral("Alpha"));
        beta = noteTitled(QStringLiteral("Beta"));
        ASSERT_TRUE(alpha && beta);
    }

    // Types at the end of `view`'s text.
    void typeAtEnd(BXTextView* view, const QString& text)
    {
        view->setSelectedRange({ AttributedText::length(*view->mirror()), 0 });
        typeInto(view, text);
    }

    void undoIn(BXTextView* view)
    {
        QApplication::setActiveWindow(view->window());
        view->setFocus();
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        settle();
    }

    // Within the window frame's margins, which the platform adds once the window shows.
    static void expectCentred(const QWidget* window, const QRect& area)
    {
        const QPoint offset = window->geometry().center() - area.center();
        EXPECT_LE(std::abs(offset.x()), 4);
        EXPECT_LE(std::abs(offset.y()), 4);
    }

    std::shared_ptr<BXNote> alpha;
    std::shared_ptr<BXNote> beta;
};

TEST_F(BXNoteWindowControllerTest, NewWindowIsCentredAtItsSizeZoomedWithItsMinimum)
{
    openThreeNotes();
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect frame = window->noteWindow()->geometry();
    // Its size, shrunk to the screen when the screen is smaller.
    const QMargins decoration = window->noteWindow()->windowHandle()->frameMargins();
    EXPECT_EQ(frame.size(), QSize(1000, 1100).boundedTo(area.marginsRemoved(decoration).size()));
    EXPECT_TRUE(area.contains(window->noteWindow()->frameGeometry()));
    expectCentred(window->noteWindow(), area);
    EXPECT_DOUBLE_EQ(window->noteTextZoomFactor(), 1.25);
    EXPECT_EQ(window->noteWindow()->minimumSize(), QSize(600, 400));
    EXPECT_EQ(window->noteWindow()->windowTitle(), QStringLiteral("Alpha \u2014 Notes"));
    EXPECT_EQ(window->toolbarDelegate()->zoomPopup()->title(), QStringLiteral("125%"));
    EXPECT_FALSE(window->noteDirty());
    EXPECT_FALSE(window->noteTextView()->isRulerVisible()) << "as the note stores it";
    platform::NotificationCenter::defaultCenter().post(
        RulerUnitsChanged, nullptr, { { RulerUnits, QStringLiteral("Centimeters") } });
    EXPECT_EQ(
        window->noteTextView()->rulerView()->measurementUnits(), QStringLiteral("Centimeters"));
    EXPECT_EQ(document->openNoteWindow(alpha), window) << "one window per note";
    EXPECT_EQ(BXNoteWindowController::initWithNote(nullptr), nullptr);
}

TEST_F(BXNoteWindowControllerTest, StoredFrameAboveTheScreenIsCentred)
{
    openThreeNotes();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    alpha->setWindowFrame(QRectF(area.x() + 10, area.y() - 300, 640, 420));
    beta->setWindowFrame(QRectF(area.x() + 10, area.y() + 20, 640, 420));
    BXNoteWindowController* above = openNoteWindow(alpha);
    BXNoteWindowController* inside = openNoteWindow(beta);
    ASSERT_TRUE(above && inside);
    EXPECT_EQ(above->noteWindow()->geometry().size(), QSize(640, 420));
    expectCentred(above->noteWindow(), area);
    EXPECT_EQ(inside->noteWindow()->geometry(), QRect(area.x() + 10, area.y() + 20, 640, 420));
}

TEST_F(BXNoteWindowControllerTest, EditsShowInBothWindowsEachWithItsOwnWidthSelectionAndZoom)
{
    openThreeNotes();
    select({ alpha });
    textView->setSelectedRange({ 1, 2 });
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);
    BXTextView* other = window->noteTextView();
    EXPECT_EQ(other->selectedRange(), (platform::TextRange { 1, 2 })) << "starts with main's";

    typeAtEnd(textView, QStringLiteral(" main"));
    EXPECT_EQ(textOf(other), QStringLiteral("Alpha main"));
    typeAtEnd(other, QStringLiteral(" note"));
    EXPECT_EQ(textOf(textView), QStringLiteral("Alpha main note"));
    EXPECT_EQ(alpha->noteText(), QStringLiteral("Alpha main note"));

    textView->setSelectedRange({ 0, 5 });
    other->setSelectedRange({ 6, 4 });
    const double mainZoom = textView->zoomFactor();
    window->zoomToFactor(2.0);
    window->noteWindow()->resize(650, 500);
    settle();
    EXPECT_EQ(textView->selectedRange(), (platform::TextRange { 0, 5 }));
    EXPECT_EQ(other->selectedRange(), (platform::TextRange { 6, 4 }));
    EXPECT_DOUBLE_EQ(textView->zoomFactor(), mainZoom);
    EXPECT_DOUBLE_EQ(other->zoomFactor(), 2.0);
    EXPECT_NE(other->mirror()->textWidth(), textView->mirror()->textWidth());
}

TEST_F(BXNoteWindowControllerTest, InterleavedEditsAndUndoNeverMakeTextNeitherWindowTyped)
{
    openThreeNotes();
    select({ alpha });
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);
    BXTextView* other = window->noteTextView();
    const auto expectEverywhere = [&](const QString& text) {
        EXPECT_EQ(textOf(textView), text);
        EXPECT_EQ(textOf(other), text);
        EXPECT_EQ(alpha->noteText(), text);
    };

    typeAtEnd(textView, QStringLiteral(" one"));
    typeAtEnd(other, QStringLiteral(" two"));
    // The main window's step lies under the note window's edit: it is gone, not replayed.
    undoIn(textView);
    expectEverywhere(QStringLiteral("Alpha one two"));
    undoIn(other);
    expectEverywhere(QStringLiteral("Alpha one"));
    typeAtEnd(textView, QStringLiteral(" three"));
    undoIn(textView);
    expectEverywhere(QStringLiteral("Alpha one"));
    undoIn(other);
    expectEverywhere(QStringLiteral("Alpha one"));
}

TEST_F(BXNoteWindowControllerTest, NoteWindowTypingIsWrittenBackAndAutosaved)
{
    openThreeNotes();
    select({ beta });
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);
    const QDateTime modified = alpha->noteModified();
    window->noteWindow()->close();
    settle();
    EXPECT_EQ(alpha->noteModified(), modified) << "showing and closing are no edit";
    EXPECT_FALSE(document->isDocumentEdited());

    window = openNoteWindow(alpha);
    typeAtEnd(window->noteTextView(), QStringLiteral(" typed"));
    EXPECT_EQ(alpha->noteText(), QStringLiteral("Alpha typed"));
    EXPECT_TRUE(document->isDocumentEdited());
    settle(platform::Document::kLongestAutosaveDelay + 1);
    EXPECT_FALSE(document->hasUnautosavedChanges());

    BXDocument copy;
    platform::Error error;
    ASSERT_TRUE(copy.initWithContentsOfURL(fileURL, BXDocument::NotesDocumentType, &error));
    bool found = false;
    const std::optional<QVariantList> notes = copy.managedObjectContext()->executeFetchRequest(
        platform::FetchRequest(BXNote::entityName()), &error);
    ASSERT_TRUE(notes);
    for (const QVariant& object : *notes) {
        if (auto note
            = std::dynamic_pointer_cast<BXNote>(object.value<platform::ManagedObjectPtr>()))
            found |= note->noteText() == QStringLiteral("Alpha typed");
    }
    copy.close();
    EXPECT_TRUE(found) << "the autosaved file holds the typing";
}

TEST_F(BXNoteWindowControllerTest, TypingRefreshesTheInformationOncePausedAndPastingAtOnce)
{
    openThreeNotes();
    select({ beta });
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);
    BXTextView* view = window->noteTextView();
    view->setSelectedRange({ 5, 0 });
    QApplication::setActiveWindow(window->noteWindow());
    view->setFocus();
    QTest::keyClicks(view, QStringLiteral("ab"));
    EXPECT_TRUE(window->isInfoUpdatePending());
    EXPECT_GT(BXNoteWindowController::lastTypingTime(), 0);
    scheduler.advance(1.0);
    QTest::keyClicks(view, QStringLiteral("c"));
    scheduler.advance(1.0);
    EXPECT_TRUE(window->isInfoUpdatePending()) << "each keystroke pushes the refresh on";
    scheduler.advance(0.3);
    EXPECT_FALSE(window->isInfoUpdatePending());
    EXPECT_EQ(document->observedNote(), alpha);

    QApplication::clipboard()->setText(QStringLiteral(" pasted"));
    QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
    EXPECT_FALSE(window->isInfoUpdatePending()) << "a paste refreshes at once";
    EXPECT_EQ(alpha->noteText(), QStringLiteral("Alphaabc pasted"));
}

TEST_F(BXNoteWindowControllerTest, StorageStaysThroughMemoryReleaseAndItsUndoFollowsClosing)
{
    openThreeNotes();
    select({ beta });
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);
    QTextDocument* storage = alpha->textStorage();
    controller->noteMemoryManager()->performPeriodicMemoryCleanup();
    controller->releaseMemoryForInactiveNotes();
    ASSERT_TRUE(alpha->hasTextStorage());
    EXPECT_EQ(alpha->textStorage(), storage);
    EXPECT_EQ(window->noteTextView()->textStorage(), storage);

    // Closing on a note the main window does not show drops the document's steps on it.
    platform::UndoManager* undo = document->managedObjectContext()->undoManager();
    undo->registerUndo(storage, [] {});
    settle();
    ASSERT_TRUE(undo->canUndo());
    window->noteWindow()->close();
    settle();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_TRUE(alpha->hasTextStorage()) << "the note keeps its storage";

    // Shown in the main window, they stay.
    select({ alpha });
    window = openNoteWindow(alpha);
    undo->registerUndo(alpha->textStorage(), [] {});
    settle();
    window->noteWindow()->close();
    settle();
    EXPECT_TRUE(undo->canUndo());
}

TEST_F(BXNoteWindowControllerTest, AltClosingOneClosesEveryNoteWindow)
{
    openThreeNotes();
    ASSERT_TRUE(openNoteWindow(alpha));
    BXNoteWindowController* second = openNoteWindow(beta);
    ASSERT_TRUE(second);
    // The Close command (Ctrl+W) alone closes its own window.
    platform::Command close;
    close.action = QStringLiteral("performClose:");
    second->perform(close);
    settle();
    ASSERT_EQ(noteWindows().size(), 1);
    second = openNoteWindow(beta);
    input.setKeyboardModifiers(Qt::AltModifier);
    second->noteWindow()->close();
    settle();
    input.setKeyboardModifiers({});
    EXPECT_TRUE(noteWindows().isEmpty());
    ASSERT_TRUE(controller);
    EXPECT_TRUE(controller->mainWindow()->isVisible());
}

TEST_F(BXNoteWindowControllerTest, ShiftOpensNoteWindowsBehindTheMainWindow)
{
    openThreeNotes();
    input.setKeyboardModifiers(Qt::ShiftModifier);
    controller->openNoteWindowsForNotes({ alpha, beta });
    settle();
    input.setKeyboardModifiers({});
    ASSERT_EQ(noteWindows().size(), 2);
    EXPECT_TRUE(noteWindows()[1]->noteWindow()->isVisible());
    EXPECT_EQ(noteWindows()[0]->noteItem(), alpha);
    controller->openNoteWindowsForNotes({ alpha });
    settle();
    EXPECT_EQ(noteWindows().size(), 2) << "a note has one window";
}

TEST_F(BXNoteWindowControllerTest, NoteWindowsReopenWithTheDocument)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") });
    openWindow();
    BXNoteWindowController* first = openNoteWindow(noteTitled(QStringLiteral("Alpha")));
    BXNoteWindowController* second = openNoteWindow(noteTitled(QStringLiteral("Beta")));
    BXNoteWindowController* third = openNoteWindow(noteTitled(QStringLiteral("Gamma")));
    ASSERT_TRUE(first && second && third);
    first->noteWindow()->setGeometry(40, 60, 700, 480);
    first->zoomToFactor(1.5);
    second->noteWindow()->setGeometry(90, 110, 720, 500);
    second->minimizeWindow();
    settle();
    // Gamma goes away with the file; its window record is skipped on reopening.
    third->commands()->deleteNote();
    settle();
    ASSERT_EQ(noteWindows().size(), 2);
    save();
    closeWindow();

    openWindow();
    const QList<BXNoteWindowController*> reopened = noteWindows();
    ASSERT_EQ(reopened.size(), 2);
    EXPECT_EQ(reopened[0]->noteItem()->noteTitle(), QStringLiteral("Alpha"));
    EXPECT_EQ(reopened[1]->noteItem()->noteTitle(), QStringLiteral("Beta"));
    EXPECT_EQ(reopened[0]->noteWindow()->geometry(), QRect(40, 60, 700, 480));
    EXPECT_DOUBLE_EQ(reopened[0]->noteTextZoomFactor(), 1.5);
    EXPECT_DOUBLE_EQ(reopened[1]->noteTextZoomFactor(), 1.25);
    EXPECT_FALSE(reopened[0]->isWindowMinimized());
    EXPECT_TRUE(reopened[1]->isWindowMinimized());
}

TEST_F(BXNoteWindowControllerTest, CommandsValidateAndRetitle)
{
    openThreeNotes();
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);
    platform::Command exportNote;
    exportNote.action = QStringLiteral("exportSelectedNotes:");
    EXPECT_EQ(window->titleFor(exportNote), QStringLiteral("Export Note…"));
    platform::Command deletePage;
    deletePage.action = QStringLiteral("deleteSelectedNotes:");
    EXPECT_EQ(window->titleFor(deletePage), QStringLiteral("Delete Note"));

    const auto enabled = [&](const char* action, int tag = 0) {
        platform::Command command { QString::fromLatin1(action), tag, {}, {} };
        return window->validate(command).value_or(true);
    };
    window->zoomToFactor(4.0);
    EXPECT_FALSE(enabled("increaseZoom:"));
    EXPECT_TRUE(enabled("decreaseZoom:"));
    window->zoomToFactor(1.0);
    EXPECT_FALSE(enabled("resetZoom:"));
    window->zoomToFactor(0.25);
    EXPECT_FALSE(enabled("decreaseZoom:"));
    window->zoomToFactor(1.3);
    EXPECT_EQ(window->toolbarDelegate()->zoomPopup()->title(), QStringLiteral("130%"));
    window->zoomToFactor(1.25);
    ASSERT_TRUE(window->toolbarDelegate()->zoomPopup()->selectedItem());
    EXPECT_EQ(
        platform::CommandRouter::tag(window->toolbarDelegate()->zoomPopup()->selectedItem()), 125);
    platform::Command zoomItem { QStringLiteral("setZoom:"), 125, {}, {} };
    EXPECT_TRUE(window->validate(zoomItem).value_or(true));
    EXPECT_EQ(zoomItem.checked, true);

    // Share, text size and image need the text to have the focus.
    QApplication::setActiveWindow(window->noteWindow());
    window->noteWindow()->setFocus();
    EXPECT_FALSE(enabled("modifyFont:", BXNoteWindowToolbar::kSmallerTag));
    EXPECT_FALSE(enabled("shareFromService:"));
    window->noteTextView()->setFocus();
    EXPECT_TRUE(enabled("modifyFont:", BXNoteWindowToolbar::kSmallerTag));
    EXPECT_TRUE(enabled("shareFromService:"));
    EXPECT_FALSE(enabled("editImage:")) << "no picture selected";

    // The picker opens 3 points under its button, its services enabled only with text focused.
    window->noteWindow()->setGeometry(40, 60, 1000, 480);
    settle();
    QWidget* share = window->toolbarDelegate()
                         ->toolbar()
                         ->itemWithIdentifier(BXNoteWindowToolbar::ShareItem)
                         ->view();
    QMenu* picker = window->commands()->showSharingServicePicker(share);
    ASSERT_TRUE(picker && !picker->actions().isEmpty());
    EXPECT_TRUE(picker->actions().first()->isEnabled());
    EXPECT_EQ(picker->pos().y(), share->mapToGlobal(QPoint(0, share->height() + 3)).y());
    picker->close();
    window->noteWindow()->setFocus();
    picker = window->commands()->showSharingServicePicker(share);
    EXPECT_FALSE(picker->actions().first()->isEnabled());
    picker->close();
}

TEST_F(BXNoteWindowControllerTest, ToolbarFactoryMakesEveryItemOfItsTable)
{
    openThreeNotes();
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);
    BXNoteWindowToolbar* factory = window->toolbarDelegate();
    platform::Toolbar* toolbar = factory->toolbar();
    struct Row {
        QString identifier, label, palette, toolTip, action;
        bool toController;
        QString symbol;
    };
    using T = BXNoteWindowToolbar;
    const QList<Row> rows {
        { T::DefaultStyleItem, "Default", "Default Style", "Apply default style to selected text",
            "setDefaultStyle:", true, "textformat" },
        { T::SpellCheckItem, "Spelling", "Check Spelling", "Show Spelling Panel",
            "showGuessPanel:", false, "textformat.abc.dottedunderline" },
        { T::PrintItem, "Print", "Print", "Print", "printDocument:", false, "printer" },
        { T::ShareItem, "Share", "Share", "Share Note", "", false, "square.and.arrow.up" },
        { T::InfoItem, "Info", "Info", "Show Info Panel", "toggleInfoPanel:", false,
            "info.circle" },
        { T::RulerItem, "Ruler", "Ruler", "Show Ruler", "toggleRuler:", true, "ruler" },
        { T::ShowInListItem, "Open in Main", "Open in Main", "Open in main window",
            "showNoteInMainWindow:", true, "list.bullet.rectangle" },
        { T::DeleteItem, "Delete Page", "Delete Page", "Delete This Page",
            "deleteSelectedNotes:", true, "trash" },
        { T::ZoomItem, "Zoom", "Zoom", "Zoom", "setZoom:", true, "" },
        { T::TagsItem, "Tags", "Tags", "Show the tags bar", "toggleTagsBar:", true, "tag" },
        { T::TextSizeItem, "Text Size", "Text Size", "Text Size", "modifyFont:", true, "" },
        { T::WritingToolsItem, "Writing Tools", "Writing Tools", "Show Writing Tools",
            "showWritingTools:", true, "apple.writing.tools" },
        { T::ImageItem, "Edit Image", "Edit Image", "Edit the selected image", "editImage:", true,
            "photo" },
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.identifier.toStdString());
        std::unique_ptr<platform::ToolbarItem> item(
            factory->itemForItemIdentifier(toolbar, row.identifier, true));
        ASSERT_TRUE(item);
        EXPECT_EQ(item->label(), row.label);
        EXPECT_EQ(item->paletteLabel(), row.palette);
        EXPECT_EQ(item->toolTip(), row.toolTip);
        EXPECT_EQ(item->action(), row.action);
        EXPECT_EQ(item->target() == window, row.toController);
        if (!row.symbol.isEmpty()) {
            const QIcon icon = item->view() ? qobject_cast<QAbstractButton*>(item->view())->icon()
                                            : item->icon();
            EXPECT_EQ(platform::SymbolIcon::symbolName(icon), row.symbol);
        }
    }
    EXPECT_EQ(factory->itemForItemIdentifier(toolbar, QStringLiteral("other"), true), nullptr);
    EXPECT_FALSE(factory->defaultItemIdentifiers(toolbar).contains(T::WritingToolsItem));

    auto* zoom
        = qobject_cast<platform::PopUpButton*>(toolbar->itemWithIdentifier(T::ZoomItem)->view());
    ASSERT_TRUE(zoom);
    QStringList titles;
    for (QAction* entry : zoom->items())
        titles
            << QStringLiteral("%1=%2").arg(entry->text()).arg(platform::CommandRouter::tag(entry));
    EXPECT_EQ(titles.join(u' '),
        QStringLiteral("25%=25 50%=50 75%=75 100%=100 125%=125 "
                       "150%=150 200%=200 300%=300 400%=400"));
    EXPECT_EQ(zoom->minimumSize(), QSize(82, 24));
    EXPECT_EQ(zoom->maximumSize(), QSize(82, 24));
    auto* sizes = qobject_cast<platform::SegmentedControl*>(
        toolbar->itemWithIdentifier(T::TextSizeItem)->view());
    ASSERT_TRUE(sizes);
    EXPECT_EQ(sizes->minimumSize(), QSize(65, 24));
    EXPECT_EQ(sizes->tag(0), 4);
    EXPECT_EQ(sizes->tag(1), 3);
    EXPECT_EQ(
        platform::SymbolIcon::symbolName(sizes->icon(1)), QStringLiteral("textformat.size.larger"));

    // The smaller segment makes the selection one point smaller.
    window->noteTextView()->setSelectedRange({ 0, 5 });
    const double before
        = QTextCursor(window->noteTextView()->mirror()).charFormat().fontPointSize();
    emit sizes->segmentClicked(0);
    QTextCursor cursor(window->noteTextView()->mirror());
    cursor.setPosition(1);
    EXPECT_LT(cursor.charFormat().font().pointSizeF(),
        before > 0 ? before : QApplication::font().pointSizeF());

    grabWindow(window->noteWindow(), QStringLiteral("notewindow-toolbar.png"));
}

TEST_F(BXNoteWindowControllerTest, OpenInMainKeepsOrClosesTheNoteWindowByModifier)
{
    openThreeNotes();
    select({ beta });
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);

    input.setKeyboardModifiers(Qt::ShiftModifier);
    QApplication::setActiveWindow(window->noteWindow());
    window->commands()->showNoteInMainWindow();
    settle();
    EXPECT_EQ(controller->selectedNote(), alpha);
    EXPECT_EQ(QApplication::activeWindow(), window->noteWindow()) << "Shift keeps it in front";

    select({ beta });
    input.setKeyboardModifiers({});
    window->commands()->showNoteInMainWindow();
    settle();
    EXPECT_EQ(controller->selectedNote(), alpha);
    EXPECT_EQ(QApplication::activeWindow(), controller->mainWindow());
    EXPECT_EQ(noteWindows().size(), 1);

    // The note icon's path menu: the document, then the note, checked while the main window
    // shows it; the note's item lists it there.
    QMenu* path = window->toolbarDelegate()->noteIcon()->pathMenu();
    ASSERT_EQ(path->actions().size(), 2);
    EXPECT_EQ(path->actions()[0]->text(), document->displayName());
    EXPECT_TRUE(path->actions()[1]->isChecked());
    select({ beta });
    path = window->toolbarDelegate()->noteIcon()->pathMenu();
    EXPECT_FALSE(path->actions()[1]->isChecked());
    path->actions()[1]->trigger();
    settle();
    EXPECT_EQ(controller->selectedNote(), alpha);

    input.setKeyboardModifiers(Qt::AltModifier);
    window->commands()->showNoteInMainWindow();
    settle();
    input.setKeyboardModifiers({});
    EXPECT_TRUE(noteWindows().isEmpty());
}

TEST_F(BXNoteWindowControllerTest, DeletePageAsksUnlessAltAndUndoBringsTheNoteBack)
{
    openThreeNotes();
    select({ beta });
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);
    window->commands()->deleteSelectedNotes();
    ASSERT_EQ(alerts.pendingSheetCount(), 1);
    const platform::Alert& alert = alerts.shown().back().alert;
    EXPECT_EQ(alert.messageText, QStringLiteral("Are you sure you want to delete this note?"));
    EXPECT_EQ(
        alert.buttonTitles, (QStringList { QStringLiteral("Delete"), QStringLiteral("Cancel") }));
    ASSERT_TRUE(alerts.answerSheet(window->noteWindow(), 1));
    settle();
    EXPECT_FALSE(alpha->isDeleted());
    ASSERT_EQ(noteWindows().size(), 1);

    window->commands()->deleteSelectedNotes();
    ASSERT_TRUE(alerts.answerSheet(window->noteWindow(), 0));
    settle();
    EXPECT_TRUE(noteWindows().isEmpty());
    EXPECT_TRUE(alpha->isDeleted());
    platform::UndoManager* undo = document->undoManager();
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Delete Note"));
    undo->undo();
    settle();
    EXPECT_FALSE(alpha->isDeleted());
    EXPECT_EQ(alpha->noteText(), QStringLiteral("Alpha"));

    window = openNoteWindow(beta);
    const std::size_t asked = alerts.shown().size();
    input.setKeyboardModifiers(Qt::AltModifier);
    window->commands()->deleteSelectedNotes();
    settle();
    input.setKeyboardModifiers({});
    EXPECT_EQ(alerts.shown().size(), asked) << "Alt deletes without asking";
    EXPECT_TRUE(beta->isDeleted());
}

TEST_F(BXNoteWindowControllerTest, HashtagClickSearchesTheMainWindow)
{
    makeFile({ QStringLiteral("Alpha #idea"), QStringLiteral("Beta") });
    openWindow();
    const auto note = noteTitled(QStringLiteral("Beta"));
    BXNoteWindowController* window = openNoteWindow(note);
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->textViewClickedOnHashtag(window->noteTextView(), QStringLiteral("#idea")));
    settle();
    EXPECT_EQ(controller->searchString(), QStringLiteral("#idea"));
    EXPECT_EQ(controller->notesController()->arrangedObjects().size(), 1);
}

TEST_F(BXNoteWindowControllerTest, ZoomCommandFitsTheTextWithinTheScreen)
{
    openThreeNotes();
    BXNoteWindowController* window = openNoteWindow(alpha);
    ASSERT_TRUE(window);
    const QRect screen(0, 0, 1600, 1000);
    input.setKeyboardModifiers(Qt::ControlModifier);
    EXPECT_EQ(window->commands()->windowWillUseStandardFrame(screen), screen);
    input.setKeyboardModifiers({});
    const QRect fitted = window->commands()->windowWillUseStandardFrame(screen);
    EXPECT_EQ(fitted.size(), QSize(600, 400)) << "a short note never goes below the minimum";
    EXPECT_TRUE(screen.contains(fitted));

    const QRect before = window->noteWindow()->geometry();
    window->commands()->performZoom();
    settle();
    EXPECT_EQ(window->noteWindow()->size(), QSize(600, 400));
    window->commands()->performZoom();
    settle();
    EXPECT_EQ(window->noteWindow()->size(), before.size()) << "again: the previous frame";
    expectCentred(window->noteWindow(), before);
}

class BXPasteboardNoteTest : public BXNoteWindowControllerTest {
protected:
    void SetUp() override
    {
        BXNoteWindowControllerTest::SetUp();
        makeFile({ QStringLiteral("a:b/c"), QStringLiteral("") });
        openWindow();
        for (const auto& object : controller->notesController()->arrangedObjects()) {
            auto note = std::dynamic_pointer_cast<BXNote>(object);
            (note->noteTitle().isEmpty() ? untitled : titled) = note;
        }
        ASSERT_TRUE(titled && untitled);
        platform::UserDefaults::standard().setObject(ExportFileType, QStringLiteral("public.rtf"));
    }

    void TearDown() override
    {
        platform::UserDefaults::standard().removeObject(ExportFileType);
        BXNoteWindowControllerTest::TearDown();
    }

    // The drag's promise written into a new folder: the names written.
    QStringList drop(BXNoteWindowController* window)
    {
        std::unique_ptr<QMimeData> data(window->toolbarDelegate()->noteIcon()->noteMimeData());
        auto* promised = qobject_cast<platform::FilePromiseMimeData*>(data.get());
        if (!promised)
            return {};
        folder = bxtest::makeTempFolder();
        QStringList names;
        for (const QUrl& url : promised->promise()->fulfil(folder))
            names << url.fileName();
        return names;
    }

    std::shared_ptr<BXNote> titled;
    std::shared_ptr<BXNote> untitled;
    QString folder;
};

TEST_F(BXPasteboardNoteTest, DraggedNoteOffersTheFileFirstAndItsURIUnderTheRowType)
{
    BXNoteWindowController* window = openNoteWindow(titled);
    ASSERT_TRUE(window);
    std::unique_ptr<QMimeData> data(window->toolbarDelegate()->noteIcon()->noteMimeData());
    ASSERT_TRUE(data);
    EXPECT_EQ(data->formats(),
        (QStringList { QStringLiteral("text/uri-list"), BXPasteboardNoteRow::RowIndexesType }));
    const QByteArray archived = data->data(BXPasteboardNoteRow::RowIndexesType);
    EXPECT_EQ(platform::Archiver::unarchived<QUrl>(archived, { QStringLiteral("NSURL") }),
        titled->objectID().URIRepresentation());
    EXPECT_TRUE(BXPasteboardNoteRow::rowIndexesFromData(archived).isEmpty());
    EXPECT_EQ(window->toolbarDelegate()->noteIcon()->sourceOperationMask(), Qt::CopyAction);
}

TEST_F(BXPasteboardNoteTest, DroppedNoteBecomesAFileNamedAfterItsTitle)
{
    EXPECT_EQ(drop(openNoteWindow(titled)), QStringList { QStringLiteral("a-b-c.rtf") });
    QFile written(QDir(folder).filePath(QStringLiteral("a-b-c.rtf")));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    EXPECT_TRUE(written.readAll().startsWith("{\\rtf"));
    EXPECT_EQ(drop(openNoteWindow(untitled)), QStringList { QStringLiteral("Note.rtf") });

    // "Auto" is decided for the note, for its name as for its contents.
    platform::UserDefaults::standard().setObject(ExportFileType, QStringLiteral("Auto"));
    const QString type = BXDocument::preferredExportTypeForNote(*titled);
    const QString name
        = QStringLiteral("a-b-c.") + platform::TypeIdentifier::preferredExtension(type);
    EXPECT_EQ(drop(openNoteWindow(titled)), QStringList { name });
    EXPECT_TRUE(QFileInfo(QDir(folder).filePath(name)).size() > 0);
}

TEST_F(BXPasteboardNoteTest, FailedExportOffersNoFileAndIsLogged)
{
    BXNoteWindowController* window = openNoteWindow(titled);
    ASSERT_TRUE(window);
    platform::UserDefaults::standard().setObject(
        ExportFileType, QStringLiteral("com.example.nothing"));
    platform::LogCapture log;
    EXPECT_TRUE(drop(window).isEmpty());
    EXPECT_TRUE(QDir(folder).isEmpty());
    EXPECT_FALSE(log.lines().isEmpty());
}

TEST_F(BXPasteboardNoteTest, DragEndingOnTheTrashDeletesTheNote)
{
    BXNoteWindowController* window = openNoteWindow(titled);
    ASSERT_TRUE(window);
    window->toolbarDelegate()->noteIcon()->draggingSessionEnded(int(Qt::CopyAction));
    EXPECT_FALSE(titled->isDeleted());
    window->toolbarDelegate()->noteIcon()->draggingSessionEnded(BXNoteIconButton::kDeleteOperation);
    settle();
    EXPECT_TRUE(titled->isDeleted());
}

} // namespace
