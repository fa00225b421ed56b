#include "ui/BXGlobalConstants.h"
#include "ui/BXMessagePopoverController.h"
#include "ui/BXMessageWindowController.h"

#include "support/TestEnvironment.h"

#include "platform/foundation/Log.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>

namespace {

struct SearchWindow {
    SearchWindow()
    {
        window.setGeometry(60, 60, 500, 300);
        field = new QLineEdit(&window);
        field->setGeometry(20, 20, 200, 24);
        other = new QWidget(&window);
        other->setGeometry(20, 200, 200, 60);
        window.show();
    }

    QWidget window;
    QLineEdit* field;
    QWidget* other;
};

} // namespace

TEST(BXMessagePopoverController, ShowsBelowTheAnchorAndUpdatesInPlace)
{
    SearchWindow s;
    BXMessagePopoverController controller;
    controller.closePopover(); // before any show: nothing to close
    EXPECT_EQ(controller.popover(), nullptr);

    controller.showMessage(QStringLiteral("Invalid pattern"), s.field, s.field->rect());
    platform::PopupWidget* popover = controller.popover();
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(popover->isVisible());
    EXPECT_EQ(controller.messageView()->text(), QStringLiteral("Invalid pattern"));
    EXPECT_GT(popover->geometry().top(), s.field->mapToGlobal(s.field->rect().bottomLeft()).y());
    const QPoint shownAt = popover->pos();

    const QString longText = QStringLiteral("word ").repeated(60).trimmed();
    controller.showMessage(longText, s.field, QRect(150, 0, 10, 10));
    EXPECT_EQ(controller.popover(), popover);
    EXPECT_EQ(popover->pos(), shownAt);
    EXPECT_EQ(controller.messageView()->text(), longText);
    EXPECT_EQ(controller.messageView()->width(), BXMessagePopoverController::kMaximumTextWidth);
    EXPECT_GT(
        controller.messageView()->height(), 2 * controller.messageView()->fontMetrics().height());
    EXPECT_EQ(popover->contentsRect().width(),
        BXMessagePopoverController::kMaximumTextWidth + 2 * BXMessagePopoverController::kMargin);

    controller.showMessage(QStringLiteral("Short"), s.field, s.field->rect());
    EXPECT_LT(controller.messageView()->width(), 100);

    controller.closePopover();
    EXPECT_FALSE(popover->isVisible());
}

TEST(BXMessagePopoverController, TypingGoesOnWhileItShowsAndAClickElsewhereClosesIt)
{
    SearchWindow s;
    s.window.activateWindow();
    s.field->setFocus();
    BXMessagePopoverController controller;
    controller.showMessage(QStringLiteral("Invalid pattern"), s.field, s.field->rect());
    QTest::keyClicks(s.field, QStringLiteral("ab"));
    EXPECT_EQ(s.field->text(), QStringLiteral("ab"));
    EXPECT_TRUE(controller.popover()->isVisible());

    QTest::mouseClick(s.other, Qt::LeftButton);
    EXPECT_FALSE(controller.popover()->isVisible());
}

TEST(BXMessagePopoverController, SharedControllerIsMadeOnFirstShowAndClosedThroughTheConstants)
{
    BXGlobalConstants::closeMessagePopover(); // nothing shown yet: nothing happens
    SearchWindow s;
    BXGlobalConstants::showMessagePopover(QStringLiteral("first"), s.field, s.field->rect());
    BXMessagePopoverController* shared = BXGlobalConstants::messagePopoverController();
    ASSERT_NE(shared, nullptr);
    EXPECT_TRUE(shared->popover()->isVisible());
    BXGlobalConstants::showMessagePopover(QStringLiteral("second"), s.field, s.field->rect());
    EXPECT_EQ(BXGlobalConstants::messagePopoverController(), shared);
    EXPECT_EQ(shared->messageView()->text(), QStringLiteral("second"));

    BXGlobalConstants::closeMessagePopover();
    EXPECT_FALSE(shared->popover()->isVisible());
    BXGlobalConstants::setMessagePopoverController(nullptr);
    EXPECT_EQ(BXGlobalConstants::messagePopoverController(), nullptr);
}

TEST(BXMessagePopoverController, APopoverLostWithItsWindowIsMadeAgain)
{
    BXMessagePopoverController controller;
    {
        SearchWindow s;
        controller.showMessage(QStringLiteral("gone soon"), s.field, s.field->rect());
    }
    EXPECT_EQ(controller.popover(), nullptr);
    SearchWindow s;
    controller.showMessage(QStringLiteral("again"), s.field, s.field->rect());
    ASSERT_NE(controller.popover(), nullptr);
    EXPECT_TRUE(controller.popover()->isVisible());
}

TEST(BXMessageWindowController, ShowsTheBundledDocumentReadOnlyAndReportsItsClose)
{
    BXMessageWindowController controller(
        QUrl(QStringLiteral("qrc:/documents/Acknowledgments.rtf")));
    QSignalSpy closing(&controller, &BXMessageWindowController::controllerWillCloseWindow);
    controller.showWindow();
    QTextBrowser* text = controller.messageTextView();
    EXPECT_TRUE(controller.window()->isVisible());
    EXPECT_TRUE(text->isReadOnly());
    EXPECT_EQ(text->textInteractionFlags(), Qt::NoTextInteraction);
    QTextDocument* document = text->document();
    EXPECT_TRUE(document->firstBlock().text().startsWith(QStringLiteral("Acknowledgments")));
    EXPECT_TRUE(document->toPlainText().contains(QStringLiteral("SQLite \u2014 the database")));
    QTextCursor heading(document);
    heading.movePosition(QTextCursor::NextCharacter);
    EXPECT_EQ(heading.charFormat().fontWeight(), QFont::Bold);

    controller.window()->close();
    ASSERT_EQ(closing.count(), 1);
    EXPECT_EQ(closing.first().first().value<BXMessageWindowController*>(), &controller);
}

TEST(BXMessageWindowController, ReadsHtmlAndStaysEmptyForAMissingOrDamagedDocument)
{
    const QDir folder(bxtest::makeTempFolder());
    const auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile file(folder.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return QUrl::fromLocalFile(file.fileName());
    };
    BXMessageWindowController controller(
        write(QStringLiteral("about.html"), "<p>Thanks to <b>everyone</b></p>"));
    EXPECT_EQ(controller.messageTextView()->toPlainText(), QStringLiteral("Thanks to everyone"));

    platform::LogCapture log;
    controller.setMessageURL(write(QStringLiteral("broken.rtf"), "{\\rtf1 {{{ cut off"));
    EXPECT_TRUE(controller.messageTextView()->toPlainText().isEmpty());
    controller.setMessageURL(QUrl::fromLocalFile(folder.filePath(QStringLiteral("none.rtf"))));
    EXPECT_TRUE(controller.messageTextView()->toPlainText().isEmpty());
    EXPECT_EQ(log.lines().size(), 2);
}
