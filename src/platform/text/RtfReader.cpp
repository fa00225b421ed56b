#include "RtfReader.h"

#include "ImportedNotes.h"
#include "RtfCodePage.h"
#include "RtfDocumentControls.h"
#include "RtfFieldControls.h"
#include "RtfGroupState.h"
#include "RtfKeywords.h"
#include "RtfListControls.h"
#include "RtfPictureControls.h"
#include "RtfTextSink.h"
#include "RtfTokenizer.h"

#include <QTextDocument>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace platform {

namespace {

using Destination = RtfGroupState::Destination;
using Word = RtfKeywords::Word;

// The state machine over the tokens: the group stack, the decoding of text and the dispatch
// of each control word to the group of controls that handles it.
class Parser {
public:
    Parser(
        QByteArrayView data, const QHash<QString, QByteArray>& files, const std::atomic<bool>* stop)
        : m_tokens(data), m_files(files), m_stop(stop), m_sink(m_document, m_lists)
    { }

    std::unique_ptr<QTextDocument> run(Error* error);

private:
    RtfGroupState& group() { return m_stack.back(); }
    bool fail(Error* error, const QString& reason);
    // The data ran out (`reason`): true when that fails the read; after a stray closing
    // brace the document has been whole once, so what is open closes and the text stays.
    bool dataEnds(Error* error, const QString& reason);
    // Nothing but blanks follows the current token.
    bool onlyBlanksFollow() const;
    void handleWord(const RtfToken& token, Error* error, bool* failed);
    bool handleDestinationWord(const RtfKeywords::Entry& entry, int value, bool hasValue);
    void handleSymbol(const RtfToken& token);
    void handleText(QByteArrayView text);
    void handleByte(unsigned char byte);
    void openGroup();
    void closeGroup();

    void appendChar(char16_t c);
    void put(QStringView text);
    void put(char16_t c) { put(QStringView(&c, 1)); }
    void appendUnicode(int value);
    void flushBytes();
    void flushText() { m_sink.flush(std::exchange(m_highSurrogate, 0) != 0); }
    void paragraphBreak();
    int currentCodePage() { return m_document.codePage(group().chars.font); }
    void insertAttachment(const TextAttachment& attachment);
    void finishGraphic();
    void finishPicture();
    bool handleNoteOrShapeWord(RtfKeywords::Word word);
    void finishNote();

    RtfTokenizer m_tokens;
    const QHash<QString, QByteArray>& m_files;
    const std::atomic<bool>* m_stop;
    std::vector<RtfGroupState> m_stack;

    RtfDocumentControls m_document;
    RtfFieldControls m_fields;
    RtfPictureControls m_pictures;
    RtfListControls m_lists;
    RtfTextSink m_sink;

