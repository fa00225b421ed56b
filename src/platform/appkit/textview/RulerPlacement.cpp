#include "RulerPlacement.h"

#include "platform/appkit/RulerView.h"

namespace platform {

RulerPlacement::RulerPlacement(
    QWidget& view, RulerFactory makeRuler, ViewportMargins viewportMargins)
    : m_view(view), m_makeRuler(std::move(makeRuler)), m_viewportMargins(std::move(viewportMargins))
{ }

bool RulerPlacement::isVisible() const
{
    return m_ruler && !m_ruler->isHidden();
}

void RulerPlacement::setVisible(bool visible)
{
    if (visible == isVisible())
        return;
    if (!m_ruler) {
        m_ruler = m_makeRuler();
        updateAppearance();
    }
    m_ruler->setVisible(visible);
    place();
}

void RulerPlacement::setMeasurementUnits(const QString& units)
{
    if (!m_ruler) {
        m_ruler = m_makeRuler();
        m_ruler->hide();
        updateAppearance();
    }
    m_ruler->setMeasurementUnits(units);
}

void RulerPlacement::place()
{
    const bool shown = isVisible();
    // Setting margins lays the viewport out again even when they stay: from a resize, that
    // would resize the viewport inside its own resize.
    const QMargins margins(0, shown ? RulerView::kHeight : 0, 0, 0);
    if (m_viewportMargins.get() != margins)
        m_viewportMargins.set(margins);
    if (!shown)
        return;
    const QRect frame = m_view.contentsRect();
    m_ruler->setGeometry(frame.left(), frame.top(), frame.width(), RulerView::kHeight);
    m_ruler->refresh();
}

void RulerPlacement::setSystemAppearance(bool system)
{
    m_systemAppearance = system;
    updateAppearance();
}

void RulerPlacement::updateAppearance()
{
    if (!m_ruler)
        return;
    if (m_systemAppearance) {
        m_ruler->setPalette(QPalette());
    } else {
        // The ruler in the colours of the text it measures.
        QPalette palette = m_ruler->palette();
        palette.setColor(QPalette::Window, m_view.palette().color(QPalette::Base));
        palette.setColor(QPalette::WindowText, m_view.palette().color(QPalette::Text));
        m_ruler->setPalette(palette);
    }
    m_ruler->update();
}

} // namespace platform
