#include "app/BXInfoPanelController.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXNote.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/text/AttributedText.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

#include <cstdlib>

#include <gtest/gtest.h>

TEST(InfoPanelTest, FollowsTheActiveDocumentAndToggles)
{
    BXDefaults::registerDefaults();
    BXInfoPanelController panel;
    EXPECT_EQ(panel.currentDocument(), nullptr);
    EXPECT_FALSE(BXDocument::noteInfoNeeded());

    BXDocument document;
    auto& center = platform::NotificationCenter::defaultCenter();
    center.post(BXDocument::ActivateNotification, &document);
    EXPECT_EQ(panel.currentDocument(), &document);

    panel.toggleInfoPanel();
    ASSERT_TRUE(panel.isVisible());
    EXPECT_TRUE(BXDocument::noteInfoNeeded());
    EXPECT_TRUE(panel.window()->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_TRUE(panel.window()->testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_EQ(panel.statisticsView()->document()->documentMargin(), 5);

    const BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    std::unique_ptr<QTextDocument> text = platform::AttributedText::makeDocument();
    text->setPlainText(QStringLiteral("Shopping list\nBread and butter\nMilk\n"));
    note->setAttributedString(*text);
    document.updateInfoForNotes({ note });
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return panel.headInfoView()->toPlainText() == QStringLiteral("Shopping list"); }));
    EXPECT_FALSE(panel.iconView()->pixmap().isNull());
    EXPECT_TRUE(panel.statisticsView()->toPlainText().contains(QStringLiteral("Paragraphs:\t3")));
    bxtest::saveScreenshot(panel.window()->grab().toImage(), QStringLiteral("info-panel"));

    // A hidden panel keeps its document; toggling twice restores the visibility.
    panel.toggleInfoPanel();
    EXPECT_FALSE(panel.isVisible());
    EXPECT_EQ(panel.currentDocument(), &document);
    panel.toggleInfoPanel();
    panel.toggleInfoPanel();
    EXPECT_FALSE(panel.isVisible());

    center.post(BXDocument::DeactivateNotification, &document);
    EXPECT_EQ(panel.currentDocument(), nullptr);
    document.close();
}

// The shared panel outlives every document: the application going away must take it down
// before widgets can no longer be destroyed.
TEST(InfoPanelTest, TheApplicationEndsCleanlyAfterTheSharedPanelWasShown)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            BXDefaults::registerDefaults();
            BXInfoPanelController::sharedInfoPanelController().showWindow();
            QCoreApplication::processEvents();
            // The test's application lives on main()'s stack: destroyed in place, never freed.
            QCoreApplication::instance()->~QCoreApplication();
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(0), "");
}
