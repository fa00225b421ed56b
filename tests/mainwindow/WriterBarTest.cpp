#include "MainWindowFixture.h"
#include "support/TestEnvironment.h"

#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/editor/BXTextColorPopover.h"
#include "mainwindow/editor/BXWriterBar.h"

#include "lists/BXTableView.h"

#include "document/BXDefaults.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/Stepper.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"

#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using platform::AttributedText;
using platform::TextRange;

namespace {

const QString kSerif = QStringLiteral("DejaVu Serif");
const QString kMono = QStringLiteral("DejaVu Sans Mono");

class WriterBarTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        platform::UserDefaults::standard().removeObject(BXEditorAppearance);
    }

    void TearDown() override
    {
        MainWindowFixture::TearDown();
        platform::UserDefaults::standard().removeObject(BXEditorAppearance);
    }

    // Opens a file of one note and shows it.
    void showNote(const QString& text)
    {
        makeFile({ text });
        openWindow();
        select({ noteTitled(text.section(QLatin1Char('\n'), 0, 0)) });
        bar = controller->bars()->writerBar();
        ASSERT_TRUE(bar);
        textView->setFocus();
    }

    void setFont(TextRange range, const QString& family, double size)
    {
        QFont font(family);
        font.setPointSizeF(size);
        textView->setTextAttributes({ { AttributedText::FontAttributeName, font } }, range);
    }

    std::optional<QFont> fontAt(qsizetype index) const
    {
        const QVariant font = AttributedText::attribute(
            *textView->textStorage(), AttributedText::FontAttributeName, index);
        return font.isValid() ? std::optional(font.value<QFont>()) : std::nullopt;
    }

    QVariant colorAt(qsizetype index) const
    {
        return AttributedText::attribute(
            *textView->textStorage(), AttributedText::ForegroundColorAttributeName, index);
    }

    // The window with the palette drawn where it shows.
    void screenshotWithPalette()
    {
        QCoreApplication::processEvents();
        QWidget* window = controller->mainWindow();
        QImage shot = window->grab().toImage();
        QPainter painter(&shot);
        BXTextColorPopover* palette = bar->textColorPopover();
        painter.drawPixmap(
            window->mapFromGlobal(palette->mapToGlobal(QPoint(0, 0))), palette->grab());
        painter.end();
        shot.save(
            QCoreApplication::applicationDirPath() + QStringLiteral("/writerbar-palette.png"));
    }

    QString undoName() const { return controller->windowWillReturnUndoManager()->undoActionName(); }

    BXWriterBar* bar = nullptr;
};

TEST(WriterBarSizeField, TextBecomesAClampedSize)
{
    const struct {
        const char* typed;
        double size;
        const char* shown;
    } cases[] = { { "abc", 6, "6 pt" }, { "200", 144, "144 pt" }, { "12.6 pt", 12.6, "13 pt" },
        { " 18pt ", 18, "18 pt" }, { "3", 6, "6 pt" }, { "", 6, "6 pt" }, { "nan", 6, "6 pt" },
        { "-inf", 6, "6 pt" }, { "144", 144, "144 pt" }, { "6", 6, "6 pt" } };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        const double size = BXWriterBar::fontSizeFromText(QString::fromUtf8(c.typed));
        EXPECT_DOUBLE_EQ(size, c.size);
        EXPECT_EQ(BXWriterBar::fontSizeText(size), QString::fromUtf8(c.shown));
    }
}

