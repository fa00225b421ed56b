#pragma once

#include <QIcon>
#include <QStringList>

namespace platform {

// Icons named by symbol ("trash", "chevron.backward"): each symbol the windows use maps to a
// freedesktop theme icon, and to a drawing of our own when the theme has none. The icon keeps
// its symbol name (QIcon::name() answers it), so code and tests can tell which symbol a
// control shows. An unknown symbol gives a null icon.
class SymbolIcon final {
public:
    static QIcon named(const QString& symbol);
    // Empty for an icon that was not made here.
    static QString symbolName(const QIcon& icon);
    static QStringList knownSymbols();
    // The theme icon tried first; empty for an unknown symbol.
    static QString themeName(const QString& symbol);
};

} // namespace platform
