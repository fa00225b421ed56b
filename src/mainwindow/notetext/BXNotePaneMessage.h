#pragma once

#include <QObject>
#include <QString>

class BXFadingText;
class QWidget;

// The message over the main window's note pane while several notes are selected ("2 notes
// selected"): bold 18-point words, centred and wrapped, kept centred as the pane resizes and
// above the text and its bars. The pane owns the view; this object is owned by the window
// controller. Main thread only.
class BXNotePaneMessage final : public QObject {
    Q_OBJECT

public:
    static constexpr double kFontSize = 18;

    BXNotePaneMessage(QWidget* pane, QObject* parent);

    BXFadingText* view() const { return m_view; }
    // Shows the count from two selected notes on and hides the message below that.
    void update(qsizetype selectedCount);
    QString message() const { return m_message; }
    bool isShown() const { return m_shown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void layout();

    QWidget* m_pane;
    BXFadingText* m_view;
    QString m_message;
    bool m_shown = false;
};
