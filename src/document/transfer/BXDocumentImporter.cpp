#include "document/transfer/BXDocumentImporter.h"

#include "document/BXDocumentHost.h"
#include "document/model/BXNote.h"
#include "document/transfer/BXNoteCopier.h"
#include "document/transfer/BXNoteImport.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/documents/Document.h"
#include "platform/documents/ProgressPanel.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>

#include <algorithm>

using platform::ManagedObjectContext;
using platform::ManagedObjectPtr;

BXDocumentImporter::BXDocumentImporter(platform::Document& document, BXDocumentHost& host)
    : m_document(document), m_host(host)
{ }

BXDocumentImporter::~BXDocumentImporter() = default;

bool BXDocumentImporter::saveFirst(std::function<void()> retry, const Completion& completion)
{
    if (m_document.persistentStoreCoordinator()->hasStore())
        return false;
    ManagedObjectContext* context = m_document.managedObjectContext();
    platform::UndoManager* undo = m_document.undoManager();
    context->processPendingChanges();
    undo->disableUndoRegistration();
    m_document.updateChangeCount(platform::Document::ChangeType::Done);
    context->processPendingChanges();
    undo->enableUndoRegistration();
    m_document.autosaveWithImplicitCancellability(true,
        [guard = QPointer<BXDocumentImporter>(this), retry = std::move(retry), completion](
            const platform::Error& error) {
            if (guard && !error && guard->m_document.persistentStoreCoordinator()->hasStore()) {
                retry();
                return;
            }
            if (guard)
                guard->m_host.showError(error ? error
                                              : platform::Error(platform::kCocoaErrorDomain,
                                                  platform::FileWriteUnknownError,
                                                  platform::localized(QStringLiteral(
                                                      "The notes file could not be saved."))));
            if (completion)
                completion({});
        });
    return true;
}

void BXDocumentImporter::importNotesAtURLs(
    const QList<QUrl>& urls, const QList<ManagedObjectPtr>& categories, Completion completion)
{
    ManagedObjectContext* main = m_document.managedObjectContext();
    if (!main || m_document.isClosed()) {
        if (completion)
            completion({});
        return;
    }
    if (saveFirst([this, urls, categories,
                      completion] { importNotesAtURLs(urls, categories, completion); },
            completion))
        return;
    // The import works in a context of its own, which sees only saved categories.
    const bool unsavedCategories
        = std::any_of(categories.begin(), categories.end(), [](const ManagedObjectPtr& category) {
              return category && category->objectID().isTemporaryID();
          });
    platform::Error saveError;
    if (unsavedCategories && !main->save(&saveError)) {
        m_host.showError(saveError);
        if (completion)
            completion({});
        return;
    }
    QList<platform::ManagedObjectID> categoryIDs;
    for (const ManagedObjectPtr& category : categories) {
        if (category)
            categoryIDs << category->objectID();
    }
    main->processPendingChanges();

    BXNoteImport::Files files = BXNoteImport::flattenURLs(urls);
    auto job = std::make_shared<BXNoteImport>(
        m_document.persistentStoreCoordinator(), files.paths, categoryIDs);
    auto finish = [guard = QPointer<BXDocumentImporter>(this), skipped = files.skipped, completion](
                      const BXNoteImport::Outcome& outcome) {
        QList<ManagedObjectPtr> notes;
        if (guard && !guard->m_document.isClosed()) {
            for (const platform::ManagedObjectID& id : outcome.noteIDs) {
                if (ManagedObjectPtr note
                    = guard->m_document.managedObjectContext()->existingObjectWithID(id, nullptr))
                    notes << note;
            }
        }
        if (std::optional<platform::Alert> report = BXNoteImport::report(skipped + outcome.skipped,
                outcome.shortened, outcome.lostCount, outcome.lostReason)) {
            if (QWidget* window = guard ? guard->m_host.sheetWindow() : nullptr)
                platform::AlertPresenter::current().beginSheet(*report, window, {});
            else
                platform::AlertPresenter::current().runModal(*report);
        }
        if (completion)
            completion(notes);
    };
    platform::ProgressPanel::Ref panel
        = BXNoteImport::needsPanel(files.paths) ? platform::ProgressPanel::make() : nullptr;
    if (!panel) {
        finish(job->run(nullptr));
        return;
    }
    panel->runWithWindow(m_host.sheetWindow(),
        [job, finish](const QVariantMap& dictionary) {
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            const BXNoteImport::Outcome outcome = job->run(running.get());
            running->endProgress();
            platform::dispatchAsyncMain([finish, outcome] { finish(outcome); });
        },
        {});
}

