#pragma once

#include <QFrame>
#include <QPointer>

namespace platform {

// A frameless window anchored to a rectangle of a view, standing for a popover. A transient
// one never takes the keyboard focus, so typing goes on in the view that opened it; a click
// outside it or Escape closes it. A semi-transient one takes the keyboard and closes only on a
// click elsewhere in its anchor's window, so other windows (a tool panel it opened) leave it
// open. Give it a parent so that it goes away with that window. Main thread only; emits
// closed() whenever it is hidden.
class PopupWidget : public QFrame {
    Q_OBJECT

public:
    enum class Edge { Top, Bottom, Left, Right };
    enum class Behavior { Transient, SemiTransient };

    explicit PopupWidget(QWidget* parent = nullptr, Behavior behavior = Behavior::Transient);

    Behavior behavior() const { return m_behavior; }

    // Shows the popup beside `rect` (in `view`'s coordinates) on `preferredEdge`, or on the
    // opposite edge when the screen has no room there. Re-parents the popup to `view`'s
    // window when it belongs to another one.
    void showRelativeTo(const QRect& rect, QWidget* view, Edge preferredEdge);

signals:
    void closed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QPoint positionFor(const QRect& anchor, Edge edge) const;
    bool fits(const QPoint& topLeft, const QRect& screen) const;
    Qt::WindowFlags windowFlagsForBehavior() const;

    Behavior m_behavior;
    QPointer<QWidget> m_anchorWindow;
};

} // namespace platform
