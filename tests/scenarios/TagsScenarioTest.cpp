#include "ScenarioApp.h"

#include "lists/BXTableView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "platform/appkit/TokenField.h"
#include "platform/appkit/TokenFieldDelegate.h"

#include <gtest/gtest.h>

#include <QAbstractButton>

using scenario::ScenarioApp;

namespace {

// How the user goes on to other notes before the question about a typed tag is answered.
struct MoveOn {
    const char* name;
    std::function<void()> perform;
};

void PrintTo(const MoveOn& moveOn, std::ostream* out)
{
    *out << moveOn.name;
}

class TagsScenario : public ::testing::TestWithParam<MoveOn> { };

// A new tag typed for a note and confirmed in the question is that note's, although the user
// chose another note before the question came or was answered.
TEST_P(TagsScenario, ANewTagConfirmedAfterMovingOnIsTheNoteItWasTypedFor)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Tags.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha"), QStringLiteral("Beta") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::clickRow(ScenarioApp::frontMainWindow()->notesTableView(), 0);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha"_qs; }));
    platform::TokenField* tags = ScenarioApp::frontMainWindow()->tagsController()->tokenField();
    ScenarioApp::click(tags);
    ScenarioApp::type(QStringLiteral("Garden"));
    GetParam().perform();
    QAbstractButton* ok = nullptr;
    ASSERT_TRUE(ScenarioApp::waitUntil(
        [&] { return (ok = ScenarioApp::buttonTitled(u"OK"_qs)) != nullptr; }));
    ScenarioApp::click(ok);
    // The field shows the tags of the note chosen meanwhile.
    EXPECT_TRUE(ScenarioApp::waitUntil([tags] { return tags->objectValue().isEmpty(); }));

    app.save();
    app.closeFrontDocument();
    for (const scenario::StoredNote& note : scenario::readNotesFile(path)) {
        SCOPED_TRACE(note.text.toStdString());
        EXPECT_EQ(
            note.categories.join(u',').toStdString(), note.text == u"Alpha"_qs ? "Garden" : "");
    }
}

INSTANTIATE_TEST_SUITE_P(Ways, TagsScenario,
    ::testing::Values(
        MoveOn { "ClickAnotherRow",
            [] { ScenarioApp::clickRow(ScenarioApp::frontMainWindow()->notesTableView(), 1); } },
        MoveOn { "NewPage",
            [] { ScenarioApp::key(Qt::Key_N, Qt::ControlModifier | Qt::ShiftModifier); } }),
    [](const ::testing::TestParamInfo<MoveOn>& way) { return std::string(way.param.name); });

// Types a tag into the note's tags bar, answers OK when asked to make it, and leaves the bar.
void tagSelectedNote(const QString& name)
{
    platform::TokenField* tags = ScenarioApp::frontMainWindow()->tagsController()->tokenField();
    ScenarioApp::click(tags, QPoint(tags->width() - 5, tags->height() / 2));
    ScenarioApp::type(name + u'\n');
    QAbstractButton* ok = nullptr;
    if (ScenarioApp::waitUntil(
            [&] { return (ok = ScenarioApp::buttonTitled(u"OK"_qs)) != nullptr; }, 1000))
        ScenarioApp::click(ok);
    ScenarioApp::key(Qt::Key_Tab);
    ScenarioApp::idle(400);
}

// A tag typed again for a note that has it is no step of its own: the undo the Edit menu
// names then takes the tag away, and the file keeps the note untagged.
TEST(TagsAgainScenario, ATagTypedAgainLeavesNoUndoThatDoesNothing)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Again.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha") });
    ASSERT_NE(app.openDocument(path), nullptr);
    ScenarioApp::clickRow(ScenarioApp::frontMainWindow()->notesTableView(), 0);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha"_qs; }));
    tagSelectedNote(QStringLiteral("Garden"));
    tagSelectedNote(QStringLiteral("Garden"));
    platform::TokenField* tags = ScenarioApp::frontMainWindow()->tagsController()->tokenField();
    EXPECT_EQ(tags->objectValue().size(), 1);

    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ u"Edit"_qs, u"Undo Set Tags"_qs }));
    EXPECT_TRUE(ScenarioApp::waitUntil([tags] { return tags->objectValue().isEmpty(); }));
    EXPECT_TRUE(ScenarioApp::enabledMenuItems({ u"Edit"_qs }).contains(u"Redo Set Tags"_qs));

    app.save();
    app.closeFrontDocument();
    const QList<scenario::StoredNote> stored = scenario::readNotesFile(path);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_TRUE(stored.front().categories.isEmpty());
}

