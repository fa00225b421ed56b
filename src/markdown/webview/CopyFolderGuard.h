#pragma once

#include <QString>
#include <QWebEngineUrlRequestInterceptor>

namespace markdown {

// Keeps a MarkdownView's page to its own folder: every request for a local file outside the
// page's copy folder is blocked, so a script in the rendered Markdown cannot read the user's
// files while the template's style sheets and images still load. Lives on the main thread,
// where the engine calls it.
class CopyFolderGuard final : public QWebEngineUrlRequestInterceptor {
    Q_OBJECT
public:
    using QWebEngineUrlRequestInterceptor::QWebEngineUrlRequestInterceptor;

    // The folder whose files may load; empty blocks every local file.
    void setFolder(const QString& folder);
    bool allows(const QUrl& url) const;

    void interceptRequest(QWebEngineUrlRequestInfo& info) override;

private:
    QString m_folder;
};

} // namespace markdown
