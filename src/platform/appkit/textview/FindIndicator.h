#pragma once

#include "platform/text/TextRange.h"

#include <QtGlobal>

class QGraphicsItem;
class QGraphicsTextItem;
class QGraphicsView;

namespace platform {

// The yellow highlight that find flashes over a match for one second, drawn on the text item
// and scrolled into view. Owned by its text view; main thread only.
class FindIndicator final {
public:
    FindIndicator(QGraphicsView& view, QGraphicsTextItem& item) : m_view(view), m_item(item) { }
    ~FindIndicator();

    // Nothing shows for a range outside the text or an empty one.
    void show(TextRange range);
    bool isShowing() const { return m_indicator != nullptr; }
    // Takes the highlight away at once (the text it lit is going).
    void clear();

private:
    QGraphicsView& m_view;
    QGraphicsTextItem& m_item;
    QGraphicsItem* m_indicator = nullptr;
    quint64 m_task = 0;
};

} // namespace platform
