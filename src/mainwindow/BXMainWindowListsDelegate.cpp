#include "mainwindow/BXMainWindowListsDelegate.h"

#include "document/BXDocument.h"

BXMainWindowListsDelegate::BXMainWindowListsDelegate(std::function<BXDocument*()> document)
    : m_document(std::move(document))
{ }

bool BXMainWindowListsDelegate::tableArrayControllerImportNotesAtURLs(
    BXTableManagedObjectsArrayController*, const QList<QUrl>& urls,
    const std::optional<Notes>& categories, const ImportCompletion& completion)
{
    BXDocument* owner = m_document();
    if (!owner)
        return false;
    owner->importNotesAtURLs(urls, categories.value_or(Notes()), completion);
    return true;
}

bool BXMainWindowListsDelegate::tableArrayControllerImportNotes(
    BXTableManagedObjectsArrayController*, const Notes& notes, const Notes& categories,
    const Completion& completion)
{
    BXDocument* owner = m_document();
    if (!owner)
        return false;
    owner->addNotes(notes, categories, [completion](const Notes&) {
        if (completion)
            completion();
    });
    return true;
}

bool BXMainWindowListsDelegate::tableArrayControllerExportNotes(
    BXTableManagedObjectsArrayController*, const Notes& notes, const QUrl& folder,
    QStringList* exportedFilesNames)
{
    BXDocument* owner = m_document();
    if (!owner)
        return false;
    owner->exportNotes(notes, folder, exportedFilesNames);
    return true;
}

bool BXMainWindowListsDelegate::deleteNotes(const Notes& notes)
{
    BXDocument* owner = m_document();
    if (!owner)
        return false;
    owner->deleteNotes(notes);
    return true;
}
