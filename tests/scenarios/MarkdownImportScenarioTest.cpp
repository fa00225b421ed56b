#include "ScenarioApp.h"
#include "document/model/BXNote.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTextCursor>
#include <QTextDocument>

using scenario::ScenarioApp;

namespace {

// The font family of the character at `position`, on screen or stored.
QString familyAt(const QTextDocument& text, int position)
{
    QTextCursor cursor(const_cast<QTextDocument*>(&text));
    cursor.setPosition(position + 1);
    return cursor.charFormat().fontFamilies().toStringList().value(0);
}

} // namespace

// A Markdown file imported from the File menu becomes a note with its headings, words and code
// in their fonts, shown at once and kept in the saved file.
TEST(MarkdownImportScenario, AMarkdownFileImportedFromTheMenuKeepsItsTextAndFonts)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    const QString markdown = app.folder() + QStringLiteral("/Recipe.md");
    {
        QFile file(markdown);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# Bread\n\nMix *flour* and **water**, then `knead`.\n\n- rise\n- bake\n\n"
                   "```\noven = 220\n```\n");
    }
    ScenarioApp::answerNextFilePanel(markdown);
    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Import…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::editorText().contains(QStringLiteral("oven = 220"));
    })) << ScenarioApp::editorText().toStdString();

    const QString expected = QStringLiteral(
        "Bread\nMix flour and water, then knead.\n\t•\trise\n\t•\tbake\noven = 220");
    EXPECT_TRUE(ScenarioApp::editorText().startsWith(expected))
        << ScenarioApp::editorText().toStdString();
    const QTextDocument* shown = ScenarioApp::frontMainWindow()->noteTextView()->mirror();
    ASSERT_NE(shown, nullptr);
    const QString text = ScenarioApp::editorText();
    EXPECT_EQ(familyAt(*shown, int(text.indexOf(u"flour"))), u"Helvetica");
    EXPECT_EQ(familyAt(*shown, int(text.indexOf(u"knead"))), u"Menlo");
    EXPECT_EQ(familyAt(*shown, int(text.indexOf(u"oven"))), u"Menlo");

    const QString path = app.folder() + QStringLiteral("/Imported.brindlex");
    app.save(path);
    app.closeFrontDocument();
    QStringList stored;
    scenario::forEachStoredNote(path, [&](const BXNote& note) {
        const std::unique_ptr<QTextDocument> kept = note.attributedString();
        const QString keptText = kept->toPlainText();
        stored << keptText;
        EXPECT_EQ(familyAt(*kept, int(keptText.indexOf(u"oven"))), u"Menlo");
    });
    ASSERT_EQ(stored.size(), 1);
    EXPECT_TRUE(stored.first().startsWith(expected)) << stored.first().toStdString();
}
