#pragma once

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>
#include <vector>

class QKeyEvent;
class QWidget;

// Holds the keys typed into a window while the place they are meant for is on its way (a new
// note comes a moment after the command, its text a moment later; a note window takes its caret
// from the main window a moment after it opens) and hands them to the text once it is ready, so
// no keystroke typed right after New Note, Duplicate or Open in Separate Window is lost or lands
// elsewhere. Whatever the user does next (a click anywhere, a key that does not type) waits
// until the window is ready and the held keys are in it. Main thread; owned by the window's
// note actions or by a note window's controller.
class BXPendingKeystrokes final : public QObject {
    Q_OBJECT

public:
    explicit BXPendingKeystrokes(QObject* parent = nullptr);
    ~BXPendingKeystrokes() override;

    // Starts holding the typing keys meant for any widget of `window` or of a window it opened
    // over itself. `finish` is called when the user does something else first: it must show
    // the note at once and deliver().
    void hold(QWidget* window, std::function<void()> finish);
    bool isHolding() const { return !m_window.isNull(); }
    // Stops holding and sends what was held to `target`, in order.
    void deliver(QWidget* target);
    // Whether `widget` is in `window`, or in a window that `window` opened over itself (a
    // popover asking a question comes up with the keyboard).
    static bool isWithin(const QWidget* widget, const QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> m_window;
    std::function<void()> m_finish;
    // The widget a click gave the focus to while the keys were held: it keeps it.
    QPointer<QWidget> m_clicked;
    std::vector<std::unique_ptr<QKeyEvent>> m_keys;
};