TEST_F(WriterBarTest, ControlsInOrderWithTheirSizesTipsAndSymbols)
{
    showNote(QStringLiteral("Plain"));
    EXPECT_EQ(bar->view()->height(), 40);
    EXPECT_EQ(controller->bars()->infoBar()->height(), 22);
    // Info bar, writer bar, then the text, from the top.
    EXPECT_EQ(controller->bars()->infoBar()->geometry().bottom() + 1, bar->view()->y());
    QWidget* window = controller->mainWindow();
    EXPECT_EQ(bar->view()->mapTo(window, QPoint(0, bar->view()->height())).y(),
        textView->mapTo(window, QPoint()).y());
    const QList<QWidget*> order { bar->fontPopupButton(), bar->fontSizeTextField(),
        bar->fontSizeStepper(), bar->textColorButton(), bar->defaultStyleButton(),
        bar->formatButton(), static_cast<QWidget*>(bar->appearanceControl()) };
    for (int i = 1; i < order.size(); ++i)
        EXPECT_LT(order[i - 1]->geometry().right(), order[i]->x()) << i;
    EXPECT_EQ(bar->fontPopupButton()->size(), QSize(170, 22));
    EXPECT_EQ(bar->fontSizeTextField()->size(), QSize(60, 22));
    EXPECT_EQ(bar->fontSizeStepper()->x(), bar->fontSizeTextField()->geometry().right() + 1);
    EXPECT_EQ(bar->textColorButton()->size(), QSize(22, 22));
    EXPECT_EQ(bar->textColorButton()->iconSize(), QSize(18, 18));
    EXPECT_EQ(bar->appearanceControl()->width(0), 32);
    EXPECT_EQ(bar->view()->width() - 1 - bar->appearanceControl()->geometry().right(), 12);
    EXPECT_EQ(bar->textColorButton()->toolTip(), QStringLiteral("Click to choose a text color"));
    EXPECT_EQ(bar->defaultStyleButton()->toolTip(),
        QStringLiteral("Apply default style to selected text"));
    EXPECT_EQ(platform::SymbolIcon::symbolName(bar->defaultStyleButton()->icon()),
        QStringLiteral("textformat"));
    // Default Style keeps its title while every control fits, and its symbol alone otherwise.
    controller->mainWindow()->resize(1400, 720);
    settle();
    EXPECT_EQ(bar->defaultStyleButton()->text(), QStringLiteral("Default Style"));
    controller->mainWindow()->resize(900, 720);
    settle();
    EXPECT_TRUE(bar->defaultStyleButton()->text().isEmpty());
    EXPECT_EQ(platform::SymbolIcon::symbolName(bar->formatButton()->icon()),
        QStringLiteral("ellipsis.circle"));
    EXPECT_EQ(platform::SymbolIcon::symbolName(bar->appearanceControl()->icon(1)),
        QStringLiteral("moon"));
    // Every family in its own font at 13 pt.
    const QAction* serif = bar->fontPopupButton()->itemWithTitle(kSerif);
    ASSERT_TRUE(serif);
    EXPECT_EQ(serif->font().family(), kSerif);
    EXPECT_EQ(serif->font().pointSizeF(), 13);
}

TEST_F(WriterBarTest, SizeFieldAppliesTheClampedSizeToTheSelection)
{
    showNote(QStringLiteral("Some words here"));
    textView->setSelectedRange({ 0, 4 });
    for (const auto& [typed, applied, shown] : { std::tuple { "abc", 6.0, "6 pt" },
             { "200", 144.0, "144 pt" }, { "12.6 pt", 12.6, "13 pt" } }) {
        SCOPED_TRACE(typed);
        bar->fontSizeTextField()->setText(QString::fromUtf8(typed));
        bar->fontSizeTextFieldAction();
        EXPECT_DOUBLE_EQ(fontAt(0)->pointSizeF(), applied);
        EXPECT_EQ(bar->fontSizeTextField()->text(), QString::fromUtf8(shown));
        EXPECT_EQ(undoName(), QStringLiteral("Set Font"));
    }
    // The rest of the text keeps its size.
    EXPECT_NE(fontAt(5).value_or(QFont()).pointSizeF(), 12.6);
}

TEST_F(WriterBarTest, EmptyTextShowsTheDefaultFontSizeAndAnUnreadableOneCountsAsAbsent)
{
    showNote(QStringLiteral("Anything"));
    controller->setTextStorage(nullptr);
    bar->fontSizeTextField()->setText(QStringLiteral("99 pt"));
    bar->updateFontSizeControl();
    const double registered = BXDocument::defaultStringAttributes().characters.fontPointSize();
    EXPECT_EQ(bar->fontSizeTextField()->text(), BXWriterBar::fontSizeText(registered));

    platform::UserDefaults::standard().setData(DefaultFont, QByteArrayLiteral("not a font"));
    bar->fontSizeTextField()->setText(QStringLiteral("99 pt"));
    bar->updateFontSizeControl();
    EXPECT_EQ(bar->fontSizeTextField()->text(), QStringLiteral("99 pt"));
    platform::UserDefaults::standard().removeObject(DefaultFont);
}

