#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/BXWrappedPersistentDocument.h"
#include "document/model/BXNote.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXWriterBar.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QTextBlock>
#include <QTextDocument>
#include <QToolButton>

using platform::AttributedText;
using scenario::ScenarioApp;

namespace {

const QStringList kListPath { QStringLiteral("Text"), QStringLiteral("List...") };

// One paragraph as the user sees it or the file keeps it.
struct Paragraph {
    QString text;
    QStringList lists;
    double headIndent;
    bool operator==(const Paragraph&) const = default;
};

void PrintTo(const Paragraph& paragraph, std::ostream* out)
{
    *out << '"' << paragraph.text.toStdString() << "\" ["
         << paragraph.lists.join(QLatin1Char(' ')).toStdString() << "] " << paragraph.headIndent;
}

QList<Paragraph> paragraphs(const QTextDocument& text)
{
    QList<Paragraph> shown;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        const platform::ParagraphStyle style = AttributedText::paragraphStyle(block.blockFormat());
        shown.append({ block.text(), style.textLists, style.headIndent });
    }
    return shown;
}

BXTextView* noteText()
{
    return ScenarioApp::frontMainWindow()->noteTextView();
}

QList<Paragraph> shownParagraphs()
{
    return paragraphs(*noteText()->mirror());
}

// The only note a saved file holds, read in a fresh document.
QList<Paragraph> storedParagraphs(const QString& path)
{
    QList<Paragraph> stored;
    scenario::forEachStoredNote(
        path, [&stored](const BXNote& note) { stored = paragraphs(*note.attributedString()); });
    return stored;
}

// Picks the marker kind in the List panel by keys, as a user does, and accepts it.
void answerListPanel(const QString& sample)
{
    ScenarioApp::whenDialogShows([sample](QDialog* dialog) {
        auto* markers = dialog->findChild<QComboBox*>();
        ASSERT_NE(markers, nullptr);
        ASSERT_NO_FATAL_FAILURE(ScenarioApp::choosePopUpItem(markers, sample));
        ScenarioApp::key(Qt::Key_Return);
    });
}

// A new note "Groceries" whose second line is a bulleted item, from the menu bar.
void startGroceries(ScenarioApp& app)
{
    ASSERT_NE(app.newDocument(), nullptr);
    ScenarioApp::click(noteText()->viewport());
    ScenarioApp::idle(300);
    app.type(QStringLiteral("Groceries\n"));
    ScenarioApp::answerNextDialog(QStringLiteral("OK"));
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(QStringList { QStringLiteral("Format") } + kListPath));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText().endsWith(u"\t•\t"); }))
        << ScenarioApp::editorText().toStdString();
}

double pointSizeAt(int position)
{
    QTextCursor cursor(noteText()->mirror());
    cursor.setPosition(position);
    return AttributedText::fontPointSize(cursor.charFormat());
}

} // namespace

TEST(ListsScenario, ABulletedListFromTheMenuBarContinuesNestsEndsAndIsSaved)
{
    ScenarioApp app;
    ASSERT_NO_FATAL_FAILURE(startGroceries(app));

    // Return on an item starts the next; Tab at an item's start nests it with the next level's
    // bullet, Shift+Tab takes it out again.
    app.type(QStringLiteral("apples\npears\n\tconference\nbosc\n"));
    ScenarioApp::key(Qt::Key_Backtab, Qt::ShiftModifier);
    app.type(QStringLiteral("plums"));
    const QString disc = QStringLiteral("{disc}");
    const QString circle = QStringLiteral("{circle}");
    const QList<Paragraph> items {
        { QStringLiteral("Groceries"), {}, 0 },
        { QStringLiteral("\t•\tapples"), { disc }, 36 },
        { QStringLiteral("\t•\tpears"), { disc }, 36 },
        { QStringLiteral("\t◦\tconference"), { disc, circle }, 72 },
        { QStringLiteral("\t◦\tbosc"), { disc, circle }, 72 },
        { QStringLiteral("\t•\tplums"), { disc }, 36 },
    };
    EXPECT_EQ(shownParagraphs(), items);

    // Return on an empty item ends the list; what follows is typed in the items' look. Shift+Tab
    // outside a list changes nothing and keeps the keys in the text.
    app.type(QStringLiteral("\n\nTot"));
    ScenarioApp::key(Qt::Key_Backtab, Qt::ShiftModifier);
    app.type(QStringLiteral("al"));
    QList<Paragraph> expected = items;
    expected.append({ QStringLiteral("Total"), {}, 0 });
    EXPECT_EQ(shownParagraphs(), expected);
    // Typed into a new note, every line has the default style's size, the list's too.
    const double size
        = AttributedText::fontPointSize(BXDocument::defaultStringAttributes().characters);
    const QString shown = ScenarioApp::editorText();
    for (const QString& word : { u"Groceries"_qs, u"plums"_qs, u"Total"_qs })
        EXPECT_EQ(pointSizeAt(int(shown.indexOf(word)) + 1), size) << word.toStdString();
    bxtest::saveScreenshot(ScenarioApp::frontMainWindow()->mainWindow()->grab().toImage(),
        QStringLiteral("scenario-bulleted-list"));

    const QString path = app.folder() + QStringLiteral("/Bullets.brindlex");
    app.save(path);
    app.closeFrontDocument();
    EXPECT_EQ(storedParagraphs(path), expected);
}

