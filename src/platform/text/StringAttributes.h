#pragma once

#include <QTextBlockFormat>
#include <QTextCharFormat>

namespace platform {

// The attributes new text takes: its characters' format (font, colour) and its paragraphs'
// format (the paragraph style). Used as typing attributes and for empty notes.
struct StringAttributes {
    QTextCharFormat characters;
    QTextBlockFormat paragraph;
};

} // namespace platform
