#include "ScenarioApp.h"

#include "document/model/BXNote.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/text/TextMimeData.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

using scenario::ScenarioApp;

namespace {

// Each paragraph's styled runs: "[b]BOLD", "[i]word", plain text bare.
QStringList styledRuns(const QTextDocument& text)
{
    QStringList paragraphs;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        QString runs;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            QString marks;
            if (format.fontWeight() >= QFont::Bold)
                marks += u'b';
            if (format.fontItalic())
                marks += u'i';
            runs += marks.isEmpty() ? it.fragment().text()
                                    : QStringLiteral("[%1]%2").arg(marks, it.fragment().text());
        }
        paragraphs << runs;
    }
    return paragraphs;
}

std::string joined(const QStringList& list)
{
    return list.join(QStringLiteral(" | ")).toStdString();
}

BXTextView* noteText()
{
    return ScenarioApp::frontMainWindow()->noteTextView();
}

// Types "Plain BOLDWORD and italicword end." with the two words styled from the keyboard.
void typeStyledLine()
{
    ScenarioApp::type(QStringLiteral("Plain "));
    ScenarioApp::key(Qt::Key_B, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("BOLDWORD"));
    ScenarioApp::key(Qt::Key_B, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral(" and "));
    ScenarioApp::key(Qt::Key_I, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral("italicword"));
    ScenarioApp::key(Qt::Key_I, Qt::ControlModifier);
    ScenarioApp::type(QStringLiteral(" end."));
}

const QString kStyledLine = QStringLiteral("Plain [b]BOLDWORD and [i]italicword end.");

// The saved notes' styled runs, in order of their text: paragraphs joined by " | ", notes by
// " || ".
std::string storedRuns(const QString& path)
{
    QStringList notes;
    scenario::forEachStoredNote(path, [&notes](const BXNote& note) {
        notes << styledRuns(*note.attributedString()).join(QStringLiteral(" | "));
    });
    notes.sort();
    return notes.join(QStringLiteral(" || ")).toStdString();
}

} // namespace

// A styled line copied and pasted comes in as plain text in the style typing has where it goes
// (plain after a plain word, bold once Ctrl+B is on), on screen and in the file; the copy still
// carries the styles for other programs.
TEST(PasteScenario, ACopiedLineIsPastedAsPlainTextInTheTypingStyle)
{
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    ScenarioApp::click(noteText()->viewport());
    typeStyledLine();
    ASSERT_EQ(joined(styledRuns(*noteText()->mirror())), joined({ kStyledLine }));

    // The line may wrap: it is selected from the start of the text to its end.
    ScenarioApp::keys(QKeySequence::MoveToStartOfDocument);
    ScenarioApp::keys(QKeySequence::SelectEndOfDocument);
    ScenarioApp::keys(QKeySequence::Copy);
    const QMimeData* copied = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(copied, nullptr);
    EXPECT_TRUE(copied->hasFormat(platform::TextMimeData::RtfType));
    ScenarioApp::keys(QKeySequence::MoveToEndOfDocument);
    ScenarioApp::type(QStringLiteral("\n"));
    ScenarioApp::keys(QKeySequence::Paste);
    ScenarioApp::type(QStringLiteral("\n"));
    ScenarioApp::key(Qt::Key_B, Qt::ControlModifier);
    ScenarioApp::keys(QKeySequence::Paste);
    const QString plain = QStringLiteral("Plain BOLDWORD and italicword end.");
    const QStringList shown { kStyledLine, plain, QStringLiteral("[b]") + plain };
    EXPECT_EQ(joined(styledRuns(*noteText()->mirror())), joined(shown));

    const QString path = app.folder() + QStringLiteral("/Styled.brindlex");
    app.save(path);
    app.closeFrontDocument();
    EXPECT_EQ(storedRuns(path), joined(shown));
}
