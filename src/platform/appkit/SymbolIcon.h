#pragma once

#include <QColor>
#include <QIcon>
#include <QStringList>

namespace platform {

// Icons named by symbol ("trash", "chevron.backward"): each symbol the windows use maps to a
// freedesktop theme icon (its symbolic variant first), and to a drawing of our own when the
// theme has none. Symbols are template images: drawn in the application palette's text colour,
// whatever colour their source has, so they read under a dark palette as under a light one. The
// icon keeps its symbol name (QIcon::name() answers it), so code and tests can tell which symbol
// a control shows. An unknown symbol gives a null icon. Main thread (the colour is the GUI's).
class SymbolIcon final {
public:
    static QIcon named(const QString& symbol);
    // `image` drawn as a template: its shape in the palette's text colour.
    static QIcon templateImage(const QIcon& image);
    // The colour a template is drawn in for `mode`: the text colour, the disabled text colour,
    // or the highlighted text colour for a selected item.
    static QColor templateColor(QIcon::Mode mode);
    // Empty for an icon that was not made here.
    static QString symbolName(const QIcon& icon);
    static QStringList knownSymbols();
    // The theme icon tried first; empty for an unknown symbol.
    static QString themeName(const QString& symbol);
};

} // namespace platform
