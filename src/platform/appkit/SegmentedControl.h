#pragma once

#include <QIcon>
#include <QWidget>

class QButtonGroup;
class QHBoxLayout;
class QMenu;
class QToolButton;

namespace platform {

// A row of joined segments, each with an icon, a label, a tag, an optional fixed width and an
// optional menu that opens when the segment is pressed and held. With select-one tracking one
// segment stays selected; with momentary tracking a segment is selected only while its click is
// reported. The text-only form shows labels in place of icons (as a toolbar's text mode needs).
// When the control carries a CommandRouter action, a click sends it with the clicked segment's
// tag. Main thread only; emits segmentClicked() for each click of an enabled segment.
class SegmentedControl : public QWidget {
    Q_OBJECT

public:
    enum class Tracking { SelectOne, Momentary };

    explicit SegmentedControl(QWidget* parent = nullptr);

    int segmentCount() const { return int(m_buttons.size()); }
    // Adds or removes segments at the end.
    void setSegmentCount(int count);

    Tracking tracking() const { return m_tracking; }
    void setTracking(Tracking tracking);
    bool isTextOnly() const { return m_textOnly; }
    void setTextOnly(bool textOnly);

    QIcon icon(int segment) const;
    void setIcon(int segment, const QIcon& icon);
    QString label(int segment) const;
    void setLabel(int segment, const QString& label);
    QString toolTip(int segment) const;
    void setToolTip(int segment, const QString& toolTip);
    int tag(int segment) const;
    void setTag(int segment, int tag);
    // 0: as wide as the content needs.
    int width(int segment) const;
    void setWidth(int segment, int width);
    // Not owned; null takes the menu away.
    QMenu* menu(int segment) const;
    void setMenu(int segment, QMenu* menu);
    bool isEnabled(int segment) const;
    void setEnabled(int segment, bool enabled);

    // -1 when none.
    int selectedSegment() const { return m_selected; }
    void setSelectedSegment(int segment);
    int tagOfSelectedSegment() const;

    // The button that draws `segment`, for tests and screenshots.
    QToolButton* buttonForSegment(int segment) const;

signals:
    void segmentClicked(int segment);

private:
    void clicked(int segment);
    void updateButton(int segment);

    QHBoxLayout* m_layout;
    QList<QToolButton*> m_buttons;
    QList<int> m_tags;
    QList<int> m_widths;
    Tracking m_tracking = Tracking::SelectOne;
    bool m_textOnly = false;
    int m_selected = -1;
};

} // namespace platform
