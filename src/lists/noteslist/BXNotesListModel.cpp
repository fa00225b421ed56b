#include "lists/noteslist/BXNotesListModel.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesDateFormatter.h"
#include "lists/BXTableView.h"

#include "platform/foundation/Localized.h"

using namespace platform;

BXNotesListModel::BXNotesListModel(BXNotesArrayController* controller, QObject* parent)
    : ArrayControllerModel(controller, parent), m_notes(controller)
{
    setColumns({
        { BXNotesArrayController::NoteTitleColumn, BXNotesArrayController::NoteTitleColumn,
            localized(QStringLiteral("Title")), false },
        { BXNotesArrayController::NoteCreatedColumn, BXNotesArrayController::NoteCreatedColumn,
            localized(QStringLiteral("Created")), false },
        { BXNotesArrayController::NoteModifiedColumn, BXNotesArrayController::NoteModifiedColumn,
            localized(QStringLiteral("Modified")), false },
    });
}

QVariant BXNotesListModel::extraData(const ManagedObjectPtr& object, int column, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    const QString& identifier = columns().at(column).identifier;
    BXNotesDateFormatter* formatter = nullptr;
    if (identifier == BXNotesArrayController::NoteCreatedColumn)
        formatter = &m_notes->createdDateFormatter();
    else if (identifier == BXNotesArrayController::NoteModifiedColumn)
        formatter = &m_notes->modifiedDateFormatter();
    if (!formatter)
        return {};
    return formatter->stringFromDate(object->valueForKey(identifier).toDateTime());
}
