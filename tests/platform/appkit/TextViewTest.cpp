#include "platform/appkit/TextView.h"
#include "platform/appkit/ParagraphSpacingPanel.h"
#include "platform/appkit/RulerView.h"
#include "platform/appkit/TextListPanel.h"
#include "platform/appkit/TextStylePasteboard.h"
#include "platform/appkit/TextViewDelegate.h"
#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUrlOpener.h"
#include "platform/testing/FakeUserInput.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextHighlighter.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QGraphicsTextItem>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextLayout>
#include <QUrl>
#include <QVBoxLayout>

using namespace platform;

namespace {

class UndoDelegate : public TextViewDelegate {
public:
    UndoManager* undoManagerForTextView(TextView*) override { return &undoManager; }
    UndoManager undoManager;
};

// A window with one text view over a storage, active and focused as after a click into it.
class TextViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        storage = AttributedText::makeDocument();
        window.resize(420, 300);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        view = new TextView(&window);
        layout->addWidget(view);
        view->setDelegate(&delegate);
        view->setTextStorage(storage.get());
        window.show();
        QApplication::setActiveWindow(&window);
        view->setFocus();
    }
    void TearDown() override { QApplication::setActiveWindow(nullptr); }

    // Each key in a turn of its own, as a person types.
    void type(const QString& text)
    {
        for (QChar c : text) {
            QTest::keyClicks(view, QString(c));
            scheduler.runUntilIdle();
        }
    }
    QString text() const { return AttributedText::string(*storage); }
    bool send(const char* action, int tag = 0, const QVariant& object = {})
    {
        Command command { QString::fromLatin1(action), tag, object, std::nullopt };
        if (!view->validate(command).value_or(false))
            return false;
        view->perform(command);
        // Each command in a turn of its own, as each click is.
        scheduler.runUntilIdle();
        return true;
    }
    QVariant stored(const QString& name, int index) const
    {
        return AttributedText::attribute(*storage, name, index);
    }
    ParagraphStyle paragraphStyleAt(int paragraph) const
    {
        return AttributedText::paragraphStyle(storage->findBlockByNumber(paragraph).blockFormat());
    }
    RulerView* showRuler()
    {
        view->perform(Command { QStringLiteral("toggleRuler:"), 0, {}, std::nullopt });
        EXPECT_NE(view->rulerView(), nullptr);
        return view->rulerView();
    }

    FakeScheduler scheduler;
    FakeUserInput input;
    UndoDelegate delegate;
    std::unique_ptr<QTextDocument> storage;
    QWidget window;
    TextView* view = nullptr;
};

TEST_F(TextViewTest, TypingIsOneUndoStepAndTheUndoKeysGoThroughTheRouter)
{
    type(QStringLiteral("Hello"));
    EXPECT_EQ(text(), QStringLiteral("Hello"));
    EXPECT_TRUE(view->isCoalescingTyping());
    UndoManager& undo = delegate.undoManager;
    EXPECT_EQ(undo.undoMenuItemTitle(), QStringLiteral("Undo Typing"));

    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(text(), QString());
    EXPECT_EQ(AttributedText::string(*view->mirror()), QString());
    EXPECT_FALSE(undo.canUndo());
    QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(text(), QStringLiteral("Hello"));
    EXPECT_EQ(input.beepCount(), 0);
    // The mirror's own undo stack stays off.
    EXPECT_FALSE(view->mirror()->isUndoRedoEnabled());
}

TEST_F(TextViewTest, PastedHtmlReadsThroughTheReadersNestingLimit)
{
    // Deeper than the limit, nesting made reading take time growing with its square.
    constexpr int depth = 20000;
    auto* html = new QMimeData;
    html->setHtml(QStringLiteral("<blockquote><div>x").repeated(depth)
        + QStringLiteral("</div></blockquote>").repeated(depth) + QStringLiteral("<b>end</b>"));
    QGuiApplication::clipboard()->setMimeData(html);
    ASSERT_TRUE(send("paste:"));
    EXPECT_EQ(text().count(QLatin1Char('x')), depth);
    EXPECT_TRUE(text().endsWith(QStringLiteral("end")));
    EXPECT_TRUE(
        stored(AttributedText::FontAttributeName, int(text().size()) - 1).value<QFont>().bold());
}

