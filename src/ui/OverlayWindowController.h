#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>

class OverlayViewController;

// An overlay message in a transparent window of its own, centred over a parent window and kept
// above it, so that the message floats over the parent's content. The window is the plate of
// an OverlayViewController of its own; it closes once the message has faded out. Main thread
// only.
class OverlayWindowController final : public QObject {
    Q_OBJECT

public:
    explicit OverlayWindowController(QObject* parent = nullptr);
    ~OverlayWindowController() override;

    // The one instance of the process, made on first use and kept until the process ends.
    static OverlayWindowController& sharedInstance();
    static void showInWindowWithMessage(QWidget* window, const QString& message);

    // Shows `message` centred over `parentWindow`; a closed window shows again 0.05 s later.
    void showInWindow(QWidget* parentWindow, const QString& message);

    // The overlay window, made on first use.
    QWidget* window();
    OverlayViewController* overlayViewController() { return m_overlayViewController; }

    QImage maskImage() const;
    void setMaskImage(const QImage& image);
    QFont messageFont() const;
    void setMessageFont(const QFont& font);
    QColor messageColor() const;
    void setMessageColor(const QColor& color);
    double duration() const;
    void setDuration(double seconds);

private:
    void windowDidLoad();

    OverlayViewController* m_overlayViewController; // a child of this object
    QPointer<QWidget> m_window; // the view controller's plate
};
