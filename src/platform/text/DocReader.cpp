#include "DocReader.h"

#include "AttributedText.h"
#include "ConversionDocument.h"
#include "ExportedFontFamily.h"
#include "RtfFieldControls.h"
#include "RtfListLevel.h"
#include "TextEncoding.h"
#include "TextListBuilder.h"
#include "TextListConversion.h"
#include "WordBinary.h"
#include "WordBytes.h"
#include "WordPicture.h"
#include "WordProperties.h"
#include "platform/foundation/Localized.h"

#include <QHash>
#include <QTextCursor>
#include <QTextDocument>
#include <QtEndian>

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-memory.h>
#include <gsf/gsf-input.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {

namespace {

using namespace WordBinary;

// Word 97 is the first version with the piece table in a table stream.
constexpr quint16 kOldestVersion = 0x0065;
// Styles are based on styles; a longer chain is a loop.
constexpr int kMaximumStyleDepth = 11;
// Word's own default size, 10 points, in half-points.
constexpr int kDefaultHalfPoints = 20;
// Longer than any instruction a field needs.
constexpr qsizetype kMaximumFieldCode = 4096;

Error corruptError(const QString& reason)
{
    return Error(kCocoaErrorDomain, FileReadCorruptFileError,
        localized(QStringLiteral("The file isn't in the correct format.")), reason);
}

struct Style {
    int base = 0xFFF;
    QByteArray paragraph;
    QByteArray character;
};

// A field open around the reader's position: its code until the separator mark, then its
// result, which links to the code's target when the field is a hyperlink.
struct Field {
    bool inCode = true;
    QString code;
    QString link;
};

struct Run {
    quint32 start = 0;
    quint32 end = 0;
    QByteArray grpprl;
    int istd = 0;
};

class Reader {
public:
    Reader(const QByteArray& document, const QByteArray& table, const QByteArray& data)
        : m_documentData(document),
          m_tableData(table),
          m_data(data),
          m_document(m_documentData),
          m_table(m_tableData)
    { }

    std::unique_ptr<QTextDocument> read(Error* error);

private:
    bool pair(int index, quint32* offset, quint32* length) const;
    bool readText(Error* error);
    void readPages(int index, bool paragraphs, std::vector<Run>* runs) const;
    void readStyles();
    void readFonts();
    const Run* find(const std::vector<Run>& runs, quint32 fc) const;
    // The style and the styles it is based on, the style itself first.
    std::vector<const Style*> styleChain(int istd) const;
    WordProperties::Character styleCharacters(int istd) const;
    // Lays the character properties of a style and the styles it is based on over `props`.
    void applyStyleCharacters(int istd, WordProperties::Character& props) const;
    WordProperties::Paragraph styleParagraph(int istd) const;
    QTextCharFormat characterFormat(const Run* run, int istd);
    QTextBlockFormat blockFormat(const Run* paragraph);
    // The list tables: the levels of each list override, by its 1-based index.
    void readLists();
    // Makes the cursor's paragraph an item when its properties name a list the tables define.
    void addListItem(QTextCursor& cursor, const Run* paragraph);

