#include "document/transfer/ImportedTextLooks.h"

#include "platform/text/AttributedText.h"

#include <QTextBlock>
#include <QTextCursor>

#include <vector>

namespace {

// Whether `format` changed.
bool fillIn(QTextCharFormat& format, const QFont& noteFont)
{
    bool changed = false;
    if (!format.hasProperty(QTextFormat::FontFamilies)
        && !format.hasProperty(QTextFormat::FontFamily)) {
        format.setFontFamilies(ImportedTextLooks::familiesOf(noteFont));
        changed = true;
    }
    if (!format.hasProperty(QTextFormat::FontPointSize)
        && !format.hasProperty(QTextFormat::FontPixelSize)) {
        ImportedTextLooks::takeSize(format, noteFont);
        changed = true;
    }
    return changed;
}

} // namespace

QStringList ImportedTextLooks::familiesOf(const QFont& font)
{
    return font.families().isEmpty() ? QStringList { font.family() } : font.families();
}

void ImportedTextLooks::takeSize(QTextCharFormat& format, const QFont& font)
{
    double size = font.pointSizeF();
    if (format.hasProperty(QTextFormat::FontSizeAdjustment)) {
        size *= platform::AttributedText::fontPointSize(format)
            / platform::AttributedText::systemFont().pointSizeF();
        format.clearProperty(QTextFormat::FontSizeAdjustment);
    }
    if (size > 0)
        format.setFontPointSize(size);
}

void ImportedTextLooks::fillUnstated(QTextDocument& document, const QFont& noteFont)
{
    struct Change {
        int position;
        int length;
        QTextCharFormat format;
    };
    std::vector<Change> changes;
    std::vector<std::pair<int, QTextCharFormat>> blockChanges;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QTextCharFormat blockFormat = block.charFormat();
        if (fillIn(blockFormat, noteFont))
            blockChanges.emplace_back(block.position(), blockFormat);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (fillIn(format, noteFont))
                changes.push_back({ fragment.position(), fragment.length(), format });
        }
    }
    // Formats are set once the walk is over: setting one can merge the fragments walked.
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (const auto& [position, format] : blockChanges) {
        cursor.setPosition(position);
        cursor.setBlockCharFormat(format);
    }
    for (const Change& change : changes) {
        cursor.setPosition(change.position);
        cursor.setPosition(change.position + change.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(change.format);
    }
    cursor.endEditBlock();
}
