#include "SymbolIcon.h"

#include <QIconEngine>
#include <QPainter>

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

// Draws through the theme or bundled icon and answers the symbol as the icon's name.
class SymbolEngine final : public QIconEngine {
public:
    SymbolEngine(const QString& symbol, const QIcon& icon) : m_symbol(symbol), m_icon(icon) { }

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State state) override
    {
        m_icon.paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return m_icon.actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State state) override
    {
        return m_icon.pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(
        const QSize& size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return m_icon.pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return m_icon.availableSizes(mode, state);
    }
    QIconEngine* clone() const override { return new SymbolEngine(m_symbol, m_icon); }
    QString key() const override { return QStringLiteral("SymbolEngine"); }
    QString iconName() override { return m_symbol; }
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
    const QIcon icon = QIcon::hasThemeIcon(theme)
        ? QIcon::fromTheme(theme)
        : QIcon(QStringLiteral(":/symbols/%1.svg").arg(symbol));
    return QIcon(new SymbolEngine(symbol, icon));
}

QString SymbolIcon::symbolName(const QIcon& icon)
{
    return knownSymbols().contains(icon.name()) ? icon.name() : QString();
}

} // namespace platform
