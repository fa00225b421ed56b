#include "NoteWindowFixture.h"

#include "mainwindow/BXBottomBarController.h"
#include "mainwindow/editor/BXFormatMenu.h"
#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/notewindow/BXNoteWindowBars.h"
#include "mainwindow/notewindow/BXNoteWindowToolbar.h"
#include "mainwindow/editor/BXTextColorPopover.h"
#include "mainwindow/editor/BXWriterBar.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/tags/BXCategoryToken.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/tags/BXTagsController.h"

#include "document/model/BXCategory.h"
#include "document/BXDefaults.h"

#include "platform/appkit/RulerView.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/TokenField.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/ToolbarItem.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QTest>
#include <QToolButton>

using platform::AttributedText;

namespace {

class NoteWindowBarsTest : public NoteWindowFixture {
protected:
    void SetUp() override
    {
        NoteWindowFixture::SetUp();
        platform::UserDefaults::standard().removeObject(BXEditorAppearance);
    }

    void TearDown() override
    {
        NoteWindowFixture::TearDown();
        platform::UserDefaults::standard().removeObject(BXEditorAppearance);
    }

    BXNoteWindowController* openOn(const QString& title)
    {
        BXNoteWindowController* window = openNoteWindow(noteTitled(title));
        if (window)
            bars = window->bars();
        return window;
    }

    QVariant attributeAt(BXTextView* view, const QString& name, qsizetype index) const
    {
        return AttributedText::attribute(*view->textStorage(), name, index);
    }

    static QStringList shown(const platform::TokenField* field)
    {
        QStringList names;
        for (const QVariant& entry : field->objectValue()) {
            const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(entry);
            names.append(token ? token->categoryName() : entry.toString());
        }
        return names;
    }

    static QStringList tagsOf(const std::shared_ptr<BXNote>& note)
    {
        QStringList names;
        for (const platform::ManagedObjectPtr& category :
            note->relatedObjects(BXNote::CategoriesKey))
            names.append(static_cast<BXCategory*>(category.get())->categoryName());
        names.sort();
        return names;
    }

    // Gives `note` two new categories, shown in the main window.
    platform::ManagedObjectPtr tagWorkAndWriting(const std::shared_ptr<BXNote>& note)
    {
        BXCategoriesArrayController* categories = controller->categoriesController();
        platform::ManagedObjectPtr work
            = categories->newCategoryWithName(QStringLiteral("Work"), false);
        platform::ManagedObjectPtr writing
            = categories->newCategoryWithName(QStringLiteral("Writing"), false);
        note->setCategories({ work, writing });
        select({ note });
        settle();
        return work;
    }

    static platform::Command command(const QString& action)
    {
        platform::Command made;
        made.action = action;
        return made;
    }

