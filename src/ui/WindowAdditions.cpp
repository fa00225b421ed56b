#include "WindowAdditions.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace WindowAdditions {

namespace {

// The screen holding the largest part of `frame`, or null when it touches none.
QScreen* screenOf(const QRect& frame)
{
    QScreen* best = nullptr;
    qint64 bestArea = 0;
    for (QScreen* screen : QGuiApplication::screens()) {
        const QRect overlap = screen->geometry().intersected(frame);
        const qint64 area = qint64(overlap.width()) * overlap.height();
        if (area > bestArea) {
            best = screen;
            bestArea = area;
        }
    }
    return best;
}

} // namespace

void validateWindowPosition(QWidget* window)
{
    if (!window)
        return;
    window = window->window();
    QRect frame = window->frameGeometry();
    QScreen* screen = screenOf(frame);
    if (screen && frame.top() >= screen->availableGeometry().top())
        return;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace WindowAdditions
