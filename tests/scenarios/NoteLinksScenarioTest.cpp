#include "ScenarioApp.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "platform/testing/FakeUrlOpener.h"
#include "platform/text/TextHighlighter.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>

using scenario::ScenarioApp;

// A web address typed into a note looks like a link, the pointer turns into a hand over it, and
// a click opens it in the browser.
TEST(NoteLinksScenario, ATypedAddressIsDrawnAsALinkAndOpensOnAClick)
{
    platform::FakeUrlOpener browser;
    ScenarioApp app;
    ASSERT_NE(app.newDocument(), nullptr);
    BXTextView* view = ScenarioApp::frontMainWindow()->noteTextView();
    ScenarioApp::click(view->viewport());
    ScenarioApp::type(QStringLiteral("Links\nsee www.example.org today"));

    const QString text = ScenarioApp::editorText();
    const int at = int(text.indexOf(QStringLiteral("example")));
    ASSERT_GE(at, 0);
    const QTextBlock block = view->mirror()->findBlock(at);
    bool drawnAsLink = false;
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        const int offset = at - block.position();
        if (range.start <= offset && offset < range.start + range.length)
            drawnAsLink = range.format.fontUnderline()
                && range.format.foreground().color() == platform::TextHighlighter::linkColor();
    }
    EXPECT_TRUE(drawnAsLink);
    bxtest::saveScreenshot(ScenarioApp::frontMainWindow()->mainWindow()->grab().toImage(),
        QStringLiteral("note-with-links"));

    const QPoint onLink = view->characterRect(at + 2).center();
    QTest::mouseMove(view->viewport(), onLink);
    ScenarioApp::idle(scenario::keyInterval());
    EXPECT_EQ(view->viewport()->cursor().shape(), Qt::PointingHandCursor);
    ScenarioApp::click(view->viewport(), onLink);
    EXPECT_EQ(browser.openedUrls(), QList<QUrl> { QUrl(QStringLiteral("http://www.example.org")) });
}
