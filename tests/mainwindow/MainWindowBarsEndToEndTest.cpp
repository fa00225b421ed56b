#include "MainWindowFixture.h"

#include "mainwindow/BXBottomBarController.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "mainwindow/BXMainWindowValidation.h"
#include "mainwindow/editor/BXWriterBar.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"
#include "mainwindow/search/BXVibrantScopeBar.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/tags/BXCategoryToken.h"
#include "lists/tags/BXTagsController.h"

#include "document/model/BXCategory.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/TokenField.h"
#include "platform/appkit/Toolbar.h"
#include "platform/text/AttributedText.h"

#include "mainwindow/search/BXSearchScopeBarController.h"
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using platform::AttributedText;
using platform::Command;
using platform::CommandRouter;

namespace {

const QString kSerif = QStringLiteral("DejaVu Serif");

class MainWindowBarsEndToEndTest : public MainWindowFixture {
protected:
    struct Verdict {
        bool enabled;
        QString title;
        bool checked;
    };
    // What the router makes of a menu item with `action` and `tag` right now.
    Verdict validate(const QString& action, int tag = 0)
    {
        QAction item(QStringLiteral("untitled"));
        item.setCheckable(true);
        CommandRouter::setAction(&item, action, tag);
        const bool enabled = CommandRouter::shared().validateSender(&item);
        return { enabled, item.text(), item.isChecked() };
    }
    bool send(const QString& action, int tag = 0)
    {
        const bool sent = CommandRouter::shared().sendAction(Command { action, tag, {}, {} });
        settle(1);
        return sent;
    }
    void finishBarAnimations()
    {
        controller->bars()->bottomBarController()->view()->stopAnimation();
        for (auto* animation :
            controller->bars()->bottomBarController()->findChildren<QPropertyAnimation*>()) {
            if (animation->state() == QAbstractAnimation::Running)
                animation->setCurrentTime(animation->totalDuration());
        }
        settle();
    }
    std::optional<QFont> fontAt(qsizetype index) const
    {
        const QVariant font = AttributedText::attribute(
            *textView->textStorage(), AttributedText::FontAttributeName, index);
        return font.isValid() ? std::optional(font.value<QFont>()) : std::nullopt;
    }
    QStringList tagsOf(const QString& title) const
    {
        QStringList names;
        for (const platform::ManagedObjectPtr& category :
            noteTitled(title)->relatedObjects(BXNote::CategoriesKey))
            names << static_cast<BXCategory*>(category.get())->categoryName();
        return names;
    }
    QAction* menuItem(QMenu* menu, const QString& title) const
    {
        for (QAction* item : menu->actions()) {
            if (item->text() == title)
                return item;
            if (item->menu()) {
                if (QAction* inner = menuItem(item->menu(), title))
                    return inner;
            }
        }
        return nullptr;
    }
};

TEST_F(MainWindowBarsEndToEndTest, SearchFormatTagsAndTextSizeThroughTheWindowAreKept)
{
    makeFile({ QStringLiteral("Garden\nThe old lantern hangs by the door."),
        QStringLiteral("Shopping\nBuy a lantern and bread."),
        QStringLiteral("Letters\nDear Sam") });
    openWindow();
    BXBottomBarController* bottom = controller->bars()->bottomBarController();
    BXWriterBar* writer = controller->bars()->writerBar();
    ASSERT_TRUE(writer);
    // The tag editor's field sits in the bottom bar, which a new file shows.
    EXPECT_TRUE(bottom->tagsContainer()->isAncestorOf(controller->tagsController()->tokenField()));
    EXPECT_TRUE(bottom->isBarVisible());

    // A search slides the scope bar in; Find Next needs a search string.
    BXSearchField* field = controller->search()->searchField();
    EXPECT_FALSE(validate(QStringLiteral("continueSearch:"), 1).enabled);
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("lantern"));
    settle(1);
    EXPECT_EQ(controller->notesController()->arrangedObjects().size(), 2);
    const auto* count = controller->window()->findChild<QLabel*>(QStringLiteral("notesCount"));
    ASSERT_TRUE(count);
    EXPECT_EQ(count->text(), QStringLiteral("2 notes"));
    EXPECT_FALSE(controller->isSearchScopeBarHidden());
    const QString first = controller->selectedNote()->noteTitle();
    EXPECT_TRUE(validate(QStringLiteral("continueSearch:"), 1).enabled);
    EXPECT_TRUE(
        validate(QStringLiteral("changeSearchMode:"), BXMainWindowSearch::kWordsMode).checked);
    EXPECT_FALSE(validate(QStringLiteral("changeSearchMode:"), 2).checked);
    EXPECT_TRUE(send(QStringLiteral("continueSearch:"), 1));
    EXPECT_NE(controller->selectedNote()->noteTitle(), first);
    screenshot(QStringLiteral("mainwindow-search-scope-bar.png"));
    field->clear();
    settle(1);
    EXPECT_TRUE(controller->isSearchScopeBarHidden());
    EXPECT_EQ(controller->notesController()->arrangedObjects().size(), 3);

