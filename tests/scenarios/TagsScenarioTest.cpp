#include "ScenarioApp.h"

#include "lists/BXTableView.h"
#include "lists/tags/BXTagsController.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "platform/appkit/TokenField.h"

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

} // namespace
