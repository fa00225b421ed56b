#pragma once

#include "RtfCharacterControls.h"
#include "RtfParagraphControls.h"
#include "TextAttachment.h"

#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>

#include <memory>

class QTextDocument;

namespace platform {

struct DocumentAttributes;
class RtfDocumentControls;
class RtfListControls;

// The document an RTF reader builds. Text comes with the character state it was written in
// and goes in as runs of one state; a paragraph ends with its paragraph state, which becomes
// the block's style and, for a list item, its place in a list. One per read; one thread.
class RtfTextSink final {
public:
    // Formats come from `document`'s fonts and colours; list items go to `lists`.
    RtfTextSink(const RtfDocumentControls& document, RtfListControls& lists);
    ~RtfTextSink();

    void append(QStringView text, const RtfCharacterControls::State& state);
    void appendLatin1(QByteArrayView text, const RtfCharacterControls::State& state);
    // Inserts the pending run; a dangling half of a surrogate pair ends it as U+FFFD.
    void flush(bool danglingSurrogate = false);
    // Where text goes next (after a flush).
    int position() const { return m_cursor.position(); }
    // Nothing has gone into the paragraph yet (after a flush).
    bool paragraphEmpty() const { return m_paragraphEmpty; }
    // Pending text must be flushed first.
    void insertAttachment(
        const TextAttachment& attachment, const RtfCharacterControls::State& state);
    // Ends the paragraph and starts the next with `state`'s characters, which an empty
    // paragraph takes for its own look too. Flush first.
    void breakParagraph(
        const RtfParagraphControls::State& paragraph, const RtfCharacterControls::State& state);
    // Ends the last paragraph; when it is empty and `look` is given, it takes that look.
    void finishText(
        const RtfParagraphControls::State& paragraph, const RtfCharacterControls::State* look);
    std::unique_ptr<QTextDocument> takeDocument(const DocumentAttributes& attributes);

private:
    void finishParagraph(const RtfParagraphControls::State& state);
    void applyBlockFormat(const RtfParagraphControls::State& state);
    // An empty paragraph has no run to show its look: its own character format holds it.
    void lookOfEmptyParagraph();
    // No break before the first paragraph holds its look: it takes the look its text starts
    // in, which typing there goes on in once that text is erased.
    void lookOfFirstParagraph(const QTextCharFormat& format);
    // The pending text's format, made when first needed.
    const QTextCharFormat& textFormat();
    // Starts a new run when `state` differs from the pending text's.
    void useState(const RtfCharacterControls::State& state);

    const RtfDocumentControls& m_document;
    RtfListControls& m_lists;
    std::unique_ptr<QTextDocument> m_doc;
    QTextCursor m_cursor;
    QString m_text;
    RtfCharacterControls::State m_textState;
    QTextCharFormat m_textFormat;
    bool m_textFormatValid = false;
    RtfParagraphControls::State m_blockState;
    bool m_blockStateApplied = false;
    // Nothing inserted since the paragraph began.
    bool m_paragraphEmpty = true;
};

} // namespace platform
