#include "ScenarioApp.h"
#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "markdown/styler/FontTraits.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFont>
#include <QTextCursor>
#include <QTextDocument>

using scenario::ScenarioApp;

namespace {

// The font of the character at `position`, on screen or stored.
QFont fontAt(const QTextDocument& text, int position)
{
    QTextCursor cursor(const_cast<QTextDocument*>(&text));
    cursor.setPosition(position + 1);
    return cursor.charFormat().font();
}

QString familyAt(const QTextDocument& text, int position)
{
    return fontAt(text, position).families().value(0);
}

// As the desktop sees it: some monospaced families state no fixed pitch to Qt.
bool isMonospaced(const QString& family)
{
    return markdown::FontTraits::traits(QFont(family)) & markdown::FontTraits::monospace;
}

} // namespace

// A Markdown file imported from the File menu becomes a note with its headings, words and code
// in their fonts, shown at once and kept in the saved file: the words in the note font, the code
// in the desktop's monospaced family, words around HTML kept apart, and nothing after the text.
TEST(MarkdownImportScenario, AMarkdownFileImportedFromTheMenuKeepsItsTextAndFonts)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    const QString markdown = app.folder() + QStringLiteral("/Recipe.md");
    {
        QFile file(markdown);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# Bread\n\nMix *flour* and **water**, then `knead`.\n\n- rise\n- bake\n\n"
                   "```\noven = 220\n```\n\nKeep it <b>warm</b> and dry.\n");
    }
    ScenarioApp::answerNextFilePanel(markdown);
    ASSERT_TRUE(ScenarioApp::chooseMenuItem({ QStringLiteral("File"), QStringLiteral("Import…") }));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::editorText().contains(QStringLiteral("oven = 220"));
    })) << ScenarioApp::editorText().toStdString();

    const QString expected = QStringLiteral("Bread\nMix flour and water, then knead.\n\t•\trise\n"
                                            "\t•\tbake\noven = 220\n\nKeep it warm and dry.");
    EXPECT_EQ(ScenarioApp::editorText().toStdString(), expected.toStdString());
    const QTextDocument* shown = ScenarioApp::frontMainWindow()->noteTextView()->mirror();
    ASSERT_NE(shown, nullptr);
    const QString text = ScenarioApp::editorText();
    const QFont noteFont = BXDocument::defaultStringAttributes().characters.font();
    EXPECT_EQ(familyAt(*shown, int(text.indexOf(u"flour"))), noteFont.families().value(0));
    EXPECT_EQ(fontAt(*shown, int(text.indexOf(u"flour"))).pointSizeF(), noteFont.pointSizeF());
    EXPECT_EQ(familyAt(*shown, int(text.indexOf(u"dry"))), noteFont.families().value(0));
    for (const char16_t* code : { u"knead", u"oven" }) {
        const QString family = familyAt(*shown, int(text.indexOf(code)));
        EXPECT_TRUE(isMonospaced(family)) << family.toStdString();
    }

    const QString path = app.folder() + QStringLiteral("/Imported.brindlex");
    app.save(path);
    app.closeFrontDocument();
    QStringList stored;
    scenario::forEachStoredNote(path, [&](const BXNote& note) {
        const std::unique_ptr<QTextDocument> kept = note.attributedString();
        const QString keptText = kept->toPlainText();
        stored << keptText;
        EXPECT_TRUE(isMonospaced(familyAt(*kept, int(keptText.indexOf(u"oven")))));
        EXPECT_EQ(familyAt(*kept, int(keptText.indexOf(u"flour"))), noteFont.families().value(0));
    });
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.first().toStdString(), expected.toStdString());
}
