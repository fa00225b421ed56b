#pragma once

#include <QObject>
#include <QPointer>

#include <functional>

class BXVibrantScopeBar;
class QFrame;
class QLabel;
class QPropertyAnimation;
class QToolButton;
class QWidget;

namespace platform {
class SegmentedControl;
}

// The strip under the note text: the tags label with the place of the note's tags field, and
// an optional navigation bar (Show Sidebar, Back and Forward) in front of them that slides out
// to the left. The whole bar is a scope bar that slides in from the bottom, pushing the text
// up (attach it to the text), and is hidden only once it has slid out; requests while it
// moves are ignored. The bar's view starts hidden. Owned by its window's controller; main
// thread only; the bar's time runs on the scheduler; emits barAnimationDidEnd().
class BXBottomBarController final : public QObject {
    Q_OBJECT
    Q_PROPERTY(double navigationBarOffset READ navigationBarOffset WRITE setNavigationBarOffset)

public:
    static constexpr int kBarHeight = 30;
    // The navigation bar's slide.
    static constexpr int kAnimationMilliseconds = 250;

    // `withNavigationBar` false makes a bar of tags alone, which ignores navigation requests.
    explicit BXBottomBarController(QWidget* parent, bool withNavigationBar = true);

    BXVibrantScopeBar* view() const { return m_view; }
    QLabel* tagsLabel() const { return m_tagsLabel; }
    // Where the tags field goes; empty until the tag editor puts its field in.
    QWidget* tagsContainer() const { return m_tagsContainer; }
    QFrame* verticalDivider() const { return m_verticalDivider; }
    // Null without a navigation bar.
    QWidget* navigationBar() const { return m_navigationBar; }
    QToolButton* sidebarButton() const { return m_sidebarButton; }
    platform::SegmentedControl* navigationControl() const { return m_navigationControl; }

    bool isBarVisible() const;
    bool isAnimating() const;
    // Each does nothing while the bar moves or is already where asked; `completion`, when
    // given, runs once an animated slide has ended.
    void showBarAnimating(bool animated, const std::function<void()>& completion = {});
    void hideBarAnimating(bool animated, const std::function<void()>& completion = {});
    void toggleBarAnimating(bool animated, const std::function<void()>& completion = {});

    bool isNavigationBarVisible() const;
    // Nothing unless there is a navigation bar that is hidden (show) or visible (hide).
    void showNavigationBarAnimating(bool animated);
    void hideNavigationBarAnimating(bool animated);
    void toggleNavigationBarAnimating(bool animated);

    // 0 when the navigation bar shows, minus its width when it is out.
    double navigationBarOffset() const { return m_navigationBarOffset; }
    void setNavigationBarOffset(double offset);

signals:
    void barAnimationDidEnd();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int navigationBarWidth() const;
    void placeNavigationBar();

    bool m_navigationHiding = false;

    BXVibrantScopeBar* m_view;
    QLabel* m_tagsLabel;
    QWidget* m_tagsContainer;
    QFrame* m_verticalDivider;
    QWidget* m_navigationHolder = nullptr;
    QWidget* m_navigationBar = nullptr;
    QToolButton* m_sidebarButton = nullptr;
    platform::SegmentedControl* m_navigationControl = nullptr;
    QPropertyAnimation* m_navigationAnimation;
    double m_navigationBarOffset = 0;
};
