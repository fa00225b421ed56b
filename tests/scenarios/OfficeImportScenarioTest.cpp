#include "NotesFiles.h"
#include "ScenarioApp.h"

#include <gtest/gtest.h>

#include <QFile>

using scenario::ScenarioApp;

// A paper written in the office suite, imported from the File menu, arrives whole: the marks of
// its footnote and endnote where they stood and their texts after the body, its text box's words
// in the paragraph that holds the box, its drop cap joined to its word and its restarted list
// numbered as the author numbered it; the saved file keeps all of that.
TEST(OfficeImportScenario, APaperWithNotesAndATextBoxArrivesWhole)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    const QString paper = app.folder() + QStringLiteral("/Warblers.docx");
    ASSERT_TRUE(QFile::copy(
        QStringLiteral(BX_TEST_DATA_DIR "/../../platform/text/data/corpus/office-warblers.docx"),
        paper));
    ScenarioApp::answerNextFilePanel(paper);
    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Import…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::editorText().contains(QStringLiteral("Counted from the last egg"));
    })) << ScenarioApp::editorText().toStdString();

    const QStringList wanted = { QStringLiteral("Warblers nest low"),
        QStringLiteral("The clutch is small1 and hatches in eleven daysi."),
        QStringLiteral("Cuckoos visit[a] often."),
        QStringLiteral("Sidebar: wingspan eighteen centimetres."),
        QStringLiteral("Beside this paragraph stands a box."),
        QStringLiteral("\t7.\tSeventh task restarted\n\t8.\tEighth task"),
        QStringLiteral("\n1 Usually four eggs, sometimes five.\ni Counted from the last egg laid."
                       "\n[a] Check the parasitism rate against the survey.") };
    const QString shown = ScenarioApp::editorText();
    for (const QString& text : wanted)
        EXPECT_TRUE(shown.contains(text)) << text.toStdString() << "\nin\n" << shown.toStdString();

    const QString path = app.folder() + QStringLiteral("/Imported.brindlex");
    app.save(path);
    app.closeFrontDocument();
    const QStringList stored = scenario::storedTexts(path);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.first().toStdString(), shown.toStdString());
}
