#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "lists/BXTableView.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/appkit/TokenField.h"
#include "platform/appkit/TokenFieldDelegate.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>

#include <functional>

using scenario::ScenarioApp;

namespace {

BXTableView* notesList()
{
    return ScenarioApp::frontMainWindow()->notesTableView();
}

QStringList shownTags()
{
    const QStringList titles = ScenarioApp::sidebarTitles();
    const qsizetype tags = titles.indexOf(QStringLiteral("TAGS"));
    return tags < 0 ? QStringList() : titles.mid(tags + 1);
}

// The name being typed into a sidebar row, if one is open for editing.
const QLineEdit* sidebarNameEditor()
{
    const auto* editor = qobject_cast<const QLineEdit*>(QApplication::focusWidget());
    BXOutlineView* sidebar = ScenarioApp::frontMainWindow()->outlineView();
    return editor && sidebar->isAncestorOf(editor) ? editor : nullptr;
}

// How the selection moves away from the row clicked last before a command is chosen.
struct SelectionMove {
    const char* name;
    std::function<void()> perform;
};

void PrintTo(const SelectionMove& move, std::ostream* out)
{
    *out << move.name;
}

class RenameAfterMoveScenario : public testing::TestWithParam<SelectionMove> { };

} // namespace

// Note > Rename opens the row the list shows selected, however the selection got there after
// the last click; the name typed is that note's, in the list and in the file.
TEST_P(RenameAfterMoveScenario, RenameFromTheMenuNamesTheSelectedNoteNotTheClickedOne)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Moved.brindlex");
    scenario::writeNotesFile(
        path, { QStringLiteral("Alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::clickRow(notesList(), 0);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha"_qs; }));

    GetParam().perform();
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        const QList<int> rows = ScenarioApp::selectedRows();
        return rows.size() == 1 && rows.first() != 0;
    })) << ScenarioApp::listTitles().join(u',').toStdString();
    ScenarioApp::idle(300);
    const QList<int> selected = ScenarioApp::selectedRows();
    ASSERT_EQ(selected.size(), 1);
    QStringList expected = ScenarioApp::listTitles();
    expected[selected.first()] = QStringLiteral("Renamed");
    expected.sort();

    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("Note"), QStringLiteral("Rename") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return notesList()->isEditingCell(); }));
    EXPECT_EQ(ScenarioApp::selectedRows(), selected);
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("Renamed\n"));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return !notesList()->isEditingCell(); }));
    QStringList shown = ScenarioApp::listTitles();
    shown.sort();
    EXPECT_EQ(shown, expected);
    app.save();
    EXPECT_EQ(scenario::storedTitles(path), expected);
}

INSTANTIATE_TEST_SUITE_P(Moves, RenameAfterMoveScenario,
    testing::Values(SelectionMove { "DownTwice",
                        [] {
                            ScenarioApp::key(Qt::Key_Down);
                            ScenarioApp::key(Qt::Key_Down);
                        } },
        SelectionMove { "Duplicate", [] { ScenarioApp::key(Qt::Key_D, Qt::ControlModifier); } },
        SelectionMove { "NewPage",
            [] {
                ScenarioApp::key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier);
                ScenarioApp::type(QStringLiteral("Delta"));
                ASSERT_TRUE(ScenarioApp::waitUntil(
                    [] { return ScenarioApp::listTitles().contains(u"Delta"_qs); }));
            } }),
    [](const testing::TestParamInfo<SelectionMove>& move) { return std::string(move.param.name); });

