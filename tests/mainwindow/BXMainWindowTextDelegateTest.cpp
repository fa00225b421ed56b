#include "MainWindowFixture.h"

#include "mainwindow/image/BXImageViewController.h"
#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/history/BXMainWindowHistory.h"
#include "mainwindow/history/BXPageController.h"
#include "mainwindow/BXMainWindowTextDelegate.h"

#include "lists/noteslist/BXNotesArrayController.h"

#include "document/model/BXManagedObjectUtilities.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/RulerView.h"
#include "platform/appkit/SharingServices.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextHighlighter.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QGraphicsTextItem>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

using platform::AttributedText;

namespace {

platform::Command command(const QString& action, int tag = 0, const QVariant& object = {})
{
    platform::Command made;
    made.action = action;
    made.tag = tag;
    made.representedObject = object;
    return made;
}

class BXMainWindowTextDelegateTest : public MainWindowFixture {
protected:
    BXMainWindowTextDelegate* delegate() const { return controller->textDelegate(); }

    // The words the view shows in the hashtag colour.
    QStringList markedHashtags() const
    {
        QStringList marked;
        for (QTextBlock block = textView->mirror()->begin(); block.isValid();
             block = block.next()) {
            for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
                if (range.format.foreground().color() == platform::TextHighlighter::hashtagColor())
                    marked << block.text().mid(range.start, range.length);
            }
        }
        return marked;
    }

    // The viewport point over the middle of the character at `index`.
    QPoint pointOfCharacter(int index) const
    {
        const QTextBlock block = textView->mirror()->findBlock(index);
        const QTextLine line = block.layout()->lineForTextPosition(index - block.position());
        const QRectF blockRect = textView->mirror()->documentLayout()->blockBoundingRect(block);
        const double x = (line.cursorToX(index - block.position())
                             + line.cursorToX(index - block.position() + 1))
            / 2;
        const QPointF inItem = blockRect.topLeft() + QPointF(x, line.y() + line.height() / 2);
        return textView->mapFromScene(textView->textItem()->mapToScene(inItem));
    }

    std::shared_ptr<BXNote> showNote(const QString& title)
    {
        std::shared_ptr<BXNote> note = noteTitled(title);
        select({ note });
        return note;
    }
};

TEST_F(BXMainWindowTextDelegateTest, HashtagsAreMarkedForDisplayOnlyAndFollowEdits)
{
    makeFile({ QStringLiteral("Plan #a/b/c and # alone, a#b and #tag end") });
    openWindow();
    const auto note = showNote(QStringLiteral("Plan #a/b/c and # alone, a#b and #tag end"));
    const QByteArray storedStyles = note->noteStyles();
    const QDateTime modified = note->noteModified();

    EXPECT_EQ(markedHashtags(),
        (QStringList { QStringLiteral("#a/b/c"), QStringLiteral("#b"), QStringLiteral("#tag") }));
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_EQ(note->noteStyles(), storedStyles);
    EXPECT_EQ(note->noteModified(), modified);
    // The storage itself carries no mark.
    const qsizetype hash = AttributedText::string(*note->textStorage()).indexOf("#tag");
    EXPECT_FALSE(AttributedText::attributes(*note->textStorage(), hash + 1)
                     .contains(AttributedText::ForegroundColorAttributeName));
    screenshot(QStringLiteral("editordelegate-hashtags.png"));

    // "#tag" edited to "tag" loses its mark at once.
    textView->setFocus();
    ASSERT_TRUE(textView->setSelectedRange({ hash + 1, 0 }));
    QTest::keyClick(textView, Qt::Key_Backspace);
    EXPECT_EQ(markedHashtags(), (QStringList { QStringLiteral("#a/b/c"), QStringLiteral("#b") }));
    EXPECT_EQ(note->noteText(), QStringLiteral("Plan #a/b/c and # alone, a#b and tag end"));
}

TEST_F(BXMainWindowTextDelegateTest, TypingKeepsLinksOfTheNote)
{
    makeFile({ QStringLiteral("See the site") });
    openWindow();
    const auto note = noteTitled(QStringLiteral("See the site"));
    std::unique_ptr<QTextDocument> linked = note->attributedString();
    AttributedText::addAttribute(*linked, AttributedText::LinkAttributeName,
        QUrl(QStringLiteral("https://example.org")), { 8, 4 });
    BXManagedObjectUtilities::withoutUndo(
        note->managedObjectContext(), [&] { note->setAttributedString(*linked); });
    select({ note });
    controller->refreshNoteText();
    ASSERT_EQ(AttributedText::attribute(*note->textStorage(), AttributedText::LinkAttributeName, 9)
                  .toUrl(),
        QUrl(QStringLiteral("https://example.org")));

    textView->setFocus();
    ASSERT_TRUE(textView->setSelectedRange({ 0, 0 }));
    QTest::keyClicks(textView, QStringLiteral("#go "));
    EXPECT_EQ(note->noteText(), QStringLiteral("#go See the site"));
    EXPECT_EQ(AttributedText::attribute(*note->textStorage(), AttributedText::LinkAttributeName, 13)
                  .toUrl(),
        QUrl(QStringLiteral("https://example.org")));
    EXPECT_EQ(note->attributedString()->toPlainText(), QStringLiteral("#go See the site"));
    EXPECT_EQ(markedHashtags(), QStringList { QStringLiteral("#go") });
}

