#include "ImportedNotes.h"

#include "TextListMarkers.h"

#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

namespace platform {

namespace {

// The letters or numerals of a list marker, without its punctuation.
QString counter(QTextListFormat::Style style, int number)
{
    QString marker = TextListMarkers::marker(style, number);
    marker.removeIf([](QChar c) { return !c.isLetterOrNumber(); });
    return marker;
}

} // namespace

QString ImportedNotes::add(Kind kind, const QString& text, const QString& ownMark)
{
    const int number = ++m_counts[int(kind)];
    Note note;
    note.mark = ownMark.trimmed();
    if (note.mark.isEmpty()) {
        note.mark = kind == Kind::Footnote ? QString::number(number)
            : kind == Kind::Endnote
            ? counter(QTextListFormat::ListLowerRoman, number)
            : u'[' + counter(QTextListFormat::ListLowerAlpha, number) + u']';
    }
    for (const QString& paragraph : text.split(u'\n')) {
        const QString trimmed = paragraph.trimmed();
        if (!trimmed.isEmpty())
            note.paragraphs.append(trimmed);
    }
    m_notes.push_back(note);
    return note.mark;
}

QTextCharFormat ImportedNotes::markFormat(QTextCharFormat format)
{
    format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    format.setAnchor(false);
    format.clearProperty(QTextFormat::AnchorHref);
    return format;
}

void ImportedNotes::appendTo(QTextDocument& document) const
{
    if (m_notes.empty())
        return;
    QTextCursor cursor(&document);
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    // Fresh formats leave the body's last list, indents, alignment and look behind.
    bool atStart = document.isEmpty();
    if (!atStart)
        cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    for (const Note& note : m_notes) {
        if (!std::exchange(atStart, false))
            cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
        cursor.insertText(note.mark, markFormat(QTextCharFormat()));
        for (qsizetype p = 0; p < note.paragraphs.size(); ++p) {
            if (p > 0)
                cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
            cursor.insertText(
                p == 0 ? u' ' + note.paragraphs[p] : note.paragraphs[p], QTextCharFormat());
        }
    }
    cursor.endEditBlock();
}

} // namespace platform
