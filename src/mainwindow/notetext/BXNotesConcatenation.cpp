#include "mainwindow/notetext/BXNotesConcatenation.h"

#include "document/model/BXNote.h"

#include "platform/text/AttributedText.h"

#include <QTextCursor>
#include <QTextDocument>

using platform::AttributedText;

std::unique_ptr<QTextDocument> BXNotesConcatenation::concatenate(
    const QList<platform::ManagedObjectPtr>& notes)
{
    std::unique_ptr<QTextDocument> result = AttributedText::makeDocument();
    QTextCursor cursor(result.get());
    QTextCharFormat titleFormat;
    titleFormat.setFontUnderline(true);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignCenter);
    for (const platform::ManagedObjectPtr& object : notes) {
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (!note)
            continue;
        const QTextBlockFormat natural = cursor.blockFormat();
        cursor.insertText(QStringLiteral("\n"), QTextCharFormat());
        cursor.setBlockFormat(centred);
        cursor.insertText(note->noteTitle(), titleFormat);
        cursor.insertText(QStringLiteral("\n\n"), QTextCharFormat());
        cursor.setBlockFormat(natural);
        const std::unique_ptr<QTextDocument> text = note->attributedString();
        AttributedText::replaceCharacters(*result, { AttributedText::length(*result), 0 }, *text);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("\n"), QTextCharFormat());
    }
    return result;
}
