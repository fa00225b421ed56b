#pragma once

#include <QString>

namespace platform {

// The family name other programs know a face by, for the font tables of written files. Our
// system font and the desktop's generic names ("Sans Serif", "Monospace", a UI font name such
// as ".SFNS") are resolved to the installed family they stand for, since a reader that does
// not know such a name draws its own fallback face. Any thread.
class ExportedFontFamily final {
public:
    ExportedFontFamily() = delete;

    // `family` as a reader elsewhere finds it; an empty family is the system font's.
    static QString of(const QString& family);
    // The family a font named `name` in a file is read as: our system font's for a UI font
    // name and for the family the system font is written as, so that it stays the system
    // font through a round trip; else `name`.
    static QString readBack(const QString& name);
};

} // namespace platform
