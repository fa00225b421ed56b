#include "ToolbarItem.h"

#include "CommandRouter.h"
#include "SegmentedControl.h"
#include "Toolbar.h"

#include <QWidget>

namespace platform {

ToolbarItem::ToolbarItem(const QString& itemIdentifier, QObject* parent) : QWidgetAction(parent)
{
    setObjectName(itemIdentifier);
    connect(this, &QAction::triggered, this, [this] {
        if (!action().isEmpty())
            CommandRouter::shared().sendAction(this);
    });
}

ToolbarItem::~ToolbarItem()
{
    delete m_menuForm;
}

Toolbar* ToolbarItem::toolbar() const
{
    return qobject_cast<Toolbar*>(parent());
}

QString ToolbarItem::action() const
{
    return CommandRouter::action(this);
}

void ToolbarItem::setAction(const QString& action)
{
    CommandRouter::setAction(this, action, tag());
}

int ToolbarItem::tag() const
{
    return CommandRouter::tag(this);
}

void ToolbarItem::setTag(int tag)
{
    CommandRouter::setAction(this, action(), tag);
}

QObject* ToolbarItem::target() const
{
    return CommandRouter::target(this);
}

void ToolbarItem::setTarget(QObject* target)
{
    CommandRouter::setTarget(this, target);
}

void ToolbarItem::setMenuFormRepresentation(QAction* menuItem)
{
    if (m_menuForm == menuItem)
        return;
    delete m_menuForm;
    m_menuForm = menuItem;
}

void ToolbarItem::setView(QWidget* view)
{
    // A view that says nothing of itself is named by its item, as its label names it on screen.
    if (view && view->accessibleName().isEmpty())
        view->setAccessibleName(label());
    setDefaultWidget(view);
    applySizes();
}

void ToolbarItem::setMinSize(const QSize& size)
{
    m_minSize = size;
    applySizes();
}

void ToolbarItem::setMaxSize(const QSize& size)
{
    m_maxSize = size;
    applySizes();
}

void ToolbarItem::applySizes()
{
    QWidget* widget = view();
    if (!widget)
        return;
    if (m_minSize.isValid())
        widget->setMinimumSize(m_minSize);
    if (m_maxSize.isValid() && !m_textOnly)
        widget->setMaximumSize(m_maxSize);
    else if (m_maxSize.isValid())
        widget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (auto* segments = qobject_cast<SegmentedControl*>(widget))
        segments->setTextOnly(m_textOnly);
}

void ToolbarItem::setTextOnly(bool textOnly)
{
    m_textOnly = textOnly;
    applySizes();
}

void ToolbarItem::validate()
{
    if (view() || action().isEmpty())
        return;
    // Titles for the current state are for menus; a toolbar item keeps its label.
    const QString label = text();
    CommandRouter::shared().validateSender(this);
    setText(label);
}

} // namespace platform
