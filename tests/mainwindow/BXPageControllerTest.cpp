#include "MainWindowFixture.h"

#include "mainwindow/history/BXMainWindowHistory.h"
#include "mainwindow/history/BXPageController.h"
#include "mainwindow/BXUnderpageView.h"

#include "lists/noteslist/BXNotesArrayController.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/SegmentedControl.h"

#include "support/TestEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QWheelEvent>

using platform::ManagedObjectPtr;

namespace {

class BXPageControllerTest : public MainWindowFixture {
protected:
    BXPageController* pages() const { return controller->history()->pageController(); }

    void openWithNotes()
    {
        makeFile({ QStringLiteral("Apple"), QStringLiteral("Banana"), QStringLiteral("Cherry") });
        openWindow();
        apple = noteTitled(QStringLiteral("Apple"));
        banana = noteTitled(QStringLiteral("Banana"));
        cherry = noteTitled(QStringLiteral("Cherry"));
    }

    QStringList historyTitles() const
    {
        QStringList titles;
        for (const ManagedObjectPtr& entry : pages()->arrangedObjects())
            titles << controller->history()->itemTitle(entry);
        return titles;
    }

    void swipe(int dx)
    {
        QWidget* viewport = textView->viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent event(at, viewport->mapToGlobal(at), QPoint(), QPoint(dx, 0), Qt::NoButton,
            Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &event);
        scheduler.advance(1);
        settle();
    }

