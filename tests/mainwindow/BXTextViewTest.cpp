#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXTextViewDelegate.h"

#include "document/BXDefaults.h"
#include "document/model/BXNote.h"
#include "document/BXWrappedPersistentDocument.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUserInput.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SpellChecker.h"
#include "platform/text/TextHighlighter.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QGraphicsTextItem>
#include <QMimeData>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>

#include <cmath>

using platform::AttributedText;
using platform::TextRange;

namespace {

class RecordingDelegate : public BXTextViewDelegate {
public:
    platform::UndoManager* undoManagerForTextView(platform::TextView*) override
    {
        return &undoManager;
    }
    QString currentNoteName() override { return QStringLiteral("Groceries"); }
    bool commitTextViewEditing(BXTextView*) override
    {
        calls << QStringLiteral("commit");
        return commits;
    }
    void discardTextViewEditing(BXTextView*) override { calls << QStringLiteral("discard"); }
    std::optional<bool> resignFirstResponder(BXTextView*) override { return resigns; }
    bool textViewClickedOnHashtag(BXTextView*, const QString& hashtag) override
    {
        if (!handlesHashtags)
            return false;
        calls << QStringLiteral("hashtag ") + hashtag;
        return true;
    }
    void objectDidEndEditing(BXTextView*) override { calls << QStringLiteral("ended"); }

    platform::UndoManager undoManager;
    QStringList calls;
    bool commits = true;
    bool handlesHashtags = true;
    std::optional<bool> resigns;
};

class BXTextViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BXDefaults::registerDefaults();
        storage = AttributedText::makeDocument();
        view = new BXTextView(&window, &speller);
        window.resize(480, 320);
        view->resize(480, 320);
        view->setDelegate(&delegate);
        view->setTextStorage(storage.get());
        window.show();
        QApplication::setActiveWindow(&window);
        view->setFocus();
    }
    void TearDown() override { QApplication::setActiveWindow(nullptr); }

    void setText(const QString& text)
    {
        auto source = AttributedText::makeDocument();
        QTextCursor(source.get()).insertText(text);
        view->setAttributedString(*source);
    }
    // A point inside the character at `position`, in viewport coordinates.
    QPoint pointAt(int position) const
    {
        const QTextBlock block = view->mirror()->findBlock(position);
        const QTextLayout* layout = block.layout();
        const int offset = position - block.position();
        const QTextLine line = layout->lineForTextPosition(offset);
        const QPointF local(layout->position().x() + line.cursorToX(offset) + 2,
            layout->position().y() + line.y() + line.height() / 2);
        return view->mapFromScene(view->textItem()->mapToScene(local));
    }
    QString text() const { return AttributedText::string(*storage); }

    platform::FakeScheduler scheduler;
    platform::FakeUserInput input;
    platform::SpellChecker speller { QStringLiteral("en_US") };
    RecordingDelegate delegate;
    std::unique_ptr<QTextDocument> storage;
    QWidget window;
    BXTextView* view = nullptr;
};

TEST_F(BXTextViewTest, ZoomCutsToWholePercentsAndAnnouncesTheRequest)
{
    QList<QVariantMap> posted;
    platform::NotificationCenter::defaultCenter().addObserver(this,
        BXTextView::MagnifyTextViewNotification, view,
        [&](const platform::Notification& n) { posted << n.userInfo; });
    const struct {
        double requested;
        double applied; // NAN: nothing happens
    } steps[] = {
        { 1.0, 1.0 }, // the first zoom always applies
        { 1.004, NAN }, // near 1 after 1: nothing
        { 1.256, 1.25 },
        { 1.25, NAN }, // the same factor again
        { 0.29, 0.29 },
        { 0.0, 0.1 },
        { 2.0, 2.0 },
        { -3.0, 0.1 },
        { 7.5, 7.5 }, // no upper limit
        { std::nan(""), 0.1 },
        { INFINITY, NAN },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.requested);
        const double before = view->zoomFactor();
        const qsizetype count = posted.size();
        view->zoomToFactor(step.requested);
        if (std::isnan(step.applied)) {
            EXPECT_EQ(posted.size(), count);
            EXPECT_DOUBLE_EQ(view->zoomFactor(), before);
            continue;
        }
        EXPECT_NEAR(view->zoomFactor(), step.applied, 1e-12);
        EXPECT_NEAR(view->transform().m11(), step.applied, 1e-12);
        EXPECT_DOUBLE_EQ(view->oldScaleFactor(), view->zoomFactor());
        EXPECT_FALSE(view->isZooming());
        ASSERT_EQ(posted.size(), count + 1);
        EXPECT_EQ(posted.last().value(QStringLiteral("textView")).value<QObject*>(), view);
        const double announced = posted.last().value(QStringLiteral("zoomFactor")).toDouble();
        if (std::isnan(step.requested))
            EXPECT_TRUE(std::isnan(announced));
        else
            EXPECT_FLOAT_EQ(float(announced), float(step.requested));
    }
    view->zoomToFactor(1.25);
    view->magnify(0.5);
    EXPECT_DOUBLE_EQ(view->zoomFactor(), 1.75);
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

