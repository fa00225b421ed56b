#include "mainwindow/BXDisposableItems.h"

int BXDisposableItems::visibleSubviewsWidth(const QList<Subview>& subviews)
{
    int width = kSpacing;
    for (const Subview& subview : subviews) {
        if (!subview.hidden)
            width += kSpacing + subview.width;
    }
    return width;
}

void BXDisposableItems::addItem(Key item)
{
    if (item && !m_items.contains(item))
        m_items.append(item);
}

void BXDisposableItems::removeItem(Key item)
{
    m_items.removeAll(item);
    m_hidden.removeAll(item);
    m_widths.remove(item);
}

BXDisposableItems::Change BXDisposableItems::adjust(const QList<Subview>& subviews, int barWidth)
{
    Change change;
    m_minimumWidth = visibleSubviewsWidth(subviews);
    if (m_minimumWidth <= barWidth) {
        if (!m_hidden.isEmpty())
            change.show = expand(barWidth);
    } else if (m_hidden.size() < m_items.size()) {
        change.hide = shrink(subviews, barWidth);
    }
    return change;
}

QList<BXDisposableItems::Key> BXDisposableItems::shrink(
    const QList<Subview>& subviews, int barWidth)
{
    QList<Key> hidden;
    for (const Subview& subview : subviews) {
        if (m_minimumWidth <= barWidth)
            break;
        if (subview.hidden || !m_items.contains(subview.key))
            continue;
        m_widths.insert(subview.key, subview.width);
        m_minimumWidth -= kSpacing + subview.width;
        m_hidden.append(subview.key);
        hidden.append(subview.key);
    }
    return hidden;
}

BXDisposableItems::Key BXDisposableItems::expand(int barWidth)
{
    const Key item = m_hidden.last();
    const int width = m_widths.value(item);
    if (m_minimumWidth + width + kSpacing >= barWidth)
        return nullptr;
    m_minimumWidth += width + kSpacing;
    m_hidden.removeLast();
    return item;
}