// A note found by its name and renamed on its row during the search stays listed and selected,
// as one typed into does: the tag typed next goes to it, not to the note left in the list.
TEST(TagsRenameScenario, ANoteRenamedDuringASearchTakesTheTagTypedNext)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Found.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha"), QStringLiteral("Beta") });
    ASSERT_NE(app.openDocument(path), nullptr);
    BXTableView* list = ScenarioApp::frontMainWindow()->notesTableView();
    ScenarioApp::clickRow(list, 0);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha"_qs; }));
    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ u"Note"_qs, u"Rename"_qs }));
    ScenarioApp::key(Qt::Key_A, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("Zebra\n"));
    ScenarioApp::keys(QKeySequence::Find);
    ScenarioApp::type(QStringLiteral("Zeb"));
    ASSERT_TRUE(ScenarioApp::waitUntil(
        [] { return ScenarioApp::listTitles() == QStringList { u"Zebra"_qs }; }))
        << ScenarioApp::listTitles().join(u',').toStdString();

    // Keys typed on the row rename it; the click into the tags bar ends the rename.
    ScenarioApp::clickRow(list, 0);
    ScenarioApp::type(QStringLiteral("Yak"));
    tagSelectedNote(QStringLiteral("Garden"));
    EXPECT_EQ(ScenarioApp::listTitles(), QStringList { u"Yak"_qs });
    EXPECT_EQ(ScenarioApp::selectedRows(), QList<int> { 0 });
    EXPECT_EQ(ScenarioApp::editorText(), u"Alpha"_qs);

    app.save();
    app.closeFrontDocument();
    for (const scenario::StoredNote& note : scenario::readNotesFile(path)) {
        SCOPED_TRACE(note.text.toStdString());
        EXPECT_EQ(note.categories,
            note.text == u"Alpha"_qs ? QStringList { u"Garden"_qs } : QStringList());
    }
}

// A tag typed into the bar and not yet applied stays when another tag is removed from its
// token's menu meanwhile: leaving the bar gives the note the typed tag without the removed one,
// as one step, and the file keeps that.
TEST(TagsRemoveScenario, RemovingATagWhileTypingAnotherKeepsTheTypedOne)
{
    ScenarioApp app;
    const QString path = app.folder() + QStringLiteral("/Remove.brindlex");
    scenario::writeNotesFile(path, { QStringLiteral("Alpha"), QStringLiteral("Beta") });
    ASSERT_NE(app.openDocument(path), nullptr);
    BXTableView* list = ScenarioApp::frontMainWindow()->notesTableView();
    ScenarioApp::clickRow(list, 1);
    tagSelectedNote(QStringLiteral("Home"));
    ScenarioApp::clickRow(list, 0);
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText() == u"Alpha"_qs; }));
    tagSelectedNote(QStringLiteral("Work"));

    platform::TokenField* tags = ScenarioApp::frontMainWindow()->tagsController()->tokenField();
    ScenarioApp::click(tags, QPoint(tags->width() - 5, tags->height() / 2));
    ScenarioApp::type(QStringLiteral("Home,"));
    ASSERT_EQ(tags->count(), 2);
    ScenarioApp::whenPopUpMenuShows([](const QStringList& titles) {
        EXPECT_TRUE(titles.contains(u"Remove Tag"_qs)) << titles.join(u',').toStdString();
        return QStringList { u"Remove Tag"_qs };
    });
    ScenarioApp::rightClick(tags, tags->tokenRect(0).center());
    ScenarioApp::key(Qt::Key_Tab);
    ScenarioApp::idle(400);
    ASSERT_EQ(tags->count(), 1);
    EXPECT_EQ(tags->delegate()->displayString(tags, tags->objectValue().first()), u"Home"_qs);

    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ u"Edit"_qs, u"Undo Set Tags"_qs }));
    EXPECT_TRUE(ScenarioApp::waitUntil([tags] {
        return tags->count() == 1
            && tags->delegate()->displayString(tags, tags->objectValue().first()) == u"Work"_qs;
    }));
    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ u"Edit"_qs, u"Redo Set Tags"_qs }));
    app.save();
    // The offscreen platform left the undo's passing message active; a key gives the window
    // the keys again, as a window manager never takes them from it.
    ScenarioApp::key(Qt::Key_Shift);
    app.closeFrontDocument();
    for (const scenario::StoredNote& note : scenario::readNotesFile(path)) {
        SCOPED_TRACE(note.text.toStdString());
        EXPECT_EQ(note.categories, QStringList { u"Home"_qs });
    }
}

} // namespace
