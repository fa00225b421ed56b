#include "lists/sidebar/BXCategoriesTableRowView.h"

#include <QAbstractItemView>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr double kCornerRadius = 7.5;
constexpr double kLineWidth = 2.0;

} // namespace

QRectF BXCategoriesTableRowView::hiliteRect(const QRectF& rowBounds)
{
    return rowBounds.adjusted(3.0, 1.0, -3.0, -1.0);
}

void BXCategoriesTableRowView::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    BXSourceListRowView::paint(painter, option, index);
    if (!index.data(HiliteRole).toBool())
        return;
    // The outline spans the whole row: each cell draws its part of it.
    QRectF row = option.rect;
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option.widget))
        row = QRectF(0, option.rect.top(), view->viewport()->width(), option.rect.height());
    QPainterPath path;
    path.addRoundedRect(hiliteRect(row), kCornerRadius, kCornerRadius);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setClipRect(option.rect);
    painter->setPen(QPen(option.palette.color(QPalette::Highlight), kLineWidth));
    painter->setBrush(Qt::NoBrush);
    painter->drawPath(path);
    painter->restore();
}