    QByteArray m_bytes;
    bool m_expectTrailByte = false;
    char16_t m_highSurrogate = 0;
    int m_skip = 0;
    bool m_ignorable = false;
    // A character control word in the text since the last paragraph break.
    bool m_lookAfterBreak = false;
    std::vector<TextAttachment> m_pendingAttachments;
    // A brace closed the document while more followed; reading went on at the top level.
    bool m_strayClose = false;
    ImportedNotes m_notes;
    QString m_noteText;
    ImportedNotes::Kind m_noteKind = ImportedNotes::Kind::Footnote;
    // The look of the mark the next note leaves: a note's mark stands before its group, whose
    // words tell a footnote from an endnote.
    std::optional<RtfCharacterControls::State> m_pendingMark;
    // The shape being read has given its text box's text, which its result repeats.
    bool m_shapeHadText = false;
    // A text box ended inside a paragraph: text that follows begins on a line of its own.
    bool m_shapeTextEnded = false;
};

bool Parser::fail(Error* error, const QString& reason)
{
    return Error::set(error,
        Error(kCocoaErrorDomain, FileReadCorruptFileError,
            QStringLiteral("The rich text could not be read."), reason));
}

bool Parser::dataEnds(Error* error, const QString& reason)
{
    if (!m_strayClose) {
        fail(error, reason);
        return true;
    }
    while (!m_stack.empty())
        closeGroup();
    return false;
}

bool Parser::onlyBlanksFollow() const
{
    RtfTokenizer rest = m_tokens;
    for (RtfToken token = rest.next(); token.type != RtfToken::Type::End; token = rest.next()) {
        const bool blank = token.type == RtfToken::Type::Text
            && std::all_of(token.text.begin(), token.text.end(),
                [](char c) { return c == ' ' || c == '\t' || c == '\0'; });
        if (!blank)
            return false;
    }
    return true;
}

std::unique_ptr<QTextDocument> Parser::run(Error* error)
{
    m_stack.reserve(64);
    RtfToken token = m_tokens.next();
    const RtfToken header = m_tokens.next();
    if (token.type != RtfToken::Type::GroupOpen || header.type != RtfToken::Type::ControlWord
        || header.text != "rtf") {
        fail(error, QStringLiteral("The data does not start with an RTF header."));
        return nullptr;
    }
    m_stack.push_back(RtfGroupState {});
    bool failed = false;
    while (!m_stack.empty() && !failed) {
        if (m_stop && m_stop->load(std::memory_order_relaxed)) {
            Error::set(error,
                Error(kCocoaErrorDomain, UserCancelledError,
                    QStringLiteral("The rich text could not be read.")));
            return nullptr;
        }
        token = m_tokens.next();
        if (m_skip > 0 && token.type != RtfToken::Type::GroupOpen
            && token.type != RtfToken::Type::GroupClose && token.type != RtfToken::Type::End) {
            if (token.type == RtfToken::Type::Text) {
                const qsizetype skipped = std::min<qsizetype>(m_skip, token.text.size());
                m_skip -= int(skipped);
                token.text = token.text.sliced(skipped);
                if (token.text.isEmpty())
                    continue;
            } else {
                --m_skip;
                if (token.type == RtfToken::Type::ControlWord && token.text == "bin") {
                    QByteArrayView ignored;
                    if ((!token.hasParameter || !m_tokens.takeBinary(token.parameter, &ignored))
                        && dataEnds(error, QStringLiteral("Binary data runs past the end."))) {
                        return nullptr;
                    }
                }
                continue;
            }
        }
        switch (token.type) {
        case RtfToken::Type::End:
            if (dataEnds(error, QStringLiteral("The data ends inside a group.")))
                return nullptr;
            break;
        case RtfToken::Type::GroupOpen:
            m_skip = 0;
            if (m_stack.size() >= size_t(RtfReader::MaximumNesting)) {
                fail(error, QStringLiteral("Groups are nested too deeply."));
                return nullptr;
            }
            openGroup();
            break;
        case RtfToken::Type::GroupClose:
            m_skip = 0;
            // Other programs show what follows a brace too many; so does this reader, as
            // more of the document.
            if (m_stack.size() == 1 && !onlyBlanksFollow()) {
                m_strayClose = true;
                break;
            }
            closeGroup();
            break;
        case RtfToken::Type::ControlWord:
            handleWord(token, error, &failed);
            break;
        case RtfToken::Type::ControlSymbol:
            handleSymbol(token);
            break;
        case RtfToken::Type::Text:
            handleText(token.text);
            break;
        }
    }
    if (failed)
        return nullptr;
    std::unique_ptr<QTextDocument> document = m_sink.takeDocument(m_document.attributes());
    m_notes.appendTo(*document);
    return document;
}

void Parser::openGroup()
{
    flushBytes();
    m_ignorable = false;
    m_stack.push_back(m_stack.back());
    group().opensField = false;
    group().opensAttachment = false;
    group().opensShapeText = false;
}

void Parser::closeGroup()
{
    flushBytes();
    m_ignorable = false;
    const RtfGroupState closed = std::move(m_stack.back());
    m_stack.pop_back();
    const Destination enclosing = m_stack.empty() ? Destination::Skip : group().destination;
    switch (closed.destination) {
    case Destination::FontTable:
        m_document.finishFontTable();
        break;
    case Destination::Graphic:
        if (m_stack.empty() || enclosing == Destination::Graphic)
            break;
        finishGraphic();
        break;
    case Destination::Picture:
        if (!m_stack.empty() && enclosing != Destination::Picture)
            finishPicture();
        break;
    case Destination::ListText:
        if (enclosing != Destination::ListText)
            flushText();
        break;
    case Destination::Note:
        if (enclosing != Destination::Note)
            finishNote();
        break;
    default:
        break;
    }
    m_lists.groupClosed(closed.destination, enclosing, m_sink.position());
    if (closed.opensField)
        m_fields.close();
    // Text after a text box stands apart from the box's last paragraph.
    if (closed.opensShapeText && !m_sink.paragraphEmpty())
        m_shapeTextEnded = true;
    if (closed.opensAttachment && !m_pendingAttachments.empty()) {
        const TextAttachment attachment = m_pendingAttachments.back();
        m_pendingAttachments.pop_back();
        insertAttachment(attachment);
    }
    if (m_stack.empty()) {
        flushText();
        // The last paragraph has no break to carry its look: what the text sets after the
        // last break is it; a group closing there takes nothing from it.
        m_sink.finishText(closed.para, m_lookAfterBreak ? &closed.chars : nullptr);
    }
}

void Parser::finishGraphic()
{
    const TextAttachment attachment = m_pictures.takeGraphic(m_files);
    // The enclosing group holds a placeholder character after this one; the attachment takes
    // its place when that group closes. At the top level there is no such group.
    if (m_stack.size() >= 2 && group().destination == Destination::Text) {
        m_pendingAttachments.push_back(attachment);
        group().opensAttachment = true;
        group().destination = Destination::Placeholder;
    } else {
        insertAttachment(attachment);
    }
}

void Parser::finishPicture()
{
    const std::optional<TextAttachment> attachment = m_pictures.takePicture();
    if (attachment && group().destination == Destination::Text)
        insertAttachment(*attachment);
}

void Parser::insertAttachment(const TextAttachment& attachment)
{
    flushText();
    m_sink.insertAttachment(attachment, group().chars);
}

void Parser::handleByte(unsigned char byte)
{
    const Destination destination = group().destination;
    switch (destination) {
    case Destination::Graphic:
        m_pictures.appendGraphicName(QByteArrayView(reinterpret_cast<const char*>(&byte), 1));
        return;
    case Destination::FontTable:
        m_document.fontTableByte(char(byte));
        return;
    case Destination::ListLevelText:
    case Destination::ListMarker: {
        // Level numbers are bytes below 0x20; they must reach the list as they are.
        const RtfCodePage::Table* table = RtfCodePage::singleByteTable(currentCodePage());
        const char16_t c = byte >= 0x80 && table ? (*table)[byte] : char16_t(byte);
        m_lists.appendLevelText(destination, QStringView(&c, 1));
        return;
    }
    case Destination::Text:
    case Destination::ListText:
    case Destination::FieldInstruction:
    case Destination::Note:
        break;
    default:
        return;
    }
    const int codePage = currentCodePage();
    if (const RtfCodePage::Table* table = RtfCodePage::singleByteTable(codePage)) {
        flushBytes();
        appendChar((*table)[byte]);
        return;
    }
    m_bytes.append(char(byte));
    m_expectTrailByte = !m_expectTrailByte && byte >= 0x81;
}

void Parser::flushBytes()
{
    if (m_bytes.isEmpty())
        return;
    const QString text = RtfCodePage::decode(currentCodePage(), m_bytes);
    m_bytes.clear();
    m_expectTrailByte = false;
    for (QChar c : text)
        appendChar(c.unicode());
}

void Parser::appendChar(char16_t c)
{
    // NUL never belongs to the text (it would not survive being written back).
    if (c == 0)
        return;
    if (!m_bytes.isEmpty())
        flushBytes();
    if (QChar::isHighSurrogate(c)) {
        if (m_highSurrogate)
            put(0xFFFD);
        m_highSurrogate = c;
        return;
    }
    if (QChar::isLowSurrogate(c)) {
        if (!m_highSurrogate) {
            put(0xFFFD);
            return;
        }
        const char16_t pair[2] = { m_highSurrogate, c };
        m_highSurrogate = 0;
        put(QStringView(pair, 2));
        return;
    }
    if (m_highSurrogate) {
        m_highSurrogate = 0;
        put(0xFFFD);
    }
    put(c);
}

void Parser::put(QStringView text)
{
    const Destination destination = group().destination;
    if (m_shapeTextEnded && destination == Destination::Text) {
        m_shapeTextEnded = false;
        m_sink.append(u"\u2028", group().chars);
    }
    switch (destination) {
    case Destination::Text:
    case Destination::ListText:
        break;
    case Destination::FieldInstruction:
        m_fields.appendInstruction(text);
        return;
    case Destination::Graphic:
        m_pictures.appendGraphicName(text.toUtf8());
        return;
    case Destination::ListLevelText:
    case Destination::ListMarker:
        m_lists.appendLevelText(destination, text);
        return;
    case Destination::Note:
        // A note longer than any real one is cut, so that a small file cannot grow a huge one.
        if (m_noteText.size() < (1 << 20))
            m_noteText.append(text);
        return;
    default:
        return;
    }
    m_sink.append(text, group().chars);
}

void Parser::appendUnicode(int value)
{
    if (value < 0)
        value += 65536;
    if (value <= 0 || value > 0xFFFF)
        return;
    appendChar(char16_t(value));
}

void Parser::paragraphBreak()
{
    if (group().destination == Destination::Note) {
        flushBytes();
        put(u'\n');
        return;
    }
    if (group().destination != Destination::Text)
        return;
    m_shapeTextEnded = false;
    flushBytes();
    flushText();
    m_sink.breakParagraph(group().para, group().chars);
    m_lookAfterBreak = false;
}

void Parser::handleSymbol(const RtfToken& token)
{
    switch (token.symbol) {
    case '\'':
        if (token.parameter >= 0)
            handleByte(static_cast<unsigned char>(token.parameter));
        return;
    case '*':
        m_ignorable = true;
        return;
    case '\n':
    case '\r':
        paragraphBreak();
        return;
    case '~':
        appendChar(0x00A0);
        return;
    case '-':
        appendChar(0x00AD);
        return;
    case '_':
        appendChar(0x2011);
        return;
    case '\\':
    case '{':
    case '}':
        handleByte(static_cast<unsigned char>(token.symbol));
        return;
    case '\t':
        appendChar(u'\t');
        return;
    default:
        return;
    }
}

void Parser::handleText(QByteArrayView text)
{
    const Destination destination = group().destination;
    switch (destination) {
    case Destination::Skip:
    case Destination::Placeholder:
    case Destination::ShapeInstance:
    case Destination::ListTable:
    case Destination::List:
    case Destination::ListLevel:
    case Destination::ListOverrideTable:
    case Destination::ListOverride:
        return;
    case Destination::ColorTable:
        m_document.colorTableText(text);
        return;
    case Destination::ExpandedColorTable:
        m_document.expandedColorTableText(text);
        return;
    case Destination::Picture:
        m_pictures.appendPictureHex(text);
        return;
    case Destination::FontTable:
        m_document.fontTableText(text);
        return;
    case Destination::Graphic:
        m_pictures.appendGraphicName(text);
        return;
    default:
        break;
    }
    // Text, list text and field instructions: ASCII goes straight in; other bytes through the
    // code page.
    qsizetype i = 0;
    while (i < text.size()) {
        const unsigned char byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80 || (m_expectTrailByte && !m_bytes.isEmpty())) {
            handleByte(byte);
            ++i;
            continue;
        }
        if (byte < 0x20 && byte != '\t') {
            // Raw control bytes are not text in RTF.
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && static_cast<unsigned char>(text[end]) < 0x80
            && (static_cast<unsigned char>(text[end]) >= 0x20 || text[end] == '\t'))
            ++end;
        if ((destination == Destination::Text || destination == Destination::ListText)
            && !m_highSurrogate && m_bytes.isEmpty() && !m_shapeTextEnded) {
            m_sink.appendLatin1(text.sliced(i, end - i), group().chars);
        } else {
            for (qsizetype k = i; k < end; ++k)
                appendChar(char16_t(static_cast<unsigned char>(text[k])));
        }
        i = end;
    }
    // Two-byte code pages have backslashes as second bytes; a lead byte written as it is takes
    // the backslash after it, which starts no control word.
    if (m_expectTrailByte && !m_bytes.isEmpty() && m_tokens.takeByte('\\'))
        handleByte('\\');
}

