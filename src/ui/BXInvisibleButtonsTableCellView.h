#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

class QAbstractButton;

// A cell of a short list whose action buttons show only while the pointer is over it, in the
// active window. The buttons are the direct child buttons that are hidden when the cell
// awakes; buttons shown from the start are left alone. Main thread.
class BXInvisibleButtonsTableCellView : public QWidget {
    Q_OBJECT

public:
    explicit BXInvisibleButtonsTableCellView(QWidget* parent = nullptr);

    // Call once the cell's children are in place.
    virtual void awakeFromNib();

    QList<QAbstractButton*> invisibleButtons() const;
    bool isMouseInside() const { return m_mouseInside; }

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void showButtons(bool show);

    QList<QPointer<QAbstractButton>> m_invisibleButtons;
    bool m_mouseInside = false;
};