TEST_F(BXTextViewTest, PasteInsertsPlainTextInTheTypingStyleOrTheViewsOwn)
{
    QFont viewFont(QStringLiteral("DejaVu Serif"));
    viewFont.setPointSizeF(20);
    view->setTextFont(viewFont);
    view->setTextColor(QColor(Qt::red));

    // An empty note takes the view's font and colour, whatever the typing style says.
    QTextCharFormat typing;
    typing.setFontFamilies({ QStringLiteral("DejaVu Sans Mono") });
    view->setTypingAttributes(typing);
    auto* rich = new QMimeData;
    rich->setHtml(QStringLiteral("<b>Rich</b> text"));
    rich->setText(QStringLiteral("Rich text"));
    QGuiApplication::clipboard()->setMimeData(rich);
    view->paste();
    EXPECT_EQ(text(), QStringLiteral("Rich text"));
    QVariantMap attributes = AttributedText::attributes(*storage, 0);
    QFont font = attributes.value(AttributedText::FontAttributeName).value<QFont>();
    EXPECT_EQ(font.family(), QStringLiteral("DejaVu Serif"));
    EXPECT_FALSE(font.bold());
    EXPECT_EQ(attributes.value(AttributedText::ForegroundColorAttributeName).value<QColor>(),
        QColor(Qt::red));

    // Text already there: the typing style (here the pasted text's own) carries on.
    view->setSelectedRange({ 9, 0 });
    QTextCharFormat mono;
    mono.setFontFamilies({ QStringLiteral("DejaVu Sans Mono") });
    mono.setFontPointSize(11);
    view->setTypingAttributes(mono);
    QGuiApplication::clipboard()->setText(QStringLiteral(" more"));
    view->paste();
    EXPECT_EQ(text(), QStringLiteral("Rich text more"));
    font = AttributedText::attributes(*storage, 11)
               .value(AttributedText::FontAttributeName)
               .value<QFont>();
    EXPECT_EQ(font.family(), QStringLiteral("DejaVu Sans Mono"));

    // An image becomes a PNG attachment.
    QImage image(8, 6, QImage::Format_RGB32);
    image.fill(Qt::blue);
    QGuiApplication::clipboard()->setImage(image);
    view->paste();
    const qsizetype last = AttributedText::length(*storage) - 1;
    const QVariant attachment
        = AttributedText::attribute(*storage, AttributedText::AttachmentAttributeName, last);
    ASSERT_TRUE(attachment.isValid());
    EXPECT_TRUE(attachment.value<platform::TextAttachment>().contents.startsWith("\x89PNG"));

    // Nothing usable beeps and changes nothing.
    const QString before = text();
    QGuiApplication::clipboard()->setMimeData(new QMimeData);
    view->paste();
    EXPECT_EQ(input.beepCount(), 1);
    EXPECT_EQ(text(), before);
}

TEST_F(BXTextViewTest, AHashtagClickGoesToTheDelegateAndKeepsTheSelection)
{
    setText(QStringLiteral("buy #food/fruit today"));
    const struct {
        bool implemented;
        int position;
        QStringList calls;
        bool selectionMoves;
    } cases[] = {
        { true, 6, { "hashtag #food/fruit" }, false },
        { false, 6, {}, false },
        { true, 1, {}, true },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        delegate.calls.clear();
        delegate.handlesHashtags = c.implemented;
        view->setSelectedRange({ 20, 0 });
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, pointAt(c.position));
        EXPECT_EQ(delegate.calls, c.calls);
        EXPECT_EQ(view->selectedRange() != (TextRange { 20, 0 }), c.selectionMoves);
    }
    // Past the end of the text the click is an ordinary one.
    view->setSelectedRange({ 2, 0 });
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(400, 300));
    EXPECT_EQ(view->selectedRange(), (TextRange { 21, 0 }));
    // Hovering over a hashtag shows the pointing hand.
    QTest::mouseMove(view->viewport(), pointAt(6));
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(BXTextViewTest, LoadSelectionFallsBackToTheTopWhenTheTextShrank)
{
    setText(QStringLiteral("abcdef"));
    view->setSelectedRange({ 2, 3 });
    view->saveSelection();
    view->setSelectedRange({ 1, 0 });
    view->loadSelection();
    EXPECT_EQ(view->selectedRange(), (TextRange { 2, 3 }));

    setText(QStringLiteral("ab"));
    view->loadSelection();
    EXPECT_EQ(view->lastSelectedRange(), TextRange());
    EXPECT_EQ(view->selectedRange(), TextRange());
    EXPECT_EQ(view->lastScrollPoint(), QPointF());
}