TEST_F(WriterBarTest, FamilyChoiceTakesTheSizeOfTheFirstCharacter)
{
    showNote(QStringLiteral("Big start, small rest"));
    setFont({ 0, 3 }, kMono, 20);
    setFont({ 3, 18 }, kMono, 11);
    // A caret in the small part: the typing style gets the family at the first character's
    // size, and the text is left alone.
    textView->setSelectedRange({ 15, 0 });
    const QByteArray before = noteTitled(QStringLiteral("Big start, small rest"))->noteStyles();
    bar->fontPopupAction(kSerif);
    const QFont typing = textView->typingAttributes().font();
    EXPECT_EQ(typing.family(), kSerif);
    EXPECT_DOUBLE_EQ(typing.pointSizeF(), 20);
    EXPECT_EQ(noteTitled(QStringLiteral("Big start, small rest"))->noteStyles(), before);
    EXPECT_EQ(bar->fontPopupButton()->title(), kSerif);
    // A selection takes the size of its own first character.
    textView->setSelectedRange({ 11, 5 });
    bar->fontPopupAction(kSerif);
    EXPECT_EQ(fontAt(11)->family(), kSerif);
    EXPECT_DOUBLE_EQ(fontAt(11)->pointSizeF(), 11);
    EXPECT_EQ(undoName(), QStringLiteral("Set Font"));
}

TEST_F(WriterBarTest, SizeChangeOverMixedFontsGivesTheFirstFontToAll)
{
    showNote(QStringLiteral("serif and mono"));
    setFont({ 0, 5 }, kSerif, 12);
    setFont({ 5, 9 }, kMono, 16);
    textView->setSelectedRange({ 0, 14 });
    bar->fontSizeStepper()->setValue(17);
    bar->fontSizeStepperAction();
    for (qsizetype index : { 0, 7, 13 }) {
        SCOPED_TRACE(index);
        EXPECT_EQ(fontAt(index)->family(), kSerif);
        EXPECT_DOUBLE_EQ(fontAt(index)->pointSizeF(), 17);
    }
    EXPECT_EQ(bar->fontSizeTextField()->text(), QStringLiteral("17 pt"));
}

TEST_F(WriterBarTest, PaletteBlackIsTheDefaultColourAndPaintsLightInDark)
{
    showNote(QStringLiteral("Coloured words"));
    QTest::mouseClick(bar->appearanceControl()->buttonForSegment(1), Qt::LeftButton);
    textView->setSelectedRange({ 0, 14 });
    bar->colorCellClicked(BXTextColorPopover::paletteColors().at(15));
    EXPECT_EQ(colorAt(0).value<QColor>(), BXTextColorPopover::paletteColors().at(15));
    EXPECT_EQ(undoName(), QStringLiteral("Set Color"));
    bar->colorCellClicked(BXTextColorPopover::paletteColors().last());
    EXPECT_FALSE(colorAt(0).isValid());
    // The swatch draws black; the text itself is drawn in the dark editor's light colour.
    EXPECT_EQ(bar->textColorButton()->icon().pixmap(18).toImage().pixelColor(9, 9), Qt::black);
    textView->setSelectedRange({ 14, 0 });
    settle();
    const QImage shot = textView->viewport()->grab().toImage();
    int light = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x)
            light += shot.pixelColor(x, y).lightness() > 150;
    }
    EXPECT_GT(light, 20);
    screenshot(QStringLiteral("writerbar-dark-editor.png"));

    // A note window's bar keeps black as black.
    BXWriterBar noteBar(textView, BXWriterBar::Options::noteWindow(), nullptr);
    textView->setSelectedRange({ 0, 8 });
    noteBar.colorCellClicked(BXTextColorPopover::paletteColors().last());
    EXPECT_EQ(colorAt(0).value<QColor>(), QColor(Qt::black));
    delete noteBar.view();
}

