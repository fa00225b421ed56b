#include "CopySharingService.h"

#include "platform/foundation/Localized.h"
#include "platform/text/AttributedText.h"
#include "platform/text/HtmlWriter.h"
#include "platform/text/RtfWriter.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QTextDocument>

namespace platform {

QString CopySharingService::title() const
{
    return localized(QStringLiteral("Copy"));
}

QIcon CopySharingService::icon() const
{
    return QIcon::fromTheme(QStringLiteral("edit-copy"));
}

bool CopySharingService::perform(const QTextDocument& text, const QString& subject, QWidget*)
{
    auto data = std::make_unique<QMimeData>();
    data->setData(QStringLiteral("text/rtf"), RtfWriter::write(text));
    HtmlWriter::Options options;
    options.dropImages = true;
    options.title = subject;
    data->setHtml(HtmlWriter::toHtml(text, options));
    QString plain = AttributedText::string(text);
    plain.remove(QChar(0xFFFC));
    data->setText(plain);
    QGuiApplication::clipboard()->setMimeData(data.release());
    return true;
}

} // namespace platform
