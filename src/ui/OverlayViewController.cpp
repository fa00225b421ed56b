#include "OverlayViewController.h"

#include "OverlayBackgroundView.h"
#include "OverlayViewControllerDelegate.h"

#include "platform/foundation/NotificationCenter.h"

#include <QGraphicsOpacityEffect>
#include <QGridLayout>
#include <QMainWindow>

namespace {

constexpr double kCompletionDelay = 0.25;
constexpr double kTakeDownDelay = 0.01;
constexpr int kMinimumWidth = 160;
constexpr int kMinimumHeight = 56;

QWidget* contentViewOf(QWidget* window)
{
    if (auto* mainWindow = qobject_cast<QMainWindow*>(window))
        return mainWindow->centralWidget() ? mainWindow->centralWidget() : mainWindow;
    return window;
}

} // namespace

OverlayViewController::OverlayViewController(QObject* parent)
    : QObject(parent), m_fade(new platform::Fade(this)), m_messageColor(Qt::white)
{
    m_messageFont.setBold(true);
    m_messageFont.setPointSizeF(m_messageFont.pointSizeF() * 1.4);
}

OverlayViewController::~OverlayViewController()
{
    delete m_view;
}

OverlayViewController& OverlayViewController::sharedInstance()
{
    static auto* instance = new OverlayViewController;
    return *instance;
}

void OverlayViewController::showInWindowWithMessage(QWidget* window, const QString& message)
{
    sharedInstance().showInWindow(window, message);
}

QWidget* OverlayViewController::view()
{
    if (!m_view) {
        m_view = new QWidget;
        viewDidLoad();
    }
    return m_view;
}

QLabel* OverlayViewController::messageLabel()
{
    view();
    return m_messageLabel;
}

void OverlayViewController::viewDidLoad()
{
    m_background = new OverlayBackgroundView(m_view);
    m_messageLabel = new QLabel(m_view);
    m_messageLabel->setAlignment(Qt::AlignCenter);
    m_messageLabel->setTextFormat(Qt::PlainText);
    m_messageLabel->setContentsMargins(20, 12, 20, 12);
    m_background->setImage(m_maskImage);
    setMessageFont(m_messageFont);
    setMessageColor(m_messageColor);

    // The plate lies below the label and covers the whole view.
    auto* layout = new QGridLayout(m_view);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_background, 0, 0);
    layout->addWidget(m_messageLabel, 0, 0);
    m_background->lower();
    m_view->setMinimumSize(kMinimumWidth, kMinimumHeight);

    m_opacity = new QGraphicsOpacityEffect(m_view);
    m_view->setGraphicsEffect(m_opacity);
    setViewAlpha(0.0);
}

void OverlayViewController::setViewAlpha(double alpha)
{
    // Kept apart from the effect, which ignores changes it deems too small to see.
    m_alpha = alpha;
    if (m_opacity)
        m_opacity->setOpacity(alpha);
}

const QImage& OverlayViewController::maskImage() const
{
    return m_maskImage;
}

void OverlayViewController::setMaskImage(const QImage& image)
{
    m_maskImage = image;
    if (m_background)
        m_background->setImage(image);
}

void OverlayViewController::setMessageFont(const QFont& font)
{
    m_messageFont = font;
    if (m_messageLabel)
        m_messageLabel->setFont(font);
}

void OverlayViewController::setMessageColor(const QColor& color)
{
    m_messageColor = color;
    if (m_messageLabel) {
        QPalette palette = m_messageLabel->palette();
        palette.setColor(QPalette::WindowText, color);
        m_messageLabel->setPalette(palette);
    }
}

void OverlayViewController::showInWindow(QWidget* window, const QString& message)
{
    if (!window)
        return;
    window = window->window();
    QWidget* plate = view();
    QWidget* content = contentViewOf(window);
    const bool contentCase = content == plate;

    m_messageLabel->setText(message);
    plate->adjustSize();
    if (!contentCase) {
        // Centred on the whole window, title bar included.
        if (plate->parentWidget() != content) {
            plate->setParent(content);
            plate->show();
        }
        QRect frame = plate->geometry();
        frame.moveCenter(content->mapFromGlobal(window->frameGeometry().center()));
        plate->setGeometry(frame);
        plate->raise();
    }
    ++m_callsCount;

    if (!(m_delegate && m_delegate->overlayViewControllerFadeIn(this)))
        animateAlpha(1.0);
    platform::dispatchAfter(m_duration, this, [this, contentCase] { fadeOutStep(contentCase); });
}

void OverlayViewController::fadeOutStep(bool contentCase)
{
    if (m_callsCount != 1) {
        // A later request is pending; its own step fades the plate.
        --m_callsCount;
        return;
    }
    if (!(m_delegate && m_delegate->overlayViewControllerFadeOut(this)))
        animateAlpha(0.0);
    m_callsCount = 0;
    platform::dispatchAfter(
        kCompletionDelay, this, [this, contentCase] { completionStep(contentCase); });
}

void OverlayViewController::completionStep(bool contentCase)
{
    if (m_callsCount != 0)
        return; // a new request came during the fade
    platform::NotificationCenter::defaultCenter().post(OveralyViewWillCompleteNotification, this);
    platform::dispatchAfter(kTakeDownDelay, this, [this, contentCase] {
        // A request in the moment since the will-complete notice owns the plate now: taking
        // it down would lose that message.
        if (m_callsCount != 0)
            return;
        if (!contentCase && m_view) {
            m_view->hide();
            m_view->setParent(nullptr);
        }
        platform::NotificationCenter::defaultCenter().post(
            OveralyViewDidCompleteNotification, this);
    });
}

void OverlayViewController::animateAlpha(double target)
{
    m_fade->start(
        viewAlpha(), target, kFadeDuration, [this](double alpha) { setViewAlpha(alpha); });
}
