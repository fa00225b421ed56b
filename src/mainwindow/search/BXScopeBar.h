#pragma once

#include "mainwindow/BXDisposableItems.h"

#include <QColor>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <functional>

class QHBoxLayout;

namespace platform {
class Fade;
}

// A thin bar that slides in and out along the top (or bottom) edge of the view it is attached
// to. It sits in its parent's layout and its height runs between 0 and barHeight() in 0.25 s,
// easing in, so the layout pushes the attached view aside; in overlap mode it floats over the
// attached scroll area instead and moves that area's top (bottom) viewport margin by as much.
// It starts hidden; a request while it slides is ignored. The end of an animated slide hides
// a hiding bar, emits scopebarAnimationDidEnd() with the context, runs the completion once,
// then clears both; a transition without animation leaves them for the next animated one. Its
// controls sit in contentView(), 8 points apart; disposable ones give way when it is too
// narrow (BXDisposableItems). Draws a gradient at angle() degrees with a half-point border on
// the edge away from its own (bottom for a top bar). Main thread; time runs on the scheduler.
class BXScopeBar : public QWidget {
    Q_OBJECT

public:
    static constexpr double kAnimationDuration = 0.25;
    static constexpr int kDefaultHeight = 30;
    static constexpr double kBorderWidth = 0.5;

    static QColor scopebarStartingGrey();
    static QColor scopebarEndingGrey();
    static QColor scopebarBorderGrey();

    explicit BXScopeBar(QWidget* parent = nullptr);
    ~BXScopeBar() override;

    // Where the controls go, in a row.
    QWidget* contentView() const { return m_content; }
    QHBoxLayout* contentLayout() const { return m_contentLayout; }
    // The height when shown.
    int barHeight() const { return m_barHeight; }
    void setBarHeight(int height);

    QWidget* attachedView() const { return m_attachedView; }
    void setAttachedView(QWidget* view) { m_attachedView = view; }
    // Takes the place of `view` in its parent's layout (or splitter) with a holder of both:
    // the bar above `view` (below it when sliding to the bottom), or over its edge in overlap
    // mode; `view` becomes the attached view. Set the edge and the mode first. Answers the
    // holder.
    QWidget* attachTo(QWidget* view);

    bool hideSlidingToBottom() const { return m_hideSlidingToBottom; }
    void setHideSlidingToBottom(bool bottom);
    bool overlap() const { return m_overlap; }
    void setOverlap(bool overlap) { m_overlap = overlap; }
    // A press on the bar itself moves the window.
    bool allowWindowDrag() const { return m_allowWindowDrag; }
    void setAllowWindowDrag(bool allow) { m_allowWindowDrag = allow; }
    // An invalid starting colour fills nothing; equal colours fill plainly.
    QColor startingColor() const { return m_startingColor; }
    void setStartingColor(const QColor& color);
    QColor endingColor() const { return m_endingColor; }
    void setEndingColor(const QColor& color);
    int angle() const { return m_angle; }
    void setAngle(int degrees);
    QColor borderColor() const { return m_borderColor; }
    void setBorderColor(const QColor& color);

    bool isAnimating() const { return m_animating; }
    const QVariant& contextData() const { return m_contextData; }

    void showAnimating(bool animated);
    void hideAnimating(bool animated);
    // Shows a hidden bar, hides a shown one.
    void toggleAnimating(bool animated);
    void showAnimatingWithContext(bool animated, const QVariant& context);
    void hideAnimatingWithContext(bool animated, const QVariant& context);
    void toggleAnimatingWithContext(bool animated, const QVariant& context);
    void showAnimatingWithCompletionHandler(bool animated, std::function<void()> completion);
    void hideAnimatingWithCompletionHandler(bool animated, std::function<void()> completion);
    void toggleAnimatingWithCompletionHandler(bool animated, std::function<void()> completion);
    void toggle() { toggleAnimatingWithContext(true, QVariant()); }
    // Finishes a running slide at once, with its end handling.
    void stopAnimation();

    // Controls of contentView() that may be hidden for lack of room, the first first.
    void addDisposableItem(QWidget* item);
    void removeDisposableItem(QWidget* item);
    qsizetype hiddenCount() const { return m_disposable.hiddenCount(); }
    int subviewsMinimumWidth() const { return m_disposable.subviewsMinimumWidth(); }
    int visibleSubviewsWidth() const;
    // Hides disposable items until the controls fit, or shows the one hidden last when it
    // fits again.
    void adjustView();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    void scopebarAnimationDidEnd(const QVariant& context);

protected:
    // Fills the bar's full rectangle (`bounds`, top-left origin) under the border.
    virtual void drawBackground(QPainter& painter, const QRectF& bounds);
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void slide(bool hiding, bool animated);
    void setShownHeight(int height);
    void setOverlappedViewOffset(int offset);
    void layoutContent();
    void finishSlide();
    void animationDidEnd();
    QList<BXDisposableItems::Subview> subviews() const;

    QWidget* m_content;
    QHBoxLayout* m_contentLayout;
    QPointer<QWidget> m_attachedView;
    platform::Fade* m_fade; // owned by this widget
    BXDisposableItems m_disposable;
    QVariant m_contextData;
    std::function<void()> m_completionBlock;
    QColor m_startingColor;
    QColor m_endingColor;
    QColor m_borderColor;
    int m_angle = 90;
    int m_barHeight = kDefaultHeight;
    int m_shownHeight = 0;
    bool m_hideSlidingToBottom = false;
    bool m_overlap = false;
    bool m_allowWindowDrag = false;
    bool m_animating = false;
    bool m_hiding = false; // the running slide's direction
};
