#include "lists/BXManagedObjectsArrayController.h"

#include "lists/BXControllerBackedModel.h"
#include "lists/BXTableView.h"
#include "lists/BXTableViewDelegate.h"

#include <QAbstractItemView>

using namespace platform;

bool BXManagedObjectsArrayController::indexValid(int index) const
{
    return index >= 0 && index < arrangedObjects().size();
}

QList<ManagedObjectID> BXManagedObjectsArrayController::selectedObjectsIDs() const
{
    QList<ManagedObjectID> ids;
    for (const ManagedObjectPtr& object : selectedObjects())
        ids.append(object->objectID());
    return ids;
}

QList<QUrl> BXManagedObjectsArrayController::selectedObjectsIDURIRepresentations() const
{
    QList<QUrl> urls;
    for (const ManagedObjectID& id : selectedObjectsIDs())
        urls.append(id.URIRepresentation());
    return urls;
}

bool BXManagedObjectsArrayController::selectionIsContiguous() const
{
    const IndexSet& selection = selectionIndexes();
    const int count = selection.count();
    return count >= 2 && selection.countOfIndexesInRange(selection.firstIndex(), count) == count;
}

void BXManagedObjectsArrayController::deleteArrangedObjects()
{
    removeObjects(arrangedObjects());
}

QList<platform::ManagedObjectID> BXManagedObjectsArrayController::arrangedObjectIDs(
    const platform::IndexSet& rows) const
{
    QList<platform::ManagedObjectID> ids;
    for (const int row : rows.toList()) {
        if (indexValid(row))
            ids.append(arrangedObjects().at(row)->objectID());
    }
    return ids;
}

ManagedObjectContext* BXManagedObjectsArrayController::managedObjectContext() const
{
    return arrangedObjects().isEmpty() ? nullptr
                                       : arrangedObjects().first()->managedObjectContext();
}

BXManagedObjectsArrayController* BXManagedObjectsArrayController::draggingSourceController(
    QObject* source)
{
    if (auto* table = qobject_cast<BXTableView*>(source))
        return dynamic_cast<BXManagedObjectsArrayController*>(table->delegate());
    if (auto* view = qobject_cast<QAbstractItemView*>(source)) {
        if (auto* model = dynamic_cast<BXControllerBackedModel*>(view->model()))
            return model->controller();
    }
    return nullptr;
}
