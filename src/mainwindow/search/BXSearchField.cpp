#include "mainwindow/search/BXSearchField.h"

#include "platform/appkit/SymbolIcon.h"
#include "platform/foundation/Localized.h"

#include <QAction>
#include <QKeyEvent>
#include <QMenu>

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
    m_menuButton->setToolTip(platform::localized(QStringLiteral("Search Mode")));
    connect(m_menuButton, &QAction::triggered, this, &BXSearchField::showSearchMenu);
    setClearButtonEnabled(true);
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