TEST(ListsScenario, ANumberedListFromTheFormatButtonCountsOnAndRenumbers)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    ScenarioApp::click(noteText()->viewport());
    ScenarioApp::idle(300);
    app.type(QStringLiteral("Steps\n"));
    answerListPanel(QStringLiteral("1. 2. 3."));
    ScenarioApp::click(ScenarioApp::frontMainWindow()->bars()->writerBar()->formatButton());
    ASSERT_TRUE(ScenarioApp::choosePopUpMenuItem(kListPath));
    ASSERT_TRUE(ScenarioApp::waitUntil([] { return ScenarioApp::editorText().endsWith(u"1.\t"); }))
        << ScenarioApp::editorText().toStdString();
    app.type(QStringLiteral("mix\nbake\nserve"));
    EXPECT_EQ(
        ScenarioApp::editorText(), QStringLiteral("Steps\n\t1.\tmix\n\t2.\tbake\n\t3.\tserve"));

    // Nested under "mix", "bake" counts from 1 and "serve" goes on at 2.
    ScenarioApp::key(Qt::Key_Up);
    ScenarioApp::key(Qt::Key_Home);
    ScenarioApp::key(Qt::Key_Tab);
    EXPECT_EQ(
        ScenarioApp::editorText(), QStringLiteral("Steps\n\t1.\tmix\n\t1.\tbake\n\t2.\tserve"));
    ScenarioApp::key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(
        ScenarioApp::editorText(), QStringLiteral("Steps\n\t1.\tmix\n\t2.\tbake\n\t3.\tserve"));

    // Backspace at the item's start takes its marker off; the next item starts the count anew.
    ScenarioApp::key(Qt::Key_Backspace);
    const QString decimal = QStringLiteral("{decimal}.");
    const QList<Paragraph> expected {
        { QStringLiteral("Steps"), {}, 0 },
        { QStringLiteral("\t1.\tmix"), { decimal }, 36 },
        { QStringLiteral("bake"), {}, 0 },
        { QStringLiteral("\t1.\tserve"), { decimal }, 36 },
    };
    EXPECT_EQ(shownParagraphs(), expected);
    bxtest::saveScreenshot(ScenarioApp::frontMainWindow()->mainWindow()->grab().toImage(),
        QStringLiteral("scenario-numbered-list"));

    const QString path = app.folder() + QStringLiteral("/Numbers.brindlex");
    app.save(path);
    app.closeFrontDocument();
    EXPECT_EQ(storedParagraphs(path), expected);
}

// Up into an item and Home there type at the start of the item's text, never before its
// marker; the note and the file keep the items as shown.
TEST(ListsScenario, TextTypedAfterUpAndHomeGoesAfterTheMarker)
{
    ScenarioApp app;
    ASSERT_NO_FATAL_FAILURE(startGroceries(app));
    app.type(QStringLiteral("apples\npears\nplums"));
    ScenarioApp::key(Qt::Key_Up);
    ScenarioApp::key(Qt::Key_Home);
    app.type(QStringLiteral("x"));
    ScenarioApp::idle(300);
    const std::string text = "Groceries\n\t•\tapples\n\t•\txpears\n\t•\tplums";
    const std::string lists = "-,{disc},{disc},{disc}";
    ASSERT_EQ(ScenarioApp::editorText().toStdString(), text);
    EXPECT_EQ(scenario::paragraphLists(*noteText()->mirror()).toStdString(), lists);
    const BXNote::NotePtr note = ScenarioApp::frontMainWindow()->selectedNote();
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(scenario::paragraphLists(*note->attributedString()).toStdString(), lists);

    const QString path = app.folder() + QStringLiteral("/Typed.brindlex");
    app.save(path);
    app.closeFrontDocument();
    const QList<scenario::StoredNote> stored = scenario::readNotesFile(path);
    ASSERT_EQ(stored.size(), 1);
    EXPECT_EQ(stored.front().text.toStdString(), text);
    EXPECT_EQ(stored.front().lists.toStdString(), lists);
}