void BXDocumentImporter::addNotes(const QList<ManagedObjectPtr>& notes,
    const std::optional<QList<ManagedObjectPtr>>& categories, Completion completion)
{
    if (m_document.isClosed() || notes.isEmpty()) {
        if (completion)
            completion({});
        return;
    }
    if (saveFirst(
            [this, notes, categories, completion] { addNotes(notes, categories, completion); },
            completion))
        return;
    // A title still being typed in a list belongs to what is copied.
    if (!m_host.endMainWindowEditing()) {
        if (completion)
            completion({});
        return;
    }
    QPointer<BXDocumentImporter> guard(this);
    // Both run on the main thread, also when the loop runs under the panel.
    BXNoteCopier::Copy copy = [guard, categories](const ManagedObjectPtr& source) {
        auto* note = dynamic_cast<BXNote*>(source.get());
        if (!guard || guard->m_document.isClosed() || !note)
            return ManagedObjectPtr();
        ManagedObjectContext* main = guard->m_document.managedObjectContext();
        QList<ManagedObjectPtr> into;
        if (categories)
            into = *categories;
        else if (note->managedObjectContext() == main)
            into = note->categories();
        return ManagedObjectPtr(BXNote::noteWithNote(note, main, into));
    };
    BXNoteCopier::Save save = [guard](platform::Error* error) {
        return !guard || guard->m_document.isClosed()
            || guard->m_document.managedObjectContext()->save(error);
    };
    const QString message = platform::localized(QStringLiteral("Adding note:"));
    platform::ProgressPanel::Ref panel
        = notes.size() >= BXNoteCopier::PanelThreshold ? platform::ProgressPanel::make() : nullptr;
    if (!panel) {
        const QList<ManagedObjectPtr> copies
            = BXNoteCopier::copyNotes(notes, message, nullptr, copy, save);
        if (completion)
            completion(copies);
        return;
    }
    panel->runWithWindow(m_host.sheetWindow(),
        [notes, message, copy, save, completion](const QVariantMap& dictionary) {
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            QList<ManagedObjectPtr> copies
                = BXNoteCopier::copyNotes(notes, message, running.get(), copy, save);
            running->endProgress();
            platform::dispatchAsyncMain([completion, copies] {
                if (completion)
                    completion(copies);
            });
        },
        {});
}

void BXDocumentImporter::importNotes(const QList<ManagedObjectPtr>& categories)
{
    platform::FilePanel panel;
    panel.mode = platform::FilePanel::Mode::Open;
    panel.allowsMultipleSelection = true;
    panel.canChooseFiles = true;
    panel.canChooseDirectories = true;
    panel.canCreateDirectories = false;
    panel.prompt = platform::localized(QStringLiteral("Import"));
    panel.message = platform::localized(QStringLiteral("Select files and folders to import."));
    platform::AlertPresenter::current().beginPanelSheet(panel, m_host.sheetWindow(),
        [guard = QPointer<BXDocumentImporter>(this), categories](
            const platform::FilePanelResponse& response) {
            if (guard && response.accepted && !response.urls.isEmpty())
                guard->importNotesAtURLs(response.urls, categories, {});
        });
}
