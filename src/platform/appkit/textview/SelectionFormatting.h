#pragma once

#include "platform/text/ParagraphStyle.h"

#include <QTextCharFormat>

#include <functional>

class QTextCursor;
class QTextDocument;

namespace platform {

// The paragraph styles and character formats of a selection in a document: the changes a text
// view makes to them (inside one user edit of its own), and the style and format it shows for
// the selection. Reentrant.
class SelectionFormatting final {
public:
    // Changes the style of every paragraph the selection touches (the caret's one when
    // nothing is selected); a selection that ends where a paragraph begins leaves that
    // paragraph alone.
    static void changeParagraphStyles(QTextDocument& document, const QTextCursor& selection,
        const std::function<void(ParagraphStyle&)>& change);
    // The style of the paragraph where the selection starts.
    static ParagraphStyle paragraphStyle(
        const QTextDocument& document, const QTextCursor& selection);
    // Changes the format of every run of a non-empty selection; pictures keep their image
    // formats, so `change` should only add or clear.
    static void changeCharacterFormats(QTextDocument& document, const QTextCursor& selection,
        const std::function<void(QTextCharFormat&)>& change);
    // The format of a non-empty selection's first character.
    static QTextCharFormat firstCharacterFormat(
        QTextDocument& document, const QTextCursor& selection);
};

} // namespace platform
