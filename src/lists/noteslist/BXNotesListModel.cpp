#include "lists/noteslist/BXNotesListModel.h"

#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesDateFormatter.h"
#include "lists/noteslist/BXNotesListBottomValueTransformer.h"

#include "document/model/BXNote.h"

#include "platform/foundation/Localized.h"

using namespace platform;

BXNotesListModel::BXNotesListModel(BXNotesArrayController* controller, QObject* parent)
    : ArrayControllerModel(controller, parent), m_notes(controller)
{
    setColumns({
        { BXNotesArrayController::NoteTitleColumn, BXNotesArrayController::NoteTitleColumn,
            localized(QStringLiteral("Title")), true },
        { BXNotesArrayController::NoteCreatedColumn, BXNotesArrayController::NoteCreatedColumn,
            localized(QStringLiteral("Created")), false },
        { BXNotesArrayController::NoteModifiedColumn, BXNotesArrayController::NoteModifiedColumn,
            localized(QStringLiteral("Modified")), false },
    });
    static const bool registered = [] {
        BXNotesListBottomValueTransformer::registerNotesListTransformers();
        return true;
    }();
    Q_UNUSED(registered);
    // The header's count follows the rows.
    const auto countChanged = [this] {
        const int title = columnForIdentifier(BXNotesArrayController::NoteTitleColumn);
        if (title >= 0)
            emit headerDataChanged(Qt::Horizontal, title, title);
    };
    connect(this, &QAbstractItemModel::rowsInserted, this, countChanged);
    connect(this, &QAbstractItemModel::rowsRemoved, this, countChanged);
    connect(this, &QAbstractItemModel::modelReset, this, countChanged);
}

QVariant BXNotesListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    const bool title = orientation == Qt::Horizontal && role == Qt::DisplayRole
        && section == columnForIdentifier(BXNotesArrayController::NoteTitleColumn);
    if (!title)
        return ArrayControllerModel::headerData(section, orientation, role);
    const auto header = ValueTransformer::valueTransformerForName(
        QStringLiteral("BXNotesListHeaderValueTransformer"));
    return header ? header->transformedValue(rowCount())
                  : ArrayControllerModel::headerData(section, orientation, role);
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

bool BXNotesListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    // The title is derived from the name or the text, never stored as typed.
    const auto note = std::dynamic_pointer_cast<BXNote>(objectAtRow(index.row()));
    if (!note)
        return false;
    // Leaving the row's editor with the title it showed names nothing: a title that follows
    // the first line keeps following it.
    if (value.toString().trimmed() != note->noteTitle()) {
        // A note renamed while a search shows it stays listed, as one typed into does: it
        // vanishing would move the selection, and what the user does next, to another note.
        m_notes->includeInFilter(note);
        note->setNoteTitle(value.toString());
    }
    return true;
}