// Copy and Cut put the selection on the clipboard with its styles, which a paste here keeps;
// Cut takes it out as one step that Undo brings back, and a read-only text only copies.
TEST_F(TextViewTest, CopiedAndCutTextPastesWithItsStyles)
{
    type(QStringLiteral("a "));
    view->changeCharacterFormats(
        {}, [](QTextCharFormat& format) { format.setFontWeight(QFont::Bold); });
    type(QStringLiteral("bold"));
    ASSERT_TRUE(view->setSelectedRange({ 0, 6 }));
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(view->setSelectedRange({ 6, 0 }));
    ASSERT_TRUE(send("paste:"));
    EXPECT_EQ(text(), QStringLiteral("a bolda bold"));
    EXPECT_TRUE(stored(AttributedText::FontAttributeName, 9).value<QFont>().bold());
    EXPECT_FALSE(stored(AttributedText::FontAttributeName, 6).value<QFont>().bold());

    ASSERT_TRUE(view->setSelectedRange({ 0, 6 }));
    QTest::keyClick(view, Qt::Key_X, Qt::ControlModifier);
    scheduler.runUntilIdle();
    EXPECT_EQ(text(), QStringLiteral("a bold"));
    EXPECT_EQ(delegate.undoManager.undoMenuItemTitle(), QStringLiteral("Undo Cut"));
    ASSERT_TRUE(send("paste:"));
    EXPECT_EQ(text(), QStringLiteral("a bolda bold"));
    EXPECT_TRUE(stored(AttributedText::FontAttributeName, 3).value<QFont>().bold());
    for (int step = 0; step < 2; ++step) {
        QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
        scheduler.runUntilIdle();
    }
    EXPECT_EQ(text(), QStringLiteral("a bolda bold"));

    view->setEditable(false);
    ASSERT_TRUE(view->setSelectedRange({ 0, 1 }));
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("a"));
    ASSERT_TRUE(view->setSelectedRange({ 0, 2 }));
    QTest::keyClick(view, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(text(), QStringLiteral("a bolda bold"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("a"));
}

// Return on an empty line adds a line in the look of the one before, styled or not.
TEST_F(TextViewTest, ReturnOnAnEmptyLineAddsALineInItsLook)
{
    view->changeCharacterFormats({}, [](QTextCharFormat& format) { format.setFontPointSize(17); });
    view->changeParagraphStyles({}, [](ParagraphStyle& style) { style.firstLineHeadIndent = 12; });
    type(QStringLiteral("a"));
    for (int line = 0; line < 3; ++line) {
        QTest::keyClick(view, Qt::Key_Return);
        scheduler.runUntilIdle();
    }
    type(QStringLiteral("b"));
    EXPECT_EQ(text(), QStringLiteral("a\n\n\nb"));
    for (int paragraph = 0; paragraph < 4; ++paragraph) {
        SCOPED_TRACE(paragraph);
        EXPECT_EQ(paragraphStyleAt(paragraph).firstLineHeadIndent, 12);
    }
    EXPECT_EQ(AttributedText::fontPointSize(QTextCursor(storage->lastBlock()).charFormat()), 17);
}

// Laying out a text of many megabytes, or a paragraph of one, held the window for seconds: such
// a text shows its beginning, read-only, a slice a turn, and the storage keeps all of it.
TEST_F(TextViewTest, TextTooLongToEditShowsItsBeginningReadOnly)
{
    const QString line = QStringLiteral("x").repeated(99) + QLatin1Char('\n');
    struct Case {
        const char* label;
        QString text;
        qsizetype shown; // 0: all of it, editable
    };
    const Case cases[] = {
        { "longest editable text", line.repeated(TextView::kLongestEditableLength / 100), 0 },
        { "one unit more", line.repeated(TextView::kLongestEditableLength / 100) + line,
            TextView::kShownBeginningLength },
        { "one long paragraph",
            QStringLiteral("y").repeated(TextView::kLongestEditableParagraph + 1),
            TextView::kShownParagraphLength },
    };
    // The notice line comes on top of what is shown.
    constexpr qsizetype notice = 200;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        auto big = AttributedText::makeDocument();
        big->setPlainText(c.text);
        view->setTextStorage(big.get());
        view->setEditable(true);
        const bool beginningOnly = c.shown > 0;
        EXPECT_EQ(view->showsBeginningOnly(), beginningOnly);
        EXPECT_EQ(view->isEditable(), !beginningOnly);
        if (beginningOnly) {
            EXPECT_LE(AttributedText::length(*view->mirror()),
                std::min(c.shown, TextView::kBeginningSliceLength) + notice);
            scheduler.runUntilIdle();
            const QString shown = AttributedText::string(*view->mirror());
            EXPECT_LE(shown.size(), c.shown + notice);
            EXPECT_TRUE(shown.endsWith(QLatin1Char('\n') + c.text.left(c.shown)));
            type(QStringLiteral("z"));
            EXPECT_EQ(AttributedText::string(*big), c.text);
        } else {
            EXPECT_EQ(AttributedText::string(*view->mirror()), c.text);
        }
        view->setTextStorage(storage.get());
    }
    EXPECT_TRUE(view->isEditable());
}

