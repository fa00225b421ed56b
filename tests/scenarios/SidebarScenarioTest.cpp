#include "ScenarioApp.h"

#include "lists/sidebar/BXOutlineView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>

using scenario::ScenarioApp;

namespace {

// The tags the sidebar lists, in its order.
QStringList shownTags()
{
    const QStringList titles = ScenarioApp::sidebarTitles();
    const qsizetype tags = titles.indexOf(QStringLiteral("TAGS"));
    return tags < 0 ? QStringList() : titles.mid(tags + 1);
}

BXOutlineView* sidebar()
{
    return ScenarioApp::frontMainWindow()->outlineView();
}

} // namespace

// A click on a section header selects nothing and leaves the selected tag highlighted, so that
// what Delete Tag deletes is what the sidebar shows; Tab leaves the focus in the sidebar.
TEST(SidebarScenario, TheSelectedTagStaysShownAfterAHeaderClickAndTabKeepsTheFocus)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Headers.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Groceries") }, false,
        { QStringLiteral("Home"), QStringLiteral("Work") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::clickSidebarRow(QStringLiteral("Work"));
    ASSERT_EQ(ScenarioApp::selectedSidebarTitles(), QStringList({ "Work" }));

    for (const QString& header : { QStringLiteral("TAGS"), QStringLiteral("SMART") }) {
        SCOPED_TRACE(header.toStdString());
        ScenarioApp::clickSidebarRow(header);
        EXPECT_EQ(ScenarioApp::selectedSidebarTitles(), QStringList({ "Work" }));
        EXPECT_EQ(ScenarioApp::listTitles(), QStringList({ "Groceries" }));
    }
    ASSERT_EQ(QApplication::focusWidget(), sidebar());
    ScenarioApp::key(Qt::Key_Tab);
    ScenarioApp::key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), sidebar());
    bxtest::saveScreenshot(ScenarioApp::frontMainWindow()->mainWindow()->grab().toImage(),
        QStringLiteral("scenario-sidebar-header-click"));

    ScenarioApp::answerNextDialog(QStringLiteral("Delete"));
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Tags"), QStringLiteral("Delete Tag") }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return shownTags() == QStringList({ "Home" }); }))
        << shownTags().join(u',').toStdString();
    app.save();
    const QList<scenario::StoredNote> stored = scenario::readNotesFile(path);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.first().categories, QStringList({ "Home" }));
}

// The Tags menu sorts every tag by name, or the selected ones among themselves; Remove All
// Found From Tag takes the notes a search left listed out of the selected tag.
TEST(SidebarScenario, TagsAreSortedByNameAndFoundNotesLeaveATagFromTheMenus)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Sorting.brindlex");
    scenario::writeNotesFile(path,
        { QStringLiteral("one fish"), QStringLiteral("two fish"), QStringLiteral("red") }, false,
        { QStringLiteral("Zebra"), QStringLiteral("Mango"), QStringLiteral("Apple") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ASSERT_EQ(shownTags(), QStringList({ "Zebra", "Mango", "Apple" }));

    ScenarioApp::clickSidebarRow(QStringLiteral("Zebra"));
    ScenarioApp::clickSidebarRow(QStringLiteral("Mango"), Qt::ShiftModifier);
    ASSERT_EQ(ScenarioApp::selectedSidebarTitles(), QStringList({ "Zebra", "Mango" }));
    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Tags"),
        QStringLiteral("Sort Selected Tags by Name") }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return shownTags() == QStringList({ "Mango", "Zebra", "Apple" });
    })) << shownTags().join(u',').toStdString();

    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Tags"), QStringLiteral("Sort Tags by Name") }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        return shownTags() == QStringList({ "Apple", "Mango", "Zebra" });
    })) << shownTags().join(u',').toStdString();

    ScenarioApp::clickSidebarRow(QStringLiteral("Zebra"));
    ScenarioApp::key(Qt::Key_F, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("fish\n"));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::listTitles() == QStringList({ "one fish", "two fish" });
    })) << ScenarioApp::listTitles().join(u',').toStdString();
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Remove All Found From Tag") }));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::listTitles().isEmpty(); }))
        << ScenarioApp::listTitles().join(u',').toStdString();

    ScenarioApp::clickSidebarRow(QStringLiteral("All Notes"));
    EXPECT_FALSE(ScenarioApp::isMenuItemEnabled(
        { QStringLiteral("Note"), QStringLiteral("Remove All Found From Tag") }))
        << "a smart category holds no notes to remove";
    app.save();
    const QList<scenario::StoredNote> stored = scenario::readNotesFile(path);
    ASSERT_EQ(stored.size(), 3);
    EXPECT_EQ(stored.at(0).categories, QStringList({ "Apple", "Mango" }));
    EXPECT_EQ(stored.at(1).text, QStringLiteral("red"));
    EXPECT_EQ(stored.at(1).categories, QStringList({ "Apple", "Mango", "Zebra" }));
    EXPECT_EQ(stored.at(2).categories, QStringList({ "Apple", "Mango" }));
}