TEST_F(BXMainWindowTextDelegateTest, ClickingAHashtagSearchesForItWithItsHash)
{
    makeFile({ QStringLiteral("Seeds #work/2024 today"), QStringLiteral("Other note"),
        QStringLiteral("More #work/2024") });
    openWindow();
    showNote(QStringLiteral("Seeds #work/2024 today"));
    QTest::mouseClick(textView->viewport(), Qt::LeftButton, {}, pointOfCharacter(9));
    settle();

    EXPECT_EQ(controller->searchString(), QStringLiteral("#work/2024"));
    EXPECT_EQ(controller->notesController()->arrangedObjects().size(), 2);

    delegate()->searchForHashtag(QString());
    EXPECT_EQ(controller->searchString(), QStringLiteral("#work/2024"));
}

TEST_F(BXMainWindowTextDelegateTest, InformationRefreshesOnceTypingPausesAndAtOnceOnPaste)
{
    makeFile({ QStringLiteral("Start") });
    openWindow();
    showNote(QStringLiteral("Start"));
    QSignalSpy refreshed(delegate(), &BXMainWindowTextDelegate::infoUpdated);
    textView->setFocus();
    ASSERT_TRUE(textView->setSelectedRange({ 5, 0 }));

    for (const QChar c : QStringLiteral(" more")) {
        QTest::keyClick(textView, c.toLatin1());
        scheduler.advance(0.5);
    }
    EXPECT_EQ(refreshed.count(), 0) << "no refresh while the keys keep coming";
    scheduler.advance(0.69);
    EXPECT_EQ(refreshed.count(), 0);
    scheduler.advance(0.02);
    EXPECT_EQ(refreshed.count(), 1);
    scheduler.advance(5);
    EXPECT_EQ(refreshed.count(), 1);

    QGuiApplication::clipboard()->setText(QStringLiteral(" pasted"));
    textView->paste();
    EXPECT_EQ(refreshed.count(), 2);
    EXPECT_FALSE(delegate()->isInfoUpdatePending());
}

TEST_F(BXMainWindowTextDelegateTest, ZoomStepsOnTheQuarterGridAndStopsAtTheBounds)
{
    makeFile({ QStringLiteral("Zoom") });
    openWindow();
    platform::PopUpButton popup;
    for (int percent : { 25, 50, 75, 100, 125, 150, 200, 300, 400 })
        popup.addItem(QStringLiteral("%1%").arg(percent), percent);
    delegate()->setZoomPopup(&popup);
    // A new document opens at its own default zoom; the steps are counted from 100 %.
    textView->zoomToFactor(1.0);

    QList<double> seen;
    for (int step = 0; step < 14; ++step) {
        delegate()->increaseZoom();
        seen << textView->zoomFactor();
    }
    EXPECT_EQ(seen.first(), 1.25);
    EXPECT_EQ(seen.at(11), 4.0);
    EXPECT_EQ(seen.last(), 4.0);
    EXPECT_EQ(popup.title(), QStringLiteral("400%"));
    for (int step = 0; step < 20; ++step)
        delegate()->decreaseZoom();
    EXPECT_EQ(textView->zoomFactor(), 0.25);

    const struct {
        double from;
        bool in;
        double to;
    } steps[] = { { 1.1, true, 1.25 }, { 1.1, false, 0.75 }, { 0.29, false, 0.25 },
        { 0.3, true, 0.5 }, { 3.9, true, 4.0 } };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.from);
        controller->zoomToFactor(step.from);
        step.in ? delegate()->increaseZoom() : delegate()->decreaseZoom();
        EXPECT_DOUBLE_EQ(textView->zoomFactor(), step.to);
    }

    const struct {
        double factor;
        const char* title;
        bool itemSelected;
    } titles[] = { { 1.25, "125%", true }, { 1.1, "110%", false }, { 0.29, "29%", false },
        { 1.0, "100%", true } };
    for (const auto& shown : titles) {
        SCOPED_TRACE(shown.title);
        controller->zoomToFactor(shown.factor);
        EXPECT_EQ(popup.title(), QLatin1String(shown.title));
        EXPECT_EQ(popup.selectedItem() != nullptr, shown.itemSelected);
    }

    // Choosing an item zooms to it.
    emit popup.itemChosen(popup.itemWithTag(150));
    EXPECT_EQ(textView->zoomFactor(), 1.5);
    EXPECT_EQ(popup.title(), QStringLiteral("150%"));
}

