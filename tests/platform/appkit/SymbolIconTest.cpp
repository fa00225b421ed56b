#include "platform/appkit/SymbolIcon.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPixmap>

using namespace platform;

TEST(SymbolIcon, EverySymbolDrawsAndKeepsItsName)
{
    const QStringList used = { "square.and.pencil", "trash", "lock", "lock.open", "photo", "tag",
        "textformat", "textformat.abc.dottedunderline", "printer", "square.and.arrow.up",
        "info.circle", "ruler", "sidebar.left", "chevron.backward", "chevron.forward",
        "plus.magnifyingglass", "magnifyingglass", "textformat.size.smaller",
        "textformat.size.larger", "apple.writing.tools", "list.bullet", "ellipsis.circle",
        "sun.max", "moon", "plus", "minus", "line.3.horizontal.decrease", "list.bullet.rectangle" };
    EXPECT_EQ(SymbolIcon::knownSymbols().size(), used.size());
    for (const QString& symbol : used) {
        SCOPED_TRACE(symbol.toStdString());
        const QIcon icon = SymbolIcon::named(symbol);
        ASSERT_FALSE(icon.isNull());
        EXPECT_FALSE(SymbolIcon::themeName(symbol).isEmpty());
        // The name survives the trip through a control.
        QAction action;
        action.setIcon(icon);
        EXPECT_EQ(SymbolIcon::symbolName(action.icon()), symbol);
        const QImage image = icon.pixmap(QSize(32, 32)).toImage();
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y) {
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = qAlpha(image.pixel(x, y)) > 0;
        }
        EXPECT_TRUE(drawn);
    }
    EXPECT_TRUE(SymbolIcon::named(QStringLiteral("no.such.symbol")).isNull());
    EXPECT_TRUE(SymbolIcon::symbolName(QIcon()).isEmpty());
}

namespace {

// Whether every clearly drawn pixel of `image` has the colour `ink`, and there are some.
::testing::AssertionResult drawnIn(const QImage& image, const QColor& ink)
{
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() < 160)
                continue;
            ++drawn;
            if (std::abs(pixel.red() - ink.red()) > 3 || std::abs(pixel.green() - ink.green()) > 3
                || std::abs(pixel.blue() - ink.blue()) > 3)
                return ::testing::AssertionFailure()
                    << "pixel " << x << "," << y << " is " << pixel.name().toStdString() << ", not "
                    << ink.name().toStdString();
        }
    }
    if (drawn == 0)
        return ::testing::AssertionFailure() << "nothing drawn";
    return ::testing::AssertionSuccess();
}

QPalette darkPalette()
{
    QPalette dark(QColor(0x35, 0x35, 0x35), QColor(0x2b, 0x2b, 0x2b));
    dark.setColor(QPalette::WindowText, QColor(0xe8, 0xe8, 0xe8));
    dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x70, 0x70, 0x70));
    dark.setColor(QPalette::HighlightedText, QColor(0xff, 0xff, 0xf0));
    return dark;
}

} // namespace

// Symbols are template images: whatever colour their drawing has, they show in the palette's
// text colour for the mode asked, and the same icon follows a change of palette.
TEST(SymbolIcon, SymbolsAreDrawnInThePalettesTextColour)
{
    const QPalette original = QApplication::palette();
    // A coloured picture made a template loses its colour too.
    QPixmap red(16, 16);
    red.fill(Qt::transparent);
    {
        QPainter painter(&red);
        painter.fillRect(QRect(3, 3, 10, 10), Qt::red);
    }
    const QIcon picture = SymbolIcon::templateImage(QIcon(red));
    const QIcon sidebar = SymbolIcon::named(QStringLiteral("sidebar.left"));
    const QIcon smaller = SymbolIcon::named(QStringLiteral("textformat.size.smaller"));
    for (const QPalette& palette : { original, darkPalette() }) {
        QApplication::setPalette(palette);
        const struct {
            const char* name;
            QIcon::Mode mode;
            QColor ink;
        } modes[] = {
            { "normal", QIcon::Normal, palette.color(QPalette::Active, QPalette::WindowText) },
            { "disabled", QIcon::Disabled,
                palette.color(QPalette::Disabled, QPalette::WindowText) },
            { "selected", QIcon::Selected,
                palette.color(QPalette::Active, QPalette::HighlightedText) },
        };
        for (const auto& m : modes) {
            SCOPED_TRACE(m.name);
            EXPECT_EQ(SymbolIcon::templateColor(m.mode), m.ink);
            for (const QIcon& icon : { sidebar, smaller, picture })
                EXPECT_TRUE(drawnIn(icon.pixmap(QSize(32, 32), m.mode).toImage(), m.ink));
            // Painted straight onto a surface at twice the pixel density.
            QImage surface(64, 64, QImage::Format_ARGB32_Premultiplied);
            surface.setDevicePixelRatio(2);
            surface.fill(Qt::transparent);
            QPainter painter(&surface);
            sidebar.paint(&painter, QRect(0, 0, 32, 32), Qt::AlignCenter, m.mode);
            painter.end();
            EXPECT_TRUE(drawnIn(surface, m.ink));
        }
    }
    QApplication::setPalette(original);
    EXPECT_TRUE(drawnIn(
        sidebar.pixmap(16, 16).toImage(), original.color(QPalette::Active, QPalette::WindowText)));
    EXPECT_TRUE(SymbolIcon::templateImage(QIcon()).isNull());
}