TEST_F(BXTextViewTest, EditorProtocolAnswersThroughTheDelegate)
{
    delegate.resigns = false;
    EXPECT_FALSE(view->endEditing());
    EXPECT_TRUE(view->hasFocus());
    delegate.resigns.reset();
    EXPECT_TRUE(view->endEditing());
    EXPECT_TRUE(view->hasFocus());

    // A commit while the view has the keys (a save) leaves the editing open; without them it
    // ends it.
    EXPECT_TRUE(view->commitEditing());
    view->clearFocus();
    EXPECT_TRUE(view->commitEditing());
    view->setFocus();
    delegate.commits = false;
    platform::Error error;
    EXPECT_FALSE(view->commitEditingAndReturnError(&error));
    EXPECT_TRUE(error.is(platform::kOSStatusErrorDomain, 1));
    EXPECT_EQ(error.localizedFailureReason(), QStringLiteral("Couldn't commit the note"));
    view->discardEditing();
    EXPECT_EQ(delegate.calls,
        (QStringList { "commit", "commit", "ended", "commit", "discard", "ended" }));

    const QString header = AttributedText::string(*view->pageHeader());
    EXPECT_TRUE(header.startsWith(QStringLiteral("Groceries\t\t")));
    EXPECT_TRUE(header.endsWith(QString::number(QDate::currentDate().year())));
}

TEST_F(BXTextViewTest, SetTextAttributesReplacesFontAndColourOfEveryRun)
{
    setText(QStringLiteral("one two"));
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(15);
    AttributedText::addAttribute(
        *storage, AttributedText::ForegroundColorAttributeName, QColor(Qt::green), { 0, 3 });
    view->setTextAttributes({ { AttributedText::FontAttributeName, font } }, { 0, 9 });
    EXPECT_FALSE(
        AttributedText::attributes(*storage, 0).contains(AttributedText::FontAttributeName));
    view->setTextAttributes({ { AttributedText::FontAttributeName, font } }, { 0, 5 });
    const QVariantMap first = AttributedText::attributes(*storage, 1);
    EXPECT_EQ(first.value(AttributedText::FontAttributeName).value<QFont>().pointSizeF(), 15);
    EXPECT_FALSE(first.contains(AttributedText::ForegroundColorAttributeName));
    EXPECT_FALSE(
        AttributedText::attributes(*storage, 6).contains(AttributedText::FontAttributeName));
    EXPECT_TRUE(delegate.undoManager.canUndo());
}

// Showing a note, zooming, Dark and spelling are display only: the note stays as stored.
TEST_F(BXTextViewTest, ShowingZoomingAppearanceAndSpellingNeverChangeTheNote)
{
    BXWrappedPersistentDocument document;
    BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    auto rich = AttributedText::makeDocument();
    rich->setPlainText(QStringLiteral("Shoping list #food/fruit\nApples and pears"));
    note->setAttributedString(*rich);
    scheduler.runUntilIdle();
    const QByteArray styles = note->noteStyles();
    const QDateTime modified = note->noteModified();
    document.undoManager()->removeAllActions();

    view->setTextStorage(note->textStorage());
    scheduler.runUntilIdle();
    QApplication::processEvents();
    view->zoomToFactor(2.0);
    view->setAppearance(platform::TextView::Appearance::Dark);
    view->setSelectedRange({ 3, 4 });
    scheduler.runUntilIdle();
    int start = 0;
    int length = 0;
    EXPECT_TRUE(view->highlighter()->misspelledWordAt(2, &start, &length));
    EXPECT_EQ(note->noteStyles(), styles);
    EXPECT_EQ(note->noteModified(), modified);
    EXPECT_FALSE(document.undoManager()->canUndo());
    EXPECT_EQ(AttributedText::string(*note->textStorage()), rich->toPlainText());
}

TEST_F(BXTextViewTest, Screenshots)
{
    setText(QStringLiteral("Weekend plans #home/garden\n\nRepaint the fence, plant the tulips and "
                           "finaly fix the gate. Ask about #tools at the shop.\nA secnd line with "
                           "a misspeling or two."));
    view->setSelectedRange({ 0, 0 });
    scheduler.runUntilIdle();
    QApplication::processEvents();
    const struct {
        const char* name;
        double zoom;
        platform::TextView::Appearance appearance;
    } shots[] = {
        { "textview-note", 1.0, platform::TextView::Appearance::Light },
        { "textview-zoom-200", 2.0, platform::TextView::Appearance::Light },
        { "textview-dark-hashtags", 1.0, platform::TextView::Appearance::Dark },
    };
    for (const auto& shot : shots) {
        view->zoomToFactor(shot.zoom);
        view->setAppearance(shot.appearance);
        scheduler.runUntilIdle();
        QApplication::processEvents();
        const QImage image = view->grab().toImage();
        EXPECT_FALSE(image.isNull());
        bxtest::saveScreenshot(image, QString::fromUtf8(shot.name));
    }
    view->setAppearance(platform::TextView::Appearance::Light);
    view->zoomToFactor(1.5);
    scheduler.runUntilIdle();
    bxtest::saveScreenshot(view->grab().toImage(), QStringLiteral("textview-misspelling"));
}

} // namespace
