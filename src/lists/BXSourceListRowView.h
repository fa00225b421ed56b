#pragma once

#include <QStyledItemDelegate>

// Draws the rows of the lists' source-list style: the title of a selected row in bold, of
// any other row in the regular weight. Set as a view's item delegate. Main thread only.
class BXSourceListRowView : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};
