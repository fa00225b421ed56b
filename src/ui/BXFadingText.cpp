#include "BXFadingText.h"

#include "BXFadingTextDelegate.h"

#include "platform/appkit/Fade.h"

#include <QGraphicsOpacityEffect>

BXFadingText::BXFadingText(QWidget* parent)
    : QLabel(parent), m_opacity(new QGraphicsOpacityEffect(this))
{
    m_opacity->setOpacity(1.0);
    setGraphicsEffect(m_opacity);
}

BXFadingText::~BXFadingText() = default;

void BXFadingText::setFadingTextDelegate(std::shared_ptr<BXFadingTextDelegate> delegate)
{
    m_delegate = std::move(delegate);
}

const platform::Fade* BXFadingText::fadingTextAnimation() const
{
    return m_fade;
}

double BXFadingText::opacity() const
{
    return m_opacity->opacity();
}

void BXFadingText::toggleWithContext(const QVariant& context)
{
    m_contextData = context;
    setHidden(!isHidden());
}

void BXFadingText::setVisible(bool visible)
{
    const bool hide = !visible;
    // The fade's own change of visibility.
    if (m_fadeChangesVisibility) {
        QLabel::setVisible(visible);
        return;
    }
    if (m_fade) {
        // A request from outside during a fade completes it at once; a fade-out ends hidden,
        // as its effect does.
        m_fade->jumpToEnd();
        if (m_fadingOut)
            QLabel::setVisible(false);
        delete m_fade;
        m_toggling = false;
    }
    if (isHidden() == hide)
        return;
    QLabel::setVisible(true);

    bool start = true;
    if (m_delegate) {
        if (const std::optional<bool> answer
            = m_delegate->fadingTextAnimationShouldStart(this, m_contextData)) {
            start = *answer;
            if (!start)
                m_contextData.clear();
        }
    }
    m_toggling = start;
    if (!start) {
        m_opacity->setOpacity(1.0);
        return;
    }
    m_fadingOut = hide;
    m_fade = new platform::Fade(this);
    m_fade->start(
        hide ? 1.0 : 0.0, hide ? 0.0 : 1.0, hide ? kFadeOutDuration : kFadeInDuration,
        [this](double value) { m_opacity->setOpacity(value); },
        [this, hide] { animationDidEnd(hide); }, platform::Fade::Curve::EaseIn);
}

void BXFadingText::animationDidEnd(bool fadingOut)
{
    if (fadingOut) {
        m_fadeChangesVisibility = true;
        setVisible(false);
        m_fadeChangesVisibility = false;
    }
    if (m_delegate)
        m_delegate->fadingTextAnimationDidEnd(this, m_contextData);
    if (m_fade)
        m_fade->deleteLater();
    m_fade = nullptr;
    m_toggling = false;
    m_contextData.clear();
}
