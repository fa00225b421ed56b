#include "AppTestSupport.h"

#include "app/BXBigButtonCell.h"
#include "app/BXMainMenu.h"
#include "app/BXRecentDocumentEntry.h"
#include "app/BXRecentDocumentsList.h"
#include "app/BXRecentDocumentsWindowController.h"
#include "app/BXWelcomeWindowController.h"
#include "app/BXWindowMenu.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/MenuAccessKeys.h"
#include "platform/appkit/SharingServices.h"
#include "platform/documents/WindowController.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using apptest::ControllerFixture;

namespace {

QStringList names(BXRecentDocumentsList& list)
{
    QStringList result;
    for (const auto& entry : list.recentsArrayController().arrangedObjects())
        result.append(entry->valueForKey(QStringLiteral("name")).toString());
    return result;
}

QStringList menuTexts(const QMenu& menu)
{
    QStringList texts;
    for (const QAction* action : menu.actions())
        texts.append(action->isSeparator() ? QStringLiteral("---")
                                           : platform::MenuAccessKeys::plainTitle(action->text()));
    return texts;
}

} // namespace

TEST(StartWindowsTest, TheListFollowsDeletionsRecreationsAndForgetting)
{
    ControllerFixture fixture;
    const QUrl a = apptest::makeNotesFile(fixture.folder + QStringLiteral("/A.brindlex"));
    const QUrl b = apptest::makeNotesFile(fixture.folder + QStringLiteral("/B.brindlex"));
    const QUrl c = apptest::makeNotesFile(fixture.folder + QStringLiteral("/C.brindlex"));
    for (const QUrl& url : { c, b, a })
        fixture.controller->noteNewRecentDocumentURL(url);

    BXRecentDocumentsList list(*fixture.controller);
    QAbstractItemModelTester tester(
        &list.model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    list.updateRecentsList();
    EXPECT_EQ(names(list), QStringList({ "A", "B", "C" }));
    const auto& first = list.recentsArrayController().arrangedObjects().first();
    EXPECT_EQ(first->valueForKey(QStringLiteral("where")).toString(),
        QStringLiteral("~") + fixture.folder.mid(QDir::homePath().size()));
    EXPECT_TRUE(first->valueForKey(QStringLiteral("when")).toDateTime().isValid());

    // Deleted on disk: gone from the list at the watcher's report, kept in the recent list.
    QSignalSpy updated(&list, &BXRecentDocumentsList::listUpdated);
    ASSERT_TRUE(QDir(b.toLocalFile()).removeRecursively());
    ASSERT_TRUE(updated.wait(4000));
    EXPECT_EQ(names(list), QStringList({ "A", "C" }));
    EXPECT_EQ(fixture.controller->recentDocumentURLs().size(), 3);
    EXPECT_EQ(list.kQueue().watchedPaths(), QStringList({ a.toLocalFile(), c.toLocalFile() }));

    // Saved there again: listed again at the next refresh, now as the most recent, still
    // watched once.
    apptest::makeNotesFile(b.toLocalFile());
    list.updateRecentsList();
    list.updateRecentsList();
    EXPECT_EQ(names(list), QStringList({ "B", "A", "C" }));
    EXPECT_EQ(list.kQueue().watchedPaths().size(), 3);

    // Forgetting the middle one keeps the others in their order.
    list.removeRecentNote(list.recentsArrayController().arrangedObjects().at(1));
    EXPECT_EQ(names(list), QStringList({ "B", "C" }));
    EXPECT_EQ(fixture.controller->recentDocumentURLs(), QList<QUrl>({ b, c }));
}

TEST(StartWindowsTest, WindowMenuGroupsWindowsByDocumentTheSameEachTime)
{
    QWidget bMain, bNote, aMain, aNoteZ, aNote2, aNote10;
    const QList<BXWindowMenu::DocumentWindows> documents {
        { { &bMain, QStringLiteral("b"), false }, { { &bNote, QStringLiteral("b note"), false } } },
        { { &aMain, QStringLiteral("A"), true },
            { { &aNoteZ, QStringLiteral("Zeta"), true },
                { &aNote10, QStringLiteral("Note 10"), false },
                { &aNote2, QStringLiteral("Note 2"), false } } },
    };
    const QList<BXWindowMenu::Row> rows = BXWindowMenu::arrange(documents);
    ASSERT_EQ(rows.size(), 7);
    const struct {
        const char* title;
        int indentation;
        bool edited;
    } expected[] = { { "A", 0, true }, { "Note 2", 1, false }, { "Note 10", 1, false },
        { "Zeta", 1, true }, { nullptr, 0, false }, { "b", 0, false }, { "b note", 1, false } };
    for (int i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rows[i].separator, expected[i].title == nullptr);
        if (expected[i].title) {
            EXPECT_EQ(rows[i].title, QString::fromLatin1(expected[i].title));
            EXPECT_EQ(rows[i].indentation, expected[i].indentation);
            EXPECT_EQ(rows[i].edited, expected[i].edited);
        }
    }

    // The same through the menu itself, from the open documents' windows, opened twice.
    ControllerFixture fixture;
    std::vector<std::unique_ptr<QWidget>> windows;
    std::vector<std::unique_ptr<platform::WindowController>> controllers;
    for (const QString& title : { QStringLiteral("b"), QStringLiteral("A") }) {
        auto* document = new BXDocument;
        document->setFileURL(QUrl::fromLocalFile(
            fixture.folder + QLatin1Char('/') + title + QStringLiteral(".brindlex")));
        fixture.controller->addDocument(document);
        for (int i = 0; i < 2; ++i) {
            windows.push_back(std::make_unique<QWidget>());
            controllers.push_back(std::make_unique<platform::WindowController>());
            controllers.back()->setWindow(windows.back().get());
            document->addWindowController(controllers.back().get());
        }
        if (title == QStringLiteral("A"))
            document->updateChangeCount(platform::Document::ChangeType::Done);
        // The main window follows the document's name; the other one is titled as a note
        // window titles itself.
        windows.back()->setWindowTitle(title + QStringLiteral(" – Shopping list"));
    }
    std::unique_ptr<QMenuBar> bar(BXMainMenu::build(*fixture.controller));
    QMenu* window = nullptr;
    for (QAction* action : bar->actions()) {
        if (platform::MenuAccessKeys::plainTitle(action->text()) == QStringLiteral("Window"))
            window = action->menu();
    }
    ASSERT_TRUE(window);
    window->popup(QPoint(0, 0));
    const QStringList once = menuTexts(*window);
    window->hide();
    window->popup(QPoint(0, 0));
    EXPECT_EQ(menuTexts(*window), once);
    EXPECT_EQ(once,
        QStringList({ "Minimize", "Zoom", "---", "A", "    A – Shopping list", "---", "b",
            "    b – Shopping list" }));
    bxtest::saveScreenshot(window->grab().toImage(), QStringLiteral("window-menu"));
    window->hide();
    for (auto& controller : controllers)
        controller->document()->removeWindowController(controller.get());
}

