#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

enum class TextAlignment { Left = 0, Right = 1, Center = 2, Justified = 3, Natural = 4 };
enum class TextTabType { Left, Right, Center, Decimal };
// A paragraph's base direction; natural follows its first strong character.
enum class WritingDirection { Natural = -1, LeftToRight = 0, RightToLeft = 1 };

struct TextTab {
    TextTabType type = TextTabType::Left;
    double location = 0; // points
    bool operator==(const TextTab&) const = default;
};

// The paragraph attributes rich text carries: the value type behind stored default paragraph
// styles and behind each paragraph of a note's text. Lengths are in points; 0 for a
// multiple or line height means "not set".
struct ParagraphStyle {
    TextAlignment alignment = TextAlignment::Natural;
    double lineHeightMultiple = 0;
    double lineSpacing = 0;
    double minimumLineHeight = 0;
    double maximumLineHeight = 0;
    double firstLineHeadIndent = 0;
    double headIndent = 0;
    double tailIndent = 0; // <= 0: measured from the trailing margin
    double paragraphSpacing = 0;
    double paragraphSpacingBefore = 0;
    double defaultTabInterval = 0;
    WritingDirection baseWritingDirection = WritingDirection::Natural;
    // The platform's default: a left tab every 28 points up to 336.
    QList<TextTab> tabStops = defaultTabStops();
    // The lists the paragraph is an item of, outermost first, each by its marker format
    // ("{disc}", "{decimal}.", "({lower-roman})"); its nesting level is the count less one.
    // An item's text starts with its marker run (see TextListMarkers).
    QStringList textLists;

    static QList<TextTab> defaultTabStops()
    {
        QList<TextTab> stops;
        for (int i = 1; i <= 12; ++i)
            stops.append({ TextTabType::Left, 28.0 * i });
        return stops;
    }

    bool operator==(const ParagraphStyle&) const = default;
};

} // namespace platform
