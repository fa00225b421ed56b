#pragma once

#include <QWebEnginePage>

namespace markdown {

class CopyFolderGuard;

// The page inside a MarkdownView. When the view acts as its own navigation delegate, a clicked
// link stays in the page only when the profile has a handler for its scheme; any other click is
// cancelled, and web and mail links go to the desktop's default application. Without the
// delegate role navigations proceed in the page. Either way nothing the page cannot show itself
// is handed to the desktop by the engine, and local files load only from the copy folder.
// Main thread.
class MarkdownWebPage final : public QWebEnginePage {
    Q_OBJECT
public:
    MarkdownWebPage(QWebEngineProfile* profile, bool isNavigationDelegate, QObject* parent);

    bool isNavigationDelegate() const { return m_isNavigationDelegate; }
    // The only folder whose files the page may load.
    void setCopyFolder(const QString& folder);

    // Only these schemes ever leave the view: a file: or custom-scheme link handed to the
    // desktop could start a program.
    static bool opensOutside(const QUrl& url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;

private:
    // Whether the engine shows `url` itself rather than passing it to the desktop.
    bool loadsInside(const QUrl& url) const;
    bool hasSchemeHandler(const QUrl& url) const;

    bool m_isNavigationDelegate;
    CopyFolderGuard* m_guard;
};

} // namespace markdown
