#pragma once

#include "platform/foundation/Error.h"
#include "platform/text/StringAttributes.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>

namespace platform {

class Document;
class UserDefaults;

// The application's one document controller: it makes, opens and lists the open documents,
// keeps the recent-documents list in the settings (most recent first, at most ten; a file that
// vanished stays listed) and runs the open panel. Subclasses say which document a type makes
// (makeDocumentOfType()). Open documents are owned here until they close. Errors of opening
// become alerts through the current presenter, except a cancelled password prompt. Main
// thread only, except defaultStringAttributes().
class DocumentController : public QObject {
    Q_OBJECT

public:
    using OpenCompletion
        = std::function<void(Document* document, bool alreadyOpen, const Error& error)>;

    static constexpr int kMaximumRecentDocumentCount = 10;
    // The settings key of the recent-documents list (file URLs as text).
    static const QString RecentDocumentsKey;
    // The extension of the application's documents, which are folders.
    static const QString DocumentExtension;

    // Becomes the shared controller; `defaults` (not owned) holds the recent list.
    explicit DocumentController(UserDefaults& defaults, QObject* parent = nullptr);
    ~DocumentController() override;

    // The controller in force, or null before one is made.
    static DocumentController* shared();

    const QList<Document*>& documents() const { return m_documents; }
    // The document of the main window, as the window tracker reports it.
    Document* currentDocument() const;
    Document* documentForURL(const QUrl& url) const;
    // Takes ownership; the document leaves the list (and is deleted later) when it closes.
    virtual void addDocument(Document* document);
    virtual void removeDocument(Document* document);

    // Opens `url`, or brings its open document forward (`alreadyOpen`). `completion` always
    // runs, on the main thread.
    virtual void openDocumentWithContentsOfURL(
        const QUrl& url, bool display, OpenCompletion completion);
    // Opens the document of `url` from the contents at `contentsURL` (an autosaved copy).
    virtual void reopenDocumentForURL(
        const QUrl& url, const QUrl& contentsURL, bool display, OpenCompletion completion);
    virtual Document* openUntitledDocumentAndDisplay(bool display, Error* error);
    // Opens a new untitled document holding what `document` holds now (saved first), in a
    // copy of its own in the autosave folder; a failure is shown.
    void duplicateDocument(Document* document);
    // The New and Open commands; Open runs the open panel, in which a notes file is a file.
    virtual void newDocument();
    virtual void openDocument();

    QList<QUrl> recentDocumentURLs() const;
    void noteNewRecentDocumentURL(const QUrl& url);
    void clearRecentDocuments();
    // Drops every entry equal to `url`; the others keep their order.
    void forgetRecentDocumentURL(const QUrl& url);

    // The font, colour and paragraph style of new note text. Any thread: it reads an immutable
    // snapshot that setDefaultStringAttributes() swaps whole.
    virtual StringAttributes defaultStringAttributes() const;

signals:
    void currentDocumentChanged(platform::Document* document);

protected:
    // The new, empty document of `type` (the default type when empty); null when none fits.
    virtual std::unique_ptr<Document> makeDocumentOfType(const QString& type) = 0;
    // Makes the document's windows when it has none, and shows them.
    virtual void displayDocument(Document* document) = 0;
    void setDefaultStringAttributes(const StringAttributes& attributes);
    UserDefaults& defaults() const { return m_defaults; }

private:
    void finishOpening(std::unique_ptr<Document> document, const QUrl& url, bool display,
        const OpenCompletion& completion);

    UserDefaults& m_defaults;
    QList<Document*> m_documents;
    std::atomic<std::shared_ptr<const StringAttributes>> m_defaultStringAttributes;
};

} // namespace platform
