#pragma once

#include <QList>
#include <QObject>
#include <QPointer>

class QMenu;
class QMenuBar;

namespace platform {

// The keyboard's way into a window's menu bar beyond what the bar does itself: F10 opens its
// first menu, and Escape out of one of its menus gives the keys back to the view that had them,
// where the bar alone stays highlighted and takes the next keys (typing lost, commands sent
// to the window instead of the view). The bar keeps the keys only while it is highlighted, so
// that typing never chooses its items unasked. Owned by the bar; main thread only.
class MenuBarKeyboard final : public QObject {
    Q_OBJECT

public:
    static void install(QMenuBar* bar);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit MenuBarKeyboard(QMenuBar* bar);
    void openFirstMenu();
    void rememberView(QWidget* focus);
    void giveKeysBack();
    void releaseUnlessHighlighted();
    QWidget* viewToReturnTo() const;

    QMenuBar* bar() const;

    // Held as a widget: events reach the filter while the bar is being destroyed, when it is a
    // menu bar no more.
    QPointer<QWidget> m_bar;
    // The view that had the keys before the bar or one of its menus took them, then its
    // ancestors: a view that closes when it loses the keys (a list row's name being edited)
    // leaves them to the view around it.
    QList<QPointer<QWidget>> m_returnTo;
};

} // namespace platform
