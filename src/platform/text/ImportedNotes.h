#pragma once

#include <QString>
#include <QStringList>
#include <QTextCharFormat>

#include <vector>

class QTextDocument;

namespace platform {

// The footnotes, endnotes and comments of a document being imported. A note leaves its mark
// where it stood, raised, and its text follows the body: one paragraph per paragraph of the
// note, the first led by the mark, so that a paper with notes loses none of its words. Marks
// count as word processors show them: footnotes 1, 2, 3; endnotes i, ii, iii; comments [a],
// [b], [c]; a mark the document spells itself is kept. One per document being read; one thread.
class ImportedNotes final {
public:
    enum class Kind { Footnote, Endnote, Comment };

    // Records a note, its paragraphs separated by '\n', and returns its mark: `ownMark`, or the
    // next of its kind when that is empty.
    QString add(Kind kind, const QString& text, const QString& ownMark = {});
    // `format` raised, for a mark.
    static QTextCharFormat markFormat(QTextCharFormat format);
    bool isEmpty() const { return m_notes.empty(); }
    // Appends the notes after everything else in `document`, set off by an empty paragraph.
    void appendTo(QTextDocument& document) const;

private:
    struct Note {
        QString mark;
        QStringList paragraphs;
    };
    std::vector<Note> m_notes;
    int m_counts[3] = { 0, 0, 0 };
};

} // namespace platform
