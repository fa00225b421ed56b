#include "platform/appkit/MenuAccessKeys.h"

#include "platform/appkit/CommandRouter.h"

#include <QEvent>
#include <QMenu>
#include <QMenuBar>
#include <QSet>

namespace platform {

namespace {

// The key an item had, kept across retitling.
constexpr const char* kKeyProperty = "accessKey";

constexpr QChar kMark = u'&';

// Where the marked letter of `text` is; -1 when none ("&&" is a literal ampersand).
qsizetype markedPosition(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != kMark)
            continue;
        if (text.at(i + 1) == kMark) {
            ++i;
            continue;
        }
        return i + 1;
    }
    return -1;
}

// The positions a key may take in an unmarked title: the starts of words first, then every
// other letter or digit, each in reading order.
QList<qsizetype> candidatePositions(const QString& text)
{
    QList<qsizetype> starts;
    QList<qsizetype> others;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (!text.at(i).isLetterOrNumber())
            continue;
        const bool wordStart = i == 0 || !text.at(i - 1).isLetterOrNumber();
        (wordStart ? starts : others).append(i);
    }
    return starts + others;
}

QChar keyAt(const QString& text, qsizetype position)
{
    return text.at(position).toLower();
}

QString markedAt(QString text, qsizetype position)
{
    return text.insert(position, kMark);
}

// A heading (a disabled item that sends nothing) cannot be chosen and takes no key.
bool takesKey(const QAction* action)
{
    if (action->isSeparator() || !action->isVisible() || action->text().isEmpty())
        return false;
    return action->isEnabled() || action->menu() || !CommandRouter::action(action).isEmpty();
}

void setTitle(QAction* action, const QString& title, QChar key)
{
    if (action->text() != title)
        action->setText(title);
    action->setProperty(kKeyProperty, QString(key));
}

} // namespace

MenuAccessKeys& MenuAccessKeys::shared()
{
    static MenuAccessKeys keys;
    return keys;
}

void MenuAccessKeys::keep(QMenuBar* bar)
{
    assign(bar->actions());
    for (QAction* action : bar->actions()) {
        if (QMenu* menu = action->menu())
            keep(menu);
    }
}

void MenuAccessKeys::keep(QMenu* menu)
{
    // Installing the same filter again replaces it, so a menu is watched once.
    menu->installEventFilter(&shared());
    assign(menu->actions());
    for (QAction* action : menu->actions()) {
        if (QMenu* submenu = action->menu())
            keep(submenu);
    }
}

void MenuAccessKeys::assign(const QList<QAction*>& actions)
{
    QSet<QChar> used;
    QList<QAction*> unmarked;
    for (QAction* action : actions) {
        if (!takesKey(action))
            continue;
        const QChar key = accessKey(action->text());
        if (!key.isNull() && !used.contains(key)) {
            used.insert(key);
            action->setProperty(kKeyProperty, QString(key));
            continue;
        }
        // A second item marked with a taken key loses its mark and gets a key of its own.
        if (!key.isNull())
            action->setText(literal(plainTitle(action->text())));
        unmarked.append(action);
    }
    // Keys the items had before, where their titles still hold them.
    QList<QAction*> fresh;
    for (QAction* action : std::as_const(unmarked)) {
        const QString previous = action->property(kKeyProperty).toString();
        const QString title = action->text();
        const QChar key = previous.isEmpty() ? QChar() : previous.at(0);
        if (!key.isNull() && !used.contains(key)) {
            const QString withKey = marked(title, key);
            if (withKey != title) {
                used.insert(key);
                setTitle(action, withKey, key);
                continue;
            }
        }
        fresh.append(action);
    }
    for (QAction* action : std::as_const(fresh)) {
        const QString title = action->text();
        for (const qsizetype position : candidatePositions(title)) {
            const QChar key = keyAt(title, position);
            if (used.contains(key))
                continue;
            used.insert(key);
            setTitle(action, markedAt(title, position), key);
            break;
        }
    }
}

QString MenuAccessKeys::marked(const QString& title, QChar key)
{
    if (markedPosition(title) >= 0)
        return title;
    const QChar wanted = key.toLower();
    for (const qsizetype position : candidatePositions(title)) {
        if (keyAt(title, position) == wanted)
            return markedAt(title, position);
    }
    return title;
}

QString MenuAccessKeys::plainTitle(const QString& text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == kMark && i + 1 < text.size())
            ++i;
        plain.append(text.at(i));
    }
    return plain;
}

QChar MenuAccessKeys::accessKey(const QString& text)
{
    const qsizetype position = markedPosition(text);
    return position < 0 ? QChar() : keyAt(text, position);
}

bool MenuAccessKeys::eventFilter(QObject* watched, QEvent* event)
{
    // Shown: every slot that fills or retitles the items on aboutToShow has run.
    if (event->type() == QEvent::Show) {
        if (auto* menu = qobject_cast<QMenu*>(watched))
            keep(menu);
    }
    return QObject::eventFilter(watched, event);
}

} // namespace platform