TEST_F(TextViewTest, MovingTheCaretEndsTheTypingStep)
{
    type(QStringLiteral("ab"));
    QTest::keyClick(view, Qt::Key_Left);
    EXPECT_FALSE(view->isCoalescingTyping());
    type(QStringLiteral("c"));
    EXPECT_EQ(text(), QStringLiteral("acb"));
    delegate.undoManager.undo();
    EXPECT_EQ(text(), QStringLiteral("ab"));
    delegate.undoManager.undo();
    EXPECT_EQ(text(), QString());
}

TEST_F(TextViewTest, AnEmptyTextKeepsItsTypingStyleWhenTheCaretIsPlacedAgain)
{
    QTextCharFormat look;
    look.setFontPointSize(17);
    view->setTypingAttributes(look);
    view->setSelectedRange({ 0, 0 });
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, QPoint(20, 10));
    type(QStringLiteral("a"));
    EXPECT_EQ(stored(AttributedText::FontAttributeName, 0).value<QFont>().pointSizeF(), 17);
}

TEST_F(TextViewTest, ATabIsTypingThatReachesTheStorage)
{
    type(QStringLiteral("one"));
    QTest::keyClick(view, Qt::Key_Tab);
    type(QStringLiteral("two"));
    EXPECT_TRUE(view->hasFocus());
    EXPECT_EQ(text(), QStringLiteral("one\ttwo"));
    EXPECT_EQ(AttributedText::string(*view->mirror()), text());
    delegate.undoManager.undo();
    EXPECT_EQ(text(), QString());
}

