#pragma once

#include "platform/appkit/ImageView.h"

#include <QVariant>

#include <functional>

class QGraphicsOpacityEffect;

namespace platform {
class Fade;
}

// An image that flashes for 0.3 s, as the find's turnaround sign does when a search wraps. It
// rests hidden; a flash shows it at kOpacity and fades it away, or fades a shown one in. It
// can draw its image upside down (for a backward search), always from the image last set from
// outside. A new flash first finishes the running one at once. Keeps itself centred in its
// parent. Main thread; time runs on the scheduler.
class BXFlashingView final : public platform::ImageView {
    Q_OBJECT

public:
    static constexpr double kFlashDuration = 0.3;
    // The opacity of a fully shown flash.
    static constexpr double kOpacity = 0.75;
    static constexpr double kFadedOpacity = 0.1;

    explicit BXFlashingView(QWidget* parent = nullptr);
    ~BXFlashingView() override;

    // The bundled turnaround sign.
    static QImage turnaroundImage();

    // Also becomes the base image that flipping draws from.
    void setImage(const QImage& image);
    const QImage& baseImage() const { return m_baseImage; }
    // Shows the base image upside down, or the right way up again; nothing without an image.
    void setFlipped(bool upsideDown);

    // The opacity drawn now.
    double currentOpacity() const;
    const QVariant& contextData() const { return m_contextData; }

    // A hidden view shows at kOpacity and fades to 0.1 and hidden, easing in; a shown one
    // drops to 0.1 and fades back up, easing out. The handler runs at the end.
    void flashWithCompletionHandler(std::function<void()> completion);
    // A hidden view shows and fades out to hidden; a shown one hides and fades back in;
    // easing in. The end emits flashingViewAnimationDidEnd() with the context.
    void flashWithContext(const QVariant& context);

signals:
    void flashingViewAnimationDidEnd(const QVariant& context);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finishRunningFlash();
    void centreInParent();

    QGraphicsOpacityEffect* m_effect; // owned by this widget
    platform::Fade* m_fade; // owned by this widget
    QImage m_baseImage;
    QVariant m_contextData;
    // The running flash's end: visibility and what runs then.
    bool m_endsVisible = false;
    std::function<void()> m_flashEnd;
};
