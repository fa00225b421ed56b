#pragma once

#include <QHash>
#include <QList>

// Which of a bar's optional controls (its disposable items) fit. A bar needs 8 points before its
// first visible control and 8 after each one; while that exceeds its width, disposable items are
// hidden in the bar's order, and as it widens they come back one per adjustment, last hidden
// first, while each still fits. The width an item had when it was hidden is kept per item.
// Controls are opaque keys, so the arithmetic knows no widgets.
class BXDisposableItems final {
public:
    using Key = const void*;

    static constexpr int kSpacing = 8;

    struct Subview {
        Key key = nullptr;
        int width = 0;
        bool hidden = false;
    };
    // What an adjustment asks of the bar: hide these items, or show that one.
    struct Change {
        QList<Key> hide;
        Key show = nullptr;
    };

    // 8, plus 8 and the width of each subview that is not hidden.
    static int visibleSubviewsWidth(const QList<Subview>& subviews);

    // Null and repeated items are ignored.
    void addItem(Key item);
    void removeItem(Key item);
    const QList<Key>& items() const { return m_items; }
    qsizetype hiddenCount() const { return m_hidden.size(); }
    // The width the item had when it was last hidden here; 0 when it never was.
    int storedWidth(Key item) const { return m_widths.value(item); }
    // The width the bar's visible subviews need, as of the last adjustment.
    int subviewsMinimumWidth() const { return m_minimumWidth; }

    // For a bar `barWidth` wide showing `subviews` in order: hides disposable items while the
    // need exceeds the width, or else shows the item hidden last when it fits again.
    Change adjust(const QList<Subview>& subviews, int barWidth);

private:
    QList<Key> shrink(const QList<Subview>& subviews, int barWidth);
    Key expand(int barWidth);

    QList<Key> m_items;
    QList<Key> m_hidden; // in the order they were hidden
    QHash<Key, int> m_widths;
    int m_minimumWidth = 0;
};