TEST_F(TextViewTest, TextOptionsFilterTypingAsPartOfTheEdit)
{
    const struct {
        const char* typed;
        bool on;
        const char16_t* expected;
    } cases[] = {
        { "\"Hi\" it's", true, u"\u201CHi\u201D it\u2019s" },
        { "(\"a\")", true, u"(\u201Ca\u201D)" },
        { "a--b", true, u"a\u2014b" },
        { "\"a--b\"", false, u"\"a--b\"" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        TextView::TextOptions options;
        options.smartQuotes = options.smartDashes = c.on;
        view->setTextOptions(options);
        view->setSelectedRange({ 0, AttributedText::length(*view->mirror()) });
        QTest::keyClick(view, Qt::Key_Backspace);
        type(QString::fromUtf8(c.typed));
        EXPECT_EQ(text(), QString::fromUtf16(c.expected));
    }
}

TEST_F(TextViewTest, DeletingAWordTakesOneSpaceAlong)
{
    const struct {
        TextRange word;
        bool smart;
        const char* expected;
    } cases[] = {
        { { 4, 3 }, true, "the fox." },
        { { 8, 3 }, true, "the big." },
        { { 0, 3 }, true, "big fox." },
        { { 4, 3 }, false, "the  fox." },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        TextView::TextOptions options;
        options.smartCopyPaste = c.smart;
        view->setTextOptions(options);
        view->setSelectedRange({ 0, AttributedText::length(*view->mirror()) });
        QTest::keyClick(view, Qt::Key_Backspace);
        type(QStringLiteral("the big fox."));
        view->setSelectedRange(c.word);
        QTest::keyClick(view, Qt::Key_Backspace);
        EXPECT_EQ(text(), QString::fromUtf8(c.expected));
    }
}

TEST_F(TextViewTest, TypedAddressesBecomeLinksAtTheirEnd)
{
    const struct {
        const char* typed;
        const char* link;
        int at;
    } cases[] = {
        { "see www.example.org now", "http://www.example.org", 4 },
        { "to a.b@example.com. ok", "mailto:a.b@example.com", 3 },
        { "www.example.org", nullptr, 0 }, // nothing ends it yet
        { "go https://x.org/p?q=1, ok", "https://x.org/p?q=1", 3 },
        { "not.a.link here", nullptr, 0 },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        view->setSelectedRange({ 0, AttributedText::length(*view->mirror()) });
        QTest::keyClick(view, Qt::Key_Backspace);
        type(QString::fromUtf8(c.typed));
        const QVariant link
            = AttributedText::attribute(*storage, AttributedText::LinkAttributeName, c.at);
        if (c.link)
            EXPECT_EQ(link.toUrl().toString(), QString::fromUtf8(c.link));
        else
            EXPECT_FALSE(link.isValid());
    }
}

TEST_F(TextViewTest, LinksLookLikeLinksAndAClickOpensThem)
{
    FakeUrlOpener opener;
    type(QStringLiteral("read www.example.org today"));
    const int linkStart = 5;
    ASSERT_TRUE(stored(AttributedText::LinkAttributeName, linkStart).isValid());
    // Drawn in the link colour and underlined, though the stored text has neither.
    const QTextBlock block = view->mirror()->firstBlock();
    bool drawnAsLink = false;
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        if (range.start <= linkStart && linkStart < range.start + range.length)
            drawnAsLink = range.format.foreground().color() == TextHighlighter::linkColor()
                && range.format.fontUnderline();
    }
    EXPECT_TRUE(drawnAsLink);
    EXPECT_FALSE(stored(AttributedText::UnderlineStyleAttributeName, linkStart).isValid());
    bxtest::saveScreenshot(window.grab().toImage(), QStringLiteral("note-with-links"));

    const QPoint onLink = view->characterRect(linkStart + 4).center();
    const QPoint onWord = view->characterRect(1).center();
    QTest::mouseMove(view->viewport(), onWord);
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::IBeamCursor);
    QTest::mouseMove(view->viewport(), onLink);
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::PointingHandCursor);

    // A click on a word places the caret; one on the link opens it and leaves the caret.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, onWord);
    const TextRange caret = view->selectedRange();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, onLink);
    EXPECT_EQ(opener.openedUrls(), QList<QUrl>({ QUrl(QStringLiteral("http://www.example.org")) }));
    EXPECT_EQ(view->selectedRange(), caret);
}

TEST_F(TextViewTest, ZoomScalesTheViewAndWrapsAtTheVisibleWidth)
{
    const double inset = AttributedText::pointsToPixels(TextView::kInsetWidth);
    for (double zoom : { 1.0, 2.0, 0.5 }) {
        SCOPED_TRACE(zoom);
        view->setZoom(zoom);
        EXPECT_DOUBLE_EQ(view->transform().m11(), zoom);
        EXPECT_NEAR(
            view->textItem()->textWidth(), view->viewport()->width() / zoom - 2 * inset, 0.01);
    }
    view->setZoom(0);
    EXPECT_DOUBLE_EQ(view->zoom(), 0.5);
}

