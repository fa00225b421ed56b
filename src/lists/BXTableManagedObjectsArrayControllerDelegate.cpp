#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"

using namespace platform;

std::optional<bool> BXTableManagedObjectsArrayControllerDelegate::tableArrayControllerCanEditObject(
    BXTableManagedObjectsArrayController*, const std::shared_ptr<ControllerSelection>&)
{
    return std::nullopt;
}

std::optional<bool>
BXTableManagedObjectsArrayControllerDelegate::tableArrayControllerCanDeleteObjects(
    BXTableManagedObjectsArrayController*, const Notes&)
{
    return std::nullopt;
}

std::optional<bool>
BXTableManagedObjectsArrayControllerDelegate::tableArrayControllerCanHandleDropOnRow(
    BXTableManagedObjectsArrayController*, int, const QVariantMap&)
{
    return std::nullopt;
}

bool BXTableManagedObjectsArrayControllerDelegate::tableArrayControllerImportNotesAtURLs(
    BXTableManagedObjectsArrayController*, const QList<QUrl>&, const std::optional<Notes>&,
    const ImportCompletion&)
{
    return false;
}

bool BXTableManagedObjectsArrayControllerDelegate::tableArrayControllerImportNotes(
    BXTableManagedObjectsArrayController*, const Notes&, const Notes&, const Completion&)
{
    return false;
}

bool BXTableManagedObjectsArrayControllerDelegate::tableArrayControllerExportNotes(
    BXTableManagedObjectsArrayController*, const Notes&, const QUrl&, QStringList*)
{
    return false;
}

bool BXTableManagedObjectsArrayControllerDelegate::deleteNotes(const Notes&)
{
    return false;
}

bool BXTableManagedObjectsArrayControllerDelegate::willRemoveNotes(const Notes&)
{
    return false;
}

bool BXTableManagedObjectsArrayControllerDelegate::tableArrayControllerObjectDataChanged(
    BXTableManagedObjectsArrayController*, const ManagedObjectPtr&)
{
    return false;
}

bool BXTableManagedObjectsArrayControllerDelegate::tableViewColumnDidMove(const Notification&)
{
    return false;
}

bool BXTableManagedObjectsArrayControllerDelegate::tableViewColumnDidResize(const Notification&)
{
    return false;
}
