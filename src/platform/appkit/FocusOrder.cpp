#include "platform/appkit/FocusOrder.h"

#include <QApplication>

#include <algorithm>

namespace platform {

namespace {

bool takesTab(const QWidget* widget)
{
    return (widget->focusPolicy() & Qt::TabFocus) && widget->isVisible() && widget->isEnabled();
}

bool holds(const QList<QWidget*>& stops, const QWidget* widget)
{
    return std::any_of(stops.begin(), stops.end(),
        [widget](const QWidget* stop) { return stop == widget || stop->isAncestorOf(widget); });
}

} // namespace

void FocusOrder::setRegions(const QList<QWidget*>& regions)
{
    m_regions.clear();
    for (QWidget* region : regions)
        m_regions.append(region);
}

QList<QWidget*> FocusOrder::stops() const
{
    const QWidget* focus = QApplication::focusWidget();
    QList<QWidget*> stops;
    for (const QPointer<QWidget>& region : m_regions) {
        // A part out of sight that holds the focus (a field in the toolbar's overflow) is still
        // where Tab goes on from.
        const bool holdsFocus = region && focus && (region == focus || region->isAncestorOf(focus));
        if (!region || !(region->isVisible() || holdsFocus) || !region->isEnabled())
            continue;
        if (region->focusPolicy() & Qt::TabFocus) {
            if (!holds(stops, region))
                stops.append(region);
            continue;
        }
        // Parents come before their children here: a control inside another that takes Tab
        // (a field's own button) is left to the outer one.
        QList<QWidget*> controls;
        for (QWidget* child : region->findChildren<QWidget*>()) {
            if (takesTab(child) && !holds(stops, child) && !holds(controls, child))
                controls.append(child);
        }
        const QWidget* window = region->window();
        std::stable_sort(
            controls.begin(), controls.end(), [window](const QWidget* left, const QWidget* right) {
                return left->mapTo(window, QPoint()).x() < right->mapTo(window, QPoint()).x();
            });
        stops.append(controls);
    }
    return stops;
}

bool FocusOrder::move(bool next) const
{
    const QWidget* focus = QApplication::focusWidget();
    if (!focus)
        return false;
    const QList<QWidget*> order = stops();
    const auto at = std::find_if(order.begin(), order.end(),
        [focus](const QWidget* stop) { return stop == focus || stop->isAncestorOf(focus); });
    if (at == order.end())
        return false;
    const qsizetype count = order.size();
    const qsizetype index = ((at - order.begin()) + (next ? 1 : count - 1)) % count;
    order.at(index)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

} // namespace platform
