#include "SegmentedControl.h"

#include "CommandRouter.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QToolButton>

namespace platform {

SegmentedControl::SegmentedControl(QWidget* parent)
    : QWidget(parent), m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
}

void SegmentedControl::setSegmentCount(int count)
{
    count = std::max(count, 0);
    while (m_buttons.size() > count) {
        delete m_buttons.takeLast();
        m_tags.removeLast();
        m_widths.removeLast();
    }
    while (m_buttons.size() < count) {
        auto* button = new QToolButton(this);
        const int segment = int(m_buttons.size());
        button->setAutoRaise(false);
        button->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Preferred);
        // Pressing and holding opens the segment's menu; a click is a click.
        button->setPopupMode(QToolButton::DelayedPopup);
        connect(button, &QToolButton::clicked, this, [this, segment] { clicked(segment); });
        m_layout->addWidget(button);
        m_buttons.append(button);
        m_tags.append(0);
        m_widths.append(0);
        updateButton(segment);
    }
    if (m_selected >= count)
        m_selected = -1;
}

void SegmentedControl::setTracking(Tracking tracking)
{
    m_tracking = tracking;
    for (int segment = 0; segment < segmentCount(); ++segment)
        updateButton(segment);
}

void SegmentedControl::setTextOnly(bool textOnly)
{
    m_textOnly = textOnly;
    for (int segment = 0; segment < segmentCount(); ++segment)
        updateButton(segment);
}

QToolButton* SegmentedControl::buttonForSegment(int segment) const
{
    return segment >= 0 && segment < m_buttons.size() ? m_buttons.at(segment) : nullptr;
}

QIcon SegmentedControl::icon(int segment) const
{
    const QToolButton* button = buttonForSegment(segment);
    return button ? button->icon() : QIcon();
}

void SegmentedControl::setIcon(int segment, const QIcon& icon)
{
    if (QToolButton* button = buttonForSegment(segment)) {
        button->setIcon(icon);
        updateButton(segment);
    }
}

QString SegmentedControl::label(int segment) const
{
    const QToolButton* button = buttonForSegment(segment);
    return button ? button->text() : QString();
}

void SegmentedControl::setLabel(int segment, const QString& label)
{
    if (QToolButton* button = buttonForSegment(segment)) {
        button->setText(label);
        updateButton(segment);
    }
}

QString SegmentedControl::toolTip(int segment) const
{
    const QToolButton* button = buttonForSegment(segment);
    return button ? button->toolTip() : QString();
}

void SegmentedControl::setToolTip(int segment, const QString& toolTip)
{
    if (QToolButton* button = buttonForSegment(segment))
        button->setToolTip(toolTip);
}

int SegmentedControl::tag(int segment) const
{
    return segment >= 0 && segment < m_tags.size() ? m_tags.at(segment) : 0;
}

void SegmentedControl::setTag(int segment, int tag)
{
    if (segment >= 0 && segment < m_tags.size())
        m_tags[segment] = tag;
}

int SegmentedControl::width(int segment) const
{
    return segment >= 0 && segment < m_widths.size() ? m_widths.at(segment) : 0;
}

void SegmentedControl::setWidth(int segment, int width)
{
    if (segment < 0 || segment >= m_widths.size())
        return;
    m_widths[segment] = std::max(width, 0);
    updateButton(segment);
}

QMenu* SegmentedControl::menu(int segment) const
{
    const QToolButton* button = buttonForSegment(segment);
    return button ? button->menu() : nullptr;
}

void SegmentedControl::setMenu(int segment, QMenu* menu)
{
    if (QToolButton* button = buttonForSegment(segment))
        button->setMenu(menu);
}

bool SegmentedControl::isEnabled(int segment) const
{
    const QToolButton* button = buttonForSegment(segment);
    return button && button->isEnabled();
}

void SegmentedControl::setEnabled(int segment, bool enabled)
{
    if (QToolButton* button = buttonForSegment(segment))
        button->setEnabled(enabled);
}

void SegmentedControl::setSelectedSegment(int segment)
{
    m_selected = segment >= 0 && segment < segmentCount() ? segment : -1;
    for (int i = 0; i < segmentCount(); ++i)
        m_buttons.at(i)->setChecked(m_tracking == Tracking::SelectOne && i == m_selected);
}

int SegmentedControl::tagOfSelectedSegment() const
{
    return m_selected >= 0 ? tag(m_selected) : 0;
}

void SegmentedControl::clicked(int segment)
{
    setSelectedSegment(segment);
    emit segmentClicked(segment);
    const QString action = CommandRouter::action(this);
    if (!action.isEmpty()) {
        Command command = CommandRouter::commandFor(this);
        command.tag = tag(segment);
        CommandRouter::shared().sendAction(command, CommandRouter::target(this));
    }
    // A momentary segment is selected only while its click is being reported.
    if (m_tracking == Tracking::Momentary)
        m_selected = -1;
}

void SegmentedControl::updateButton(int segment)
{
    QToolButton* button = m_buttons.at(segment);
    button->setCheckable(m_tracking == Tracking::SelectOne);
    button->setChecked(m_tracking == Tracking::SelectOne && segment == m_selected);
    const bool showIcon = !m_textOnly && !button->icon().isNull();
    button->setToolButtonStyle(showIcon ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextOnly);
    // A fixed width is a floor in the text-only form, where the label must fit.
    const int width = m_widths.at(segment);
    button->setMinimumWidth(width);
    button->setMaximumWidth(width > 0 && !m_textOnly ? width : QWIDGETSIZE_MAX);
}

} // namespace platform