TEST_F(WriterBarTest, AppearanceIsWrittenOnlyWhenTheUserChoosesIt)
{
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    showNote(QStringLiteral("Light or dark"));
    EXPECT_FALSE(defaults.objectForKey(BXEditorAppearance).isValid());
    EXPECT_EQ(textView->appearance(), platform::TextView::Appearance::System);
    const bool systemDark = QApplication::palette().color(QPalette::Window).lightness() < 128;
    EXPECT_EQ(bar->appearanceControl()->selectedSegment(), systemDark ? 1 : 0);
    bar->updateAppearanceControl();
    EXPECT_FALSE(defaults.objectForKey(BXEditorAppearance).isValid());

    QTest::mouseClick(bar->appearanceControl()->buttonForSegment(1), Qt::LeftButton);
    EXPECT_EQ(defaults.integerForKey(BXEditorAppearance), 1);
    EXPECT_EQ(textView->appearance(), platform::TextView::Appearance::Dark);
    // A stored value that is neither 0 nor 1 is dark, on the segment that exists.
    for (const auto& [stored, segment] : { std::pair { 0, 0 }, { 5, 1 }, { -1, 1 } }) {
        defaults.setInteger(BXEditorAppearance, stored);
        bar->updateAppearanceControl();
        EXPECT_EQ(bar->appearanceControl()->selectedSegment(), segment) << stored;
        EXPECT_EQ(defaults.integerForKey(BXEditorAppearance), stored);
    }
}

TEST_F(WriterBarTest, DefaultStyleIsEnabledOnlyWhileTheTextHasTheFocus)
{
    showNote(QStringLiteral("Style me"));
    QAction item;
    platform::CommandRouter::setAction(&item, BXWriterBar::kSetDefaultStyleAction);
    EXPECT_TRUE(platform::CommandRouter::shared().validateSender(&item));
    controller->notesTableView()->setFocus();
    EXPECT_FALSE(platform::CommandRouter::shared().validateSender(&item));
}

TEST_F(WriterBarTest, DefaultStyleResetsTheSelectionAsOneUndoStep)
{
    showNote(QStringLiteral("Underlined words"));
    setFont({ 0, 10 }, kMono, 30);
    textView->setSelectedRange({ 0, 10 });
    settle();
    bar->colorCellClicked(BXTextColorPopover::paletteColors().at(12));
    settle();
    textView->performUserEdit(QStringLiteral("Underline"), [this] {
        AttributedText::addAttribute(
            *textView->mirror(), AttributedText::UnderlineStyleAttributeName, 1, { 0, 10 });
    });
    settle();
    const QByteArray styled = noteTitled(QStringLiteral("Underlined words"))->noteStyles();

    // A note window's Default Style replaces font and colour only.
    BXWriterBar noteBar(textView, BXWriterBar::Options::noteWindow(), nullptr);
    noteBar.setDefaultStyle();
    settle();
    const QFont defaultFont = BXDocument::defaultStringAttributes().characters.font();
    EXPECT_EQ(fontAt(0)->family(), defaultFont.family());
    EXPECT_FALSE(colorAt(0).isValid());
    EXPECT_TRUE(AttributedText::attribute(
        *textView->textStorage(), AttributedText::UnderlineStyleAttributeName, 0)
                    .isValid());
    delete noteBar.view();

    bar->setDefaultStyle();
    settle();
    EXPECT_EQ(undoName(), QStringLiteral("Default Style"));
    EXPECT_FALSE(AttributedText::attribute(
        *textView->textStorage(), AttributedText::UnderlineStyleAttributeName, 0)
                     .isValid());
    controller->windowWillReturnUndoManager()->undo();
    settle();
    controller->windowWillReturnUndoManager()->undo();
    settle();
    EXPECT_EQ(noteTitled(QStringLiteral("Underlined words"))->noteStyles().toStdString(),
        styled.toStdString());
}

TEST_F(WriterBarTest, NoteWindowBarChangesFontAndSizeOfTheSelectionOnly)
{
    showNote(QStringLiteral("Only the selection"));
    BXWriterBar noteBar(textView, BXWriterBar::Options::noteWindow(), nullptr);
    EXPECT_EQ(noteBar.view()->height(), 32);
    textView->setSelectedRange({ 5, 0 });
    const QTextCharFormat typing = textView->typingAttributes();
    noteBar.fontPopupAction(kSerif);
    noteBar.applyFontSize(30);
    EXPECT_EQ(textView->typingAttributes(), typing);
    textView->setSelectedRange({ 0, 4 });
    noteBar.fontPopupAction(kSerif);
    noteBar.applyFontSize(30);
    EXPECT_EQ(fontAt(0)->family(), kSerif);
    EXPECT_DOUBLE_EQ(fontAt(0)->pointSizeF(), 30);
    EXPECT_NE(fontAt(5).value_or(QFont()).family(), kSerif);
    delete noteBar.view();
}

