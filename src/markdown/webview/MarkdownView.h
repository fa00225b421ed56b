#pragma once

#include "markdown/MarkdownOptions.h"
#include "platform/foundation/Error.h"

#include <QPointer>
#include <QRect>
#include <QUrl>
#include <QWebEngineView>

#include <functional>
#include <memory>
#include <optional>

class QWebEngineProfile;

namespace markdown {

class MarkdownWebPage;

// Shows Markdown as a web page: the rendered HTML goes into the template bundle's "index.html"
// in place of every "MARKDOWN_HTML", and the page is loaded from a private temporary copy of the
// bundle's resources so that its relative files resolve. Only the newest copy is kept, and it is
// removed when the view is cleared or destroyed and when the application quits. Main thread.
class MarkdownView final : public QWebEngineView {
    Q_OBJECT
public:
    using Callback = std::function<void()>;

    // Makes the view and loads the first page; on failure sets `error` and makes no view.
    // `templateBundle` empty takes the library's own template. `profile` (not owned, must
    // outlive the view) empty gives the view an off-the-record profile of its own. The view acts
    // as its own navigation delegate, sending clicked links out, when `openLinksInBrowser` is
    // true or a callback is given; then `didLoadSuccessfully` runs after every successful load.
    static std::unique_ptr<MarkdownView> create(const QRect& frame, const QString& markdownString,
        bool openLinksInBrowser, const QString& templateBundle, bool writableBundle,
        QWebEngineProfile* profile, MarkdownOptions options, Callback didLoadSuccessfully,
        platform::Error* error);
    ~MarkdownView() override;

    using QWebEngineView::update;
    // Loads a new page. Options and callback that are given replace the stored ones, also when
    // the load then fails; a failed load keeps the page shown.
    bool update(const QString& markdownString, std::optional<MarkdownOptions> options,
        Callback didLoadSuccessfully, platform::Error* error);

    const QString& bundle() const { return m_bundle; }
    // Stored only: every load works on a temporary copy.
    bool writableBundle() const { return m_writableBundle; }
    MarkdownOptions options() const { return m_options; }
    void setOptions(MarkdownOptions options) { m_options = options; }
    // The template page inside the bundle.
    QUrl baseURL() const;
    // The folder of the newest copy; empty before the first load.
    const QUrl& temporaryDirectoryURL() const { return m_temporaryDirectoryURL; }
    bool isNavigationDelegate() const;

public slots:
    // Removes the private temporary folder of the newest copy; a failure is ignored.
    void clearTemporaryDirectory();

private:
    MarkdownView(const QString& bundle, bool writableBundle, QWebEngineProfile* profile,
        bool isNavigationDelegate, MarkdownOptions options, Callback didLoadSuccessfully);

    bool loadPage(const QString& markdownString, platform::Error* error);
    // Writes the page into a fresh copy of the bundle's resources; returns the copy's private
    // temporary folder, or empty on failure.
    QString writeCopy(const QString& resources, const QString& page, platform::Error* error);

    QString m_bundle;
    bool m_writableBundle;
    MarkdownOptions m_options;
    QUrl m_temporaryDirectoryURL;
    // The private folder that holds the newest copy's "Markdown" folder.
    QString m_temporaryRoot;
    Callback m_didLoadSuccessfully;
    std::unique_ptr<QWebEngineProfile> m_ownProfile;
    QPointer<MarkdownWebPage> m_page;
};

} // namespace markdown