// Narrower, this text is shorter: a big word at a line's end wraps into the huge word's line.
// Between the two heights, the scroll bar that a wide layout needs would make the text fit,
// and its going would make it need one again.
TEST_F(TextViewTest, ATextShorterWhenNarrowerKeepsItsScrollBarSteady)
{
    QTextCursor cursor(storage.get());
    for (const auto& [text, size] :
        { std::pair { "a a a a a a a a a a a a ", 12 }, { "B", 40 }, { " ", 12 }, { "H", 90 } }) {
        QTextCharFormat format;
        format.setFontPointSize(size);
        cursor.insertText(QString::fromLatin1(text), format);
    }
    showRuler();
    const double zoom = 2.25;
    view->setZoom(zoom);
    const double inset = AttributedText::pointsToPixels(TextView::kInsetWidth);
    const double insets = 2 * AttributedText::pointsToPixels(TextView::kInsetHeight);
    const std::unique_ptr<QTextDocument> probe(view->mirror()->clone());
    const auto heightAt = [&](int viewportWidth) {
        probe->setTextWidth(viewportWidth / zoom - 2 * inset);
        return (probe->size().height() + insets) * zoom;
    };
    const int bar = view->verticalScrollBar()->sizeHint().width();
    int width = 100;
    while (width < 1200 && heightAt(width - bar) + 2 >= heightAt(width))
        ++width;
    ASSERT_LT(width, 1200);

    window.resize(width, RulerView::kHeight + int((heightAt(width - bar) + heightAt(width)) / 2));
    QApplication::processEvents();
    const QSize settled = view->viewport()->size();
    QApplication::processEvents();
    EXPECT_EQ(view->viewport()->size(), settled);
    EXPECT_TRUE(view->verticalScrollBar()->isVisible());
}

TEST_F(TextViewTest, TwoViewsOfOneStorageKeepTheirOwnSelectionAndZoom)
{
    TextView other;
    other.resize(300, 200);
    other.setDelegate(&delegate);
    other.setTextStorage(storage.get());
    other.setZoom(2);
    type(QStringLiteral("shared"));
    other.setSelectedRange({ 1, 2 });
    type(QStringLiteral(" text"));
    EXPECT_EQ(AttributedText::string(*other.mirror()), QStringLiteral("shared text"));
    EXPECT_EQ(other.selectedRange(), (TextRange { 1, 2 }));
    EXPECT_EQ(view->selectedRange(), (TextRange { 11, 0 }));
    EXPECT_DOUBLE_EQ(view->zoom(), 1.0);

    // Dark is a palette on one view; text without a colour takes its text colour.
    other.setAppearance(TextView::Appearance::Dark);
    EXPECT_EQ(other.textItem()->defaultTextColor(), other.palette().color(QPalette::Text));
    EXPECT_NE(view->textItem()->defaultTextColor(), other.textItem()->defaultTextColor());
}

TEST_F(TextViewTest, TheFindIndicatorShowsForOneSecond)
{
    type(QStringLiteral("find me here"));
    view->showFindIndicator({ 5, 2 });
    EXPECT_TRUE(view->isShowingFindIndicator());
    scheduler.advance(0.9);
    EXPECT_TRUE(view->isShowingFindIndicator());
    scheduler.advance(0.2);
    EXPECT_FALSE(view->isShowingFindIndicator());
    view->showFindIndicator({ 5, 20 });
    EXPECT_FALSE(view->isShowingFindIndicator());
}

TEST_F(TextViewTest, AViewLetsGoOfAStorageThatGoesAway)
{
    type(QStringLiteral("gone"));
    storage.reset();
    EXPECT_EQ(view->textStorage(), nullptr);
    EXPECT_EQ(AttributedText::string(*view->mirror()), QString());
    type(QStringLiteral("x"));
    EXPECT_EQ(AttributedText::string(*view->mirror()), QStringLiteral("x"));
}

} // namespace