    const QByteArray& m_documentData;
    const QByteArray& m_tableData;
    // The Data stream, where inline pictures are recorded; empty when the file has none.
    const QByteArray& m_data;
    WordBytes m_document;
    WordBytes m_table;
    qint64 m_pairsAt = 0;
    int m_pairCount = 0;
    quint32 m_ccpText = 0;
    QString m_text;
    std::vector<quint32> m_fcs;
    std::vector<Run> m_characterRuns;
    std::vector<Run> m_paragraphRuns;
    QHash<int, Style> m_styles;
    QStringList m_fonts;
    QHash<QPair<const Run*, int>, QTextCharFormat> m_characterFormats;
    QHash<const Run*, QTextBlockFormat> m_blockFormats;
    QList<QList<RtfListLevel>> m_listOverrides;
    TextListBuilder m_listBuilder;
};

bool Reader::pair(int index, quint32* offset, quint32* length) const
{
    if (index >= m_pairCount)
        return false;
    *offset = m_document.u32(m_pairsAt + index * 8);
    *length = m_document.u32(m_pairsAt + index * 8 + 4);
    return m_table.has(*offset, *length);
}

bool Reader::readText(Error* error)
{
    quint32 offset = 0;
    quint32 length = 0;
    if (!pair(Fib::Clx, &offset, &length) || length == 0) {
        Error::set(error, corruptError(QStringLiteral("The document has no piece table.")));
        return false;
    }
    qint64 at = offset;
    const qint64 end = qint64(offset) + length;
    // Property groups of changed pieces come first.
    while (at < end && m_table.u8(at) == 0x01) {
        if (!m_table.has(at + 1, 2) || qint16(m_table.u16(at + 1)) < 0)
            break;
        at += 3 + m_table.u16(at + 1);
    }
    if (at + 5 > end || m_table.u8(at) != 0x02) {
        Error::set(error, corruptError(QStringLiteral("The piece table is damaged.")));
        return false;
    }
    const quint32 size = m_table.u32(at + 1);
    at += 5;
    if (size < 16 || (size - 4) % 12 != 0 || qint64(size) > end - at) {
        Error::set(error, corruptError(QStringLiteral("The piece table is damaged.")));
        return false;
    }
    const qint64 pieces = (size - 4) / 12;
    const qint64 descriptors = at + (pieces + 1) * 4;
    for (qint64 i = 0; i < pieces && quint32(m_text.size()) < m_ccpText; ++i) {
        const quint32 cpStart = m_table.u32(at + i * 4);
        const quint32 cpEnd = std::min(m_table.u32(at + (i + 1) * 4), m_ccpText);
        if (cpEnd < cpStart || cpStart != quint32(m_text.size())) {
            Error::set(error, corruptError(QStringLiteral("The piece table is out of order.")));
            return false;
        }
        const quint32 count = cpEnd - cpStart;
        const quint32 raw = m_table.u32(descriptors + i * 8 + 2);
        const bool compressed = raw & CompressedFlag;
        const qint64 fc = compressed ? qint64(raw & ~(CompressedFlag | 0x80000000u)) / 2
                                     : qint64(raw & ~0x80000000u);
        const qint64 bytes = compressed ? qint64(count) : qint64(count) * 2;
        if (!m_document.has(fc, bytes)) {
            Error::set(error, corruptError(QStringLiteral("A piece lies outside the document.")));
            return false;
        }
        if (compressed) {
            m_text += TextEncoding::decode(
                m_document.mid(fc, bytes), TextEncoding::WindowsCP1252StringEncoding, true)
                          .value_or(QString());
            for (quint32 k = 0; k < count; ++k)
                m_fcs.push_back(quint32(fc + k));
        } else {
            for (quint32 k = 0; k < count; ++k) {
                m_text += QChar(m_document.u16(fc + qint64(k) * 2));
                m_fcs.push_back(quint32(fc + qint64(k) * 2));
            }
        }
        if (quint32(m_text.size()) != cpEnd) {
            Error::set(error, corruptError(QStringLiteral("A piece could not be decoded.")));
            return false;
        }
    }
    return true;
}

void Reader::readPages(int index, bool paragraphs, std::vector<Run>* runs) const
{
    quint32 offset = 0;
    quint32 length = 0;
    if (!pair(index, &offset, &length) || length < 12 || (length - 4) % 8)
        return;
    // A file has no more distinct pages than fit in it.
    const qint64 pages = std::min<qint64>((length - 4) / 8, m_document.size() / PageSize + 1);
    const qint64 numbers = qint64(offset) + ((length - 4) / 8 + 1) * 4;
    const int entrySize = paragraphs ? 13 : 1;
    for (qint64 i = 0; i < pages; ++i) {
        const qint64 page = qint64(m_table.u32(numbers + i * 4) & 0x3FFFFF) * PageSize;
        if (!m_document.has(page, PageSize))
            continue;
        const int count = m_document.u8(page + PageSize - 1);
        if ((count + 1) * 4 + count * entrySize > PageSize - 1)
            continue;
        for (int k = 0; k < count; ++k) {
            Run run;
            run.start = m_document.u32(page + k * 4);
            run.end = m_document.u32(page + (k + 1) * 4);
            const int where = m_document.u8(page + (count + 1) * 4 + k * entrySize) * 2;
            if (run.end <= run.start)
                continue;
            if (where > 0 && where < PageSize - 1) {
                if (paragraphs) {
                    int size = m_document.u8(page + where) * 2 - 1;
                    int start = where + 1;
                    if (size < 0) {
                        size = where + 1 < PageSize - 1 ? m_document.u8(page + where + 1) * 2 : 0;
                        start = where + 2;
                    }
                    if (size >= 2 && start + size <= PageSize - 1) {
                        run.istd = m_document.u16(page + start);
                        run.grpprl = m_document.mid(page + start + 2, size - 2);
                    }
                } else {
                    const int size = m_document.u8(page + where);
                    if (where + 1 + size <= PageSize - 1)
                        run.grpprl = m_document.mid(page + where + 1, size);
                }
            }
            runs->push_back(std::move(run));
        }
    }
    std::stable_sort(
        runs->begin(), runs->end(), [](const Run& a, const Run& b) { return a.start < b.start; });
}

void Reader::readStyles()
{
    quint32 offset = 0;
    quint32 length = 0;
    if (!pair(Fib::Stshf, &offset, &length) || length < 6)
        return;
    const qint64 end = qint64(offset) + length;
    const quint16 headerSize = m_table.u16(offset);
    if (qint64(offset) + 2 + headerSize > end || headerSize < 4)
        return;
    const int count = m_table.u16(offset + 2);
    const int baseSize = m_table.u16(offset + 4);
    qint64 at = qint64(offset) + 2 + headerSize;
    for (int istd = 0; istd < count && at + 2 <= end; ++istd) {
        const qint64 size = m_table.u16(at);
        const qint64 std = at + 2;
        at = std + size;
        if (size == 0 || at > end || size < baseSize + 2 || baseSize < 8)
            continue;
        Style style;
        const int kind = m_table.u16(std + 2) & 0x0F;
        style.base = m_table.u16(std + 2) >> 4;
        // The name: a count of UTF-16 units, the units, a terminating zero.
        qint64 p = std + baseSize;
        p += 2 + qint64(m_table.u16(p)) * 2 + 2;
        const auto upx = [&](bool withStyle) -> QByteArray {
            if ((p - std) % 2)
                ++p;
            if (p + 2 > at)
                return {};
            const qint64 bytes = m_table.u16(p);
            const qint64 from = p + 2 + (withStyle ? 2 : 0);
            const qint64 to = p + 2 + bytes;
            p = to;
            if (to > at || from > to)
                return {};
            return m_table.mid(from, to - from);
        };
        if (kind == 1) {
            style.paragraph = upx(true);
            style.character = upx(false);
        } else if (kind == 2) {
            style.character = upx(false);
        }
        m_styles.insert(istd, style);
    }
}

void Reader::readFonts()
{
    quint32 offset = 0;
    quint32 length = 0;
    if (!pair(Fib::SttbfFfn, &offset, &length) || length < 4)
        return;
    const qint64 end = qint64(offset) + length;
    qint64 at = offset;
    int count = m_table.u16(at);
    at += 2;
    if (count == 0xFFFF && at + 2 <= end) {
        count = m_table.u16(at);
        at += 2;
    }
    at += 2; // no extra data is used
    for (int i = 0; i < count && at < end; ++i) {
        const int size = m_table.u8(at);
        const qint64 entry = at + 1;
        at = entry + size;
        QString name;
        for (qint64 p = entry + 39; p + 2 <= std::min(at, end); p += 2) {
            const quint16 unit = m_table.u16(p);
            if (unit == 0)
                break;
            name += QChar(unit);
        }
        m_fonts.append(name);
    }
}

const Run* Reader::find(const std::vector<Run>& runs, quint32 fc) const
{
    auto it = std::upper_bound(runs.cbegin(), runs.cend(), fc,
        [](quint32 value, const Run& run) { return value < run.start; });
    if (it == runs.cbegin())
        return nullptr;
    --it;
    return fc < it->end ? &*it : nullptr;
}

std::vector<const Style*> Reader::styleChain(int istd) const
{
    std::vector<const Style*> chain;
    for (int i = istd; chain.size() < size_t(kMaximumStyleDepth);) {
        const auto found = m_styles.constFind(i);
        if (found == m_styles.cend())
            break;
        chain.push_back(&*found);
        i = found->base;
    }
    return chain;
}

WordProperties::Character Reader::styleCharacters(int istd) const
{
    WordProperties::Character props;
    props.halfPoints = kDefaultHalfPoints;
    applyStyleCharacters(istd, props);
    return props;
}

void Reader::applyStyleCharacters(int istd, WordProperties::Character& props) const
{
    const std::vector<const Style*> chain = styleChain(istd);
    for (auto it = chain.crbegin(); it != chain.crend(); ++it) {
        const WordProperties::Character before = props;
        WordProperties::applyCharacter((*it)->character, props, before);
    }
}

WordProperties::Paragraph Reader::styleParagraph(int istd) const
{
    const std::vector<const Style*> chain = styleChain(istd);
    WordProperties::Paragraph props;
    for (auto it = chain.crbegin(); it != chain.crend(); ++it)
        WordProperties::applyParagraph((*it)->paragraph, props);
    return props;
}

QTextCharFormat Reader::characterFormat(const Run* run, int istd)
{
    const QPair<const Run*, int> key(run, istd);
    if (const auto found = m_characterFormats.constFind(key); found != m_characterFormats.cend())
        return *found;
    WordProperties::Character props = styleCharacters(istd);
    if (run) {
        // A run's character style ("Strong Emphasis") lies over its paragraph's style, and the
        // run's own properties over both.
        if (const int characterStyle = WordProperties::characterStyle(run->grpprl);
            characterStyle >= 0)
            applyStyleCharacters(characterStyle, props);
        const WordProperties::Character styled = props;
        WordProperties::applyCharacter(run->grpprl, props, styled);
    }

    QFont font;
    const QString family = props.font >= 0 ? m_fonts.value(props.font) : QString();
    font.setFamilies({ family.isEmpty() ? AttributedText::systemFont().family()
                                        : ExportedFontFamily::readBack(family) });
    font.setPointSizeF(props.halfPoints / 2.0);
    font.setBold(props.bold);
    font.setItalic(props.italic);
    QVariantMap attributes { { AttributedText::FontAttributeName, font } };
    if (props.color)
        attributes.insert(AttributedText::ForegroundColorAttributeName, *props.color);
    else if (props.ico >= 1 && props.ico <= 16)
        attributes.insert(
            AttributedText::ForegroundColorAttributeName, QColor(QRgb(IcoColors[props.ico - 1])));
    int underline = 0;
    switch (props.underline) {
    case Kul::None:
        break;
    case Kul::Words:
        underline = 0x8001;
        break;
    case Kul::Double:
        underline = 0x09;
        break;
    case Kul::Dotted:
        underline = 0x0101;
        break;
    case Kul::Thick:
        underline = 0x02;
        break;
    case Kul::Dash:
        underline = 0x0201;
        break;
    default:
        underline = 0x01;
    }
    if (underline)
        attributes.insert(AttributedText::UnderlineStyleAttributeName, underline);
    if (props.doubleStrike || props.strike)
        attributes.insert(
            AttributedText::StrikethroughStyleAttributeName, props.doubleStrike ? 0x09 : 0x01);
    if (props.script == 1 || props.script == 2)
        attributes.insert(AttributedText::SuperscriptAttributeName, props.script == 1 ? 1 : -1);
    const QTextCharFormat format = AttributedText::characterFormat(attributes);
    m_characterFormats.insert(key, format);
    return format;
}

void Reader::readLists()
{
    quint32 offset = 0;
    quint32 length = 0;
    if (!pair(Fib::PlfLst, &offset, &length) || length < 2)
        return;
    const int count = qint16(m_table.u16(offset));
    constexpr int lstfSize = 28;
    if (count <= 0 || !m_table.has(offset + 2, qint64(count) * lstfSize))
        return;
    // Each list's levels follow the list table, one (simple lists) or nine per list.
    QHash<quint32, QList<RtfListLevel>> lists;
    qint64 at = offset + 2 + qint64(count) * lstfSize;
    for (int i = 0; i < count; ++i) {
        const qint64 lstf = offset + 2 + qint64(i) * lstfSize;
        const int levels = (m_table.u8(lstf + 26) & 0x01) ? 1 : RtfListLevel::MaximumLevels;
        QList<RtfListLevel>& list = lists[m_table.u32(lstf)];
        for (int level = 0; level < levels; ++level) {
            if (!m_table.has(at, 28))
                return;
            const int numberFormat = m_table.u8(at + 4);
            at += 28 + m_table.u8(at + 24) + m_table.u8(at + 25);
            if (!m_table.has(at, 2))
                return;
            const int characters = m_table.u16(at);
            if (!m_table.has(at + 2, qint64(characters) * 2))
                return;
            // As \leveltext spells it: the length first, numbers as characters below 0x20.
            QString text { QChar(char16_t(characters)) };
            for (int c = 0; c < characters; ++c)
                text += QChar(char16_t(m_table.u16(at + 2 + c * 2)));
            at += 2 + qint64(characters) * 2;
            list.append(RtfListLevel::fromNumberFormat(numberFormat, text));
        }
    }
    if (!pair(Fib::PlfLfo, &offset, &length) || length < 4)
        return;
    const quint32 overrides = m_table.u32(offset);
    for (quint32 i = 0; i < overrides && m_table.has(offset + 4 + qint64(i) * 16, 16); ++i)
        m_listOverrides.append(lists.value(m_table.u32(offset + 4 + qint64(i) * 16)));
}

void Reader::addListItem(QTextCursor& cursor, const Run* paragraph)
{
    if (!paragraph)
        return;
    WordProperties::Paragraph props = styleParagraph(paragraph->istd);
    WordProperties::applyParagraph(paragraph->grpprl, props);
    const QList<RtfListLevel> levels = m_listOverrides.value(props.listOverride - 1);
    if (levels.isEmpty())
        return;
    const int level = std::clamp(props.listLevel, 0, RtfListLevel::MaximumLevels - 1);
    const RtfListLevel& format = levels[std::min<qsizetype>(level, levels.size() - 1)];
    m_listBuilder.addItem(
        cursor, QString::number(props.listOverride), level, format.listFormat(level));
}

QTextBlockFormat Reader::blockFormat(const Run* paragraph)
{
    if (const auto found = m_blockFormats.constFind(paragraph); found != m_blockFormats.cend())
        return *found;
    WordProperties::Paragraph props = styleParagraph(paragraph ? paragraph->istd : 0);
    if (paragraph)
        WordProperties::applyParagraph(paragraph->grpprl, props);
    ParagraphStyle style;
    switch (props.alignment) {
    case 1:
        style.alignment = TextAlignment::Center;
        break;
    case 2:
        style.alignment = TextAlignment::Right;
        break;
    case 3:
    case 4:
    case 5:
        style.alignment = TextAlignment::Justified;
        break;
    default:
        style.alignment = TextAlignment::Natural;
    }
    style.headIndent = props.left / 20.0;
    style.firstLineHeadIndent = (props.left + props.first) / 20.0;
    style.tailIndent = props.right > 0 ? -props.right / 20.0 : 0;
    style.paragraphSpacingBefore = props.before / 20.0;
    style.paragraphSpacing = props.after / 20.0;
    if (props.lineMultiple && props.line > 0) {
        style.lineHeightMultiple = props.line / 240.0;
    } else if (props.line < 0) {
        style.minimumLineHeight = style.maximumLineHeight = -props.line / 20.0;
    } else if (props.line > 0) {
        style.minimumLineHeight = props.line / 20.0;
    }
    if (props.hasTabs) {
        std::sort(props.tabs.begin(), props.tabs.end());
        style.tabStops.clear();
        for (const auto& [position, kind] : std::as_const(props.tabs)) {
            if (position < 0)
                continue;
            const TextTabType type = kind == 1 ? TextTabType::Center
                : kind == 2                    ? TextTabType::Right
                : kind == 3                    ? TextTabType::Decimal
                                               : TextTabType::Left;
            style.tabStops.append({ type, position / 20.0 });
        }
    }
    QTextBlockFormat format;
    AttributedText::setParagraphStyle(format, style);
    m_blockFormats.insert(paragraph, format);
    return format;
}

std::unique_ptr<QTextDocument> Reader::read(Error* error)
{
    if (!m_document.has(0, 0x22) || m_document.u16(Fib::Ident) != Ident) {
        Error::set(error, corruptError(QStringLiteral("The document has no Word header.")));
        return nullptr;
    }
    if (m_document.u16(Fib::Version) < kOldestVersion) {
        Error::set(error,
            corruptError(QStringLiteral("Documents of Word versions before 97 are not read.")));
        return nullptr;
    }
    if (m_document.u16(Fib::Flags) & Fib::EncryptedFlag) {
        Error::set(error, corruptError(QStringLiteral("The document is encrypted.")));
        return nullptr;
    }
    // Variable-length blocks of words, longs and offset pairs.
    const qint64 words = Fib::Csw + 2;
    const qint64 longsCount = words + qint64(m_document.u16(Fib::Csw)) * 2;
    if (!m_document.has(longsCount, 2)) {
        Error::set(error, corruptError(QStringLiteral("The Word header is cut short.")));
        return nullptr;
    }
    const qint64 longs = longsCount + 2;
    const qint64 pairsCount = longs + qint64(m_document.u16(longsCount)) * 4;
    if (!m_document.has(longs, 16) || !m_document.has(pairsCount, 2)) {
        Error::set(error, corruptError(QStringLiteral("The Word header is cut short.")));
        return nullptr;
    }
    m_ccpText = m_document.u32(longs + 3 * 4);
    m_pairsAt = pairsCount + 2;
    m_pairCount = m_document.u16(pairsCount);
    if (!m_document.has(m_pairsAt, qint64(m_pairCount) * 8)) {
        Error::set(error, corruptError(QStringLiteral("The Word header is cut short.")));
        return nullptr;
    }
    if (!readText(error))
        return nullptr;
    readPages(Fib::PlcfBteChpx, false, &m_characterRuns);
    readPages(Fib::PlcfBtePapx, true, &m_paragraphRuns);
    readStyles();
    readFonts();
    readLists();

    auto document = ConversionDocument::make();
    QTextCursor cursor(document.get());
    // Field codes (between a field's begin and separator marks) are hidden; results show,
    // a hyperlink's as a link to its target.
    std::vector<Field> fields;
    int hidden = 0;
    const auto currentLink = [&fields]() {
        for (auto field = fields.crbegin(); field != fields.crend(); ++field) {
            if (!field->link.isEmpty())
                return field->link;
        }
        return QString();
    };
    qsizetype paragraphStart = 0;
    while (paragraphStart < m_text.size()) {
        qsizetype mark = paragraphStart;
        while (mark < m_text.size() && m_text[mark] != QChar(0x0D) && m_text[mark] != QChar(0x07)
            && m_text[mark] != QChar(0x0C))
            ++mark;
        const Run* paragraph
            = mark < m_text.size() ? find(m_paragraphRuns, m_fcs[size_t(mark)]) : nullptr;
        const int istd = paragraph ? paragraph->istd : 0;
        cursor.setBlockFormat(blockFormat(paragraph));
        QString pending;
        const Run* pendingRun = nullptr;
        QString pendingLink;
        const auto flush = [&]() {
            if (!pending.isEmpty()) {
                QTextCharFormat format = characterFormat(pendingRun, istd);
                if (!pendingLink.isEmpty()) {
                    format.setAnchor(true);
                    format.setAnchorHref(pendingLink);
                }
                cursor.insertText(pending, format);
            }
            pending.clear();
        };
        for (qsizetype i = paragraphStart; i < mark; ++i) {
            const char16_t unit = m_text[i].unicode();
            if (unit == 0x13) {
                fields.push_back({});
                ++hidden;
                continue;
            }
            if (unit == 0x14 || unit == 0x15) {
                if (!fields.empty() && fields.back().inCode) {
                    fields.back().inCode = false;
                    fields.back().link = RtfFieldControls::hyperlinkTarget(fields.back().code);
                    --hidden;
                }
                if (unit == 0x15 && !fields.empty())
                    fields.pop_back();
                continue;
            }
            if (hidden > 0) {
                // A field's code is short; one that runs on is no instruction we read.
                if (fields.back().inCode && fields.back().code.size() < kMaximumFieldCode)
                    fields.back().code += QChar(unit);
                continue;
            }
            QChar ch(unit);
            if (unit == 0x0B || unit == QChar::ParagraphSeparator)
                ch = QChar::LineSeparator;
            else if (unit == QChar::ObjectReplacementCharacter || unit == 0xFDD0 || unit == 0xFDD1)
                continue; // the text engine's own marks for images and frames
            else if (unit == 0x1E)
                ch = QChar(0x2011);
            else if (unit == 0x1F)
                ch = QChar(0x00AD);
            const Run* run = find(m_characterRuns, m_fcs[size_t(i)]);
            if (unit == PictureMark && run) {
                const std::optional<quint32> location
                    = WordProperties::pictureLocation(run->grpprl);
                if (std::optional<TextAttachment> picture
                    = location ? WordPicture::read(m_data, *location) : std::nullopt) {
                    flush();
                    cursor.setCharFormat(characterFormat(run, istd));
                    AttributedText::insertAttachment(cursor, *picture);
                    continue;
                }
            }
            if (ch.unicode() < 0x20 && ch != u'\t')
                continue; // notes, drawings and other anchors
            QString link = currentLink();
            if (run != pendingRun || link != pendingLink)
                flush();
            pendingRun = run;
            pendingLink = std::move(link);
            pending += ch;
        }
        flush();
        addListItem(cursor, paragraph);
        paragraphStart = mark + 1;
        if (paragraphStart < m_text.size())
            cursor.insertBlock();
    }
    TextListConversion::fromQtLists(*document);
    return document;
}

struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};

