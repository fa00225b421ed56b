#pragma once

#include <QLabel>
#include <QPointer>
#include <QVariant>

#include <memory>

class BXFadingTextDelegate;
class QGraphicsOpacityEffect;

namespace platform {
class Fade;
}

// A text field that fades out when hidden (0.25 s) and in when shown (0.5 s) on the shared
// fade, easing in. A request during a fade completes the running fade at once and then fades
// the other way only when the state still differs. The delegate may refuse a fade, which
// leaves the field visible; it is told with the context data when a fade ends. Main thread.
class BXFadingText final : public QLabel {
    Q_OBJECT

public:
    static constexpr double kFadeOutDuration = 0.25;
    static constexpr double kFadeInDuration = 0.5;

    explicit BXFadingText(QWidget* parent = nullptr);
    ~BXFadingText() override;

    // Shared with the caller that set it.
    const std::shared_ptr<BXFadingTextDelegate>& fadingTextDelegate() const { return m_delegate; }
    void setFadingTextDelegate(std::shared_ptr<BXFadingTextDelegate> delegate);
    const QVariant& contextData() const { return m_contextData; }
    void setContextData(const QVariant& context) { m_contextData = context; }
    // True from the start of a fade that runs until its end.
    bool isToggling() const { return m_toggling; }
    // The running fade, null at rest.
    const platform::Fade* fadingTextAnimation() const;
    double opacity() const;

    // Keeps `context` and asks for the other visibility.
    void toggleWithContext(const QVariant& context);

    // Fades instead of switching.
    void setVisible(bool visible) override;

private:
    void animationDidEnd(bool fadingOut);

    std::shared_ptr<BXFadingTextDelegate> m_delegate;
    QVariant m_contextData;
    QPointer<platform::Fade> m_fade;
    QGraphicsOpacityEffect* m_opacity; // owned by this widget
    bool m_fadingOut = false;
    bool m_toggling = false;
    bool m_fadeChangesVisibility = false; // set while the fade itself hides the field
};
