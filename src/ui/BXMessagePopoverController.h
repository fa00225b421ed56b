#pragma once

#include "platform/appkit/PopupWidget.h"

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QRect>

// Shows a short text in a transient popover anchored to a rectangle of a view, sized to the
// text (at most 300 pixels of text per line, wrapping beyond). One instance is shared through
// BXGlobalConstants. The popover is made on the first show as a child of the view's window, so
// it goes away with that window. Main thread only.
class BXMessagePopoverController final : public QObject {
    Q_OBJECT

public:
    explicit BXMessagePopoverController(QObject* parent = nullptr);
    ~BXMessagePopoverController() override;

    // Shows the popover beside `frame` of `view`, below it when the screen has room; while it
    // is shown, only the text changes and the popover stays where it is.
    void showMessage(const QString& message, QWidget* view, const QRect& frame);
    // Closes the popover when it is shown.
    void closePopover();

    // Null before the first show.
    platform::PopupWidget* popover() const { return m_popover; }
    QLabel* messageView() const { return m_messageView; }

    static constexpr int kMaximumTextWidth = 300;
    static constexpr int kMargin = 10;

private:
    void makePopover(QWidget* view);
    void fitToMessage();

    QPointer<platform::PopupWidget> m_popover;
    QPointer<QLabel> m_messageView;
};