TEST_F(WriterBarTest, PickedFamilySizeAndColourAreKeptAfterReopening)
{
    showNote(QStringLiteral("Kept formatting\nsecond line"));
    textView->setFocus();
    textView->setSelectedRange({ 0, 4 });
    QTest::keyClick(textView, Qt::Key_Right, Qt::ShiftModifier);
    ASSERT_EQ(textView->selectedRange(), (TextRange { 0, 5 }));

    bar->fontPopupButton()->itemWithTitle(kSerif)->trigger();
    QLineEdit* field = bar->fontSizeTextField();
    QTest::mouseDClick(field, Qt::LeftButton);
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("18"));
    QTest::keyClick(field, Qt::Key_Return);
    QTest::mouseClick(bar->textColorButton(), Qt::LeftButton);
    BXTextColorPopover* palette = bar->textColorPopover();
    ASSERT_TRUE(palette->isVisible());
    // The button closes the palette it opened.
    QTest::mouseClick(bar->textColorButton(), Qt::LeftButton);
    EXPECT_FALSE(palette->isVisible());
    QTest::mouseClick(bar->textColorButton(), Qt::LeftButton);
    ASSERT_TRUE(palette->isVisible());
    screenshotWithPalette();
    QTest::mouseClick(palette, Qt::LeftButton, {}, BXTextColorPopover::swatchRect(2, 3).center());
    EXPECT_FALSE(palette->isVisible());
    settle();

    save();
    closeWindow();
    openWindow();
    select({ noteTitled(QStringLiteral("Kept formatting")) });
    ASSERT_TRUE(fontAt(0));
    EXPECT_EQ(fontAt(0)->family(), kSerif);
    EXPECT_DOUBLE_EQ(fontAt(4)->pointSizeF(), 18);
    EXPECT_EQ(colorAt(2).value<QColor>().rgb(), BXTextColorPopover::paletteColors().at(15).rgb());
    EXPECT_NE(fontAt(6).value_or(QFont()).family(), kSerif);
    // The bar reads the shown note back.
    textView->setSelectedRange({ 0, 3 });
    EXPECT_EQ(
        controller->bars()->writerBar()->fontSizeTextField()->text(), QStringLiteral("18 pt"));
    EXPECT_EQ(controller->bars()->writerBar()->fontPopupButton()->title(), kSerif);
}

// However narrow the bar, no control is drawn over another or past the bar's end: controls are
// left out, the trailing ones first, and the gap of a left-out control goes with it. The size
// field and its stepper stay longest.
TEST_F(WriterBarTest, NarrowBarsLeaveControlsOutRatherThanOverlapThem)
{
    showNote(QStringLiteral("Narrow"));
    QWidget host;
    BXWriterBar narrow(textView, BXWriterBar::Options::noteWindow(), &host);
    const QList<QWidget*> controls = { narrow.fontPopupButton(), narrow.fontSizeTextField(),
        narrow.fontSizeStepper(), narrow.textColorButton(), narrow.defaultStyleButton(),
        narrow.formatButton(), narrow.appearanceControl() };
    const struct {
        int width;
        bool fieldShown;
    } cases[] = { { 240, true }, { 200, true }, { 180, true }, { 150, true }, { 120, true },
        { 100, true }, { 60, false } };
    host.show();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        narrow.view()->resize(c.width, narrow.view()->height());
        QCoreApplication::processEvents();
        QList<QRect> shown;
        for (const QWidget* control : controls) {
            if (control->isHidden())
                continue;
            const QRect frame = control->geometry();
            EXPECT_GE(frame.left(), 0) << control->metaObject()->className();
            EXPECT_LE(frame.right(), c.width - 1) << control->metaObject()->className();
            for (const QRect& other : std::as_const(shown))
                EXPECT_FALSE(frame.intersects(other)) << control->metaObject()->className();
            shown << frame;
        }
        EXPECT_EQ(!narrow.fontSizeTextField()->isHidden(), c.fieldShown);
        EXPECT_EQ(!narrow.fontSizeStepper()->isHidden(), c.fieldShown);
        if (c.width == 200)
            bxtest::saveScreenshot(narrow.view()->grab().toImage(), u"writer-bar-200"_qs);
    }
    // Widened again, every control is back.
    narrow.view()->resize(900, narrow.view()->height());
    QCoreApplication::processEvents();
    for (const QWidget* control : controls)
        EXPECT_FALSE(control->isHidden()) << control->metaObject()->className();
}

} // namespace