TEST_F(TextViewTest, RulerDragsAndTabsEditTheSelectedParagraphsUndoably)
{
    QTextCursor(storage.get()).insertText(QStringLiteral("One\ttab\nTwo\nThree"));
    RulerView* ruler = showRuler();
    const auto storedStyle = [&](int paragraph) {
        return AttributedText::paragraphStyle(storage->findBlockByNumber(paragraph).blockFormat());
    };
    const auto markerPoint = [&](double location, int y) {
        return QPoint(int(std::lround(ruler->xForLocation(location))), y);
    };
    const auto drag = [&](const QPoint& from, const QPoint& to) {
        QTest::mousePress(ruler, Qt::LeftButton, {}, from);
        QTest::mouseMove(ruler, (from + to) / 2);
        QTest::mouseMove(ruler, to);
        QTest::mouseRelease(ruler, Qt::LeftButton, {}, to);
        scheduler.runUntilIdle();
    };
    EXPECT_TRUE(view->isRulerVisible());
    EXPECT_TRUE(ruler->isVisible());
    // The first two paragraphs.
    view->setSelectedRange({ 1, 9 });
    const int bottom = RulerView::kHeight - 3;

    drag(markerPoint(0, bottom), markerPoint(36, bottom));
    for (int paragraph : { 0, 1 }) {
        SCOPED_TRACE(paragraph);
        EXPECT_NEAR(storedStyle(paragraph).headIndent, 36, 1);
        EXPECT_NEAR(storedStyle(paragraph).firstLineHeadIndent, 0, 0.01);
    }
    EXPECT_EQ(storedStyle(2).headIndent, 0);
    EXPECT_NEAR(ruler->shownStyle().headIndent, 36, 1);
    EXPECT_EQ(delegate.undoManager.undoActionName(), QStringLiteral("Change Ruler"));
    bxtest::saveScreenshot(window.grab().toImage(), QStringLiteral("ruler-over-text"));

    // A click on the scale adds a left tab; dragging it off takes it away again.
    const int tabAt = int(std::lround(ruler->xForLocation(100)));
    QTest::mouseClick(ruler, Qt::LeftButton, {}, QPoint(tabAt, bottom));
    QTest::mouseMove(ruler, QPoint(tabAt + 1, bottom));
    scheduler.runUntilIdle();
    ASSERT_EQ(storedStyle(0).tabStops.size(), 1);
    EXPECT_NEAR(storedStyle(0).tabStops.at(0).location, 100, 1);
    EXPECT_EQ(storedStyle(1).tabStops, storedStyle(0).tabStops);
    const double tab = storedStyle(0).tabStops.at(0).location;
    drag(markerPoint(tab, bottom), markerPoint(tab, RulerView::kHeight + 40));
    EXPECT_TRUE(storedStyle(0).tabStops.isEmpty());

    // Each change was one step.
    delegate.undoManager.undo();
    EXPECT_EQ(storedStyle(0).tabStops.size(), 1);
    delegate.undoManager.undo();
    EXPECT_TRUE(storedStyle(0).tabStops.isEmpty());
    delegate.undoManager.undo();
    EXPECT_EQ(storedStyle(0).headIndent, 0);
    EXPECT_EQ(ruler->shownStyle().headIndent, 0);

    // Another note shown: the ruler reads its paragraph.
    auto other = AttributedText::makeDocument();
    QTextBlockFormat indented;
    ParagraphStyle style;
    style.headIndent = 20;
    AttributedText::setParagraphStyle(indented, style);
    QTextCursor(other.get()).insertText(QStringLiteral("Indented"));
    QTextCursor(other.get()).setBlockFormat(indented);
    view->setTextStorage(other.get());
    EXPECT_NEAR(ruler->shownStyle().headIndent, 20, 0.01);

    view->perform(Command { QStringLiteral("toggleRuler:"), 0, {}, std::nullopt });
    EXPECT_FALSE(view->isRulerVisible());
}

TEST_F(TextViewTest, RulerUnitsChangeByNameAndTheScaleFollowsTheZoom)
{
    RulerView* ruler = showRuler();
    const struct {
        const char* units;
        const char* expected;
    } cases[] = {
        { "Centimeters", "Centimeters" },
        { "Furlongs", "Centimeters" },
        { "Points", "Points" },
        { "Picas", "Picas" },
        { "", "Picas" },
        { "Inches", "Inches" },
    };
    EXPECT_EQ(ruler->measurementUnits(), QStringLiteral("Inches"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.units);
        ruler->setMeasurementUnits(QLatin1String(c.units));
        EXPECT_EQ(ruler->measurementUnits(), QLatin1String(c.expected));
    }
    EXPECT_NEAR(RulerView::pointsPerUnit(QStringLiteral("Centimeters")), 28.3465, 1e-4);
    EXPECT_EQ(RulerView::pointsPerUnit(QStringLiteral("Picas")), 12);

    const double inch = ruler->xForLocation(72) - ruler->xForLocation(0);
    EXPECT_NEAR(inch, 96, 0.01);
    view->setZoom(1.5);
    EXPECT_NEAR(ruler->xForLocation(72) - ruler->xForLocation(0), 144, 0.01);
    EXPECT_NEAR(ruler->locationForX(ruler->xForLocation(50)), 50, 1e-9);
}

