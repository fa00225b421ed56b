#pragma once

#include "RtfListLevel.h"

#include <QString>
#include <QTextListFormat>

class QTextDocument;

namespace platform {

// Lists written as text: an item's paragraph starts with a tab, its marker and a tab, and its
// paragraph style stands the marker and the text on two tab stops, wrapped lines indented to
// the text, where RTF lists put them. Every reader and writer keeps such lists as it keeps any
// text and paragraph style. Stateless; any thread, on documents the caller owns.
class TextListMarkers final {
public:
    TextListMarkers() = delete;

    static constexpr double TextLocation = RtfListLevel::LevelIndent / 20.0; // points
    static constexpr double MarkerLocation
        = (RtfListLevel::LevelIndent - RtfListLevel::MarkerAdvance) / 20.0;

    // The marker of item `number` (from 1): a bullet, or the number in the style's digits
    // followed by "."; empty for ListStyleUndefined.
    static QString marker(QTextListFormat::Style style, int number);
    // How many characters of `paragraph` are a marker prefix ("\t•\t"); 0 for none.
    static int prefixLength(const QString& paragraph);
    // Makes each paragraph that [start, end] touches an item of a `style` list, numbered from
    // 1 in order, replacing the markers they had; ListStyleUndefined makes them plain
    // paragraphs again. Changes `doc` through cursors, so a view's user edit can record it.
    static void apply(QTextDocument& doc, int start, int end, QTextListFormat::Style style);
};

} // namespace platform