    std::shared_ptr<BXNote> apple, banana, cherry;
};

TEST_F(BXPageControllerTest, ShownNotesMakeTheHistoryWithoutRepeats)
{
    openWithNotes();
    select({ apple });
    select({ banana });
    select({ cherry });
    const QStringList visited = historyTitles();
    ASSERT_GE(visited.size(), 3);
    EXPECT_EQ(visited.mid(visited.size() - 3),
        (QStringList {
            QStringLiteral("Apple"), QStringLiteral("Banana"), QStringLiteral("Cherry") }));

    // A note already in the history is gone back to, not added again.
    select({ apple });
    EXPECT_EQ(historyTitles(), visited);
    EXPECT_EQ(pages()->selectedItem(), apple);

    pages()->setArrangedObjects({ apple, banana, apple, cherry, banana });
    pages()->setSelectedIndex(3);
    pages()->removeHistoryDuplicates();
    EXPECT_EQ(historyTitles(),
        (QStringList {
            QStringLiteral("Apple"), QStringLiteral("Banana"), QStringLiteral("Cherry") }));
    EXPECT_EQ(pages()->selectedItem(), cherry) << "the current entry stays current";

    // Going forward from the middle drops what lay ahead.
    pages()->setSelectedIndex(0);
    pages()->navigateForwardToObject(cherry);
    EXPECT_EQ(historyTitles(), (QStringList { QStringLiteral("Apple"), QStringLiteral("Cherry") }));
}

TEST_F(BXPageControllerTest, HistoryMenuListsEntriesMarksDeletedOnesAndClears)
{
    openWithNotes();
    pages()->setArrangedObjects({ apple, banana, cherry });
    pages()->setSelectedIndex(2);
    document->deleteNotes({ banana });

    QMenu menu;
    pages()->attachHistoryMenu(&menu);
    menu.popup(controller->mainWindow()->mapToGlobal(QPoint(40, 40)));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    menu.grab().save(QCoreApplication::applicationDirPath()
        + QStringLiteral("/editordelegate-history-menu.png"));
    menu.close();
    const QList<QAction*> items = menu.actions();
    ASSERT_EQ(items.size(), pages()->numberOfItemsInHistoryMenu());
    const struct {
        QString title;
        int tag;
        bool checked;
        bool enabled;
    } expected[] = { { QStringLiteral("Apple"), 0, false, true },
        { QStringLiteral("Banana (deleted)"), BXPageController::kUnavailableTag, false, false },
        { QStringLiteral("Cherry"), 2, true, true } };
    for (int index = 0; index < 3; ++index) {
        SCOPED_TRACE(index);
        EXPECT_EQ(items.at(index)->text(), expected[index].title);
        EXPECT_EQ(platform::CommandRouter::tag(items.at(index)), expected[index].tag);
        EXPECT_EQ(items.at(index)->isChecked(), expected[index].checked);
        EXPECT_EQ(items.at(index)->isEnabled(), expected[index].enabled);
    }
    EXPECT_TRUE(items.at(3)->isSeparator());
    EXPECT_EQ(items.at(4)->text(), QStringLiteral("Clear History"));
    EXPECT_TRUE(items.at(4)->isEnabled());

    // The menu's first entry goes to Apple; the deleted one goes nowhere.
    items.at(0)->trigger();
    settle();
    EXPECT_EQ(controller->selectedNote(), apple);
    pages()->navigate(BXPageController::kUnavailableTag);
    EXPECT_EQ(pages()->selectedItem(), apple);

    // Items are made anew each time the menu opens.
    menu.actions().last()->trigger();
    EXPECT_EQ(pages()->arrangedObjects(), QList<ManagedObjectPtr> { apple });
    emit menu.aboutToShow();
    EXPECT_FALSE(menu.actions().last()->isEnabled()) << "one entry: nothing to clear";
}

TEST_F(BXPageControllerTest, SwipesMoveThroughTheHistoryAndGiveTheFocusBack)
{
    openWithNotes();
    select({ apple });
    select({ banana });
    select({ cherry });
    pages()->setArrangedObjects({ apple, banana, cherry });
    pages()->setSelectedIndex(2);
    textView->setFocus();
    controller->notesTableView()->setFocus();
    textView->setFocus();
    ASSERT_TRUE(textView->hasFocus());

    swipe(120);
    EXPECT_EQ(controller->selectedNote(), banana);
    EXPECT_EQ(pages()->selectedItem(), banana);
    EXPECT_TRUE(textView->hasFocus());
    EXPECT_FALSE(controller->history()->swipeNavigating());

    swipe(-120);
    EXPECT_EQ(controller->selectedNote(), cherry);
    swipe(-120);
    EXPECT_EQ(controller->selectedNote(), cherry) << "nothing ahead";

    // A swipe onto a deleted note is not taken: the history stays on the shown note.
    document->deleteNotes({ banana });
    settle();
    select({ cherry });
    pages()->setArrangedObjects({ apple, banana, cherry });
    pages()->setSelectedIndex(2);
    swipe(120);
    EXPECT_EQ(pages()->selectedItem(), cherry);
    EXPECT_EQ(controller->selectedNote(), cherry);
}

TEST_F(BXPageControllerTest, BackAndForwardControlSendsItsTagsAndHasMenusAndTextForm)
{
    openWithNotes();
    platform::SegmentedControl control;
    pages()->setUpNavigationControl(&control);
    ASSERT_EQ(control.segmentCount(), 2);
    EXPECT_EQ(control.tag(0), BXPageController::kPreviousTag);
    EXPECT_EQ(control.tag(1), BXPageController::kNextTag);
    EXPECT_EQ(control.label(0), QStringLiteral("Back"));
    ASSERT_NE(control.menu(0), nullptr);
    ASSERT_NE(control.menu(1), nullptr);
    // The three notes are recent: both segments step through them.
    EXPECT_TRUE(control.isEnabled(0));
    EXPECT_TRUE(control.isEnabled(1));

    pages()->setArrangedObjects({ apple, apple, banana });
    emit control.menu(0)->aboutToShow();
    EXPECT_EQ(historyTitles(), (QStringList { QStringLiteral("Apple"), QStringLiteral("Banana") }));
    EXPECT_EQ(control.menu(0)->actions().size(), 4);

    QMenu* form = pages()->makeNavigationMenuForm(&control);
    EXPECT_EQ(form->title(), QStringLiteral("Back/Forward"));
    ASSERT_EQ(form->actions().size(), 2);
    EXPECT_EQ(platform::CommandRouter::tag(form->actions().at(0)), BXPageController::kPreviousTag);
    EXPECT_EQ(platform::CommandRouter::tag(form->actions().at(1)), BXPageController::kNextTag);
}

TEST_F(BXPageControllerTest, HistoryMenuOfTheWindowIsFilledWhenItOpens)
{
    openWithNotes();
    auto* bar = new QMenuBar;
    QMenu* history = bar->addMenu(QStringLiteral("History"));
    history->setObjectName(BXMainWindowHistory::kHistoryMenuName);
    controller->mainWindow()->setMenuBar(bar);
    select({ banana });
    emit history->aboutToShow();
    EXPECT_EQ(history->actions().size(), pages()->numberOfItemsInHistoryMenu());
    EXPECT_EQ(history->actions().last()->text(), QStringLiteral("Clear History"));
}

TEST_F(BXPageControllerTest, MarkdownAndTextDropsAreImportedAndSelected)
{
    const struct {
        QStringList names;
        bool accepted;
    } drops[] = { { { QStringLiteral("Notes.MD"), QStringLiteral("photo.png") }, true },
        { { QStringLiteral("a.markdown") }, true }, { { QStringLiteral("b.txt") }, true },
        { { QStringLiteral("photo.png"), QStringLiteral("Notes.md") }, false }, { {}, false } };
    for (const auto& drop : drops) {
        SCOPED_TRACE(drop.names.join(QLatin1Char(',')).toStdString());
        QList<QUrl> urls;
        for (const QString& name : drop.names)
            urls << QUrl::fromLocalFile(QStringLiteral("/tmp/") + name);
        EXPECT_EQ(BXUnderpageView::acceptsFiles(urls), drop.accepted);
    }

    openWithNotes();
    const QString folder = bxtest::makeTempFolder();
    QFile file(folder + QStringLiteral("/Dropped.md"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("# Dropped note\n\nFrom a file.\n");
    file.close();
    auto* pane = controller->mainWindow()->findChild<BXUnderpageView*>();
    ASSERT_NE(pane, nullptr);

    pane->askToImportFiles({ QUrl::fromLocalFile(file.fileName()) });
    ASSERT_EQ(alerts.pendingSheetCount(), 1);
    EXPECT_EQ(alerts.shown().back().alert.buttonTitles.first(), QStringLiteral("Import"));
    ASSERT_TRUE(alerts.answerSheet(controller->mainWindow(), 0));
    settle(0.2);
    settle(0.2);
    const std::shared_ptr<BXNote> selected = controller->selectedNote();
    ASSERT_TRUE(selected);
    EXPECT_TRUE(selected->noteTitle().contains(QStringLiteral("Dropped")));

    pane->askToImportFiles({ QUrl::fromLocalFile(file.fileName()) });
    const qsizetype count = controller->notesController()->arrangedObjects().size();
    ASSERT_TRUE(alerts.answerSheet(controller->mainWindow(), 1));
    settle();
    EXPECT_EQ(controller->notesController()->arrangedObjects().size(), count) << "cancelled";
}

} // namespace
