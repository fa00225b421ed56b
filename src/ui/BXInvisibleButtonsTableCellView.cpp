#include "BXInvisibleButtonsTableCellView.h"

#include <QAbstractButton>

BXInvisibleButtonsTableCellView::BXInvisibleButtonsTableCellView(QWidget* parent) : QWidget(parent)
{ }

void BXInvisibleButtonsTableCellView::awakeFromNib()
{
    m_invisibleButtons.clear();
    const QList<QAbstractButton*> buttons
        = findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly);
    for (QAbstractButton* button : buttons) {
        if (button->isHidden())
            m_invisibleButtons << button;
    }
}

QList<QAbstractButton*> BXInvisibleButtonsTableCellView::invisibleButtons() const
{
    QList<QAbstractButton*> buttons;
    for (const QPointer<QAbstractButton>& button : m_invisibleButtons) {
        if (button)
            buttons << button;
    }
    return buttons;
}

void BXInvisibleButtonsTableCellView::showButtons(bool show)
{
    for (QAbstractButton* button : invisibleButtons())
        button->setVisible(show);
}

void BXInvisibleButtonsTableCellView::enterEvent(QEnterEvent* event)
{
    // Only the active window tracks the pointer.
    if (isActiveWindow()) {
        m_mouseInside = true;
        showButtons(true);
    }
    QWidget::enterEvent(event);
}

void BXInvisibleButtonsTableCellView::leaveEvent(QEvent* event)
{
    m_mouseInside = false;
    showButtons(false);
    QWidget::leaveEvent(event);
}
