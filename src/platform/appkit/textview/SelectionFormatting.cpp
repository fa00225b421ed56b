#include "SelectionFormatting.h"

#include "platform/text/AttributedText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace platform {

void SelectionFormatting::changeParagraphStyles(QTextDocument& document,
    const QTextCursor& selection, const std::function<void(ParagraphStyle&)>& change)
{
    const int start = selection.selectionStart();
    const int last = selection.hasSelection() ? selection.selectionEnd() - 1 : start;
    for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() <= last;
         block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        ParagraphStyle style = AttributedText::paragraphStyle(format);
        change(style);
        AttributedText::setParagraphStyle(format, style);
        QTextCursor(block).setBlockFormat(format);
    }
}

ParagraphStyle SelectionFormatting::paragraphStyle(
    const QTextDocument& document, const QTextCursor& selection)
{
    const QTextBlock block = document.findBlock(selection.selectionStart());
    return AttributedText::paragraphStyle(
        block.isValid() ? block.blockFormat() : QTextBlockFormat());
}

void SelectionFormatting::changeCharacterFormats(QTextDocument& document,
    const QTextCursor& selection, const std::function<void(QTextCharFormat&)>& change)
{
    const int start = selection.selectionStart();
    const int end = selection.selectionEnd();
    struct Run {
        int from;
        int to;
        QTextCharFormat format;
    };
    // Gathered first: changing a run merges and splits the fragments being walked.
    std::vector<Run> runs;
    for (QTextBlock block = document.findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int from = std::max(fragment.position(), start);
            const int to = std::min(fragment.position() + fragment.length(), end);
            if (from < to)
                runs.push_back({ from, to, fragment.charFormat() });
        }
    }
    for (Run& run : runs) {
        change(run.format);
        QTextCursor cursor(&document);
        cursor.setPosition(run.from);
        cursor.setPosition(run.to, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
}

QTextCharFormat SelectionFormatting::firstCharacterFormat(
    QTextDocument& document, const QTextCursor& selection)
{
    // A cursor's format is that of the character before it.
    QTextCursor first(&document);
    first.setPosition(selection.selectionStart() + 1);
    return first.charFormat();
}

} // namespace platform
