#pragma once

#include "platform/appkit/Fade.h"
#include "platform/foundation/Dispatch.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class OverlayBackgroundView;
class OverlayViewControllerDelegate;
class QGraphicsOpacityEffect;

// Posted on the default centre, with the controller as sender, once a message has faded out
// and no newer request is pending, and 0.01 s later once the plate has been taken down.
inline const QString OveralyViewWillCompleteNotification
    = QStringLiteral("OveralyViewWillCompleteNotification");
inline const QString OveralyViewDidCompleteNotification
    = QStringLiteral("OveralyViewDidCompleteNotification");

// A short message on a rounded translucent plate that fades in over a window, stays for
// `duration` seconds after the latest request and fades out. Requests that overlap keep the
// plate up and replace its text. The plate is put into the window's content view, unless it
// is itself that window's content (as in OverlayWindowController). Owns its plate while it is
// not in a window; a window that is destroyed takes the plate with it and the next request
// makes a new one with the same settings. Main thread only; all timing goes through
// platform::dispatchAfter.
class OverlayViewController : public QObject {
    Q_OBJECT

public:
    explicit OverlayViewController(QObject* parent = nullptr);
    ~OverlayViewController() override;

    // The one instance of the process, made on first use and kept until the process ends.
    static OverlayViewController& sharedInstance();
    static void showInWindowWithMessage(QWidget* window, const QString& message);

    // Shows `message` over `window` (see the class comment).
    void showInWindow(QWidget* window, const QString& message);

    // The plate, made on first use.
    QWidget* view();
    QLabel* messageLabel();

    // Requests whose fade-out step has not run yet.
    qint64 callsCount() const { return m_callsCount; }
    // The plate's current opacity, 0 to 1.
    double viewAlpha() const { return m_alpha; }

    // Not owned; clear it before the delegate goes away.
    OverlayViewControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(OverlayViewControllerDelegate* delegate) { m_delegate = delegate; }

    // Null: the built-in rounded rectangle.
    const QImage& maskImage() const;
    void setMaskImage(const QImage& image);
    const QFont& messageFont() const { return m_messageFont; }
    void setMessageFont(const QFont& font);
    const QColor& messageColor() const { return m_messageColor; }
    void setMessageColor(const QColor& color);
    // Seconds the message stays before it fades out; 1.0 unless set.
    double duration() const { return m_duration; }
    void setDuration(double seconds) { m_duration = seconds; }

    // Seconds a fade in or out takes.
    static constexpr double kFadeDuration = 0.25;

private:
    void viewDidLoad();
    void fadeOutStep(bool contentCase);
    void completionStep(bool contentCase);
    void animateAlpha(double target);
    void setViewAlpha(double alpha);

    QPointer<QWidget> m_view;
    QPointer<QLabel> m_messageLabel;
    QPointer<OverlayBackgroundView> m_background;
    QPointer<QGraphicsOpacityEffect> m_opacity;
    platform::Fade* m_fade; // a child of this object
    // Kept here too: a plate lost with its window is made again with them.
    QImage m_maskImage;
    QFont m_messageFont;
    QColor m_messageColor;
    OverlayViewControllerDelegate* m_delegate = nullptr;
    qint64 m_callsCount = 0;
    double m_alpha = 0.0;
    double m_duration = 1.0;
};
