#pragma once

#include "platform/data/ManagedObject.h"

#include <QAbstractItemModel>

class BXCategoriesArrayController;
class BXCategorySectionHeader;

// The sidebar's outline over the controller's sections: the sections SMART and TAGS at the top
// (neither selectable nor editable, always expanded) and the categories under them. A category's
// name edits in place through the controller's rename rules; the peek marks come under
// BXCategoriesTableRowView::HiliteRole. Reset whenever the controller regroups its sections.
// Main thread only.
class BXCategoriesOutlineModel final : public QAbstractItemModel {
    Q_OBJECT

public:
    // True for a section row.
    static constexpr int SectionRole = Qt::UserRole + 21;
    static constexpr int SectionRowHeight = 24;
    static constexpr int CategoryRowHeight = 22;

    BXCategoriesOutlineModel(BXCategoriesArrayController* controller, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Dragging categories out; drops are decided by the controller, which sees the drag.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    BXCategoriesArrayController* controller() const { return m_controller; }
    // Null for a section or an invalid index.
    platform::ManagedObjectPtr objectForIndex(const QModelIndex& index) const;
    BXCategorySectionHeader* sectionForIndex(const QModelIndex& index) const;
    // Invalid when the object is not shown.
    QModelIndex indexForObject(const platform::ManagedObjectPtr& object) const;

private:
    void hiliteChanged();

    BXCategoriesArrayController* m_controller;
};
