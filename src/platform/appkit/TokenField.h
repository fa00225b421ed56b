#pragma once

#include "platform/appkit/accessibility/AccessibleTextEvents.h"

#include <QMenu>
#include <QPointer>
#include <QVariant>
#include <QWidget>

class QListView;
class QStringListModel;

namespace platform {

class TokenFieldDelegate;

// A one-line field of tokens: its value is an ordered list of entries (represented objects,
// and plain strings for typed text no object stood for), each shown as a rounded token with
// the delegate's display string, followed by the text being typed. Text is turned into an
// entry at a comma, at Return and when the edit ends; completions show in a list under the
// text that never takes the focus; a token with a menu shows an arrow under the pointer.
//
// Caret positions run over the tokens and then the typed text: 0..count() lie before each
// token (count() being the start of the text), beyond lie inside the text. Main thread only;
// emits action() once per ended edit, after the value is final.
class TokenField : public QWidget {
    Q_OBJECT

public:
    explicit TokenField(QWidget* parent = nullptr);
    ~TokenField() override;

    // Not owned; may be null.
    void setDelegate(TokenFieldDelegate* delegate)
    {
        m_delegate = delegate;
        entriesChanged();
    }
    TokenFieldDelegate* delegate() const { return m_delegate; }

    // The entries, with text still being typed as a last plain string.
    QVariantList objectValue() const;
    // Replaces the entries, drops typed text and puts the caret at the end; an edit in
    // progress stays open.
    void setObjectValue(const QVariantList& entries);
    int count() const { return int(m_entries.size()); }
    QString editingText() const { return m_text; }
    // Takes every entry equal to `entry` out; the typed text and an open edit stay.
    void removeEntry(const QVariant& entry);

    QString placeholderText() const { return m_placeholder; }
    void setPlaceholderText(const QString& text);

    // Whether the delegate agreed to a change of the open edit.
    bool isEditing() const { return m_editing; }
    // Opens an edit as a first change would, asking the delegate; false when it refuses.
    bool beginEditing() { return beginChange(); }
    // Ends the edit as a loss of focus does and gives the focus up; false (the edit stays
    // open) when the delegate refuses.
    bool endEditing();
    // Drops the typed text and closes the open edit without asking the delegate or sending
    // the action; the focus stays, and the next change opens a new edit.
    void abandonEditing();

    // Where the token of entry `index` lies in the field; empty for no such entry.
    QRect tokenRect(int index) const;
    // Selects the one token of entry `index`; out-of-range indexes select nothing.
    void selectToken(int index);
    // Selected entries as [first, last) entry indexes (equal when none).
    QPair<int, int> selectedTokens() const;
    int caretPosition() const { return m_caret; }
    int anchorPosition() const { return m_anchor; }
    // Selects from `anchor` to `caret` (caret positions, clamped to the field).
    void setSelection(int anchor, int caret);
    // Replaces the selection with `text` as typing or, for no text, deleting it would.
    void replaceSelection(const QString& text);
    // What the token of entry `index` shows; empty for no such entry.
    QString tokenText(int index) const;

    // The completion list while it shows, else null.
    QListView* completionList() const;
    // The token menu last opened, while it shows.
    QMenu* openMenu() const { return m_openMenu; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void action();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    // What each entry shows, kept until the entries or the font change.
    struct Shape {
        QString text;
        int width = 0;
        bool plain = false;
        bool menu = false;
    };
    const QList<Shape>& shapes() const;
    void entriesChanged();

    struct Layout {
        QList<QRect> tokens; // unscrolled
        int textX = 0;
    };
    Layout layout() const;
    QString displayString(const QVariant& entry) const;
    bool hasMenu(const QVariant& entry) const;
    int tokenAt(const QPoint& point) const;
    QRect arrowRect(const QRect& token) const;
    int caretX(const Layout& layout) const;
    void ensureCaretVisible();

    // Starts an edit when none is open; false when the delegate refuses the change.
    bool beginChange();
    void tokenizeText();
    void appendEntry(const QString& text);
    void insertText(const QString& text);
    void removeRange(int from, int to);
    void deleteBackward(bool forward);
    void moveCaret(int position, bool extend);
    // Ends the open edit: tokenizes, asks the delegate, emits action(); false when refused.
    bool finishEdit();
    // Ends the edit the menu bar left open once another view takes the keys from it.
    void focusMoved(QWidget* now);
    void copySelection();
    void paste();
    void openMenuForToken(int index);
    // Repaints, and tells assistive technology of changed text, caret or selection.
    void showChanges();

    void updateCompletions();
    void closeCompletions();
    void moveCompletion(int step);
    void acceptCompletion();

    TokenFieldDelegate* m_delegate = nullptr;
    QVariantList m_entries;
    QString m_text;
    QString m_placeholder;
    int m_caret = 0;
    int m_anchor = 0;
    int m_scroll = 0;
    int m_hovered = -1;
    // An edit runs from taking the focus (or the first change after the last one ended) to
    // its end; m_editing is set once the delegate agreed to the first change.
    bool m_session = false;
    bool m_editing = false;
    bool m_ending = false;
    // The keys went from the field to the menu bar, which ends no edit.
    bool m_keysAtMenuBar = false;
    QListView* m_completions = nullptr;
    QStringListModel* m_completionNames = nullptr;
    mutable QList<Shape> m_shapes;
    mutable bool m_shapesValid = false;
    QPointer<QMenu> m_openMenu;
    AccessibleTextEvents m_accessibleEvents;
};

} // namespace platform
