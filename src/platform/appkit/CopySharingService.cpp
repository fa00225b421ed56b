#include "CopySharingService.h"

#include "platform/foundation/Localized.h"
#include "platform/text/TextMimeData.h"

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
    QGuiApplication::clipboard()->setMimeData(TextMimeData::make(text, subject).release());
    return true;
}

} // namespace platform
