#include "ToolbarOverflowMenu.h"

#include "PopUpButton.h"
#include "SegmentedControl.h"
#include "SymbolIcon.h"
#include "Toolbar.h"
#include "ToolbarItem.h"

#include <QEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QToolButton>

namespace platform {

namespace {

// The name Qt's toolbar layout gives its extension button.
const QString kExtensionButtonName = QStringLiteral("qt_toolbar_ext_button");

} // namespace

ToolbarOverflowMenu::ToolbarOverflowMenu(Toolbar* toolbar)
    : QObject(toolbar), m_toolbar(toolbar), m_menu(new QMenu(toolbar))
{
    m_button = toolbar->findChild<QToolButton*>(kExtensionButtonName, Qt::FindDirectChildrenOnly);
    if (!m_button)
        return;
    // The press opens our menu before the layout sees the click and expands the row.
    m_button->installEventFilter(this);
    // The style's arrows are a dark picture; as a symbol they follow the palette.
    m_button->setIcon(SymbolIcon::templateImage(m_button->icon()));
}

QToolButton* ToolbarOverflowMenu::button() const
{
    return m_button;
}

QList<ToolbarItem*> ToolbarOverflowMenu::hiddenItems() const
{
    QList<ToolbarItem*> hidden;
    for (ToolbarItem* item : m_toolbar->items()) {
        const QWidget* control = m_toolbar->widgetForAction(item);
        if (item->isVisible() && !item->isSeparator() && control && control->isHidden())
            hidden << item;
    }
    return hidden;
}

void ToolbarOverflowMenu::rebuild()
{
    // Enabled states as a click on each item would find them.
    m_toolbar->validateVisibleItems();
    m_menu->clear();
    // Submenus made for the last showing; a menu form's own submenu belongs to its item.
    qDeleteAll(m_menu->findChildren<QMenu*>(Qt::FindDirectChildrenOnly));
    for (ToolbarItem* item : hiddenItems())
        addEntry(item);
}

void ToolbarOverflowMenu::addEntry(ToolbarItem* item)
{
    if (QAction* form = item->menuFormRepresentation()) {
        m_menu->addAction(form);
        return;
    }
    // Spaces and other views without a title have nothing to offer.
    if (item->label().isEmpty())
        return;
    if (auto* segments = qobject_cast<SegmentedControl*>(item->view())) {
        QMenu* submenu = m_menu->addMenu(item->icon(), item->label());
        submenu->setEnabled(item->isEnabled() && segments->QWidget::isEnabled());
        for (int segment = 0; segment < segments->segmentCount(); ++segment) {
            QAction* entry = submenu->addAction(segments->icon(segment), segments->label(segment));
            entry->setEnabled(segments->isEnabled(segment));
            connect(entry, &QAction::triggered, segments, [segments, segment] {
                if (QToolButton* button = segments->buttonForSegment(segment))
                    button->click();
            });
        }
        return;
    }
    if (auto* popup = qobject_cast<PopUpButton*>(item->view())) {
        QMenu* submenu = m_menu->addMenu(item->icon(), item->label());
        submenu->setEnabled(item->isEnabled() && popup->isEnabled());
        for (QAction* choice : popup->items())
            submenu->addAction(choice);
        return;
    }
    if (item->view())
        return;
    QAction* entry = m_menu->addAction(item->icon(), item->label());
    entry->setToolTip(item->toolTip());
    entry->setEnabled(item->isEnabled());
    connect(entry, &QAction::triggered, item, &QAction::trigger);
}

void ToolbarOverflowMenu::popUp()
{
    rebuild();
    if (m_menu->isEmpty() || !m_button)
        return;
    m_menu->popup(m_button->mapToGlobal(QPoint(0, m_button->height())));
}

bool ToolbarOverflowMenu::eventFilter(QObject* watched, QEvent* event)
{
    // Only mouse events are looked at: the button also sends events while it is destroyed,
    // when it may no longer be read as a button.
    const QEvent::Type type = event->type();
    if ((type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease
            && type != QEvent::MouseButtonDblClick)
        || watched != m_button)
        return QObject::eventFilter(watched, event);
    if (type == QEvent::MouseButtonPress
        && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        popUp();
    return true;
}

} // namespace platform
