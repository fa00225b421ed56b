#include "ImageEditView.h"

#include <QGraphicsPixmapItem>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>

#include <algorithm>

namespace platform {

namespace {

constexpr double kMinimumZoom = 0.05;
constexpr double kMaximumZoom = 8.0;

} // namespace

bool ImageEditView::State::operator==(const State& other) const
{
    return degrees == other.degrees && flippedHorizontal == other.flippedHorizontal
        && flippedVertical == other.flippedVertical && image == other.image;
}

ImageEditView::ImageEditView(QWidget* parent)
    : QGraphicsView(parent),
      m_item(new QGraphicsPixmapItem),
      m_rubberBand(new QRubberBand(QRubberBand::Rectangle, viewport()))
{
    auto* scene = new QGraphicsScene(this);
    scene->addItem(m_item);
    setScene(scene);
    setAlignment(Qt::AlignCenter);
    setBackgroundBrush(palette().color(QPalette::Window));
    m_item->setTransformationMode(Qt::SmoothTransformation);
    m_rubberBand->hide();
}

QTransform ImageEditView::transformFor(const State& state)
{
    const QTransform flip
        = QTransform::fromScale(state.flippedHorizontal ? -1 : 1, state.flippedVertical ? -1 : 1);
    return flip * QTransform().rotate(state.degrees);
}

QImage ImageEditView::render(const State& state)
{
    if (state.image.isNull())
        return {};
    const int w = state.image.width();
    const int h = state.image.height();
    // Placed so that the turned picture starts at the canvas's origin.
    const QTransform placed = QImage::trueMatrix(transformFor(state), w, h);
    const QSize size = placed.mapRect(QRect(0, 0, w, h)).size();
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setTransform(placed);
    painter.drawImage(0, 0, state.image);
    painter.end();
    return canvas;
}

void ImageEditView::setState(const State& state)
{
    const bool newImage = state.image.cacheKey() != m_state.image.cacheKey();
    m_state = state;
    if (newImage)
        m_item->setPixmap(QPixmap::fromImage(m_state.image));
    setSelection({});
    updateItem();
}

void ImageEditView::updateItem()
{
    const QSizeF size = imageSize();
    const QTransform transform = transformFor(m_state);
    // Turned about the picture's centre, which stays at the scene's origin.
    m_item->setOffset(-size.width() / 2, -size.height() / 2);
    m_item->setTransform(transform);
    scene()->setSceneRect(m_item->sceneBoundingRect());
    centerOn(0, 0);
}

void ImageEditView::setToolMode(ToolMode mode)
{
    m_toolMode = mode;
    viewport()->setCursor(mode == ToolMode::Select ? Qt::CrossCursor : Qt::ArrowCursor);
    if (mode != ToolMode::Select)
        setSelection({});
}

void ImageEditView::setSelection(const QRect& imageRect)
{
    const QRect bounded = imageRect.intersected(QRect(QPoint(0, 0), m_state.image.size()));
    if (bounded == m_selection)
        return;
    m_selection = bounded;
    if (bounded.isEmpty()) {
        m_rubberBand->hide();
    } else {
        m_rubberBand->setGeometry(viewportRectFromImage(bounded));
        m_rubberBand->show();
    }
    emit selectionChanged();
}

void ImageEditView::setImageZoomFactor(double factor, const QPointF& centerPoint)
{
    if (!(factor > 0))
        return;
    factor = std::clamp(factor, kMinimumZoom, kMaximumZoom);
    setTransform(QTransform::fromScale(factor, factor));
    const QPointF offset(imageSize().width() / 2, imageSize().height() / 2);
    centerOn(m_item->mapToScene(centerPoint - offset));
    if (!m_selection.isEmpty())
        m_rubberBand->setGeometry(viewportRectFromImage(m_selection));
    if (factor == m_zoomFactor)
        return;
    m_zoomFactor = factor;
    emit zoomFactorChanged(factor);
}

QRectF ImageEditView::convertImageRectToViewRect(const QRectF& imageRect) const
{
    return { imageRect.topLeft() * m_zoomFactor, imageRect.size() * m_zoomFactor };
}

QRect ImageEditView::imageRectFromViewport(const QRect& viewportRect) const
{
    const QPolygonF scenePolygon = mapToScene(viewportRect);
    const QRectF local = m_item->mapFromScene(scenePolygon).boundingRect();
    const QPointF offset(imageSize().width() / 2, imageSize().height() / 2);
    return local.translated(offset).toAlignedRect();
}

QRect ImageEditView::viewportRectFromImage(const QRect& imageRect) const
{
    const QPointF offset(imageSize().width() / 2, imageSize().height() / 2);
    const QPolygonF scenePolygon = m_item->mapToScene(QRectF(imageRect).translated(-offset));
    return mapFromScene(scenePolygon).boundingRect();
}

void ImageEditView::mousePressEvent(QMouseEvent* event)
{
    if (m_toolMode != ToolMode::Select || event->button() != Qt::LeftButton) {
        QGraphicsView::mousePressEvent(event);
        return;
    }
    m_dragging = true;
    m_dragOrigin = event->position().toPoint();
    setSelection({});
}

void ImageEditView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        QGraphicsView::mouseMoveEvent(event);
        return;
    }
    const QRect band = QRect(m_dragOrigin, event->position().toPoint()).normalized();
    setSelection(imageRectFromViewport(band));
}

void ImageEditView::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_dragging) {
        QGraphicsView::mouseReleaseEvent(event);
        return;
    }
    m_dragging = false;
}

} // namespace platform
