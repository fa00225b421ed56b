#include "app/BXAboutWindow.h"
#include "app/BXAboutWindowPresenter.h"

#include "platform/testing/FakeUrlOpener.h"
#include "support/TestEnvironment.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace {

QTextCharFormat formatAt(const QTextDocument& document, int position)
{
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(position + 1);
    return cursor.charFormat();
}

QColor colorAt(const QTextDocument& document, int position)
{
    return formatAt(document, position).foreground().color();
}

} // namespace

TEST(AboutWindowTest, PresentingTwiceKeepsOneWindowAndCtrlWClosesIt)
{
    BXAboutWindowPresenter::present();
    BXAboutWindow* window = BXAboutWindowPresenter::currentWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->size(), QSize(BXAboutWindow::kWidth, BXAboutWindow::kHeight));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("About Brindlex"));
    BXAboutWindowPresenter::present();
    EXPECT_EQ(BXAboutWindowPresenter::currentWindow(), window);
    bxtest::saveScreenshot(window->grab().toImage(), QStringLiteral("about-window"));

    // Only exactly Ctrl+W closes; with Shift the key goes on to the base class.
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(window, Qt::Key_W, Qt::ControlModifier);
    EXPECT_FALSE(window->isVisible());

    BXAboutWindowPresenter::present();
    EXPECT_TRUE(BXAboutWindowPresenter::currentWindow()->isVisible());
    BXAboutWindowPresenter::currentWindow()->performClose();
}

TEST(AboutWindowTest, VersionDefaultsCreditsColoursAndLinks)
{
    platform::FakeUrlOpener opener;
    BXAboutWindow::Info info; // no version, no build, no credits
    BXAboutWindow bare(info);
    EXPECT_EQ(bare.findChild<QLabel*>(QStringLiteral("versionLine"))->text(),
        QStringLiteral("Version 1.0 (1)"));
    EXPECT_EQ(
        bare.creditsView()->toPlainText(), QStringLiteral("The credits could not be loaded."));
    EXPECT_EQ(colorAt(*bare.creditsView()->document(), 0).rgb(),
        bare.palette().color(QPalette::PlaceholderText).rgb());
    EXPECT_EQ(formatAt(*bare.creditsView()->document(), 0).font().pointSizeF(), 11.0);

    // A coloured credits file shows in the theme's text colour throughout.
    const QString path = bxtest::makeTempFolder() + QStringLiteral("/Credits.rtf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\\rtf1\\ansi{\\colortbl;\\red255\\green0\\blue0;}\\cf1 Red text\\par}");
    file.close();
    QPalette palette;
    palette.setColor(QPalette::Text, QColor(12, 34, 56));
    auto credits = BXAboutWindow::creditsDocument(path, palette);
    ASSERT_TRUE(credits);
    EXPECT_EQ(colorAt(*credits, 2), QColor(12, 34, 56));
    EXPECT_FALSE(BXAboutWindow::creditsDocument(path + QStringLiteral(".missing"), palette));

    BXAboutWindow::Info shipped;
    shipped.version = QStringLiteral("2.3");
    shipped.build = QStringLiteral("45");
    shipped.creditsPath = QStringLiteral(":/app/Credits.rtf");
    BXAboutWindow window(shipped);
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("versionLine"))->text(),
        QStringLiteral("Version 2.3 (45)"));
    EXPECT_TRUE(window.creditsView()->toPlainText().contains(QStringLiteral("SQLite")));
    EXPECT_LE(window.creditsView()->maximumHeight(), 200);
    const char* keys[] = { "aboutLinkWebsite", "aboutLinkPrivacy", "aboutLinkSupport" };
    for (const char* key : keys)
        window.findChild<QPushButton*>(QString::fromLatin1(key))->click();
    ASSERT_EQ(opener.openedUrls().size(), 3);
    EXPECT_EQ(opener.openedUrls()[1].path(), QStringLiteral("/privacy"));
    EXPECT_EQ(opener.openedUrls()[2].path(), QStringLiteral("/support/"));
}
