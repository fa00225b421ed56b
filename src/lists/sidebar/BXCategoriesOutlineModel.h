#pragma once

#include "lists/BXControllerBackedModel.h"
#include "platform/data/ManagedObject.h"

#include <QAbstractItemModel>

class BXCategoriesOutlineDataSource;
class BXCategorySectionHeader;

// The sidebar's outline over its data source's sections: the sections SMART and TAGS at the top
// (neither selectable nor editable, always expanded) and the categories under them. A category's
// name edits in place through the data source's rename rules; the peek marks come under
// BXCategoriesTableRowView::HiliteRole. Whoever makes it resets it around every regrouping of
// the sections and tells it when the peek marks change. Main thread only.
class BXCategoriesOutlineModel final : public QAbstractItemModel, public BXControllerBackedModel {
    Q_OBJECT

public:
    // True for a section row.
    static constexpr int SectionRole = Qt::UserRole + 21;
    static constexpr int SectionRowHeight = 24;
    static constexpr int CategoryRowHeight = 22;

    // `dataSource` must outlive the model.
    BXCategoriesOutlineModel(BXCategoriesOutlineDataSource* dataSource, QObject* parent = nullptr);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // Dragging categories out; drops are decided by the sidebar, which sees the drag.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;

    BXManagedObjectsArrayController* controller() const override;
    // Null for a section or an invalid index.
    platform::ManagedObjectPtr objectForIndex(const QModelIndex& index) const;
    BXCategorySectionHeader* sectionForIndex(const QModelIndex& index) const;
    // Invalid when the object is not shown.
    QModelIndex indexForObject(const platform::ManagedObjectPtr& object) const;

    // Around a regrouping of the sections.
    void sectionsAboutToChange() { beginResetModel(); }
    void sectionsChanged() { endResetModel(); }
    void hiliteChanged();

private:
    BXCategoriesOutlineDataSource* m_dataSource;
};
