#include "SymbolIcon.h"

#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>

#include <utility>

static void initSymbolsResource()
{
    Q_INIT_RESOURCE(symbols);
}

namespace platform {

namespace {

// symbol → freedesktop theme name.
constexpr std::pair<const char*, const char*> kSymbols[] = {
    { "square.and.pencil", "document-new" },
    { "trash", "edit-delete" },
    { "lock", "object-locked" },
    { "lock.open", "object-unlocked" },
    { "photo", "image-x-generic" },
    { "tag", "tag" },
    { "textformat", "format-text-clear" },
    { "textformat.abc.dottedunderline", "tools-check-spelling" },
    { "printer", "document-print" },
    { "square.and.arrow.up", "document-send" },
    { "info.circle", "dialog-information" },
    { "ruler", "measure" },
    { "sidebar.left", "sidebar-show" },
    { "chevron.backward", "go-previous" },
    { "chevron.forward", "go-next" },
    { "plus.magnifyingglass", "zoom-in" },
    { "magnifyingglass", "edit-find" },
    { "textformat.size.smaller", "format-font-size-less" },
    { "textformat.size.larger", "format-font-size-more" },
    { "apple.writing.tools", "draw-freehand" },
    { "list.bullet", "format-list-unordered" },
    { "ellipsis.circle", "view-more" },
    { "sun.max", "weather-clear" },
    { "moon", "weather-clear-night" },
    { "plus", "list-add" },
    { "minus", "list-remove" },
    { "line.3.horizontal.decrease", "view-sort" },
    { "list.bullet.rectangle", "view-list-details" },
};

// Draws the theme or bundled icon as a template: only its shape counts, filled with the
// application palette's text colour for the mode asked (the highlighted text colour on a
// selected row, the disabled text colour for a disabled control). The colour is read at each
// drawing, so a palette change shows at the next repaint. Answers the symbol as the icon's name.
class SymbolEngine final : public QIconEngine {
public:
    SymbolEngine(const QString& symbol, const QIcon& icon) : m_symbol(symbol), m_icon(icon) { }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        const qreal scale = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        const QPixmap image = scaledPixmap(rect.size(), mode, state, scale);
        QRect place(QPoint(), image.deviceIndependentSize().toSize());
        place.moveCenter(rect.center());
        painter->drawPixmap(place, image);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return m_icon.actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return scaledPixmap(size, mode, state, 1.0);
    }
    QPixmap scaledPixmap(
        const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        const QColor ink = SymbolIcon::templateColor(mode);
        const QString key = QStringLiteral("bx-template:%1:%2x%3@%4:%5:%6")
                                .arg(QString::number(m_icon.cacheKey()))
                                .arg(size.width())
                                .arg(size.height())
                                .arg(scale)
                                .arg(int(state))
                                .arg(ink.rgba());
        QPixmap tinted;
        if (QPixmapCache::find(key, &tinted))
            return tinted;
        tinted = m_icon.pixmap(size, scale, QIcon::Normal, state);
        if (tinted.isNull())
            return tinted;
        QPainter painter(&tinted);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRectF(QPointF(), tinted.deviceIndependentSize()), ink);
        painter.end();
        QPixmapCache::insert(key, tinted);
        return tinted;
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return m_icon.availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new SymbolEngine(m_symbol, m_icon); }
    QString key() const override { return QStringLiteral("SymbolEngine"); }
    QString iconName() override { return m_symbol.isEmpty() ? m_icon.name() : m_symbol; }
    bool isNull() override { return m_icon.isNull(); }

private:
    QString m_symbol;
    QIcon m_icon;
};

} // namespace

QString SymbolIcon::themeName(const QString& symbol)
{
    for (const auto& [name, theme] : kSymbols) {
        if (symbol == QLatin1String(name))
            return QLatin1String(theme);
    }
    return {};
}

QStringList SymbolIcon::knownSymbols()
{
    QStringList symbols;
    for (const auto& entry : kSymbols)
        symbols << QLatin1String(entry.first);
    return symbols;
}

QIcon SymbolIcon::named(const QString& symbol)
{
    initSymbolsResource();
    const QString theme = themeName(symbol);
    if (theme.isEmpty())
        return {};
    // A theme's symbolic variant is drawn to be tinted; its full-colour icon comes next.
    const QString symbolic = theme + QStringLiteral("-symbolic");
    const QIcon icon = QIcon::hasThemeIcon(symbolic) ? QIcon::fromTheme(symbolic)
        : QIcon::hasThemeIcon(theme)                 ? QIcon::fromTheme(theme)
                                     : QIcon(QStringLiteral(":/symbols/%1.svg").arg(symbol));
    return QIcon(new SymbolEngine(symbol, icon));
}

QIcon SymbolIcon::templateImage(const QIcon& image)
{
    if (image.isNull())
        return {};
    return QIcon(new SymbolEngine(QString(), image));
}

QColor SymbolIcon::templateColor(QIcon::Mode mode)
{
    const QPalette palette = QGuiApplication::palette();
    switch (mode) {
    case QIcon::Disabled:
        return palette.color(QPalette::Disabled, QPalette::WindowText);
    case QIcon::Selected:
        return palette.color(QPalette::Active, QPalette::HighlightedText);
    case QIcon::Normal:
    case QIcon::Active:
        break;
    }
    return palette.color(QPalette::Active, QPalette::WindowText);
}

QString SymbolIcon::symbolName(const QIcon& icon)
{
    return knownSymbols().contains(icon.name()) ? icon.name() : QString();
}

} // namespace platform
