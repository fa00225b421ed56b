#include "PopUpButton.h"

#include "CommandRouter.h"

#include <QActionGroup>
#include <QMenu>
#include <QStyleOptionToolButton>
#include <QStylePainter>

namespace platform {

namespace {

const char* const kOwnFontProperty = "bxOwnFont";

std::optional<QFont> ownFont(const QAction* item)
{
    if (!item || !item->property(kOwnFontProperty).toBool())
        return std::nullopt;
    return item->font();
}

} // namespace

PopUpButton::PopUpButton(QWidget* parent)
    : QToolButton(parent),
      m_menu(new QMenu(this)),
      m_group(new QActionGroup(this)),
      m_controlFont(font())
{
    // No item is checked while a free title shows.
    m_group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    setMenu(m_menu);
    setPopupMode(QToolButton::InstantPopup);
    setToolButtonStyle(Qt::ToolButtonTextOnly);
    connect(m_menu, &QMenu::triggered, this, [this](QAction* item) {
        if (!m_group->actions().contains(item))
            return;
        selectItem(item);
        emit itemChosen(item);
    });
}

QAction* PopUpButton::addItem(const QString& title, int tag, const std::optional<QFont>& font)
{
    auto* item = new QAction(title, m_menu);
    item->setCheckable(true);
    CommandRouter::setAction(item, QString(), tag);
    if (font) {
        item->setFont(*font);
        item->setProperty(kOwnFontProperty, true);
    }
    m_group->addAction(item);
    m_menu->addAction(item);
    return item;
}

void PopUpButton::addSeparator()
{
    m_menu->addSeparator();
}

void PopUpButton::removeAllItems()
{
    // A deleted action leaves the menu and the group by itself.
    qDeleteAll(m_menu->actions());
}

QList<QAction*> PopUpButton::items() const
{
    return m_group->actions();
}

QAction* PopUpButton::itemWithTitle(const QString& title) const
{
    for (QAction* item : m_group->actions()) {
        if (item->text() == title)
            return item;
    }
    return nullptr;
}

QAction* PopUpButton::itemWithTag(int tag) const
{
    for (QAction* item : m_group->actions()) {
        if (CommandRouter::tag(item) == tag)
            return item;
    }
    return nullptr;
}

QAction* PopUpButton::selectedItem() const
{
    return m_group->checkedAction();
}

void PopUpButton::selectItem(QAction* item)
{
    if (item && !m_group->actions().contains(item))
        return;
    if (QAction* checked = m_group->checkedAction(); checked && checked != item)
        checked->setChecked(false);
    if (item)
        item->setChecked(true);
    showTitle(item ? item->text() : QString(), ownFont(item));
}

bool PopUpButton::selectItemWithTitle(const QString& title)
{
    QAction* item = itemWithTitle(title);
    if (item)
        selectItem(item);
    return item;
}

bool PopUpButton::selectItemWithTag(int tag)
{
    QAction* item = itemWithTag(tag);
    if (item)
        selectItem(item);
    return item;
}

void PopUpButton::setTitle(const QString& title, const std::optional<QFont>& font)
{
    if (QAction* checked = m_group->checkedAction())
        checked->setChecked(false);
    showTitle(title, font);
}

void PopUpButton::setControlFont(const QFont& font)
{
    m_controlFont = font;
    if (!ownFont(selectedItem()))
        setFont(font);
}

void PopUpButton::showTitle(const QString& title, const std::optional<QFont>& font)
{
    setText(title);
    setFont(font.value_or(m_controlFont));
    updateGeometry();
}

QString PopUpButton::shownTitle() const
{
    // What sizeHint() adds beside the title: the arrow and the button's own margins.
    const int advance = fontMetrics().horizontalAdvance(text());
    const int room = width() - (sizeHint().width() - advance);
    if (advance <= room)
        return text();
    return fontMetrics().elidedText(text(), Qt::ElideRight, std::max(room, 0));
}

void PopUpButton::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    option.text = shownTitle();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
}

QSize PopUpButton::sizeHint() const
{
    // Room for the menu arrow beside the title.
    const QSize hint = QToolButton::sizeHint();
    return { hint.width() + fontMetrics().height() / 2, hint.height() };
}

} // namespace platform
