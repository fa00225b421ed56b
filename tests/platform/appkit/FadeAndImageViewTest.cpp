#include "platform/appkit/Fade.h"
#include "platform/appkit/ImageView.h"
#include "platform/testing/FakeScheduler.h"

#include <gtest/gtest.h>

#include <QPainter>

using namespace platform;

TEST(Fade, FollowsTheClockEndsOnceAndGivesWayToANewerFade)
{
    FakeScheduler scheduler;
    Fade fade;
    double value = -1;
    int completions = 0;
    fade.start(
        0.0, 1.0, 0.25, [&](double v) { value = v; }, [&] { ++completions; });
    EXPECT_TRUE(fade.isRunning());
    scheduler.advance(0.125);
    EXPECT_NEAR(value, 0.5, 1.0 / 60 / 0.25);
    scheduler.advance(0.2);
    EXPECT_DOUBLE_EQ(value, 1.0);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(fade.isRunning());

    // A newer fade takes over from the point the first one reached; the first never completes.
    fade.start(
        1.0, 0.0, 0.5, [&](double v) { value = v; }, [&] { ++completions; });
    scheduler.advance(0.25);
    const double halfway = value;
    fade.start(
        halfway, 1.0, 0.25, [&](double v) { value = v; }, [&] { completions += 10; });
    scheduler.advance(1.0);
    EXPECT_DOUBLE_EQ(value, 1.0);
    EXPECT_EQ(completions, 11);

    // Jumping to the end sets the end value without the completion; stopping leaves the value.
    fade.start(
        1.0, 0.0, 0.25, [&](double v) { value = v; }, [&] { ++completions; });
    fade.jumpToEnd();
    EXPECT_DOUBLE_EQ(value, 0.0);
    EXPECT_DOUBLE_EQ(fade.progress(), 1.0);
    fade.start(
        0.0, 1.0, 0.25, [&](double v) { value = v; }, [&] { ++completions; });
    scheduler.advance(0.1);
    const double stopped = value;
    fade.stop();
    scheduler.advance(1.0);
    EXPECT_DOUBLE_EQ(value, stopped);
    EXPECT_EQ(completions, 11);

    EXPECT_DOUBLE_EQ(Fade::valueAt(Fade::Curve::EaseIn, 0.5), 0.25);
    EXPECT_DOUBLE_EQ(Fade::valueAt(Fade::Curve::Linear, 0.5), 0.5);
    EXPECT_DOUBLE_EQ(Fade::valueAt(Fade::Curve::EaseOut, 0.5), 0.75);
}

TEST(ImageView, ScalesAndAlignsByThePlatformsCodes)
{
    const QRectF bounds(0, 0, 100, 50);
    struct Case {
        const char* name;
        QSizeF image;
        int scaling;
        int alignment;
        QRectF expected;
    };
    const Case cases[] = {
        { "down: small picture keeps its size", { 20, 10 }, ImageView::ScaleProportionallyDown,
            ImageView::AlignCenter, { 40, 20, 20, 10 } },
        { "down: large picture shrinks", { 200, 50 }, ImageView::ScaleProportionallyDown,
            ImageView::AlignCenter, { 0, 12.5, 100, 25 } },
        { "up or down: small picture grows", { 20, 20 }, ImageView::ScaleProportionallyUpOrDown,
            ImageView::AlignCenter, { 25, 0, 50, 50 } },
        { "axes independently fill the view", { 20, 20 }, ImageView::ScaleAxesIndependently,
            ImageView::AlignTopLeft, { 0, 0, 100, 50 } },
        { "none keeps a large picture", { 200, 100 }, ImageView::ScaleNone, ImageView::AlignCenter,
            { -50, -25, 200, 100 } },
        { "top", { 20, 10 }, ImageView::ScaleNone, ImageView::AlignTop, { 40, 0, 20, 10 } },
        { "top right", { 20, 10 }, ImageView::ScaleNone, ImageView::AlignTopRight,
            { 80, 0, 20, 10 } },
        { "left", { 20, 10 }, ImageView::ScaleNone, ImageView::AlignLeft, { 0, 20, 20, 10 } },
        { "bottom", { 20, 10 }, ImageView::ScaleNone, ImageView::AlignBottom, { 40, 40, 20, 10 } },
        { "bottom left", { 20, 10 }, ImageView::ScaleNone, ImageView::AlignBottomLeft,
            { 0, 40, 20, 10 } },
        { "bottom right", { 20, 10 }, ImageView::ScaleNone, ImageView::AlignBottomRight,
            { 80, 40, 20, 10 } },
        { "right", { 20, 10 }, ImageView::ScaleNone, ImageView::AlignRight, { 80, 20, 20, 10 } },
        { "unknown codes", { 20, 10 }, 9, 42, { 40, 20, 20, 10 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ImageView::imageRect(c.image, bounds, c.scaling, c.alignment), c.expected);
    }

    // Drawn where the rectangle says.
    QImage red(20, 10, QImage::Format_ARGB32);
    red.fill(Qt::red);
    ImageView view;
    view.resize(100, 50);
    view.setImage(red);
    view.setImageScaling(ImageView::ScaleNone);
    view.setImageAlignment(ImageView::AlignBottomRight);
    const QImage shot = view.grab().toImage();
    EXPECT_EQ(QColor(shot.pixel(90, 45)), QColor(Qt::red));
    EXPECT_NE(QColor(shot.pixel(50, 25)), QColor(Qt::red));
}
