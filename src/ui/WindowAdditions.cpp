#include "WindowAdditions.h"

#include <QGuiApplication>
#include <QScreen>
#include <QString>
#include <QStringList>
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
        numbers << part.toInt(&ok);
        if (!ok)
            return false;
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
    window->setGeometry(frame);
    return true;
}

} // namespace WindowAdditions
