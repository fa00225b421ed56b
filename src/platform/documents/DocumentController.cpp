#include "platform/documents/DocumentController.h"

#include "platform/documents/AlertPresenter.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/documents/WindowTracker.h"
#include "platform/foundation/CopyRecursively.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/SafeWrite.h"
#include "platform/foundation/UserDefaults.h"

#include <QFileInfo>
#include <QPointer>

#include <cerrno>

namespace platform {

namespace {
DocumentController* g_shared = nullptr;
}

const QString DocumentController::RecentDocumentsKey = QStringLiteral("RecentDocuments");
const QString DocumentController::DocumentExtension = QStringLiteral("brindlex");

DocumentController::DocumentController(UserDefaults& defaults, QObject* parent)
    : QObject(parent),
      m_defaults(defaults),
      m_defaultStringAttributes(std::make_shared<const StringAttributes>())
{
    g_shared = this;
    connect(&WindowTracker::current(), &WindowTracker::mainWindowControllerChanged, this,
        [this] { emit currentDocumentChanged(currentDocument()); });
}

DocumentController::~DocumentController()
{
    if (g_shared == this)
        g_shared = nullptr;
}

DocumentController* DocumentController::shared()
{
    return g_shared;
}

Document* DocumentController::currentDocument() const
{
    WindowController* controller = WindowTracker::current().mainWindowController();
    return controller ? controller->document() : nullptr;
}

Document* DocumentController::documentForURL(const QUrl& url) const
{
    const QString path = QFileInfo(url.toLocalFile()).absoluteFilePath();
    for (Document* document : m_documents) {
        if (!document->fileURL().isEmpty()
            && QFileInfo(document->fileURL().toLocalFile()).absoluteFilePath() == path)
            return document;
    }
    return nullptr;
}

void DocumentController::addDocument(Document* document)
{
    if (!document || m_documents.contains(document))
        return;
    document->setParent(this);
    if (document->fileURL().isEmpty()) {
        // One past the highest number of the untitled documents open.
        int number = 1;
        for (const Document* open : std::as_const(m_documents)) {
            if (open->fileURL().isEmpty() && open->untitledNumber() >= number)
                number = open->untitledNumber() + 1;
        }
        document->setUntitledNumber(number);
    }
    m_documents.append(document);
    connect(document, &Document::didClose, this, [this, document] { removeDocument(document); });
}

void DocumentController::removeDocument(Document* document)
{
    if (!m_documents.removeOne(document))
        return;
    document->disconnect(this);
    document->deleteLater();
}

void DocumentController::openDocumentWithContentsOfURL(
    const QUrl& url, bool display, OpenCompletion completion)
{
    reopenDocumentForURL(url, url, display, std::move(completion));
}

void DocumentController::reopenDocumentForURL(
    const QUrl& url, const QUrl& contentsURL, bool display, OpenCompletion completion)
{
    if (Document* open = documentForURL(url)) {
        if (display)
            displayDocument(open);
        if (completion)
            completion(open, true, {});
        return;
    }
    std::unique_ptr<Document> document = makeDocumentOfType({});
    Error error;
    if (document && !document->initWithContentsOfURL(contentsURL, document->fileType(), &error))
        document.reset();
    else if (document && contentsURL != url)
        document->setFileURL(url);
    if (!document) {
        if (error.isNull())
            error = Error(kCocoaErrorDomain, FileReadUnknownError);
        if (!error.isUserCancelled()) {
            Alert alert;
            alert.messageText = error.localizedDescription();
            alert.informativeText = error.localizedFailureReason();
            alert.style = AlertStyle::Critical;
            AlertPresenter::current().runModal(alert);
        }
        if (completion)
            completion(nullptr, false, error);
        return;
    }
    finishOpening(std::move(document), url, display, completion);
}

void DocumentController::finishOpening(std::unique_ptr<Document> document, const QUrl& url,
    bool display, const OpenCompletion& completion)
{
    Document* opened = document.release();
    addDocument(opened);
    noteNewRecentDocumentURL(url);
    if (opened->isOpenElsewhere()) {
        Alert alert;
        alert.style = AlertStyle::Informational;
        alert.messageText = localizedFormat(
            QStringLiteral("“%@” is open in another copy of the application too."),
            opened->displayName());
        alert.informativeText = localized(QStringLiteral(
            "Perhaps another user has it open. What each copy saves is merged into the file; "
            "where both change the same note, both versions are kept."));
        AlertPresenter::current().runModal(alert);
    }
    if (display)
        displayDocument(opened);
    if (completion)
        completion(opened, false, {});
}

void DocumentController::duplicateDocument(Document* document)
{
    const auto fail = [](const Error& error) {
        Alert alert;
        alert.style = AlertStyle::Critical;
        alert.messageText = localized(QStringLiteral("The document could not be duplicated."));
        alert.informativeText = error.localizedFailureReason().isEmpty()
            ? error.localizedDescription()
            : error.localizedFailureReason();
        AlertPresenter::current().runModal(alert);
    };
    QPointer<Document> guard(document);
    document->autosaveWithImplicitCancellability(false, [this, guard, fail](const Error& error) {
        if (!guard)
            return;
        if (error) {
            fail(error);
            return;
        }
        const QUrl source
            = guard->fileURL().isEmpty() ? guard->autosavedContentsFileURL() : guard->fileURL();
        if (source.isEmpty()) {
            // Nothing was ever written: the copy of an empty document is a new one.
            Error untitled;
            if (!openUntitledDocumentAndDisplay(true, &untitled))
                fail(untitled);
            return;
        }
        const QUrl copy = guard->autosaveElsewhereURL();
        if (!copyRecursively(source.toLocalFile(), copy.toLocalFile())) {
            SafeWrite::remove(copy.toLocalFile());
            fail(Error::fromErrno(EIO, localized(QStringLiteral("The copy could not be made."))));
            return;
        }
        reopenDocumentForURL({}, copy, true, [copy](Document* made, bool, const Error&) {
            if (made)
                made->setAutosavedContentsFileURL(copy);
            else
                SafeWrite::remove(copy.toLocalFile());
        });
    });
}

Document* DocumentController::openUntitledDocumentAndDisplay(bool display, Error* error)
{
    std::unique_ptr<Document> document = makeDocumentOfType({});
    if (!document) {
        Error::set(error, Error(kCocoaErrorDomain, FileReadUnknownError));
        return nullptr;
    }
    Document* opened = document.release();
    addDocument(opened);
    if (display)
        displayDocument(opened);
    return opened;
}

void DocumentController::newDocument()
{
    Error error;
    if (!openUntitledDocumentAndDisplay(true, &error)) {
        Alert alert;
        alert.messageText = error.localizedDescription();
        AlertPresenter::current().runModal(alert);
    }
}

void DocumentController::openDocument()
{
    FilePanel panel;
    panel.mode = FilePanel::Mode::Open;
    panel.allowsMultipleSelection = true;
    panel.allowedFileTypes = { DocumentExtension, QStringLiteral("md"), QStringLiteral("markdown"),
        QStringLiteral("txt") };
    const FilePanelResponse response = AlertPresenter::current().runPanelModal(panel);
    if (!response.accepted)
        return;
    for (const QUrl& url : response.urls)
        openDocumentWithContentsOfURL(url, true, {});
}

QList<QUrl> DocumentController::recentDocumentURLs() const
{
    QList<QUrl> urls;
    for (const QVariant& entry : m_defaults.arrayForKey(RecentDocumentsKey)) {
        const QUrl url(entry.toString());
        if (url.isValid() && !url.isEmpty())
            urls.append(url);
    }
    return urls;
}

void DocumentController::noteNewRecentDocumentURL(const QUrl& url)
{
    if (!url.isLocalFile())
        return;
    QList<QUrl> urls = recentDocumentURLs();
    urls.removeAll(url);
    urls.prepend(url);
    QVariantList stored;
    for (const QUrl& entry : urls.mid(0, kMaximumRecentDocumentCount))
        stored.append(entry.toString());
    m_defaults.setArray(RecentDocumentsKey, stored);
}

void DocumentController::clearRecentDocuments()
{
    m_defaults.removeObject(RecentDocumentsKey);
}

void DocumentController::forgetRecentDocumentURL(const QUrl& url)
{
    if (url.isEmpty())
        return;
    QVariantList stored;
    for (const QUrl& entry : recentDocumentURLs()) {
        if (entry != url)
            stored.append(entry.toString());
    }
    m_defaults.setArray(RecentDocumentsKey, stored);
}

StringAttributes DocumentController::defaultStringAttributes() const
{
    return *m_defaultStringAttributes.load();
}

void DocumentController::setDefaultStringAttributes(const StringAttributes& attributes)
{
    m_defaultStringAttributes.store(std::make_shared<const StringAttributes>(attributes));
}

} // namespace platform
