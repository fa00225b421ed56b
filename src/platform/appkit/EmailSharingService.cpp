#include "EmailSharingService.h"

#include "UrlOpener.h"

#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Localized.h"
#include "platform/text/AttributedText.h"

#include <QTextDocument>

namespace platform {

namespace {

void showFailure(const QString& message, QWidget* window)
{
    Alert alert;
    alert.messageText = localized(message);
    alert.informativeText
        = localized(QStringLiteral("Choose Share > Copy, then paste the note into a new message."));
    if (window)
        AlertPresenter::current().beginSheet(alert, window, [](const AlertResponse&) {});
    else
        AlertPresenter::current().runModal(alert);
}

} // namespace

QString EmailSharingService::title() const
{
    return localized(QStringLiteral("E-mail"));
}

QIcon EmailSharingService::icon() const
{
    return QIcon::fromTheme(QStringLiteral("mail-message-new"));
}

QUrl EmailSharingService::mailtoUrl(const QString& subject, const QString& body)
{
    QString crlfBody = body;
    crlfBody.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    crlfBody.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    const QByteArray encoded = "mailto:?subject=" + QUrl::toPercentEncoding(subject)
        + "&body=" + QUrl::toPercentEncoding(crlfBody);
    return QUrl::fromEncoded(encoded, QUrl::StrictMode);
}

bool EmailSharingService::perform(
    const QTextDocument& text, const QString& subject, QWidget* window)
{
    QString body = AttributedText::string(text);
    // Pictures cannot travel in a mailto: body.
    body.remove(QChar(0xFFFC));
    const QUrl url = mailtoUrl(subject, body);
    if (url.toEncoded().size() > kMaxUrlBytes) {
        showFailure(QStringLiteral("This note is too long to be sent by e-mail."), window);
        return false;
    }
    if (!UrlOpener::current().openUrl(url)) {
        showFailure(QStringLiteral("No e-mail program is set up on this computer."), window);
        return false;
    }
    return true;
}

} // namespace platform
