#pragma once

#include <QLineEdit>

class QAction;
class QMenu;

// The main window's search field: a line edit whose leading magnifier opens the menu of search
// modes (items tagged 1 for words and 2 for a regular expression, the tag in the action's
// data), and a clear button; Escape clears it too. What the user types is kept exactly as
// typed. Its hint (the search mode) shows whole or not at all: a field squeezed narrow shows
// its magnifier alone, with the hint as its tool tip. Emits modeChosen() when a mode item is
// chosen, and focusChanged() when it takes or loses the keyboard focus. Owned by its parent
// widget; main thread only.
class BXSearchField final : public QLineEdit {
    Q_OBJECT

public:
    static constexpr int kWordsTag = 1;
    static constexpr int kRegularExpressionTag = 2;

    explicit BXSearchField(QWidget* parent = nullptr);

    QMenu* searchMenu() const { return m_menu; }
    // The mode item tagged `tag`, or null.
    QAction* itemWithTag(int tag) const;
    // The magnifier that opens the menu.
    QAction* menuButton() const { return m_menuButton; }
    void showSearchMenu();

    // The hint shown in the empty field while it fits.
    QString hint() const { return m_hint; }
    void setHint(const QString& hint);

signals:
    void modeChosen(QAction* item);
    void focusChanged(bool focused, Qt::FocusReason reason);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Shows the hint when the room between the magnifier and the clear button takes it whole.
    void fitHint();

    QMenu* m_menu;
    QAction* m_menuButton;
    QString m_hint;
};
