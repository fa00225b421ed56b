#include "MarkdownWebPage.h"

#include "CopyFolderGuard.h"
#include "platform/appkit/UrlOpener.h"
#include "platform/foundation/Log.h"

#include <QWebEngineProfile>

namespace markdown {

MarkdownWebPage::MarkdownWebPage(
    QWebEngineProfile* profile, bool isNavigationDelegate, QObject* parent)
    : QWebEnginePage(profile, parent),
      m_isNavigationDelegate(isNavigationDelegate),
      m_guard(new CopyFolderGuard(this))
{
    setUrlRequestInterceptor(m_guard);
}

void MarkdownWebPage::setCopyFolder(const QString& folder)
{
    m_guard->setFolder(folder);
}

bool MarkdownWebPage::opensOutside(const QUrl& url)
{
    const QString scheme = url.scheme().toLower();
    return scheme == u"http"_qs || scheme == u"https"_qs || scheme == u"mailto"_qs;
}

bool MarkdownWebPage::loadsInside(const QUrl& url) const
{
    static const QStringList engineSchemes
        = { u"http"_qs, u"https"_qs, u"file"_qs, u"data"_qs, u"blob"_qs, u"about"_qs, u"qrc"_qs };
    return engineSchemes.contains(url.scheme().toLower()) || hasSchemeHandler(url);
}

bool MarkdownWebPage::hasSchemeHandler(const QUrl& url) const
{
    return !url.scheme().isEmpty() && profile()->urlSchemeHandler(url.scheme().toUtf8());
}

bool MarkdownWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type, bool)
{
    if (url.isEmpty())
        return true;
    if (m_isNavigationDelegate && type == NavigationTypeLinkClicked && !hasSchemeHandler(url)) {
        if (opensOutside(url))
            platform::UrlOpener::current().openUrl(url);
        else
            platform::log(u"[MarkdownView] link not opened: %@"_qs, url.toString());
        return false;
    }
    // The engine would hand a scheme it cannot show to the desktop on its own.
    if (!loadsInside(url)) {
        platform::log(u"[MarkdownView] navigation not followed: %@"_qs, url.toString());
        return false;
    }
    return true;
}

} // namespace markdown
