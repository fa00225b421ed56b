#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

namespace platform {

// The order Tab visits a window's parts in, where the order their widgets were made in is not
// the order a user reads them in. Each region is a control that takes Tab, or a bar whose
// controls that take Tab are visited left to right; hidden and disabled ones are passed over,
// and a control is visited once, in the first region that holds it. The window asks it from
// focusNextPrevChild(); main thread only.
class FocusOrder final {
public:
    void setRegions(const QList<QWidget*>& regions);
    // The controls Tab visits now, in order.
    QList<QWidget*> stops() const;
    // Moves the focus from the stop that holds it to the next (or previous) one, round the end;
    // false when the focus is in none of them.
    bool move(bool next) const;

private:
    QList<QPointer<QWidget>> m_regions;
};

} // namespace platform
