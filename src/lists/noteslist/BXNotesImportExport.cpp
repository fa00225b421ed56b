#include "lists/noteslist/BXNotesImportExport.h"

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXSelectedCategories.h"

#include "document/model/BXNote.h"
#include "document/transfer/BXNoteCopier.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/documents/ProgressPanel.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"

#include <QPointer>

using namespace platform;

BXNotesImportExport::BXNotesImportExport(
    BXTableManagedObjectsArrayController& list, const BXSelectedCategories& categories)
    : m_list(list), m_categories(categories)
{ }

ManagedObjectPtr BXNotesImportExport::copyNote(const BXNote* note)
{
    return BXNote::noteWithNote(note, m_list.managedObjectContext(), m_categories.plain());
}

void BXNotesImportExport::importNotes(
    const QList<ManagedObjectPtr>& notes, std::function<void()> completion)
{
    if (m_list.delegate()
        && m_list.delegate()->tableArrayControllerImportNotes(
            &m_list, notes, m_categories.plain(), completion))
        return;
    ProgressPanel::Ref panel
        = notes.size() >= BXNoteCopier::PanelThreshold ? ProgressPanel::make() : nullptr;
    if (!panel) {
        importNotes(notes, nullptr, std::move(completion));
        return;
    }
    QPointer<BXNotesImportExport> guard(this);
    panel->runWithWindow(m_list.tableView() ? m_list.tableView()->window() : nullptr,
        [guard](const QVariantMap& dictionary) {
            // The list may go while the panel runs; the copies then have nowhere to go.
            if (guard)
                guard->importNotesWithDictionary(dictionary);
        },
        { { QStringLiteral("notes"), QVariant::fromValue(notes) },
            { QStringLiteral("completionHandler"),
                QVariant::fromValue(ImportCompletion { std::move(completion) }) } });
}

void BXNotesImportExport::importNotesWithDictionary(const QVariantMap& dictionary)
{
    if (!dictionary.contains(QStringLiteral("notes")))
        return;
    importNotes(dictionary.value(QStringLiteral("notes")).value<QList<ManagedObjectPtr>>(),
        ProgressPanel::fromDictionary(dictionary).get(),
        dictionary.value(QStringLiteral("completionHandler")).value<ImportCompletion>().handler);
}

void BXNotesImportExport::importNotes(
    const QList<ManagedObjectPtr>& notes, ProgressPanel* panel, std::function<void()> completion)
{
    QPointer<BXNotesImportExport> guard(this);
    BXNoteCopier::copyNotes(
        notes, localized(QStringLiteral("Importing note:")), panel,
        [guard](const ManagedObjectPtr& source) {
            const auto* note = dynamic_cast<const BXNote*>(source.get());
            return guard && note ? guard->copyNote(note) : ManagedObjectPtr();
        },
        [guard](Error* error) {
            ManagedObjectContext* context = guard ? guard->m_list.managedObjectContext() : nullptr;
            return !context || context->save(error);
        });
    if (panel)
        panel->endProgress();
    if (!completion)
        return;
    if (panel)
        dispatchAsyncMain(std::move(completion));
    else
        completion();
}

void BXNotesImportExport::importNotesAtURLs(const QList<QUrl>& urls)
{
    if (m_list.delegate())
        m_list.delegate()->tableArrayControllerImportNotesAtURLs(
            &m_list, urls, m_categories.plain(), {});
}

void BXNotesImportExport::askToImportFiles(const QList<QUrl>& urls)
{
    Alert alert;
    alert.messageText = localized(QStringLiteral("alertImportFileTitle"));
    alert.informativeText = localized(QStringLiteral("alertImportFileMessage"));
    alert.style = AlertStyle::Informational;
    alert.buttonTitles = { localized(QStringLiteral("alertImportFileOK")),
        localized(QStringLiteral("alertImportFileCancel")) };
    alert.cancelButton = 1;
    if (AlertPresenter::current().runModal(alert).button != 0 || !m_list.delegate())
        return;
    QPointer<BXNotesImportExport> self(this);
    m_list.delegate()->tableArrayControllerImportNotesAtURLs(
        &m_list, urls, m_categories.plain(), [self](const QList<ManagedObjectPtr>& made) {
            if (made.isEmpty())
                return;
            // Late enough for the list to have taken the new notes in.
            Scheduler::current().schedule(kImportedNotesSelectionDelay, [self, made] {
                if (self)
                    self->selectImportedNotes(made);
            });
        });
}

void BXNotesImportExport::selectImportedNotes(const QList<ManagedObjectPtr>& notes)
{
    // Notes a search hides, or deleted meanwhile, are left out.
    QList<ManagedObjectPtr> listed;
    for (const ManagedObjectPtr& note : notes) {
        if (note && m_list.indexOfArrangedObject(note.get()) >= 0)
            listed << note;
    }
    if (!listed.isEmpty())
        m_list.selectObjects(listed, true);
}

bool BXNotesImportExport::exportNotes(
    const QList<ManagedObjectPtr>& notes, const QUrl& folder, QStringList* exportedFilesNames)
{
    return m_list.delegate()
        && m_list.delegate()->tableArrayControllerExportNotes(
            &m_list, notes, folder, exportedFilesNames);
}