    // Family and size from the writer bar, then Bold from its Format button's menu.
    select({ noteTitled(QStringLiteral("Letters")) });
    textView->setFocus();
    textView->setSelectedRange({ 0, 7 });
    writer->fontPopupAction(kSerif);
    QLineEdit* size = writer->fontSizeTextField();
    size->selectAll();
    QTest::keyClicks(size, QStringLiteral("18"));
    QTest::keyClick(size, Qt::Key_Return);
    settle();
    textView->setFocus();
    writer->formatButton()->click();
    QMenu* format = controller->formatPopupMenuIfNeeded();
    EXPECT_TRUE(format->isVisible());
    QAction* bold = menuItem(format, QStringLiteral("Bold"));
    ASSERT_TRUE(bold);
    format->hide();
    settle();
    // Offscreen, the closed menu stays the active window.
    QApplication::setActiveWindow(controller->mainWindow());
    textView->setFocus();
    bold->trigger();
    settle();
    ASSERT_TRUE(fontAt(0));
    EXPECT_EQ(fontAt(0)->family(), kSerif);
    EXPECT_DOUBLE_EQ(fontAt(0)->pointSizeF(), 18);
    EXPECT_TRUE(fontAt(0)->bold());

    // The toolbar's Text Size goes through the text; it is off with the list focused.
    platform::ToolbarItem* sizes = controller->mainToolbar()->toolbar()->itemWithIdentifier(
        BXMainWindowToolbar::kTextSizeTool);
    ASSERT_TRUE(sizes);
    controller->mainToolbar()->toolbar()->validateVisibleItems();
    EXPECT_TRUE(sizes->isEnabled());
    auto* segments = qobject_cast<platform::SegmentedControl*>(sizes->view());
    ASSERT_TRUE(segments);
    segments->buttonForSegment(1)->click();
    settle();
    EXPECT_DOUBLE_EQ(fontAt(0)->pointSizeF(), 19);
    EXPECT_EQ(size->text(), QStringLiteral("19 pt"));

    // The tags bar hides and comes back, its title following it; a new tag is confirmed.
    EXPECT_EQ(controller->titleFor({ QStringLiteral("toggleTagsBar:"), 0, {}, {} }),
        QStringLiteral("Hide Tags"));
    EXPECT_TRUE(send(QStringLiteral("toggleTagsBar:")));
    finishBarAnimations();
    EXPECT_FALSE(bottom->isBarVisible());
    EXPECT_EQ(controller->titleFor({ QStringLiteral("toggleTagsBar:"), 0, {}, {} }),
        QStringLiteral("Show Tags"));
    EXPECT_TRUE(send(QStringLiteral("toggleTagsBar:")));
    finishBarAnimations();
    EXPECT_TRUE(bottom->isBarVisible());
    platform::TokenField* tokens = controller->tagsController()->tokenField();
    QTest::mouseClick(tokens, Qt::LeftButton, {}, tokens->rect().center());
    QTest::keyClicks(tokens, QStringLiteral("Errands"));
    ASSERT_TRUE(confirmNewTag(tokens));
    // Leaving the field ends the edit, which sets the tags.
    textView->setFocus();
    textView->setSelectedRange({ 0, 7 });
    settle();
    EXPECT_EQ(tagsOf(QStringLiteral("Letters")), QStringList { QStringLiteral("Errands") });
    screenshot(QStringLiteral("mainwindow-bars-final.png"));

    save();
    closeWindow();
    openWindow();
    select({ noteTitled(QStringLiteral("Letters")) });
    ASSERT_TRUE(fontAt(0));
    EXPECT_EQ(fontAt(0)->family(), kSerif);
    EXPECT_DOUBLE_EQ(fontAt(0)->pointSizeF(), 19);
    EXPECT_TRUE(fontAt(0)->bold());
    EXPECT_EQ(tagsOf(QStringLiteral("Letters")), QStringList { QStringLiteral("Errands") });
    EXPECT_TRUE(controller->bars()->bottomBarController()->isBarVisible());
}

} // namespace
