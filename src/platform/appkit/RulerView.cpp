#include "RulerView.h"

#include "TextView.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/text/AttributedText.h"

#include <QGraphicsTextItem>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTextDocument>

#include <cmath>

namespace platform {

namespace {

constexpr double kGrabDistance = 5;
// How far below or above the ruler a tab must be dragged to come off.
constexpr int kTearOffDistance = 12;
constexpr int kMarkerTop = 12;
constexpr int kFirstLineBottom = 18;
constexpr int kMarkerSize = 5;
constexpr double kMinimumLabelSpacing = 36;

struct Unit {
    const char* name;
    double points;
};

constexpr Unit kUnits[] = {
    { "Inches", 72.0 },
    { "Centimeters", 72.0 / 2.54 },
    { "Points", 1.0 },
    { "Picas", 12.0 },
};

// Locations land on half points, so values typed elsewhere stay round.
double rounded(double points)
{
    return std::round(points * 2.0) / 2.0;
}

} // namespace

RulerView::RulerView(TextView* textView) : QWidget(textView), m_textView(textView)
{
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Window);
    connect(textView, &TextView::selectionChanged, this, &RulerView::refresh);
    connect(textView, &TextView::textDidChange, this, &RulerView::refresh);
    connect(textView, &TextView::zoomChanged, this, &RulerView::refresh);
}

TextView* RulerView::textView() const
{
    return m_textView;
}

double RulerView::pointsPerUnit(const QString& units)
{
    for (const Unit& unit : kUnits) {
        if (units == QLatin1String(unit.name))
            return unit.points;
    }
    return 0;
}

void RulerView::setMeasurementUnits(const QString& units)
{
    if (pointsPerUnit(units) == 0) {
        log(QStringLiteral("Ruler: unknown measurement units %@, keeping %@"), units, m_units);
        return;
    }
    m_units = units;
    update();
}

QSize RulerView::sizeHint() const
{
    return { 200, kHeight };
}

double RulerView::pixelsPerPoint() const
{
    return AttributedText::pointsToPixels(1.0) * (m_textView ? m_textView->zoom() : 1.0);
}

double RulerView::contentWidth() const
{
    if (!m_textView)
        return 0;
    const QGraphicsTextItem* item = m_textView->textItem();
    const double margin = m_textView->mirror()->documentMargin();
    return AttributedText::pixelsToPoints(std::max(item->textWidth() - 2 * margin, 0.0));
}

double RulerView::xForLocation(double points) const
{
    return m_originX + points * pixelsPerPoint();
}

double RulerView::locationForX(double x) const
{
    return (x - m_originX) / pixelsPerPoint();
}

double RulerView::tailLocation() const
{
    // A positive tail indent counts from the leading margin, any other from the trailing one.
    return m_style.tailIndent > 0 ? m_style.tailIndent : contentWidth() + m_style.tailIndent;
}

void RulerView::refresh()
{
    if (!m_textView)
        return;
    m_style = m_textView->currentParagraphStyle();
    const QGraphicsTextItem* item = m_textView->textItem();
    const QPointF leading = item->mapToScene(QPointF(m_textView->mirror()->documentMargin(), 0));
    const QPoint inViewport = m_textView->mapFromScene(leading);
    m_originX = mapFromGlobal(m_textView->viewport()->mapToGlobal(inViewport)).x();
    update();
}

RulerView::Marker RulerView::markerAt(const QPoint& point, double* location) const
{
    const auto near
        = [&](double at) { return std::abs(point.x() - xForLocation(at)) <= kGrabDistance; };
    if (point.y() >= kMarkerTop) {
        for (const TextTab& tab : m_style.tabStops) {
            if (near(tab.location) && point.y() >= kFirstLineBottom) {
                *location = tab.location;
                return Marker::Tab;
            }
        }
        if (point.y() < kFirstLineBottom && near(m_style.firstLineHeadIndent)) {
            *location = m_style.firstLineHeadIndent;
            return Marker::FirstLine;
        }
        if (point.y() >= kFirstLineBottom && near(m_style.headIndent)) {
            *location = m_style.headIndent;
            return Marker::Head;
        }
        if (near(tailLocation())) {
            *location = tailLocation();
            return Marker::Tail;
        }
    }
    return Marker::None;
}

void RulerView::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton || !m_textView || !m_textView->isEditable()) {
        QWidget::mousePressEvent(event);
        return;
    }
    double location = 0;
    Marker marker = markerAt(event->position().toPoint(), &location);
    if (marker == Marker::None) {
        // A click on the scale places a new left tab there.
        location = rounded(locationForX(event->position().x()));
        if (location <= 0 || location >= contentWidth())
            return;
        marker = Marker::NewTab;
    }
    m_drag = { marker, location, location, marker == Marker::NewTab, false,
        event->position().toPoint() };
    update();
}

void RulerView::mouseMoveEvent(QMouseEvent* event)
{
    if (m_drag.marker == Marker::None)
        return;
    const QPoint point = event->position().toPoint();
    if (!m_drag.moved && std::abs(point.x() - m_drag.pressPoint.x()) < 2
        && std::abs(point.y() - m_drag.pressPoint.y()) < 2)
        return;
    m_drag.moved = true;
    m_drag.location = std::clamp(rounded(locationForX(point.x())), 0.0, contentWidth());
    const bool tab = m_drag.marker == Marker::Tab || m_drag.marker == Marker::NewTab;
    m_drag.off = tab && (point.y() < -kTearOffDistance || point.y() > height() + kTearOffDistance);
    update();
}