TEST_F(BXMainWindowTextDelegateTest, RulerFontSizesAndWritingTools)
{
    makeFile({ QStringLiteral("Bigger words") });
    openWindow();
    const auto note = showNote(QStringLiteral("Bigger words"));

    // A new file shows the ruler; the command flips it.
    const bool shown = textView->isRulerVisible();
    controller->perform(command(QStringLiteral("toggleRuler:")));
    EXPECT_NE(textView->isRulerVisible(), shown);
    controller->perform(command(QStringLiteral("toggleRuler:")));
    EXPECT_EQ(textView->isRulerVisible(), shown);

    ASSERT_TRUE(textView->setSelectedRange({ 0, 6 }));
    const double before
        = AttributedText::attribute(*note->textStorage(), AttributedText::FontAttributeName, 0)
              .value<QFont>()
              .pointSizeF();
    controller->perform(
        command(QStringLiteral("resizeText:"), BXMainWindowTextDelegate::kSizeUpTag));
    controller->perform(
        command(QStringLiteral("resizeText:"), BXMainWindowTextDelegate::kSizeUpTag));
    controller->perform(
        command(QStringLiteral("resizeText:"), BXMainWindowTextDelegate::kSizeDownTag));
    controller->perform(command(QStringLiteral("resizeText:"), 7));
    const auto sizeAt = [&](int index) {
        return AttributedText::attribute(
            *note->textStorage(), AttributedText::FontAttributeName, index)
            .value<QFont>()
            .pointSizeF();
    };
    EXPECT_EQ(sizeAt(0), before + 1);
    EXPECT_EQ(sizeAt(8), before) << "outside the selection";
    EXPECT_TRUE(document->isDocumentEdited()) << "written back like typing";

    const int beeps = input.beepCount();
    controller->perform(command(QStringLiteral("showWritingTools:")));
    EXPECT_EQ(input.beepCount(), beeps + 1);
}

TEST_F(BXMainWindowTextDelegateTest, DefaultStyleKeepsAttachmentsAndDropsWhatDefaultsLack)
{
    const platform::StringAttributes defaults = BXDocument::defaultStringAttributes();
    const QVariantMap converted = BXMainWindowTextDelegate::convertAttributes(
        { { AttributedText::FontAttributeName, QFont(QStringLiteral("Serif"), 30) },
            { AttributedText::LinkAttributeName, QUrl(QStringLiteral("https://example.org")) },
            { AttributedText::AttachmentAttributeName, QStringLiteral("kept") } });
    EXPECT_EQ(converted.value(AttributedText::FontAttributeName).value<QFont>(),
        defaults.characters.font());
    EXPECT_FALSE(converted.contains(AttributedText::LinkAttributeName));
    EXPECT_EQ(converted.value(AttributedText::AttachmentAttributeName), QStringLiteral("kept"));
}

TEST_F(BXMainWindowTextDelegateTest, SharingSendsTheNoteOrBeepsWithNothing)
{
    makeFile({ QStringLiteral("Shopping list"), QString(), QStringLiteral("Second") });
    openWindow();
    showNote(QStringLiteral("Shopping list"));
    controller->perform(
        command(platform::SharingServices::kShareFromServiceAction, 0, QStringLiteral("copy")));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("Shopping list"));
    QMenu* picker = delegate()->showSharingServicePicker(textView);
    ASSERT_NE(picker, nullptr);
    EXPECT_EQ(picker->actions().size(), 2);
    picker->close();

    select({ noteTitled(QStringLiteral("Shopping list")), noteTitled(QStringLiteral("Second")) });
    const QString both = AttributedText::string(*delegate()->attributedStringForSharing());
    EXPECT_TRUE(both.contains(QStringLiteral("Shopping list")));
    EXPECT_TRUE(both.contains(QStringLiteral("Second")));

    std::shared_ptr<BXNote> empty;
    for (const auto& object : controller->notesController()->arrangedObjects()) {
        if (std::static_pointer_cast<BXNote>(object)->noteText().isEmpty())
            empty = std::static_pointer_cast<BXNote>(object);
    }
    select({ empty });
    const int beeps = input.beepCount();
    EXPECT_EQ(delegate()->showSharingServicePicker(textView), nullptr);
    EXPECT_EQ(input.beepCount(), beeps + 1);
}

