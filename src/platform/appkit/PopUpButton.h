#pragma once

#include <QFont>
#include <QToolButton>

#include <optional>

class QActionGroup;
class QMenu;

namespace platform {

// A button that pops up a list of checkable items, each with an optional font of its own and a
// tag (kept as the CommandRouter tag, so an item can also carry an action). The button shows the
// chosen item's title in that item's font, or a free title that need not be an item at all,
// with no item checked. Main thread only; emits itemChosen() when the user picks an item.
class PopUpButton : public QToolButton {
    Q_OBJECT

public:
    explicit PopUpButton(QWidget* parent = nullptr);

    // Appends an item; `font`, when given, is used for the item and for the title it shows.
    QAction* addItem(const QString& title, int tag = 0, const std::optional<QFont>& font = {});
    void addSeparator();
    void removeAllItems();
    // The items, separators left out.
    QList<QAction*> items() const;
    QAction* itemWithTitle(const QString& title) const;
    QAction* itemWithTag(int tag) const;

    // Null while a free title is shown.
    QAction* selectedItem() const;
    // Checks `item` (one of ours) and shows it; null shows an empty title.
    void selectItem(QAction* item);
    bool selectItemWithTitle(const QString& title);
    bool selectItemWithTag(int tag);

    QString title() const { return text(); }
    // Shows `title`, in `font` or the control font, with no item checked.
    void setTitle(const QString& title, const std::optional<QFont>& font = {});
    // The font of titles that bring none of their own.
    QFont controlFont() const { return m_controlFont; }
    void setControlFont(const QFont& font);

    QSize sizeHint() const override;
    // The title as drawn: shortened at its end, with an ellipsis, to the room a narrow button
    // leaves it beside its arrow.
    QString shownTitle() const;

signals:
    void itemChosen(QAction* item);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void showTitle(const QString& title, const std::optional<QFont>& font);

    QMenu* m_menu;
    QActionGroup* m_group;
    QFont m_controlFont;
};

} // namespace platform