void RulerView::mouseReleaseEvent(QMouseEvent* event)
{
    Q_UNUSED(event);
    if (m_drag.marker == Marker::None)
        return;
    if (m_drag.moved)
        applyDrag();
    m_drag = {};
    refresh();
}

void RulerView::applyDrag()
{
    const Drag drag = m_drag;
    const double width = contentWidth();
    m_textView->changeParagraphStyles(
        localized(QStringLiteral("Change Ruler")), [&](ParagraphStyle& style) {
            const auto sortTabs = [&] {
                std::sort(style.tabStops.begin(), style.tabStops.end(),
                    [](const TextTab& a, const TextTab& b) { return a.location < b.location; });
            };
            switch (drag.marker) {
            case Marker::FirstLine:
                style.firstLineHeadIndent = drag.location;
                break;
            case Marker::Head:
                style.headIndent = drag.location;
                break;
            case Marker::Tail:
                style.tailIndent = std::min(drag.location - width, 0.0);
                break;
            case Marker::Tab:
                for (qsizetype i = 0; i < style.tabStops.size(); ++i) {
                    if (style.tabStops.at(i).location == drag.from) {
                        if (drag.off)
                            style.tabStops.removeAt(i);
                        else
                            style.tabStops[i].location = drag.location;
                        break;
                    }
                }
                sortTabs();
                break;
            case Marker::NewTab:
                if (!drag.off) {
                    style.tabStops.append({ TextTabType::Left, drag.location });
                    sortTabs();
                }
                break;
            case Marker::None:
                break;
            }
        });
}

void RulerView::paintEvent(QPaintEvent* event)
{
    Q_UNUSED(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::WindowText);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(0, height() - 1, width(), height() - 1);

    // The scale: a label every few units, far enough apart to read, with ticks between.
    const double unit = pointsPerUnit(m_units) * pixelsPerPoint();
    double step = 1;
    for (const double candidate : { 1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0 }) {
        step = candidate;
        if (candidate * unit >= kMinimumLabelSpacing)
            break;
    }
    const double labelSpacing = step * unit;
    const int ticks = labelSpacing / 8 >= 4 ? 8 : labelSpacing / 4 >= 4 ? 4 : 2;
    QFont small = font();
    small.setPointSizeF(7.5);
    painter.setFont(small);
    painter.setPen(ink);
    const double end = xForLocation(contentWidth());
    for (int label = 0;; ++label) {
        const double x = m_originX + label * labelSpacing;
        if (x > end + 0.5)
            break;
        painter.drawLine(QPointF(x, 2), QPointF(x, height() - 1));
        if (label > 0)
            painter.drawText(QPointF(x + 2, 9), QString::number(label * step));
        for (int tick = 1; tick < ticks; ++tick) {
            const double tx = x + tick * labelSpacing / ticks;
            if (tx > end)
                break;
            const double length = tick * 2 == ticks ? 6 : 3;
            painter.drawLine(QPointF(tx, height() - 1 - length), QPointF(tx, height() - 1));
        }
    }

    // The markers, the one being dragged where it is dragged to.
    const auto at = [&](Marker marker, double location) {
        return m_drag.marker == marker && m_drag.moved && location == m_drag.from ? m_drag.location
                                                                                  : location;
    };
    const auto triangle = [&](double x, bool pointingDown, int top) {
        QPainterPath path;
        if (pointingDown) {
            path.moveTo(x - kMarkerSize, top);
            path.lineTo(x + kMarkerSize, top);
            path.lineTo(x, top + kMarkerSize);
        } else {
            path.moveTo(x, top);
            path.lineTo(x + kMarkerSize, top + kMarkerSize);
            path.lineTo(x - kMarkerSize, top + kMarkerSize);
        }
        path.closeSubpath();
        painter.fillPath(path, palette().color(QPalette::Highlight));
        painter.drawPath(path);
    };
    painter.setPen(ink);
    const auto tabMark = [&](double x) {
        painter.drawLine(QPointF(x, kFirstLineBottom), QPointF(x, height() - 3));
        painter.drawLine(QPointF(x, height() - 3), QPointF(x + 4, height() - 3));
    };
    for (const TextTab& tab : m_style.tabStops) {
        const bool dragged
            = m_drag.marker == Marker::Tab && m_drag.moved && tab.location == m_drag.from;
        if (!(dragged && m_drag.off))
            tabMark(xForLocation(at(Marker::Tab, tab.location)));
    }
    if (m_drag.marker == Marker::NewTab && !m_drag.off)
        tabMark(xForLocation(m_drag.location));
    triangle(xForLocation(at(Marker::FirstLine, m_style.firstLineHeadIndent)), true, kMarkerTop);
    triangle(xForLocation(at(Marker::Head, m_style.headIndent)), false, kFirstLineBottom);
    triangle(xForLocation(at(Marker::Tail, tailLocation())), false, kFirstLineBottom);
}

} // namespace platform
