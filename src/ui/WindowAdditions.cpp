#include "WindowAdditions.h"

#include <QApplication>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <QWindow>

#include <algorithm>
#include <cstdlib>

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

// The window manager's decoration around `window`: its own once shown, else that of another
// shown window (they all get the same), else none.
QMargins decorationMargins(const QWidget* window)
{
    if (window->isVisible() && window->windowHandle())
        return window->windowHandle()->frameMargins();
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    for (const QWidget* other : windows) {
        if (other->isVisible() && other->windowHandle()
            && (other->windowType() == Qt::Window || other->windowType() == Qt::Dialog)
            && !other->windowHandle()->frameMargins().isNull())
            return other->windowHandle()->frameMargins();
    }
    return {};
}

// Where a frame read back from saved state stays clear of the integer limits.
constexpr qint64 kLargestSavedCoordinate = 1 << 20;

} // namespace

QRect fittedFrame(QRect frame, const QRect& area, const QSize& minimum, const QMargins& margins)
{
    const QRect inner = area.marginsRemoved(margins);
    frame.setWidth(std::max(std::min(frame.width(), inner.width()), minimum.width()));
    frame.setHeight(std::max(std::min(frame.height(), inner.height()), minimum.height()));
    frame.moveLeft(
        std::max(std::min(frame.left(), inner.right() + 1 - frame.width()), inner.left()));
    frame.moveTop(
        std::max(std::min(frame.top(), inner.bottom() + 1 - frame.height()), inner.top()));
    return frame;
}

void fitIntoAvailableArea(QWidget* window)
{
    if (!window)
        return;
    window = window->window();
    const QScreen* screen = screenOf(window->frameGeometry());
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect fitted = fittedFrame(window->geometry(), screen->availableGeometry(),
        window->minimumSize(), decorationMargins(window));
    if (fitted != window->geometry())
        window->setGeometry(fitted);
}

void centerOnScreen(QWidget* window)
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!window || !screen)
        return;
    // With the decoration the window will get, so the whole frame sits in the middle.
    QRect frame = window->geometry().marginsAdded(decorationMargins(window));
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void validateWindowPosition(QWidget* window)
{
    if (!window)
        return;
    window = window->window();
    QRect frame = window->frameGeometry();
    QScreen* screen = screenOf(frame);
    if (!screen || frame.top() < screen->availableGeometry().top()) {
        if (!screen)
            screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
    fitIntoAvailableArea(window);
}

void cascade(QWidget* window, const QList<QWidget*>& others)
{
    if (!window)
        return;
    constexpr int kStep = 22;
    // Compared with their decoration, where a shown window is once fitted into the screen: a
    // window not shown yet has no decoration of its own.
    const QMargins margins = decorationMargins(window);
    const QScreen* screen = screenOf(window->geometry().marginsAdded(margins));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    QRect frame = fittedFrame(window->geometry(), area, window->minimumSize(), margins)
                      .marginsAdded(margins);
    // Near is taken, in either of the two corners: a window not shown yet places its frame
    // where a shown one has its decoration, and a window manager's placement can shift a shown
    // window by a few units; either way the one under it is hidden.
    const auto near = [](const QPoint& one, const QPoint& other) {
        return std::abs(one.x() - other.x()) <= kStep / 4
            && std::abs(one.y() - other.y()) <= kStep / 4;
    };
    const auto taken = [&](const QPoint& place) {
        const QPoint inner = place + QPoint(margins.left(), margins.top());
        return std::any_of(others.cbegin(), others.cend(), [&](const QWidget* other) {
            if (!other || other == window || !other->isVisible())
                return false;
            for (const QPoint& corner :
                { other->frameGeometry().topLeft(), other->geometry().topLeft() }) {
                if (near(corner, place) || near(corner, inner))
                    return true;
            }
            return false;
        });
    };
    const QSize smallest = window->minimumSize().grownBy(margins);
    bool moved = false;
    // Bounded: a screen full of windows at every step leaves the last place.
    for (qsizetype step = 0; taken(frame.topLeft()) && step <= others.size(); ++step) {
        moved = true;
        frame.translate(kStep, kStep);
        if (area.contains(frame))
            continue;
        // A window as large as the screen gives up the step at its far edges, down to its
        // smallest size; beyond that it starts again at the top left corner.
        const QRect kept = frame.intersected(area);
        if (kept.width() >= smallest.width() && kept.height() >= smallest.height()
            && kept.topLeft() == frame.topLeft())
            frame = kept;
        else
            frame.moveTopLeft(area.topLeft());
    }
    if (moved)
        window->setGeometry(frame.marginsRemoved(margins));
}

QString savedFrameString(const QWidget* window)
{
    if (!window)
        return {};
    const QRect frame = window->geometry();
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : QRect();
    QStringList numbers;
    for (const int number : { frame.x(), frame.y(), frame.width(), frame.height(), area.x(),
             area.y(), area.width(), area.height() })
        numbers << QString::number(number);
    return numbers.join(QLatin1Char(' '));
}

bool setFrameFromString(QWidget* window, const QString& saved)
{
    const QStringList parts = saved.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (!window || (parts.size() != 4 && parts.size() != 8))
        return false;
    QList<int> numbers;
    for (const QString& part : parts) {
        bool ok = false;
        const qint64 number = part.toLongLong(&ok);
        if (!ok)
            return false;
        numbers << int(std::clamp(number, -kLargestSavedCoordinate, kLargestSavedCoordinate));
    }
    QRect frame(numbers[0], numbers[1], numbers[2], numbers[3]);
    if (frame.width() <= 0 || frame.height() <= 0)
        return false;
    if (numbers.size() == 8) {
        const QRect savedArea(numbers[4], numbers[5], numbers[6], numbers[7]);
        bool areaPresent = false;
        for (const QScreen* screen : QGuiApplication::screens())
            areaPresent = areaPresent || screen->availableGeometry() == savedArea;
        const QScreen* now = screenOf(frame) ? screenOf(frame) : QGuiApplication::primaryScreen();
        if (!areaPresent && now && savedArea.isValid())
            frame.translate(now->availableGeometry().topLeft() - savedArea.topLeft());
    }
    // A frame larger than the screen comes back at the screen's size; the place is
    // validateWindowPosition()'s to check.
    const QScreen* screen = screenOf(frame) ? screenOf(frame) : QGuiApplication::primaryScreen();
    if (screen)
        frame.setSize(fittedFrame(
            frame, screen->availableGeometry(), window->minimumSize(), decorationMargins(window))
                          .size());
    window->setGeometry(frame);
    return true;
}

} // namespace WindowAdditions