TEST_F(TextViewTest, FormatCommandsChangeTheSelectionAsUndoableEdits)
{
    QTextCursor(storage.get()).insertText(QStringLiteral("Hello world"));
    view->setSelectedRange({ 6, 5 });
    const auto font = [&] { return stored(AttributedText::FontAttributeName, 7).value<QFont>(); };

    // Bold twice: on, then off again, each its own step.
    ASSERT_TRUE(send("addFontTrait:", 2));
    EXPECT_TRUE(font().bold());
    EXPECT_FALSE(stored(AttributedText::FontAttributeName, 1).value<QFont>().bold());
    ASSERT_TRUE(send("addFontTrait:", 2));
    EXPECT_FALSE(font().bold());
    EXPECT_EQ(delegate.undoManager.undoActionName(), QStringLiteral("Set Font"));
    delegate.undoManager.undo();
    EXPECT_TRUE(font().bold());
    view->setSelectedRange({ 6, 5 });

    send("addFontTrait:", 1);
    EXPECT_TRUE(font().italic());
    send("changeFont:", 0, QFont(QStringLiteral("Serif"), 12));
    send("modifyFont:", 3);
    EXPECT_EQ(font().pointSizeF(), 13);
    send("modifyFont:", 4);
    send("modifyFont:", 4);
    EXPECT_EQ(font().pointSizeF(), 11);

    struct Step {
        const char* action;
        const QString& attribute;
        QVariant expected; // invalid: absent
    };
    const QList<Step> steps {
        { "turnOffKerning:", AttributedText::KerningAttributeName, false },
        { "tightenKerning:", AttributedText::LetterSpacingAttributeName, -0.5 },
        { "tightenKerning:", AttributedText::LetterSpacingAttributeName, -1.0 },
        { "loosenKerning:", AttributedText::LetterSpacingAttributeName, -0.5 },
        { "useStandardKerning:", AttributedText::LetterSpacingAttributeName, {} },
        { "useStandardKerning:", AttributedText::KerningAttributeName, {} },
        { "turnOffLigatures:", AttributedText::LigatureAttributeName, 0 },
        { "useAllLigatures:", AttributedText::LigatureAttributeName, {} },
        { "superscript:", AttributedText::SuperscriptAttributeName, 1 },
        { "subscript:", AttributedText::SuperscriptAttributeName, -1 },
        { "raiseBaseline:", AttributedText::BaselineOffsetAttributeName, 1.0 },
        { "unscript:", AttributedText::SuperscriptAttributeName, {} },
        { "lowerBaseline:", AttributedText::BaselineOffsetAttributeName, -1.0 },
        { "underline:", AttributedText::UnderlineStyleAttributeName, 1 },
        { "underline:", AttributedText::UnderlineStyleAttributeName, {} },
        { "changeColor:", AttributedText::ForegroundColorAttributeName, QColor(Qt::red) },
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.action);
        ASSERT_TRUE(send(step.action, 0, QColor(Qt::red)));
        EXPECT_EQ(stored(step.attribute, 8), step.expected);
        EXPECT_FALSE(stored(step.attribute, 2).isValid());
    }

    send("alignCenter:");
    EXPECT_EQ(paragraphStyleAt(0).alignment, TextAlignment::Center);
    send("makeBaseWritingDirectionRightToLeft:");
    EXPECT_EQ(paragraphStyleAt(0).baseWritingDirection, WritingDirection::RightToLeft);
    Command rtl { QStringLiteral("makeBaseWritingDirectionRightToLeft:"), 0, {}, std::nullopt };
    Command natural { QStringLiteral("makeBaseWritingDirectionNatural:"), 0, {}, std::nullopt };
    view->validate(rtl);
    view->validate(natural);
    EXPECT_EQ(rtl.checked, true);
    EXPECT_EQ(natural.checked, false);

    view->setEditable(false);
    EXPECT_FALSE(send("addFontTrait:", 2));
    EXPECT_TRUE(send("copyFont:"));
}

