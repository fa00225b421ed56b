#pragma once

#include <QFont>

namespace platform {

// Adds the text system's values to the archiver's classes:
//   QFont <-> "NSFont": family, point size, weight, italic. A font whose family was never set
//     (see systemFont()) is archived as "the system font" and decodes to a font that again
//     follows the application font.
//   platform::Color <-> "NSColor": 16-bit RGBA, and the name of a named colour.
//   platform::ParagraphStyle <-> "NSParagraphStyle": every field.
// Stored preferences hold these archives, so their fields never change.
class TextArchiving final {
public:
    TextArchiving() = delete;

    // Call before archiving or unarchiving any of them (a program that links this class also
    // has them registered from its start); calling it again does no harm.
    static void registerClasses();

    // The system font at `pointSize`: a font that follows the application font's family.
    static QFont systemFont(double pointSize);
};

} // namespace platform
