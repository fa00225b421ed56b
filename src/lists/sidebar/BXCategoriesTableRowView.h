#pragma once

#include "lists/BXSourceListRowView.h"

#include <QRectF>

// The sidebar's rows: source-list rows that outline a category holding every note being
// peeked at. The model tells which rows are highlighted under HiliteRole; a change of that role
// repaints the row. Main thread only.
class BXCategoriesTableRowView final : public BXSourceListRowView {
    Q_OBJECT

public:
    static constexpr int HiliteRole = Qt::UserRole + 20;

    using BXSourceListRowView::BXSourceListRowView;

    // The outline of a highlighted row: its bounds inset by 3 horizontally and 1 vertically.
    static QRectF hiliteRect(const QRectF& rowBounds);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override;
};
