#pragma once

#include "ToolbarItem.h"

#include <QPointer>
#include <QSplitter>

namespace platform {

// A toolbar separator that lines up with a splitter's divider: its view widens or narrows so
// that its line stands over the divider, following it as the user drags it or the window
// resizes. `dividerIndex` counts the dividers from 0 (the one after the splitter's first pane).
class TrackingSeparatorItem final : public ToolbarItem {
    Q_OBJECT

public:
    TrackingSeparatorItem(const QString& itemIdentifier, QSplitter* splitter, int dividerIndex,
        QObject* parent = nullptr);

    QSplitter* splitter() const { return m_splitter; }
    int dividerIndex() const { return m_dividerIndex; }

    // Brings the view's width in line with the divider.
    void updateWidth();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QSplitter> m_splitter;
    QPointer<QWidget> m_line;
    int m_dividerIndex;
};

} // namespace platform