// Home in an item goes to the start of its text, where typing goes after the marker and
// Backspace first takes the item out of the list; Left from there goes on to the line before.
// Undo brings the item back, and items joined by Delete come apart again.
TEST(ListsScenario, HomeInAnItemGoesToItsTextAndBackspaceThereEndsTheItem)
{
    ScenarioApp app;
    ASSERT_NO_FATAL_FAILURE(startGroceries(app));
    app.type(QStringLiteral("one\ntwo"));
    const QString disc = QStringLiteral("{disc}");
    const QList<Paragraph> items {
        { QStringLiteral("Groceries"), {}, 0 },
        { QStringLiteral("\t•\tone"), { disc }, 36 },
        { QStringLiteral("\t•\ttwo"), { disc }, 36 },
    };
    ASSERT_EQ(shownParagraphs(), items);

    ScenarioApp::key(Qt::Key_Home);
    ScenarioApp::key(Qt::Key_Backspace);
    QList<Paragraph> ended = items;
    ended[2] = { QStringLiteral("two"), {}, 0 };
    EXPECT_EQ(shownParagraphs(), ended);
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_EQ(shownParagraphs(), items);

    ScenarioApp::key(Qt::Key_End);
    ScenarioApp::key(Qt::Key_Home);
    app.type(QStringLiteral("x"));
    EXPECT_EQ(
        shownParagraphs().value(2), (Paragraph { QStringLiteral("\t•\txtwo"), { disc }, 36 }));
    ScenarioApp::key(Qt::Key_Backspace);
    EXPECT_EQ(shownParagraphs(), items);

    // From the start of an item's text, Left goes to the end of the line before.
    ScenarioApp::key(Qt::Key_Left);
    app.type(QStringLiteral("s"));
    QList<Paragraph> typed = items;
    typed[1].text = QStringLiteral("\t•\tones");
    EXPECT_EQ(shownParagraphs(), typed);

    // Delete at the end of the line before an item joins the item's text, not its marker.
    ScenarioApp::key(Qt::Key_Delete);
    EXPECT_EQ(shownParagraphs(),
        (QList<Paragraph> { items[0], { QStringLiteral("\t•\tonestwo"), { disc }, 36 } }));
    ScenarioApp::keys(QKeySequence::Undo);
    EXPECT_EQ(shownParagraphs(), typed);

    const QString path = app.folder() + QStringLiteral("/Home.brindlex");
    app.save(path);
    app.closeFrontDocument();
    EXPECT_EQ(storedParagraphs(path), typed);
}

namespace {

// The Edit menu's undo and redo items as it shows them.
QStringList undoItems()
{
    QStringList items;
    for (const QString& title : ScenarioApp::enabledMenuItems({ QStringLiteral("Edit") })) {
        if (title.startsWith(QStringLiteral("Undo")) || title.startsWith(QStringLiteral("Redo")))
            items << title;
    }
    return items;
}

} // namespace

// "None" chosen for a paragraph that is no item changes nothing and so adds no step that undo
// would have to take back. A list made and saved is then undone and redone by name.
TEST(ListsScenario, NoneOnAPlainParagraphAddsNoStepAndAListIsUndoneAfterASave)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    ScenarioApp::click(noteText()->viewport());
    ScenarioApp::idle(300);
    app.type(QStringLiteral("First note"));
    const QString path = app.folder() + QStringLiteral("/Listed.brindlex");
    app.save(path);
    app.type(QStringLiteral(" kalo"));
    answerListPanel(QStringLiteral("None"));
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(QStringList { QStringLiteral("Format") } + kListPath));
    ScenarioApp::idle(300);
    EXPECT_EQ(ScenarioApp::editorText(), QStringLiteral("First note kalo"));
    EXPECT_FALSE(undoItems().contains(QStringLiteral("Undo List")))
        << undoItems().join(u'|').toStdString();

    ScenarioApp::clickToTheEndOfTheText(ScenarioApp::frontMainWindow());

    answerListPanel(QStringLiteral("\u2022 \u2022 \u2022"));
    ASSERT_TRUE(ScenarioApp::chooseMenuItem(QStringList { QStringLiteral("Format") } + kListPath));
    ASSERT_TRUE(ScenarioApp::waitUntil([] {
        return ScenarioApp::editorText() == QStringLiteral("\t\u2022\tFirst note kalo");
    })) << ScenarioApp::editorText().toStdString();
    ScenarioApp::keys(QKeySequence::Save);
    ScenarioApp::idle(300);

    const struct {
        const char* item;
        QString text;
        const char* offered;
    } steps[] = {
        { "Undo List", QStringLiteral("First note kalo"), "Redo List" },
        { "Redo List", QStringLiteral("\t\u2022\tFirst note kalo"), "Undo List" },
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.item);
        ASSERT_TRUE(
            ScenarioApp::chooseMenuItem({ QStringLiteral("Edit"), QString::fromUtf8(step.item) }))
            << undoItems().join(u'|').toStdString();
        EXPECT_TRUE(ScenarioApp::waitUntil([&] { return ScenarioApp::editorText() == step.text; }))
            << ScenarioApp::editorText().toStdString();
        ScenarioApp::idle(300);
        EXPECT_TRUE(undoItems().contains(QString::fromUtf8(step.offered)))
            << undoItems().join(u'|').toStdString();
    }

    app.save();
    app.closeFrontDocument();
    EXPECT_EQ(storedParagraphs(path).value(0).lists, QStringList { QStringLiteral("{disc}") });
}
