#pragma once

class QTextDocument;

namespace platform {

// Brings one text to equal another by replacing only the part of it that differs, so that the
// cursors of the text and of its views (the caret, a selection) outside that part stay on the
// same characters, and those after it move with them. Main thread for a shown text.
class TextDifference final {
public:
    TextDifference() = delete;

    // Makes `target` hold what `source` holds, characters, attributes and attachments: the
    // characters between the longest common beginning and end are replaced; when attributes
    // differ outside them too, the whole text is.
    static void replaceDifferingPart(QTextDocument& target, const QTextDocument& source);

    // Whether the two texts hold the same characters in the same paragraph and character
    // formats.
    static bool sameFormattedText(const QTextDocument& a, const QTextDocument& b);
};

} // namespace platform
