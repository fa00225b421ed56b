#include "mainwindow/search/BXFlashingView.h"

#include "platform/appkit/Fade.h"

#include <QEvent>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QSvgRenderer>

#include <utility>

static void initMainWindowResource()
{
    Q_INIT_RESOURCE(mainwindow);
}

namespace {

constexpr int kTurnaroundSize = 128;

} // namespace

BXFlashingView::BXFlashingView(QWidget* parent)
    : ImageView(parent),
      m_effect(new QGraphicsOpacityEffect(this)),
      m_fade(new platform::Fade(this))
{
    m_effect->setOpacity(kOpacity);
    setGraphicsEffect(m_effect);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
    if (parent)
        parent->installEventFilter(this);
}

BXFlashingView::~BXFlashingView() = default;

QImage BXFlashingView::turnaroundImage()
{
    initMainWindowResource();
    QSvgRenderer renderer(QStringLiteral(":/mainwindow/turnaround.svg"));
    QImage image(kTurnaroundSize, kTurnaroundSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    renderer.render(&painter);
    return image;
}

void BXFlashingView::setImage(const QImage& image)
{
    m_baseImage = image;
    ImageView::setImage(image);
    centreInParent();
}

void BXFlashingView::setFlipped(bool upsideDown)
{
    if (image().isNull())
        return;
    if (m_baseImage.isNull())
        m_baseImage = image();
    // Always drawn from the base image, so flipping twice stays upside down.
    QImage drawn(m_baseImage.size(), QImage::Format_ARGB32_Premultiplied);
    drawn.setDevicePixelRatio(m_baseImage.devicePixelRatio());
    drawn.fill(Qt::transparent);
    QPainter painter(&drawn);
    if (upsideDown) {
        painter.translate(0, m_baseImage.deviceIndependentSize().height());
        painter.scale(1, -1);
    }
    painter.drawImage(QPointF(0, 0), m_baseImage);
    painter.end();
    ImageView::setImage(drawn);
}

double BXFlashingView::currentOpacity() const
{
    return m_effect->opacity();
}

void BXFlashingView::flashWithCompletionHandler(std::function<void()> completion)
{
    finishRunningFlash();
    const bool wasVisible = !isHidden();
    const double from = wasVisible ? kFadedOpacity : kOpacity;
    const double to = wasVisible ? kOpacity : kFadedOpacity;
    m_endsVisible = wasVisible;
    m_flashEnd = std::move(completion);
    m_effect->setOpacity(from);
    show();
    m_fade->start(
        from, to, kFlashDuration, [this](double value) { m_effect->setOpacity(value); },
        [this] {
            setVisible(m_endsVisible);
            if (std::function<void()> end = std::exchange(m_flashEnd, {}))
                end();
        },
        wasVisible ? platform::Fade::Curve::EaseOut : platform::Fade::Curve::EaseIn);
}

void BXFlashingView::flashWithContext(const QVariant& context)
{
    m_contextData = context;
    finishRunningFlash();
    const bool fadeOut = isHidden();
    const double from = fadeOut ? kOpacity : 0.0;
    const double to = fadeOut ? 0.0 : kOpacity;
    m_endsVisible = !fadeOut;
    m_effect->setOpacity(from);
    show();
    m_fade->start(
        from, to, kFlashDuration, [this](double value) { m_effect->setOpacity(value); },
        [this] {
            setVisible(m_endsVisible);
            emit flashingViewAnimationDidEnd(m_contextData);
        },
        platform::Fade::Curve::EaseIn);
}

void BXFlashingView::finishRunningFlash()
{
    if (!m_fade->isRunning())
        return;
    // Cut short: the end state at once; a completion handler still runs, the signal does not.
    m_fade->jumpToEnd();
    setVisible(m_endsVisible);
    if (std::function<void()> end = std::exchange(m_flashEnd, {}))
        end();
}

bool BXFlashingView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == parentWidget() && event->type() == QEvent::Resize)
        centreInParent();
    return ImageView::eventFilter(watched, event);
}

void BXFlashingView::centreInParent()
{
    const QWidget* parent = parentWidget();
    if (!parent)
        return;
    const QSize size = sizeHint();
    setGeometry(
        QRect(QPoint((parent->width() - size.width()) / 2, (parent->height() - size.height()) / 2),
            size));
}