// Edit Tag… on a tag token opens that tag's name in the sidebar, whichever sidebar row was
// clicked last (All Notes too); the name typed renames that tag and no other, and the search
// typed before is kept.
TEST(CommandTargetsScenario, EditTagOnATokenRenamesTheTokensTag)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/EditTag.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha") }, false,
        { QStringLiteral("Home"), QStringLiteral("Work") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::clickSidebarRow(QStringLiteral("Home"));
    ScenarioApp::clickSidebarRow(QStringLiteral("All Notes"));
    ScenarioApp::clickRow(notesList(), 0);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha"_qs; }));
    platform::TokenField* tags = ScenarioApp::frontMainWindow()->tagsController()->tokenField();
    ASSERT_TRUE(ScenarioApp::waitUntil([tags] { return tags->count() == 2; }));
    int work = -1;
    for (int i = 0; i < tags->count(); ++i) {
        if (tags->delegate()->displayString(tags, tags->objectValue().at(i)) == u"Work"_qs)
            work = i;
    }
    ASSERT_GE(work, 0);

    ScenarioApp::whenPopUpMenuShows([](const QStringList& titles) {
        EXPECT_TRUE(titles.contains(u"Edit Tag…"_qs)) << titles.join(u',').toStdString();
        return QStringList { u"Edit Tag…"_qs };
    });
    ScenarioApp::rightClick(tags, tags->tokenRect(work).center());
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return sidebarNameEditor() != nullptr; }));
    EXPECT_EQ(sidebarNameEditor()->text(), u"Work"_qs);
    EXPECT_EQ(ScenarioApp::selectedSidebarTitles(), QStringList { u"Work"_qs });
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("Office\n"));
    EXPECT_TRUE(ScenarioApp::waitUntil([] {
        QStringList shown = shownTags();
        shown.sort();
        return shown == QStringList({ "Home", "Office" });
    })) << shownTags().join(u',').toStdString();

    app.save();
    const QList<scenario::StoredNote> stored = scenario::readNotesFile(path);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.first().categories, QStringList({ "Home", "Office" }));
}

// Sort Tags by Name puts a tag made in the sidebar, which has no place of its own yet, among
// the others by its name, and the file keeps that order.
TEST(CommandTargetsScenario, SortTagsByNamePlacesANewTagByItsName)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/SortNew.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha") }, false,
        { QStringLiteral("Zebra"), QStringLiteral("Mango"), QStringLiteral("Apple") });
    // A window of its own keeps the application running while the file is closed and opened.
    ASSERT_NE(app.newDocument(), nullptr);
    ASSERT_NE(app.openDocument(path), nullptr);
    ASSERT_EQ(shownTags(), QStringList({ "Zebra", "Mango", "Apple" }));

    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Tags"), QStringLiteral("New Tag") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return sidebarNameEditor() != nullptr; }));
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("Banana\n"));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return shownTags().contains(u"Banana"_qs); }))
        << shownTags().join(u',').toStdString();

    ASSERT_TRUE(ScenarioApp::chooseMenuItem(
        { QStringLiteral("Note"), QStringLiteral("Tags"), QStringLiteral("Sort Tags by Name") }));
    const QStringList sorted { "Apple", "Banana", "Mango", "Zebra" };
    EXPECT_TRUE(ScenarioApp::waitUntil([&sorted] { return shownTags() == sorted; }))
        << shownTags().join(u',').toStdString();

    app.save();
    app.closeFrontDocument();
    ASSERT_NE(app.openDocument(path), nullptr);
    EXPECT_EQ(shownTags(), sorted);
}

// The text's menu over selected text offers Cut, Copy, Paste and Select All: Copy puts the
// selection on the clipboard, Cut takes it out of the note, and the file keeps the rest.
TEST(CommandTargetsScenario, TheTextMenuCutsAndCopiesTheSelection)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/TextMenu.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("keep cut") });
    BXMainWindowController* main = app.openDocument(path);
    ASSERT_NE(main, nullptr);
    ScenarioApp::clickRow(notesList(), 0);
    ScenarioApp::clickToTheEndOfTheText(main);
    for (int i = 0; i < 3; ++i)
        ScenarioApp::key(Qt::Key_Left, Qt::ShiftModifier);

    QStringList offered;
    ScenarioApp::whenPopUpMenuShows([&offered](const QStringList& titles) {
        offered = titles;
        return QStringList { u"Copy"_qs };
    });
    QWidget* viewport = main->noteTextView()->viewport();
    ScenarioApp::rightClick(viewport, QPoint(8, 8));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return QApplication::clipboard()->text() == u"cut"_qs;
    })) << QApplication::clipboard()->text().toStdString();
    for (const QString& title : { u"Cut"_qs, u"Copy"_qs, u"Paste"_qs, u"Select All"_qs })
        EXPECT_TRUE(offered.contains(title)) << offered.join(u',').toStdString();

    QApplication::clipboard()->clear();
    ScenarioApp::whenPopUpMenuShows([](const QStringList&) { return QStringList { u"Cut"_qs }; });
    ScenarioApp::rightClick(viewport, QPoint(8, 8));
    EXPECT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"keep "_qs; }))
        << ScenarioApp::editorText().toStdString();
    EXPECT_EQ(QApplication::clipboard()->text(), u"cut"_qs);

    app.save();
    EXPECT_EQ(scenario::storedTexts(path), QStringList { u"keep "_qs });
}