std::optional<QByteArray> readStream(GsfInfile* file, const char* name, qint64 limit)
{
    std::unique_ptr<GsfInput, GObjectDeleter> child(gsf_infile_child_by_name(file, name));
    if (!child)
        return std::nullopt;
    const gsf_off_t size = gsf_input_size(child.get());
    if (size < 0 || size > limit)
        return std::nullopt;
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (size > 0
        && !gsf_input_read(child.get(), size_t(size), reinterpret_cast<guint8*>(bytes.data())))
        return std::nullopt;
    return bytes;
}

} // namespace

bool DocReader::isCompoundFile(const QByteArray& data)
{
    return data.startsWith(QByteArrayView("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
}

std::unique_ptr<QTextDocument> DocReader::read(const QByteArray& data, Error* error)
{
    static std::once_flag initialized;
    std::call_once(initialized, [] { gsf_init(); });

    if (!isCompoundFile(data)) {
        Error::set(error, corruptError(QStringLiteral("The file is not a Word document.")));
        return nullptr;
    }
    std::unique_ptr<GsfInput, GObjectDeleter> input(gsf_input_memory_new(
        reinterpret_cast<const guint8*>(data.constData()), gsf_off_t(data.size()), FALSE));
    GError* failure = nullptr;
    std::unique_ptr<GsfInfile, GObjectDeleter> file(gsf_infile_msole_new(input.get(), &failure));
    if (failure)
        g_error_free(failure);
    if (!file) {
        Error::set(error, corruptError(QStringLiteral("The compound file is damaged.")));
        return nullptr;
    }
    // No stream can be larger than the file that holds it.
    const std::optional<QByteArray> document = readStream(file.get(), DocumentStream, data.size());
    if (!document || document->size() < Fib::CbRgFcLcb) {
        Error::set(error, corruptError(QStringLiteral("The file has no Word document in it.")));
        return nullptr;
    }
    const bool table1
        = qFromLittleEndian<quint16>(document->constData() + Fib::Flags) & Fib::WhichTableFlag;
    const std::optional<QByteArray> table
        = readStream(file.get(), table1 ? Table1Stream : Table0Stream, data.size());
    if (!table) {
        Error::set(error, corruptError(QStringLiteral("The document's table stream is missing.")));
        return nullptr;
    }
    // A document without pictures has no Data stream; one that cannot be read loses only them.
    const QByteArray pictures
        = readStream(file.get(), DataStream, data.size()).value_or(QByteArray());
    return Reader(*document, *table, pictures).read(error);
}

} // namespace platform