TEST(StartWindowsTest, MenusAreFoundByTag)
{
    ControllerFixture fixture;
    std::unique_ptr<QMenuBar> bar(BXMainMenu::build(*fixture.controller));
    for (int tag : { 102, 201, 401, 601 }) {
        SCOPED_TRACE(tag);
        EXPECT_TRUE(BXMainMenu::menuWithTag(bar.get(), tag));
    }
    EXPECT_TRUE(BXMainMenu::submenuWithTag(BXMainMenu::menuWithTag(bar.get(), 401), 3));
    // The Recents submenu is the History menu the front document's main window fills; the
    // items above it step through the same notes.
    QMenu* recents = BXMainMenu::submenuWithTag(BXMainMenu::menuWithTag(bar.get(), 401), 100);
    ASSERT_TRUE(recents);
    EXPECT_EQ(fixture.controller->historyMenu(), recents);
    QStringList stepping;
    for (QAction* item : BXMainMenu::menuWithTag(bar.get(), 401)->actions()) {
        if (platform::CommandRouter::action(item) == QLatin1String("navigate:"))
            stepping << QString::number(platform::CommandRouter::tag(item));
    }
    EXPECT_EQ(stepping, QStringList({ u"-2"_qs, u"-1"_qs }));
    EXPECT_TRUE(BXMainMenu::themeIconForSymbol(QStringLiteral("no.such.symbol")).isEmpty());
    // The Format menu follows Edit, with the same items as a window's Format button.
    const QList<QAction*> top = bar->actions();
    ASSERT_GE(top.size(), 3);
    EXPECT_EQ(top.at(1)->text(), QStringLiteral("&Edit"));
    EXPECT_EQ(top.at(2)->text(), QStringLiteral("F&ormat"));
    EXPECT_EQ(top.at(2)->menu()->actions().size(), 2);

    // The Share menu lists every sharing service, each sent down the responder chain.
    QMenu* share = nullptr;
    for (QAction* item : BXMainMenu::menuWithTag(bar.get(), 201)->actions()) {
        if (item->menu()
            && platform::MenuAccessKeys::plainTitle(item->text()) == QStringLiteral("Share"))
            share = item->menu();
    }
    ASSERT_TRUE(share);
    ASSERT_EQ(
        share->actions().size(), qsizetype(platform::SharingServices::shared().services().size()));
    for (QAction* item : share->actions())
        EXPECT_EQ(platform::CommandRouter::action(item),
            platform::SharingServices::kShareFromServiceAction);
}

TEST(StartWindowsTest, BothStartWindowsShowTheirListAndButtons)
{
    ControllerFixture fixture;
    fixture.controller->noteNewRecentDocumentURL(
        apptest::makeNotesFile(fixture.folder + QStringLiteral("/Household.brindlex")));
    fixture.controller->noteNewRecentDocumentURL(
        apptest::makeNotesFile(fixture.folder + QStringLiteral("/Travel plans.brindlex")));

    BXRecentDocumentsWindowController recents(*fixture.controller);
    recents.showWindow();
    EXPECT_EQ(recents.openOtherButton()->text(), QStringLiteral("Open Other…"));
    EXPECT_EQ(BXRecentDocumentsWindowController::openOtherTitle(0), QStringLiteral("Open…"));
    EXPECT_EQ(names(recents.list()), QStringList({ "Travel plans", "Household" }));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(recents.window()));
    bxtest::saveScreenshot(
        recents.window()->grab().toImage(), QStringLiteral("recent-documents-window"));

    QApplication::setApplicationVersion(QStringLiteral("1.0"));
    BXWelcomeWindowController welcome(*fixture.controller);
    welcome.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(welcome.window()));
    EXPECT_EQ(welcome.fileNewButton()->inset(), 20.0);
    EXPECT_EQ(welcome.fileNewButton()->drawingRectForBounds(QRectF(0, 0, 200, 60)),
        QRectF(20, 0, 160, 60));
    bxtest::saveScreenshot(welcome.window()->grab().toImage(), QStringLiteral("welcome-window"));

    // Closing a start window lets its controller go through the document controller.
    fixture.controller->showWelcome();
    ASSERT_TRUE(fixture.controller->recentDocumentsWindowController());
    fixture.controller->recentDocumentsWindowController()->closeAction();
    EXPECT_FALSE(fixture.controller->recentDocumentsWindowController());
}
