#pragma once

#include <QColor>
#include <QString>

namespace platform {

// A stored colour: plain RGBA, or a named system colour ("textColor", "labelColor") that
// follows the theme, in which case `rgba` is only its value when stored.
struct Color {
    QColor rgba;
    QString name;

    bool isNamed() const { return !name.isEmpty(); }
    bool operator==(const Color& other) const
    {
        return name == other.name && rgba.rgba64() == other.rgba.rgba64();
    }
};

} // namespace platform
