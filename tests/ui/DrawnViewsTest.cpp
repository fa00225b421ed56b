#include "ui/BXBackgroundColorView.h"
#include "ui/BXFadingCap.h"
#include "ui/BXGradientView.h"
#include "ui/BXNotesToolbarView.h"
#include "ui/BXRoundedView.h"
#include "ui/DrawingAdditions.h"

#include "platform/appkit/ImageView.h"

#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFontMetricsF>
#include <QPainter>

namespace {

// Renders `view` onto a transparent ground, so that what it draws itself can be probed.
QImage renderAlone(QWidget& view, const QRegion& region = {})
{
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    view.render(&image, QPoint(), region, QWidget::DrawChildren);
    return image;
}

const QColor kDarkGray = DrawingAdditions::darkGray();

bool near(const QColor& a, const QColor& b, int tolerance = 3)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance
        && std::abs(a.alpha() - b.alpha()) <= tolerance;
}

// Whether a dark grey rule crosses column `x` within a pixel of row `y`.
bool ruleNear(const QImage& image, int x, int y)
{
    for (int row = y - 1; row <= y + 1; ++row) {
        if (near(image.pixelColor(x, row), kDarkGray, 10))
            return true;
    }
    return false;
}

} // namespace

TEST(DrawingAdditions, FlipsAndSpansGradientsByAngle)
{
    EXPECT_EQ(DrawingAdditions::flipped(QRectF(10, 5, 20, 30), 100), QRectF(10, 65, 20, 30));
    EXPECT_EQ(DrawingAdditions::flipped(DrawingAdditions::flipped(QRectF(1, 2, 3, 4), 50), 50),
        QRectF(1, 2, 3, 4));

    const QRectF rect(0, 0, 100, 40);
    struct Case {
        double degrees;
        QPointF start;
        QPointF end;
    };
    const Case cases[] = {
        { 0, { 0, 20 }, { 100, 20 } },
        { 90, { 50, 0 }, { 50, 40 } },
        { 180, { 100, 20 }, { 0, 20 } },
        { 270, { 50, 40 }, { 50, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.degrees);
        const QLinearGradient g = DrawingAdditions::angleGradient(rect, c.degrees, {});
        EXPECT_NEAR(g.start().x(), c.start.x(), 1e-9);
        EXPECT_NEAR(g.start().y(), c.start.y(), 1e-9);
        EXPECT_NEAR(g.finalStop().x(), c.end.x(), 1e-9);
        EXPECT_NEAR(g.finalStop().y(), c.end.y(), 1e-9);
    }
    // At 45 degrees the ends reach the opposite corners' projections.
    const QLinearGradient diagonal = DrawingAdditions::angleGradient(QRectF(0, 0, 10, 10), 45, {});
    EXPECT_NEAR(diagonal.start().x(), 0, 1e-9);
    EXPECT_NEAR(diagonal.finalStop().y(), 10, 1e-9);
}

TEST(BXRoundedView, DrawsItsBandAndBothRulesByTheBoundsAlsoOnAPartialRepaint)
{
    BXRoundedView view;
    view.resize(200, 120);
    QPalette palette = view.palette();
    palette.setColor(QPalette::Window, Qt::white);
    view.setPalette(palette);

    const QPainterPath band = BXRoundedView::headerBandPath(QSizeF(200, 120));
    EXPECT_EQ(band.boundingRect(), QRectF(0, 110, 200, 10));

    const QImage full = renderAlone(view);
    // Rules 20 points in from the bottom (unflipped y 20) and the top (unflipped y 100).
    EXPECT_TRUE(ruleNear(full, 100, 120 - 20));
    EXPECT_TRUE(ruleNear(full, 100, 20));
    EXPECT_FALSE(ruleNear(full, 100, 60));
    EXPECT_TRUE(near(full.pixelColor(100, 5), QColor::fromRgbF(0.97f, 0.97f, 0.97f)));
    EXPECT_TRUE(near(full.pixelColor(100, 60), Qt::white));
    EXPECT_EQ(full.pixelColor(0, 0).alpha(), 0) << "rounded corner";

    // Repainting only the top strip still puts the top rule where a full repaint does.
    const QImage strip = renderAlone(view, QRegion(0, 0, 200, 40));
    EXPECT_TRUE(ruleNear(strip, 100, 20));
    bxtest::saveScreenshot(full, QStringLiteral("drawn-BXRoundedView"));
}

TEST(DrawnViews, BackgroundToolbarStripAndCapsFillAsTheyShould)
{
    BXBackgroundColorView unset;
    unset.resize(40, 20);
    EXPECT_EQ(renderAlone(unset).pixelColor(20, 10).alpha(), 0) << "no colour: nothing drawn";
    BXBackgroundColorView coloured(QColor(200, 40, 40));
    coloured.resize(40, 20);
    const QImage colouredShot = renderAlone(coloured);
    EXPECT_EQ(colouredShot.pixelColor(20, 10), QColor(200, 40, 40));
    bxtest::saveScreenshot(colouredShot, QStringLiteral("drawn-BXBackgroundColorView"));

    BXNotesToolbarView strip;
    strip.resize(120, 24);
    const QImage stripShot = renderAlone(strip);
    EXPECT_EQ(stripShot.pixelColor(60, 12), strip.palette().color(QPalette::Base));
    bxtest::saveScreenshot(stripShot, QStringLiteral("drawn-BXNotesToolbarView"));

    for (const bool bottom : { true, false }) {
        SCOPED_TRACE(bottom ? "bottom cap" : "top cap");
        BXFadingCap cap;
        cap.setBottomCap(bottom);
        cap.resize(80, 40);
        const QImage shot = renderAlone(cap);
        const int topAlpha = shot.pixelColor(40, 0).alpha();
        const int bottomAlpha = shot.pixelColor(40, 39).alpha();
        EXPECT_GE(bottom ? bottomAlpha : topAlpha, 245);
        EXPECT_LE(bottom ? topAlpha : bottomAlpha, 10);
        bxtest::saveScreenshot(
            shot, QStringLiteral("drawn-BXFadingCap-") + QLatin1String(bottom ? "bottom" : "top"));
    }
}

TEST(BXGradientView, GeometryFollowsTheImageViewFrame)
{
    const QRectF frame(100, 200, 80, 60);
    EXPECT_EQ(BXGradientView::mainGradientRect(frame, 400), QRectF(0, 150, 400, 60));
    EXPECT_EQ(BXGradientView::reflectionRect(frame), QRectF(100, 155, 80, 45));
    EXPECT_EQ(BXGradientView::titleRect(frame, QSizeF(60, 36)), QRectF(110, 119, 60, 36));
    // A title wider than the centre allows starts at 20 instead of a negative x.
    EXPECT_EQ(BXGradientView::titleRect(QRectF(10, 200, 40, 40), QSizeF(300, 36)).x(), 20.0);
    EXPECT_EQ(BXGradientView::commentRect(QRectF(110, 164, 60, 36), QSizeF(40, 14)),
        QRectF(120, 150, 40, 14));

    struct Case {
        int alignment;
        QPointF origin;
    };
    const QSizeF f(80, 60);
    const QSizeF s(40, 20);
    const Case cases[] = {
        { 0, { 20, 20 } },
        { 1, { 20, 40 } },
        { 2, { 0, 0 } },
        { 3, { 40, 40 } },
        { 4, { 0, 20 } },
        { 5, { 20, 0 } },
        { 6, { 0, 0 } },
        { 7, { 40, 0 } },
        { 8, { 40, 0 } },
        { 9, { 0, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.alignment);
        EXPECT_EQ(BXGradientView::reflectionOrigin(c.alignment, f, s), c.origin);
    }
    // A picture larger than the frame: centring never goes negative.
    EXPECT_EQ(BXGradientView::reflectionOrigin(0, QSizeF(20, 20), QSizeF(40, 40)), QPointF(0, 0));
    // Scaled proportionally down, a smaller picture keeps its own size.
    EXPECT_EQ(
        platform::ImageView::scaledSize(s, f, platform::ImageView::ScaleProportionallyDown), s);
}

TEST(BXGradientView, WithoutAnImageViewDrawsBackgroundBorderAndGradientOnly)
{
    BXGradientView view(QRect(0, 0, 200, 100));
    view.setWelcomeString(QStringLiteral("Welcome"));
    const QImage shot = renderAlone(view);
    // The gradient over the lower half: light at the bottom, dark at its top edge.
    EXPECT_GT(qGray(shot.pixel(100, 97)), 200);
    EXPECT_LT(qGray(shot.pixel(100, 51)), 60);
    EXPECT_EQ(shot.pixelColor(100, 25), QColor(Qt::white)) << "no title without an image view";
    bxtest::saveScreenshot(shot, QStringLiteral("drawn-BXGradientView-plain"));

    struct Case {
        const char* name;
        QColor starting;
        QColor ending;
        QColor background;
    };
    const Case cases[] = {
        { "equal colours", QColor(Qt::red), QColor(Qt::red), QColor(Qt::white) },
        { "no starting colour", QColor(), QColor(Qt::red), QColor(Qt::white) },
        { "no ending colour", QColor(Qt::red), QColor(), QColor(Qt::white) },
        { "no background", QColor(Qt::red), QColor(Qt::red), QColor() },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BXGradientView plain(QRect(0, 0, 200, 100));
        plain.setStartingColor(c.starting);
        plain.setEndingColor(c.ending);
        plain.setBackgroundColor(c.background);
        const QImage image = renderAlone(plain);
        const QColor expected = c.background.isValid() ? c.background : QColor(Qt::transparent);
        EXPECT_EQ(image.pixelColor(100, 75), expected) << "only the background";
        EXPECT_TRUE(near(image.pixelColor(100, 99), kDarkGray, 10)) << "and the bottom border";
    }

    BXGradientView noBorder(QRect(0, 0, 200, 100));
    noBorder.setBorderColor(QColor());
    noBorder.setStartingColor(Qt::white);
    noBorder.setEndingColor(Qt::white);
    EXPECT_EQ(renderAlone(noBorder).pixelColor(100, 99), QColor(Qt::white));
}

TEST(BXGradientView, WithAnImageViewDrawsItsMirrorTitleAndComment)
{
    QWidget window;
    window.resize(400, 300);
    auto* view = new BXGradientView(QRect(0, 0, 400, 300), &window);
    auto* imageView = new platform::ImageView(view);
    imageView->setGeometry(150, 40, 100, 100);
    QImage picture(100, 100, QImage::Format_ARGB32);
    picture.fill(Qt::blue);
    QPainter(&picture).fillRect(0, 80, 100, 20, Qt::green); // a green bottom edge
    imageView->setImage(picture);
    imageView->setImageScaling(platform::ImageView::ScaleProportionallyUpOrDown);
    view->setSourceImageView(imageView);
    view->setWelcomeString(QStringLiteral("Welcome"));
    view->setCommentString(QStringLiteral("Your notes, in one place"));
    window.show();

    const QRectF frame = view->sourceImageFrame();
    EXPECT_EQ(frame, QRectF(150, 160, 100, 100));
    const QImage shot = view->grab().toImage();
    bxtest::saveScreenshot(shot, QStringLiteral("drawn-BXGradientView-welcome"));

    // Just under the image view the mirror shows the picture's bottom edge first.
    const QColor mirrored = shot.pixelColor(200, 142);
    EXPECT_GT(mirrored.green(), mirrored.blue()) << "the green bottom edge comes first";
    const QColor deeper = shot.pixelColor(200, 175);
    EXPECT_GT(deeper.blue(), deeper.green());

    // The title lies centred under the image view, its top at the reflection's bottom edge.
    const QRectF title
        = DrawingAdditions::flipped(BXGradientView::titleRect(frame,
                                        QFontMetricsF([] {
                                            QFont font = QApplication::font();
                                            font.setPointSizeF(BXGradientView::kTitlePointSize);
                                            font.setBold(true);
                                            return font;
                                        }())
                                            .size(Qt::TextSingleLine, view->welcomeString())),
            view->height());
    EXPECT_NEAR(title.top(), 215, 0.5);
    EXPECT_NEAR(title.center().x(), 200, 0.5);
    int darkPixels = 0;
    for (int x = int(title.left()); x < int(title.right()); ++x) {
        for (int y = int(title.top()); y < int(title.bottom()); ++y)
            darkPixels += qGray(shot.pixel(x, y)) < 100 ? 1 : 0;
    }
    EXPECT_GT(darkPixels, 50) << "the title's letters are dark";
}