TEST_F(TextViewTest, CopiedStylesAndRulersPasteFromTheClipboardAndDamagedOnesAreIgnored)
{
    QTextCursor(storage.get()).insertText(QStringLiteral("Big words\nplain"));
    view->setSelectedRange({ 0, 3 });
    send("changeFont:", 0, QFont(QStringLiteral("Serif"), 18, QFont::Bold));
    send("alignRight:");
    QApplication::clipboard()->setText(QStringLiteral("copied text"));
    ASSERT_TRUE(send("copyFont:"));
    ASSERT_TRUE(send("copyRuler:"));
    // The copies sit beside the text the clipboard held.
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    EXPECT_EQ(clipboard->text(), QStringLiteral("copied text"));
    EXPECT_TRUE(clipboard->hasFormat(TextStylePasteboard::FontMimeType));
    EXPECT_TRUE(clipboard->hasFormat(TextStylePasteboard::RulerMimeType));

    view->setSelectedRange({ 10, 5 });
    ASSERT_TRUE(send("pasteFont:"));
    const QFont pasted = stored(AttributedText::FontAttributeName, 11).value<QFont>();
    EXPECT_TRUE(pasted.bold());
    EXPECT_EQ(pasted.pointSizeF(), 18);
    EXPECT_EQ(delegate.undoManager.undoActionName(), QStringLiteral("Paste Style"));
    ASSERT_TRUE(send("pasteRuler:"));
    EXPECT_EQ(paragraphStyleAt(1).alignment, TextAlignment::Right);

    // A damaged copy on the clipboard is passed over for this process's own.
    delegate.undoManager.undo();
    delegate.undoManager.undo();
    EXPECT_FALSE(stored(AttributedText::FontAttributeName, 11).value<QFont>().bold());
    view->setSelectedRange({ 10, 5 });
    auto* damaged = new QMimeData;
    damaged->setData(TextStylePasteboard::FontMimeType, QByteArray("{\\rtf1 \\b"));
    QApplication::clipboard()->setMimeData(damaged);
    ASSERT_TRUE(send("pasteFont:"));
    EXPECT_TRUE(stored(AttributedText::FontAttributeName, 11).value<QFont>().bold());
}

TEST_F(TextViewTest, ListAndSpacingPanelsEditTheSelectedParagraphs)
{
    QTextCursor(storage.get()).insertText(QStringLiteral("Eggs\nMilk\nThe end"));
    view->setSelectedRange({ 2, 5 });
    ASSERT_TRUE(send("orderFrontListPanel:"));
    auto* list = window.findChild<TextListPanel*>();
    ASSERT_TRUE(list);
    list->setMarkerStyle(QTextListFormat::ListDecimal);
    bxtest::saveScreenshot(list->grab().toImage(), QStringLiteral("text-list-panel"));
    list->accept();
    EXPECT_EQ(text(), QStringLiteral("\t1.\tEggs\n\t2.\tMilk\nThe end"));
    EXPECT_EQ(paragraphStyleAt(1).headIndent, 36);
    EXPECT_EQ(delegate.undoManager.undoActionName(), QStringLiteral("List"));
    delegate.undoManager.undo();
    EXPECT_EQ(text(), QStringLiteral("Eggs\nMilk\nThe end"));

    view->setSelectedRange({ 12, 0 });
    ASSERT_TRUE(send("orderFrontSpacingPanel:"));
    auto* spacing = window.findChild<ParagraphSpacingPanel*>();
    ASSERT_TRUE(spacing);
    spacing->lineHeightMultipleField()->setValue(2);
    spacing->spacingAfterField()->setValue(6);
    bxtest::saveScreenshot(spacing->grab().toImage(), QStringLiteral("spacing-panel"));
    spacing->accept();
    EXPECT_EQ(paragraphStyleAt(2).lineHeightMultiple, 2);
    EXPECT_EQ(paragraphStyleAt(2).paragraphSpacing, 6);
    EXPECT_EQ(paragraphStyleAt(1).lineHeightMultiple, 0);
}