// The words that start a destination or act on the document as a whole. False when the word
// is none of these and the group's destination decides.
bool Parser::handleDestinationWord(const RtfKeywords::Entry& entry, int value, bool hasValue)
{
    RtfGroupState& g = group();
    const Destination destination = g.destination;
    switch (entry.word) {
    case Word::Unknown:
    case Word::Rtf:
        return true;
    case Word::DefaultFont:
        m_document.apply(entry.word, value, hasValue);
        if (destination == Destination::Text && m_stack.size() == 1)
            g.chars.font = value;
        return true;
    case Word::FontTable:
        g.destination = Destination::FontTable;
        return true;
    case Word::ColorTable:
        g.destination = Destination::ColorTable;
        m_document.startColorTable();
        return true;
    case Word::ExpandedColorTable:
        g.destination = Destination::ExpandedColorTable;
        m_document.startExpandedColorTable();
        return true;
    case Word::SkippedDestination:
        g.destination = Destination::Skip;
        return true;
    case Word::Field:
        if (destination == Destination::Text) {
            g.opensField = true;
            m_fields.open();
        }
        return true;
    case Word::FieldInstruction:
        g.destination = m_fields.isOpen() ? Destination::FieldInstruction : Destination::Skip;
        return true;
    case Word::FieldResult:
        // A field inside a note shows its result in the note.
        if (destination != Destination::Note)
            g.destination = Destination::Text;
        if (const QString target = m_fields.linkTarget(); !target.isEmpty())
            g.chars.link = target;
        return true;
    case Word::NeXTGraphic:
        if (destination == Destination::Text) {
            m_pictures.startGraphic();
            g.destination = Destination::Graphic;
        } else {
            g.destination = Destination::Skip;
        }
        return true;
    case Word::Picture:
        if (destination == Destination::Text) {
            m_pictures.startPicture();
            g.destination = Destination::Picture;
        } else {
            g.destination = Destination::Skip;
        }
        return true;
    case Word::ShapePicture:
        return true;
    case Word::Footnote:
    case Word::Annotation:
    case Word::NoteMark:
    case Word::EndnoteNote:
    case Word::ShapeInstance:
    case Word::ShapeText:
    case Word::ShapeResult:
        return handleNoteOrShapeWord(entry.word);
    default:
        break;
    }
    if (entry.group == RtfKeywords::Group::Document) {
        m_document.apply(entry.word, value, hasValue);
        return destination != Destination::FontTable && destination != Destination::ColorTable
            && destination != Destination::ExpandedColorTable;
    }
    if (entry.group == RtfKeywords::Group::List) {
        if (entry.word == Word::ListText)
            flushText();
        m_lists.apply(entry.word, value, g, m_sink.position());
        return true;
    }
    return false;
}

