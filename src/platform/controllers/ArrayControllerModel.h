#pragma once

#include "ArrayController.h"

#include <QAbstractItemModel>
#include <QItemSelectionModel>
#include <QList>

namespace platform {

// A flat item model over an ArrayController's arranged objects, for table views: one row per
// arranged object, columns named by identifier and bound to keys. Follows the controller with
// row inserts, removals and moves, a layout change (persistent indexes moved to their objects' new
// rows) for a rearrangement, and a reset only for new content. Its selectionModel() and the
// controller's selection are kept equal both ways without feeding back. Drag and drop is the
// views' business. Main thread only; the controller must outlive it.
class ArrayControllerModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Role {
        ObjectRole = Qt::UserRole + 1, // the ManagedObjectPtr of the row
        ObjectIDRole, // its ManagedObjectID
        ColumnIdentifierRole, // of a horizontal header section: the column's identifier
    };

    struct Column {
        QString identifier;
        QString key; // read for the display and edit roles
        QString title;
        bool editable = false;
    };

    explicit ArrayControllerModel(ArrayController* controller, QObject* parent = nullptr);
    ~ArrayControllerModel() override;

    ArrayController* controller() const { return m_controller; }
    QItemSelectionModel* selectionModel() const { return m_selectionModel; }

    const QList<Column>& columns() const { return m_columns; }
    void setColumns(const QList<Column>& columns);
    // -1 when no column has the identifier.
    int columnForIdentifier(const QString& identifier) const;
    ManagedObjectPtr objectAtRow(int row) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

protected:
    // Further roles of a cell; an invalid value lets the model answer.
    virtual QVariant extraData(const ManagedObjectPtr& object, int column, int role) const;
    // Whether an edit of an editable cell may be applied; a refused edit changes nothing.
    virtual bool acceptsEdit(
        const ManagedObjectPtr& object, int column, const QVariant& value) const;

private:
    bool isCell(const QModelIndex& index) const;
    void pushSelection();
    void pullSelection();
    void beginRearrangement();
    void endRearrangement();

    ArrayController* m_controller;
    QItemSelectionModel* m_selectionModel;
    QList<Column> m_columns;
    // Persistent indexes and their objects across a rearrangement.
    QModelIndexList m_movingIndexes;
    QList<ManagedObjectPtr> m_movingObjects;
    // Set while one side of the selection is being made equal to the other, and while the
    // controller is between the two halves of a change.
    bool m_syncing = false;
    bool m_changing = false;
};

} // namespace platform
