#include "ArrayControllerModel.h"

#include "platform/predicate/Expression.h"

namespace platform {

ArrayControllerModel::ArrayControllerModel(ArrayController* controller, QObject* parent)
    : QAbstractItemModel(parent),
      m_controller(controller),
      m_selectionModel(new QItemSelectionModel(this, this))
{
    connect(controller, &ArrayController::contentAboutToBeReset, this, [this] {
        m_changing = true;
        beginResetModel();
    });
    connect(controller, &ArrayController::contentReset, this, [this] {
        endResetModel();
        m_changing = false;
        pushSelection();
    });
    connect(controller, &ArrayController::arrangedObjectsAboutToBeInserted, this,
        [this](int first, int last) {
            m_changing = true;
            beginInsertRows({}, first, last);
        });
    connect(controller, &ArrayController::arrangedObjectsInserted, this, [this] {
        endInsertRows();
        m_changing = false;
        pushSelection();
    });
    connect(controller, &ArrayController::arrangedObjectsAboutToBeRemoved, this,
        [this](int first, int last) {
            m_changing = true;
            beginRemoveRows({}, first, last);
        });
    connect(controller, &ArrayController::arrangedObjectsRemoved, this, [this] {
        endRemoveRows();
        m_changing = false;
        pushSelection();
    });
    connect(
        controller, &ArrayController::arrangedObjectAboutToMove, this, [this](int from, int to) {
            m_changing = true;
            // The destination counts rows before the move.
            beginMoveRows({}, from, from, {}, to > from ? to + 1 : to);
        });
    connect(controller, &ArrayController::arrangedObjectMoved, this, [this] {
        endMoveRows();
        m_changing = false;
        pushSelection();
    });
    connect(controller, &ArrayController::arrangedObjectsAboutToBeRearranged, this,
        &ArrayControllerModel::beginRearrangement);
    connect(controller, &ArrayController::arrangedObjectsRearranged, this,
        &ArrayControllerModel::endRearrangement);
    connect(controller, &ArrayController::arrangedObjectChanged, this, [this](int row) {
        if (!m_columns.isEmpty())
            emit dataChanged(index(row, 0), index(row, int(m_columns.size()) - 1));
    });
    connect(
        controller, &ArrayController::selectionChanged, this, &ArrayControllerModel::pushSelection);
    connect(m_selectionModel, &QItemSelectionModel::selectionChanged, this,
        &ArrayControllerModel::pullSelection);
}

ArrayControllerModel::~ArrayControllerModel() = default;

bool ArrayControllerModel::isCell(const QModelIndex& index) const
{
    return index.isValid() && index.model() == this && index.row() < rowCount()
        && index.column() < columnCount();
}

void ArrayControllerModel::setColumns(const QList<Column>& columns)
{
    beginResetModel();
    m_columns = columns;
    endResetModel();
    pushSelection();
}

int ArrayControllerModel::columnForIdentifier(const QString& identifier) const
{
    for (qsizetype i = 0; i < m_columns.size(); ++i) {
        if (m_columns.at(i).identifier == identifier)
            return int(i);
    }
    return -1;
}

ManagedObjectPtr ArrayControllerModel::objectAtRow(int row) const
{
    const QList<ManagedObjectPtr>& arranged = m_controller->arrangedObjects();
    return row >= 0 && row < arranged.size() ? arranged.at(row) : nullptr;
}

QModelIndex ArrayControllerModel::index(int row, int column, const QModelIndex& parent) const
{
    if (parent.isValid() || row < 0 || row >= rowCount() || column < 0 || column >= columnCount())
        return {};
    return createIndex(row, column);
}

QModelIndex ArrayControllerModel::parent(const QModelIndex&) const
{
    return {};
}

int ArrayControllerModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_controller->arrangedObjects().size());
}

int ArrayControllerModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant ArrayControllerModel::data(const QModelIndex& index, int role) const
{
    if (!isCell(index))
        return {};
    const ManagedObjectPtr object = objectAtRow(index.row());
    const QVariant extra = extraData(object, index.column(), role);
    if (extra.isValid())
        return extra;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return Expression::valueForKeyPath(
            QVariant::fromValue(KeyValueRef(object)), m_columns.at(index.column()).key);
    case ObjectRole:
        return QVariant::fromValue(object);
    case ObjectIDRole:
        return QVariant::fromValue(object->objectID());
    default:
        return {};
    }
}

bool ArrayControllerModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !isCell(index))
        return false;
    const Column& column = m_columns.at(index.column());
    const ManagedObjectPtr object = objectAtRow(index.row());
    if (!column.editable || !acceptsEdit(object, index.column(), value))
        return false;
    // The object's change comes back through the controller as a data change.
    object->setValue(value, column.key);
    return true;
}

Qt::ItemFlags ArrayControllerModel::flags(const QModelIndex& index) const
{
    if (!isCell(index))
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_columns.at(index.column()).editable)
        flags |= Qt::ItemIsEditable;
    return flags;
}

QVariant ArrayControllerModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns.at(section).title;
    if (role == ColumnIdentifierRole)
        return m_columns.at(section).identifier;
    return {};
}

QHash<int, QByteArray> ArrayControllerModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractItemModel::roleNames();
    names.insert(ObjectRole, "object");
    names.insert(ObjectIDRole, "objectID");
    return names;
}

QVariant ArrayControllerModel::extraData(const ManagedObjectPtr&, int, int) const
{
    return {};
}

bool ArrayControllerModel::acceptsEdit(const ManagedObjectPtr&, int, const QVariant&) const
{
    return true;
}

void ArrayControllerModel::pushSelection()
{
    if (m_syncing || m_changing || m_columns.isEmpty())
        return;
    QItemSelection selection;
    const int lastColumn = int(m_columns.size()) - 1;
    for (const IndexSet::Range& range : m_controller->selectionIndexes().ranges())
        selection.select(index(range.first, 0), index(range.end() - 1, lastColumn));
    m_syncing = true;
    if (selection != m_selectionModel->selection())
        m_selectionModel->select(selection, QItemSelectionModel::ClearAndSelect);
    // Keys typed on the list act on its current row: after a selection made by a command (a new
    // note, a deletion, an undo) that is the row the user sees selected, not the first row or
    // the one clicked before.
    const QModelIndex current = m_selectionModel->currentIndex();
    if (selection.isEmpty()) {
        if (current.isValid())
            m_selectionModel->setCurrentIndex({}, QItemSelectionModel::NoUpdate);
    } else if (!current.isValid() || !m_selectionModel->isSelected(current)) {
        const QModelIndex first = selection.first().topLeft();
        m_selectionModel->setCurrentIndex(
            index(first.row(), current.isValid() ? current.column() : 0),
            QItemSelectionModel::NoUpdate);
    }
    m_syncing = false;
}

void ArrayControllerModel::pullSelection()
{
    if (m_syncing || m_changing)
        return;
    IndexSet rows;
    for (const QItemSelectionRange& range : m_selectionModel->selection())
        rows.addRange(range.top(), range.height());
    m_syncing = true;
    m_controller->setSelectionIndexes(rows);
    m_syncing = false;
}

void ArrayControllerModel::beginRearrangement()
{
    m_changing = true;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    m_movingIndexes = persistentIndexList();
    m_movingObjects.clear();
    m_movingObjects.reserve(m_movingIndexes.size());
    for (const QModelIndex& index : std::as_const(m_movingIndexes))
        m_movingObjects.append(objectAtRow(index.row()));
}

void ArrayControllerModel::endRearrangement()
{
    QModelIndexList moved;
    moved.reserve(m_movingIndexes.size());
    for (qsizetype i = 0; i < m_movingIndexes.size(); ++i) {
        const int row = m_controller->indexOfArrangedObject(m_movingObjects.at(i).get());
        moved.append(row < 0 ? QModelIndex() : index(row, m_movingIndexes.at(i).column()));
    }
    changePersistentIndexList(m_movingIndexes, moved);
    m_movingIndexes.clear();
    m_movingObjects.clear();
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    m_changing = false;
    pushSelection();
}

} // namespace platform