// Notes go after the body with their marks where they stood; a shape's text box goes where the
// shape stands, and its result (what older readers show instead) only when it had none.
bool Parser::handleNoteOrShapeWord(RtfKeywords::Word word)
{
    RtfGroupState& g = group();
    const Destination destination = g.destination;
    switch (word) {
    case Word::Footnote:
    case Word::Annotation:
        if (destination == Destination::Text) {
            flushText();
            m_noteText.clear();
            m_noteKind = word == Word::Annotation ? ImportedNotes::Kind::Comment
                                                  : ImportedNotes::Kind::Footnote;
            g.destination = Destination::Note;
        } else if (destination != Destination::Note) {
            g.destination = Destination::Skip;
        }
        return true;
    case Word::EndnoteNote:
        if (destination == Destination::Note && m_noteKind == ImportedNotes::Kind::Footnote)
            m_noteKind = ImportedNotes::Kind::Endnote;
        return true;
    case Word::NoteMark:
        if (destination == Destination::Text)
            m_pendingMark = g.chars;
        return true;
    case Word::ShapeInstance:
        if (destination == Destination::Text) {
            g.destination = Destination::ShapeInstance;
            m_shapeHadText = false;
        } else if (destination != Destination::ShapeInstance) {
            g.destination = Destination::Skip;
        }
        return true;
    case Word::ShapeText:
        if (destination == Destination::ShapeInstance) {
            g.destination = Destination::Text;
            g.opensShapeText = true;
            m_shapeHadText = true;
            flushText();
            if (!m_sink.paragraphEmpty())
                appendChar(0x2028);
        }
        return true;
    case Word::ShapeResult:
        if (m_shapeHadText)
            g.destination = Destination::Skip;
        m_shapeHadText = false;
        return true;
    default:
        return false;
    }
}