    BXNoteWindowBars* bars = nullptr;
};

TEST_F(NoteWindowBarsTest, WriterBarClampsSizesAndStylesOnlyThisWindow)
{
    makeFile({ QStringLiteral("Some words to style"), QStringLiteral("Other") });
    openWindow();
    BXNoteWindowController* window = openOn(QStringLiteral("Some words to style"));
    ASSERT_TRUE(window);
    BXTextView* view = window->noteTextView();
    BXWriterBar* bar = bars->writerBar();

    // The info bar, then the writer bar, then the text, touching.
    EXPECT_EQ(bars->infoBar()->height(), BXNoteWindowBars::kInfoBarHeight);
    EXPECT_EQ(bar->view()->height(), 32);
    EXPECT_EQ(bars->infoBar()->geometry().bottom() + 1, bar->view()->y());
    EXPECT_EQ(view->mapTo(bar->view()->parentWidget(), QPoint()).y(), 54);
    EXPECT_EQ(bars->infoBar()->infoTextField()->text(),
        BXInfoBarView::stringFromDate(window->noteItem()->noteModified()));

    view->setFocus();
    view->setSelectedRange({ 0, 4 });
    for (const auto& [typed, size] :
        { std::pair { "200 pt", 144.0 }, { "3", 6.0 }, { "abc", 6.0 }, { "20", 20.0 } }) {
        bar->fontSizeTextField()->setText(QString::fromLatin1(typed));
        QTest::keyClick(bar->fontSizeTextField(), Qt::Key_Return);
        EXPECT_EQ(
            attributeAt(view, AttributedText::FontAttributeName, 0).value<QFont>().pointSizeF(),
            size)
            << typed;
    }
    EXPECT_EQ(bar->fontSizeTextField()->text(), QStringLiteral("20 pt"));

    // Default Style, sent to the window, replaces font and colour and keeps the underline.
    view->setSelectedRange({ 0, 10 });
    bar->colorCellClicked(BXTextColorPopover::paletteColors().at(12));
    view->performUserEdit(QStringLiteral("Underline"), [view] {
        AttributedText::addAttribute(
            *view->mirror(), AttributedText::UnderlineStyleAttributeName, 1, { 0, 10 });
    });
    platform::Command defaultStyle = command(BXWriterBar::kSetDefaultStyleAction);
    QApplication::setActiveWindow(window->noteWindow());
    view->setFocus();
    ASSERT_TRUE(window->respondsTo(defaultStyle.action));
    EXPECT_EQ(window->validate(defaultStyle), true);
    window->perform(defaultStyle);
    settle();
    EXPECT_EQ(attributeAt(view, AttributedText::FontAttributeName, 0).value<QFont>().family(),
        BXDocument::defaultStringAttributes().characters.font().family());
    EXPECT_NE(attributeAt(view, AttributedText::ForegroundColorAttributeName, 0).value<QColor>(),
        BXTextColorPopover::paletteColors().at(12));
    EXPECT_TRUE(attributeAt(view, AttributedText::UnderlineStyleAttributeName, 0).isValid());

    // Dark in this window alone; black stays black; the ruler follows the text.
    view->setRulerVisible(true);
    QTest::mouseClick(bar->appearanceControl()->buttonForSegment(1), Qt::LeftButton);
    EXPECT_EQ(view->appearance(), platform::TextView::Appearance::Dark);
    EXPECT_EQ(textView->appearance(), platform::TextView::Appearance::System);
    EXPECT_EQ(platform::UserDefaults::standard().integerForKey(BXEditorAppearance), 1);
    EXPECT_EQ(view->rulerView()->palette().color(QPalette::WindowText),
        view->palette().color(QPalette::Text));
    bar->colorCellClicked(BXTextColorPopover::paletteColors().last());
    EXPECT_EQ(attributeAt(view, AttributedText::ForegroundColorAttributeName, 0).value<QColor>(),
        QColor(Qt::black));
    // The colour panel's choice reaches this window's text.
    platform::Command changeColor = command(QStringLiteral("changeColor:"));
    changeColor.representedObject = QColor(Qt::red);
    ASSERT_TRUE(window->respondsTo(changeColor.action));
    window->perform(changeColor);
    EXPECT_EQ(attributeAt(view, AttributedText::ForegroundColorAttributeName, 0).value<QColor>(),
        QColor(Qt::red));
    bar->colorCellClicked(BXTextColorPopover::paletteColors().last());
    grabWindow(window->noteWindow(), QStringLiteral("notewindow-dark-ruler.png"));

    // A palette change reaches the ruler without the bar.
    view->setAppearance(platform::TextView::Appearance::System);
    QEvent change(QEvent::PaletteChange);
    QApplication::sendEvent(window->noteWindow(), &change);
    EXPECT_EQ(view->rulerView()->palette().color(QPalette::WindowText),
        QPalette().color(QPalette::WindowText));
}

TEST_F(NoteWindowBarsTest, FormatButtonOpensTheWindowsOwnMenuUnderIt)
{
    makeFile({ QStringLiteral("Format me") });
    openWindow();
    BXNoteWindowController* window = openOn(QStringLiteral("Format me"));
    ASSERT_TRUE(window);
    // Clear of the screen's edges, which would push the menu back.
    window->noteWindow()->setGeometry(100, 100, 700, 450);
    QToolButton* button = bars->writerBar()->formatButton();
    QTest::mouseClick(button, Qt::LeftButton);
    QMenu* menu = bars->formatMenu()->formatPopupMenu();
    ASSERT_TRUE(menu);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(menu->parentWidget(), window->noteWindow());
    EXPECT_NE(menu, controller->formatPopupMenuIfNeeded());
    EXPECT_EQ(
        menu->pos(), button->mapToGlobal(QPoint(0, button->height() + BXFormatMenu::kPopUpOffset)));
    menu->close();
}

TEST_F(NoteWindowBarsTest, TagsBarShowsTheNotesTagsFollowsRenamesAndCommitsOnClose)
{
    makeFile({ QStringLiteral("Alpha"), QStringLiteral("Beta") });
    openWindow();
    const auto alpha = noteTitled(QStringLiteral("Alpha"));
    const platform::ManagedObjectPtr work = tagWorkAndWriting(alpha);
    alpha->setValue(true, BXNote::WindowTagsVisibleKey);
    BXNoteWindowController* window = openOn(QStringLiteral("Alpha"));
    ASSERT_TRUE(window);
    platform::TokenField* field = bars->tagsController()->tokenField();
    ASSERT_TRUE(field);

    EXPECT_TRUE(bars->isTagsBarVisible()) << "shown as the note stored it";
    EXPECT_EQ(shown(field), shown(controller->tagsController()->tokenField()));
    EXPECT_EQ(shown(field).size(), 2);
    ASSERT_TRUE(controller->categoriesController()->renameCategory(work, QStringLiteral("Job")));
    settle();
    EXPECT_TRUE(shown(field).contains(QStringLiteral("Job")));
    EXPECT_TRUE(shown(controller->tagsController()->tokenField()).contains(QStringLiteral("Job")));
    grabWindow(window->noteWindow(), QStringLiteral("notewindow-bars.png"));

    // The toolbar's Tags item and the menu title follow the bar.
    platform::ToolbarItem* item
        = window->toolbarDelegate()->toolbar()->itemWithIdentifier(BXNoteWindowToolbar::TagsItem);
    ASSERT_TRUE(item);
    item->validate();
    EXPECT_TRUE(item->isEnabled());
    EXPECT_EQ(
        window->titleFor(command(QStringLiteral("toggleTagsBar:"))), QStringLiteral("Hide Tags"));
    window->perform(command(QStringLiteral("toggleTagsBar:")));
    settle(1);
    EXPECT_FALSE(bars->isTagsBarVisible());
    EXPECT_EQ(
        window->titleFor(command(QStringLiteral("toggleTagsBar:"))), QStringLiteral("Show Tags"));
    window->perform(command(QStringLiteral("toggleTagsBar:")));
    settle(1);
    EXPECT_TRUE(bars->isTagsBarVisible());
    EXPECT_FALSE(bars->bottomBarController()->isAnimating());

    // A tag typed but not yet confirmed is applied when the window closes.
    controller->categoriesController()->newCategoryWithName(QStringLiteral("Ideas"), false);
    QApplication::setActiveWindow(window->noteWindow());
    QTest::mouseClick(field, Qt::LeftButton, {}, QPoint(field->width() - 5, field->height() / 2));
    QTest::keyClicks(field, QStringLiteral("Ideas"));
    EXPECT_FALSE(window->registeredEditors().isEmpty());
    window->close();
    settle();
    EXPECT_EQ(tagsOf(alpha), QStringList({ "Ideas", "Job", "Writing" }));
    EXPECT_TRUE(alpha->valueForKey(BXNote::WindowTagsVisibleKey).toBool());
}

TEST_F(NoteWindowBarsTest, SpellingAndHashtagsWorkFromTheNoteWindow)
{
    makeFile({ QStringLiteral("Alpha #idea"), QStringLiteral("Beta") });
    openWindow();
    BXNoteWindowController* window = openOn(QStringLiteral("Alpha #idea"));
    ASSERT_TRUE(window);
    BXTextView* view = window->noteTextView();

    ASSERT_TRUE(window->respondsTo(QStringLiteral("showGuessPanel:")));
    window->perform(command(QStringLiteral("showGuessPanel:")));
    ASSERT_TRUE(bars->spellingPanel());
    EXPECT_TRUE(bars->spellingPanel()->isVisible());
    EXPECT_EQ(bars->spellingPanel()->textView(), view);
    bars->spellingPanel()->close();

    select({ noteTitled(QStringLiteral("Beta")) });
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->characterRect(8).center());
    settle();
    EXPECT_EQ(controller->searchString(), QStringLiteral("#idea"));
    EXPECT_EQ(controller->notesController()->arrangedObjects().size(), 1);
}

} // namespace
