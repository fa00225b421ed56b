#include "platform/appkit/SymbolIcon.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QImage>
#include <QPixmap>

using namespace platform;

TEST(SymbolIcon, EverySymbolDrawsAndKeepsItsName)
{
    const QStringList used = { "square.and.pencil", "trash", "lock", "lock.open", "photo", "tag",
        "textformat", "textformat.abc.dottedunderline", "printer", "square.and.arrow.up",
        "info.circle", "ruler", "sidebar.left", "chevron.backward", "chevron.forward",
        "plus.magnifyingglass", "magnifyingglass", "textformat.size.smaller",
        "textformat.size.larger", "apple.writing.tools", "list.bullet", "ellipsis.circle",
        "sun.max", "moon", "plus", "minus", "line.3.horizontal.decrease",
        "list.bullet.rectangle" };
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
