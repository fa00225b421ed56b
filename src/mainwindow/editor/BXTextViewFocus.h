#pragma once

class QWidget;

// Follows one text view's keys as its editing sees them. The keys leaving the view for no
// widget (its window inactive: another application, a popup or a message window in front) or
// for a menu bar whose menus are browsed only pass: ending the editing there would drop the
// typing's undo and redo. Only another view of ours taking the keys ends the editing. Both
// window kinds keep one for their note text; main thread only.
class BXTextViewFocus final {
public:
    enum class Change {
        None,
        // The view took the keys from elsewhere: its next change begins editing anew.
        Taken,
        // Another view took the keys from the view, at once or after they passed: the
        // editing ends.
        Lost,
    };

    // `view` (not owned) outlives this.
    explicit BXTextViewFocus(const QWidget* view);

    // One change of the application's focus widget, as QApplication::focusChanged reports it.
    Change focusChanged(const QWidget* old, const QWidget* now);
    // The view is the one its window types into: it has the keys, or the last of its window's
    // views to take them was the view and they have since gone only to the menu bar, nowhere
    // or another window.
    bool holdsKeys() const;

private:
    const QWidget* m_view;
    // The view's keys went to no widget or to a menu bar.
    bool m_keysAway = false;
    // The view was the last of its window's views to take the keys.
    bool m_lastInWindow = false;
};
