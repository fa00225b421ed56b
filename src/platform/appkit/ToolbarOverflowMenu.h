#pragma once

#include <QObject>
#include <QPointer>

class QMenu;
class QToolButton;

namespace platform {

class Toolbar;
class ToolbarItem;

// The menu behind a toolbar's overflow button (»): when the window is too narrow for every
// item, the button lists the items that were cut off, each as its menu form when it has one, a
// button item as its label and image (sending its command), a segmented or pop-up view as a
// submenu of its segments or items. The toolbar's own expanding row is never used: it has no
// room in a narrow window. Owned by its toolbar; main thread only.
class ToolbarOverflowMenu final : public QObject {
    Q_OBJECT

public:
    explicit ToolbarOverflowMenu(Toolbar* toolbar);

    // The » button; null before the toolbar's layout made it.
    QToolButton* button() const;
    // The items whose controls the toolbar had no room for, in toolbar order.
    QList<ToolbarItem*> hiddenItems() const;
    // The menu, filled with the hidden items; shown by a click on the button.
    QMenu* menu() const { return m_menu; }
    void rebuild();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void addEntry(ToolbarItem* item);
    void popUp();

    Toolbar* m_toolbar;
    QMenu* m_menu;
    QPointer<QToolButton> m_button;
};

} // namespace platform