void Parser::finishNote()
{
    const QString mark = m_notes.add(m_noteKind, std::exchange(m_noteText, QString()));
    if (!m_pendingMark)
        return;
    RtfCharacterControls::State raised = *m_pendingMark;
    m_pendingMark.reset();
    raised.superscript = 1;
    flushText();
    m_sink.append(mark, raised);
    flushText();
}

void Parser::handleWord(const RtfToken& token, Error* error, bool* failed)
{
    const RtfKeywords::Entry entry = RtfKeywords::find(token.text);
    const bool ignorable = m_ignorable;
    m_ignorable = false;
    if (entry.word != Word::Unicode && entry.word != Word::Binary)
        flushBytes();
    const int value = token.parameter;
    const bool has = token.hasParameter;
    RtfGroupState& g = group();
    const Destination destination = g.destination;

    if (entry.word == Word::Binary) {
        QByteArrayView bytes;
        if (!has || !m_tokens.takeBinary(value, &bytes))
            *failed = dataEnds(error, QStringLiteral("Binary data runs past the end."));
        else if (destination == Destination::Picture)
            m_pictures.appendPictureBinary(bytes);
        return;
    }
    if (destination == Destination::Skip || destination == Destination::Placeholder)
        return;
    if (entry.word == Word::Unicode) {
        if (has) {
            appendUnicode(value);
            m_skip = g.unicodeSkip;
        }
        return;
    }
    if (entry.word == Word::UnicodeSkip) {
        g.unicodeSkip = std::clamp(value, 0, 16);
        return;
    }
    // Of the destinations marked ignorable, only these are read.
    if (ignorable && entry.word != Word::ExpandedColorTable && entry.word != Word::FieldInstruction
        && entry.word != Word::ShapePicture && entry.word != Word::FontTable
        && entry.word != Word::ColorTable && entry.word != Word::ListTable
        && entry.word != Word::ListOverrideTable && entry.word != Word::LevelMarker
        && entry.word != Word::Annotation && entry.word != Word::Footnote
        && entry.word != Word::ShapeInstance && entry.word != Word::ShapeText) {
        g.destination = Destination::Skip;
        return;
    }
    if (handleDestinationWord(entry, value, has))
        return;

    switch (destination) {
    case Destination::FontTable:
        m_document.applyInFontTable(entry.word, value);
        return;
    case Destination::ColorTable:
        m_document.applyInColorTable(entry.word, value);
        return;
    case Destination::ExpandedColorTable:
        m_document.applyInExpandedColorTable(entry.word, value);
        return;
    case Destination::Graphic:
        m_pictures.applyInGraphic(entry.word, value);
        return;
    case Destination::Picture:
        m_pictures.applyInPicture(entry.word, value);
        return;
    default:
        break;
    }

    switch (entry.group) {
    case RtfKeywords::Group::Character:
        RtfCharacterControls::apply(entry.word, value, has, m_document.defaultFont(), g.chars);
        m_lookAfterBreak = m_lookAfterBreak || destination == Destination::Text;
        return;
    case RtfKeywords::Group::Paragraph:
        RtfParagraphControls::apply(entry.word, value, has, g.para);
        return;
    case RtfKeywords::Group::Text:
        if (entry.word == Word::Paragraph)
            paragraphBreak();
        else if (entry.word == Word::Line)
            appendChar(0x2028);
        else if (entry.word == Word::Tab)
            appendChar(u'\t');
        else if (entry.word == Word::Character)
            appendChar(entry.character);
        return;
    default:
        return;
    }
}

} // namespace

std::unique_ptr<QTextDocument> RtfReader::read(QByteArrayView rtf,
    const QHash<QString, QByteArray>& files, Error* error, const std::atomic<bool>* stop)
{
    Parser parser(rtf, files, stop);
    return parser.run(error);
}

} // namespace platform
