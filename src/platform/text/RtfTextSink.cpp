#include "RtfTextSink.h"

#include "AttributedText.h"
#include "RtfDocumentControls.h"
#include "RtfListControls.h"

#include <QTextDocument>

namespace platform {

RtfTextSink::RtfTextSink(const RtfDocumentControls& document, RtfListControls& lists)
    : m_document(document),
      m_lists(lists),
      m_doc(AttributedText::makeDocument()),
      m_cursor(m_doc.get())
{
    m_cursor.beginEditBlock();
}

RtfTextSink::~RtfTextSink() = default;

void RtfTextSink::useState(const RtfCharacterControls::State& state)
{
    if (!m_textFormatValid || !(state == m_textState)) {
        flush();
        m_textState = state;
        m_textFormatValid = false;
    }
}

void RtfTextSink::append(QStringView text, const RtfCharacterControls::State& state)
{
    useState(state);
    m_text.append(text);
}

void RtfTextSink::appendLatin1(QByteArrayView text, const RtfCharacterControls::State& state)
{
    useState(state);
    m_text.append(QLatin1StringView(text.data(), text.size()));
}

void RtfTextSink::flush(bool danglingSurrogate)
{
    if (danglingSurrogate)
        m_text.append(QChar(0xFFFD));
    if (m_text.isEmpty())
        return;
    lookOfFirstParagraph(textFormat());
    m_cursor.insertText(m_text, textFormat());
    m_text.clear();
    m_paragraphEmpty = false;
}

void RtfTextSink::insertAttachment(
    const TextAttachment& attachment, const RtfCharacterControls::State& state)
{
    const QTextCharFormat format = RtfCharacterControls::format(state, m_document);
    lookOfFirstParagraph(format);
    m_cursor.setCharFormat(format);
    AttributedText::insertAttachment(m_cursor, attachment);
    m_paragraphEmpty = false;
}

void RtfTextSink::applyBlockFormat(const RtfParagraphControls::State& state)
{
    if (!state.set || (m_blockStateApplied && state == m_blockState))
        return;
    QTextBlockFormat format;
    AttributedText::setParagraphStyle(format, state.style());
    m_cursor.setBlockFormat(format);
    m_blockState = state;
    m_blockStateApplied = true;
}

void RtfTextSink::finishParagraph(const RtfParagraphControls::State& state)
{
    applyBlockFormat(state);
    m_lists.finishParagraph(m_cursor, state);
}

const QTextCharFormat& RtfTextSink::textFormat()
{
    if (!m_textFormatValid) {
        m_textFormat = RtfCharacterControls::format(m_textState, m_document);
        m_textFormatValid = true;
    }
    return m_textFormat;
}

void RtfTextSink::lookOfEmptyParagraph()
{
    if (m_paragraphEmpty && m_cursor.blockCharFormat() != textFormat())
        m_cursor.setBlockCharFormat(textFormat());
}

void RtfTextSink::lookOfFirstParagraph(const QTextCharFormat& format)
{
    if (m_cursor.position() == 0 && m_cursor.blockCharFormat() != format)
        m_cursor.setBlockCharFormat(format);
}

void RtfTextSink::breakParagraph(
    const RtfParagraphControls::State& paragraph, const RtfCharacterControls::State& state)
{
    finishParagraph(paragraph);
    useState(state);
    lookOfEmptyParagraph();
    // The next paragraph starts with this one's style but in no list until it says so.
    QTextBlockFormat next = m_cursor.blockFormat();
    next.clearProperty(AttributedText::TextListsProperty);
    m_cursor.insertBlock(next, textFormat());
    m_paragraphEmpty = true;
}

void RtfTextSink::finishText(
    const RtfParagraphControls::State& paragraph, const RtfCharacterControls::State* look)
{
    finishParagraph(paragraph);
    if (look) {
        useState(*look);
        lookOfEmptyParagraph();
    }
}

std::unique_ptr<QTextDocument> RtfTextSink::takeDocument(const DocumentAttributes& attributes)
{
    m_cursor.endEditBlock();
    AttributedText::setDocumentAttributes(*m_doc, attributes);
    return std::move(m_doc);
}

} // namespace platform
