#include "lists/BXSourceListRowView.h"

void BXSourceListRowView::initStyleOption(
    QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (index.column() == 0)
        option->font.setBold(option->state.testFlag(QStyle::State_Selected));
}
