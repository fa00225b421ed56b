#include "platform/appkit/SharingServices.h"
#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/CopySharingService.h"
#include "platform/appkit/EmailSharingService.h"
#include "platform/appkit/UrlOpener.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/text/AttributedText.h"
#include "platform/text/RtfReader.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenu>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocument>

using namespace platform;

namespace {

// Takes the mailto: URLs the desktop would hand to the mail program.
class MailCatcher final : public QObject {
    Q_OBJECT

public:
    MailCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("mailto"), this, "open"); }
    ~MailCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("mailto")); }
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }
};

// A desktop with no program for mailto:.
class NoMailProgram final : public UrlOpener {
public:
    NoMailProgram() : m_previous(UrlOpener::setCurrent(this)) { }
    ~NoMailProgram() override { UrlOpener::setCurrent(m_previous); }
    bool openUrl(const QUrl&) override { return false; }

private:
    UrlOpener* m_previous;
};

std::unique_ptr<QTextDocument> richText(const QString& plain)
{
    auto text = AttributedText::makeDocument();
    QTextCursor cursor(text.get());
    QTextCharFormat bold;
    bold.setFontWeight(QFont::Bold);
    cursor.insertText(plain, bold);
    return text;
}

TEST(SharingServicesTest, EmailOpensAMailtoUrlWithTitleAndWholeBody)
{
    MailCatcher mail;
    FakeAlertPresenter alerts;
    EmailSharingService email;
    const auto text = richText(QStringLiteral("Milk & eggs\nBread \u00fc\uFFFC"));
    ASSERT_TRUE(email.perform(*text, QStringLiteral("Groceries & more"), nullptr));

    ASSERT_EQ(mail.urls.size(), 1);
    EXPECT_EQ(mail.urls.first().toEncoded(),
        QByteArray("mailto:?subject=Groceries%20%26%20more"
                   "&body=Milk%20%26%20eggs%0D%0ABread%20%C3%BC"));
    EXPECT_TRUE(alerts.shown().empty());
}

TEST(SharingServicesTest, EmailRefusesWhatItCannotSendWholeAndSuggestsCopy)
{
    MailCatcher mail;
    FakeAlertPresenter alerts;
    EmailSharingService email;
    // Each "ü" takes six bytes in the URL: 20,000 of them are well past the limit.
    const auto longText = richText(QString(20000, QChar(0xFC)));
    EXPECT_FALSE(email.perform(*longText, QStringLiteral("Long"), nullptr));
    EXPECT_TRUE(mail.urls.isEmpty()) << "never a cut text";
    ASSERT_EQ(alerts.shown().size(), 1u);
    EXPECT_TRUE(alerts.shown().back().alert.messageText.contains(QStringLiteral("too long")));
    EXPECT_TRUE(alerts.shown().back().alert.informativeText.contains(QStringLiteral("Copy")));

    NoMailProgram none;
    const auto shortText = richText(QStringLiteral("Short"));
    EXPECT_FALSE(email.perform(*shortText, QStringLiteral("Short"), nullptr));
    ASSERT_EQ(alerts.shown().size(), 2u);
    EXPECT_TRUE(alerts.shown().back().alert.informativeText.contains(QStringLiteral("Copy")));
}

TEST(SharingServicesTest, CopyPutsRtfHtmlAndPlainTextOnTheClipboard)
{
    CopySharingService copy;
    const auto text = richText(QStringLiteral("Bold words"));
    ASSERT_TRUE(copy.perform(*text, QStringLiteral("Title"), nullptr));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->text(), QStringLiteral("Bold words"));
    EXPECT_TRUE(data->html().contains(QStringLiteral("<b>Bold words</b>")));
    const QByteArray rtf = data->data(QStringLiteral("text/rtf"));
    EXPECT_TRUE(rtf.startsWith("{\\rtf1"));
    EXPECT_TRUE(rtf.contains("\\b"));
}

TEST(SharingServicesTest, ShareMenuListsEveryServiceForTheResponderChain)
{
    QMenu menu;
    SharingServices::shared().fillMenu(&menu);
    ASSERT_EQ(menu.actions().size(), 2);
    const struct {
        const char* title;
        QString identifier;
    } expected[] = { { "E-mail", EmailSharingService::kIdentifier },
        { "Copy", CopySharingService::kIdentifier } };
    for (int index = 0; index < 2; ++index) {
        SCOPED_TRACE(expected[index].title);
        QAction* item = menu.actions().at(index);
        EXPECT_EQ(item->text(), QLatin1String(expected[index].title));
        EXPECT_EQ(CommandRouter::action(item), SharingServices::kShareFromServiceAction);
        EXPECT_EQ(CommandRouter::representedObject(item).toString(), expected[index].identifier);
        EXPECT_EQ(
            SharingServices::shared().serviceWithIdentifier(expected[index].identifier)->title(),
            item->text());
    }
}

} // namespace

#include "SharingServicesTest.moc"
