#include "mainwindow/search/BXSearchField.h"

#include "platform/appkit/SymbolIcon.h"
#include "platform/foundation/Localized.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

bool isEscape(const QEvent* event)
{
    const auto* key = static_cast<const QKeyEvent*>(event);
    return key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier;
}

} // namespace

BXSearchField::BXSearchField(QWidget* parent)
    : QLineEdit(parent), m_menu(new QMenu(this)), m_menuButton(nullptr)
{
    const struct {
        int tag;
        const char* title;
    } modes[]
        = { { kWordsTag, "Search Words" }, { kRegularExpressionTag, "Search Regular Expression" } };
    for (const auto& mode : modes) {
        QAction* item = m_menu->addAction(platform::localized(QString::fromUtf8(mode.title)));
        item->setData(mode.tag);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, item] { emit modeChosen(item); });
    }
    m_menuButton = addAction(
        platform::SymbolIcon::named(QStringLiteral("magnifyingglass")), LeadingPosition);
    // Shown as an icon only, the title is what a screen reader says of it.
    m_menuButton->setText(platform::localized(QStringLiteral("Search Mode")));
    m_menuButton->setToolTip(m_menuButton->text());
    connect(m_menuButton, &QAction::triggered, this, &BXSearchField::showSearchMenu);
    setClearButtonEnabled(true);
    setAccessibleName(platform::localized(QStringLiteral("Search")));
}

QAction* BXSearchField::itemWithTag(int tag) const
{
    for (QAction* item : m_menu->actions()) {
        if (item->data().toInt() == tag)
            return item;
    }
    return nullptr;
}

void BXSearchField::showSearchMenu()
{
    m_menu->popup(mapToGlobal(rect().bottomLeft()));
}

bool BXSearchField::event(QEvent* event)
{
    // Escape clears a search before any shortcut of the window takes it.
    if (event->type() == QEvent::ShortcutOverride && isEscape(event) && !text().isEmpty()) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void BXSearchField::setHint(const QString& hint)
{
    m_hint = hint;
    fitHint();
}

void BXSearchField::resizeEvent(QResizeEvent* event)
{
    QLineEdit::resizeEvent(event);
    fitHint();
}

void BXSearchField::fitHint()
{
    QStyleOptionFrame option;
    initStyleOption(&option);
    QRect room = style()->subElementRect(QStyle::SE_LineEditContents, &option, this);
    room = room.marginsRemoved(textMargins());
    // The magnifier and the clear button sit inside the contents, at either end.
    for (const QWidget* button : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!button->isVisibleTo(this) || button->geometry().isEmpty())
            continue;
        if (button->geometry().center().x() < width() / 2)
            room.setLeft(std::max(room.left(), button->geometry().right() + 1));
        else
            room.setRight(std::min(room.right(), button->geometry().left() - 1));
    }
    // A little slack for the text's own margin inside the contents.
    const bool fits = fontMetrics().horizontalAdvance(m_hint) + 4 <= room.width();
    setPlaceholderText(fits ? m_hint : QString());
    setToolTip(fits ? QString() : m_hint);
}

void BXSearchField::keyPressEvent(QKeyEvent* event)
{
    if (isEscape(event) && !text().isEmpty()) {
        clear();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void BXSearchField::focusInEvent(QFocusEvent* event)
{
    QLineEdit::focusInEvent(event);
    emit focusChanged(true, event->reason());
}

void BXSearchField::focusOutEvent(QFocusEvent* event)
{
    QLineEdit::focusOutEvent(event);
    emit focusChanged(false, event->reason());
}
