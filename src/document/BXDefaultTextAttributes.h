#pragma once

#include "platform/text/StringAttributes.h"

#include <QVariantMap>

class QFont;
class QTextCharFormat;

namespace platform {
class UserDefaults;
}

// The attributes new text takes: font, colour and paragraph style from the user defaults
// "DefaultFont", "DefaultFontColor" and "DefaultParagraphStyle", as the document controller
// keeps them once the application runs. Any thread.
class BXDefaultTextAttributes final {
public:
    BXDefaultTextAttributes() = delete;

    // The document controller's attributes, else read from the standard defaults.
    static platform::StringAttributes current();
    // An undecodable font or colour is logged and the registered one used; the palette's text
    // colour is no colour of its own; without a paragraph style, the default one with a line
    // height of 1.3.
    static platform::StringAttributes fromDefaults(const platform::UserDefaults& defaults);
    // `attributes` with the font and colour of a DefaultFontChanged announcement; an invalid
    // colour stands for the theme's text colour, which is no colour of its own. The paragraph
    // style stays, so new text keeps its line height.
    static platform::StringAttributes changed(
        platform::StringAttributes attributes, const QVariantMap& announcement);
    // Gives `characters` the family, size, weight and slant of `font`.
    static void setFont(QTextCharFormat& characters, const QFont& font);
};