TEST_F(BXMainWindowTextDelegateTest, AnImageOffersEditImageFirstAndADoubleClickEditsIt)
{
    makeFile({ QStringLiteral("Photos") });
    openWindow();
    showNote(QStringLiteral("Photos"));
    QImage picture(40, 30, QImage::Format_ARGB32);
    picture.fill(Qt::darkGreen);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    auto source = AttributedText::makeDocument();
    QTextCursor cursor(source.get());
    cursor.insertText(QStringLiteral("ab"));
    AttributedText::insertAttachment(cursor, { png, u"lake.png"_qs, QSizeF(40, 30) });
    cursor.insertText(QStringLiteral(" cd"));
    textView->setAttributedString(*source);
    settle();
    const QPoint image = textView->characterRect(2).center();

    std::unique_ptr<QMenu> onImage(textView->menuForEvent(image));
    const QList<QAction*> items = onImage->actions();
    ASSERT_GE(items.size(), 3);
    EXPECT_EQ(items.at(0)->text(), QStringLiteral("Edit Image"));
    EXPECT_TRUE(items.at(1)->isSeparator());
    // The view adds no second item for the same picture.
    int editItems = 0;
    for (QAction* item : items)
        editItems += platform::CommandRouter::action(item) == QLatin1String("editImage:");
    EXPECT_EQ(editItems, 1);

    textView->setSelectedRange({ 4, 0 });
    std::unique_ptr<QMenu> onText(textView->menuForEvent(pointOfCharacter(4)));
    ASSERT_FALSE(onText->actions().isEmpty());
    EXPECT_NE(onText->actions().first()->text(), QStringLiteral("Edit Image"));

    QTest::mouseDClick(textView->viewport(), Qt::LeftButton, {}, image);
    settle();
    ASSERT_TRUE(textView->editingViewController());
    EXPECT_TRUE(textView->editingViewController()->popoverVisible());
    textView->editingViewController()->cancelEdit();
    settle();
}

} // namespace

// A working session that leaves its marks everywhere, then the file opens again as it was left.
TEST_F(BXMainWindowTextDelegateTest, HashtagZoomSelectionAndSortComeBackWithTheSearch)
{
    makeFile({ QStringLiteral("Seeds #garden today"), QStringLiteral("Bulbs #garden soon"),
        QStringLiteral("Taxes"), QStringLiteral("Fence #garden paint") });
    openWindow();
    showNote(QStringLiteral("Taxes"));
    settle();
    showNote(QStringLiteral("Seeds #garden today"));
    settle();
    QTest::mouseClick(textView->viewport(), Qt::LeftButton, {}, pointOfCharacter(8));
    settle(1);
    ASSERT_EQ(controller->searchString(), QStringLiteral("#garden"));
    ASSERT_EQ(controller->notesController()->arrangedObjects().size(), 3);
    EXPECT_FALSE(controller->isSearchScopeBarHidden());

    controller->zoomToFactor(1.5);
    const auto bulbs = noteTitled(QStringLiteral("Bulbs #garden soon"));
    const auto fence = noteTitled(QStringLiteral("Fence #garden paint"));
    select({ bulbs, fence });
    controller->perform(command(QStringLiteral("setNotesSortDescriptors:"), 1));
    settle();
    const QList<int> panes = controller->splitView()->sizes();

    closeWindow();
    openWindow();
    settle(1);
    EXPECT_EQ(controller->searchString(), QStringLiteral("#garden"));
    EXPECT_EQ(controller->notesController()->arrangedObjects().size(), 3);
    EXPECT_DOUBLE_EQ(controller->noteTextZoomFactor(), 1.5);
    EXPECT_EQ(controller->notesController()->sortDescriptors().value(0).key(),
        BXNotesArrayController::NoteCreatedColumn);
    EXPECT_EQ(controller->selectedNotes().size(), 2);
    EXPECT_EQ(controller->splitView()->sizes().mid(0, 2), panes.mid(0, 2));

    // Back goes to the note shown before.
    select({ noteTitled(QStringLiteral("Bulbs #garden soon")) });
    settle();
    select({ noteTitled(QStringLiteral("Fence #garden paint")) });
    settle();
    ASSERT_TRUE(controller->history()->pageController()->swipe(-1));
    settle();
    EXPECT_EQ(controller->selectedNote()->noteTitle(), QStringLiteral("Bulbs #garden soon"));
}
