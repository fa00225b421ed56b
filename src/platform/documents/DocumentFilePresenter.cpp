#include "DocumentFilePresenter.h"

#include "AlertPresenter.h"
#include "Document.h"
#include "DocumentController.h"

#include "platform/data/PersistentStore.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"

#include <QFileInfo>
#include <QPointer>
#include <QStandardPaths>

namespace platform {

using State = DocumentFileWatcher::State;

DocumentFilePresenter::DocumentFilePresenter(Document& document) : m_document(document)
{
    connect(&m_watcher, &DocumentFileWatcher::changed, this, &DocumentFilePresenter::fileChanged);
}

DocumentFilePresenter::~DocumentFilePresenter() = default;

void DocumentFilePresenter::watchFile()
{
    m_gone = State::Unchanged;
    m_storeDamage = Error();
    m_watcher.watch(m_document.fileURL().toLocalFile());
}

bool DocumentFilePresenter::checkFile()
{
    if (isFileGone())
        return false;
    const State state = m_watcher.state();
    if (state == State::Moved)
        follow(m_watcher.movedPath());
    if (state == State::Moved || state == State::Unchanged) {
        const std::shared_ptr<PersistentStore> store
            = m_document.persistentStoreCoordinator()->persistentStore();
        if (!store || store->checkFile(&m_storeDamage))
            return true;
        m_document.keepNotesOfDamagedStore();
    } else {
        m_gone = state;
    }
    // Told on a later turn: this runs inside a save.
    dispatchAfter(0, this, [this] { tellFileGone(); });
    return false;
}

Error DocumentFilePresenter::fileGoneError() const
{
    const QString kept = localized(
        QStringLiteral("The notes in its window are kept there until you save them in another "
                       "place."));
    if (!m_storeDamage.isNull())
        return Error(m_storeDamage.domain(), m_storeDamage.code(),
            m_storeDamage.localizedDescription(),
            m_storeDamage.localizedFailureReason() + QLatin1Char(' ') + kept);
    const QString name = m_document.fileURL().fileName();
    return Error(kCocoaErrorDomain, FileNoSuchFileError,
        m_gone == State::Replaced
            ? localizedFormat(QStringLiteral("The file “%@” was replaced by another file."), name)
            : localizedFormat(QStringLiteral("The file “%@” was deleted."), name),
        kept);
}

void DocumentFilePresenter::fileChanged()
{
    if (m_document.isClosed() || isFileGone())
        return;
    switch (m_watcher.state()) {
    case State::Unchanged:
        return;
    case State::Moved:
        follow(m_watcher.movedPath());
        return;
    case State::Deleted:
    case State::Replaced:
        m_gone = m_watcher.state();
        tellFileGone();
        return;
    }
}

void DocumentFilePresenter::follow(const QString& path)
{
    const QUrl before = m_document.fileURL();
    const QUrl after = QUrl::fromLocalFile(path);
    log(QStringLiteral("“%@” was moved to “%@”"), before.toLocalFile(), path);
    m_document.setFileURL(after);
    if (DocumentController* controller = DocumentController::shared()) {
        controller->forgetRecentDocumentURL(before);
        controller->noteNewRecentDocumentURL(after);
    }
}

void DocumentFilePresenter::tellFileGone()
{
    if (m_document.isClosed() || !isFileGone())
        return;
    const Error gone = fileGoneError();
    Alert alert;
    alert.style = AlertStyle::Critical;
    alert.messageText = gone.localizedDescription();
    alert.informativeText = gone.localizedFailureReason();
    alert.buttonTitles
        = { localized(QStringLiteral("Save As…")), localized(QStringLiteral("Later")) };
    alert.cancelButton = 1;
    QPointer<DocumentFilePresenter> guard(this);
    AlertPresenter::current().beginSheet(
        alert, m_document.windowForSheet(), [guard](const AlertResponse& response) {
            if (guard && response.button == 0 && !guard->m_document.isClosed())
                guard->m_document.saveDocumentAs({});
        });
}

void DocumentFilePresenter::renameDocument()
{
    FilePanel panel;
    panel.mode = FilePanel::Mode::Save;
    panel.title = localized(QStringLiteral("Rename"));
    panel.prompt = localized(QStringLiteral("Rename"));
    const QString path = m_document.fileURL().toLocalFile();
    panel.directory = path.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
        : QFileInfo(path).path();
    panel.nameFieldStringValue = m_document.displayName();
    const QString extension = m_document.fileNameExtensionForType(m_document.fileType());
    if (!extension.isEmpty())
        panel.allowedFileTypes = { extension };
    QPointer<DocumentFilePresenter> guard(this);
    AlertPresenter::current().beginPanelSheet(
        panel, m_document.windowForSheet(), [guard, extension](const FilePanelResponse& answer) {
            if (!guard || !answer.accepted || answer.urls.isEmpty())
                return;
            QUrl url = answer.urls.first();
            if (!extension.isEmpty()
                && QFileInfo(url.fileName()).suffix().compare(extension, Qt::CaseInsensitive) != 0)
                url = QUrl::fromLocalFile(url.toLocalFile() + QLatin1Char('.') + extension);
            guard->moveShowingFailure(url);
        });
}

void DocumentFilePresenter::moveDocument()
{
    FilePanel panel;
    panel.mode = FilePanel::Mode::Open;
    panel.title = localized(QStringLiteral("Move To"));
    panel.prompt = localized(QStringLiteral("Move"));
    panel.canChooseFiles = false;
    panel.canChooseDirectories = true;
    QPointer<DocumentFilePresenter> guard(this);
    AlertPresenter::current().beginPanelSheet(
        panel, m_document.windowForSheet(), [guard](const FilePanelResponse& answer) {
            if (!guard || !answer.accepted || answer.urls.isEmpty())
                return;
            QString name = guard->m_document.fileURL().fileName();
            if (name.isEmpty()) {
                name = guard->m_document.displayName();
                const QString extension
                    = guard->m_document.fileNameExtensionForType(guard->m_document.fileType());
                if (!extension.isEmpty())
                    name += QLatin1Char('.') + extension;
            }
            guard->moveShowingFailure(
                QUrl::fromLocalFile(answer.urls.first().toLocalFile() + QLatin1Char('/') + name));
        });
}

void DocumentFilePresenter::moveShowingFailure(const QUrl& url)
{
    if (QFileInfo(url.toLocalFile()).absoluteFilePath()
        == QFileInfo(m_document.fileURL().toLocalFile()).absoluteFilePath())
        return;
    if (QFileInfo::exists(url.toLocalFile()) || QFileInfo(url.toLocalFile()).isSymLink()) {
        Alert alert;
        alert.messageText
            = localizedFormat(QStringLiteral("The name “%@” is already taken."), url.fileName());
        alert.informativeText = localized(QStringLiteral("Please choose a different name."));
        AlertPresenter::current().beginSheet(alert, m_document.windowForSheet(), {});
        return;
    }
    const QUrl before = m_document.fileURL();
    QPointer<DocumentFilePresenter> guard(this);
    m_document.moveToURL(url, [guard, before, url](const Error& error) {
        if (!guard)
            return;
        if (error) {
            Alert alert;
            alert.style = AlertStyle::Critical;
            alert.messageText
                = localizedFormat(QStringLiteral("The document “%@” could not be moved."),
                    guard->m_document.displayName());
            alert.informativeText = error.localizedFailureReason().isEmpty()
                ? error.localizedDescription()
                : error.localizedFailureReason();
            AlertPresenter::current().beginSheet(alert, guard->m_document.windowForSheet(), {});
            return;
        }
        if (DocumentController* controller = DocumentController::shared()) {
            if (!before.isEmpty())
                controller->forgetRecentDocumentURL(before);
            controller->noteNewRecentDocumentURL(url);
        }
    });
}

} // namespace platform
