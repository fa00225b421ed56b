#include "DocWriter.h"

#include "AttributedText.h"
#include "DocListTables.h"
#include "ExportedFontFamily.h"
#include "ExportedPicture.h"
#include "RtfListLevel.h"
#include "TextListConversion.h"
#include "WordBinary.h"
#include "WordOutput.h"
#include "WordPicture.h"
#include "platform/foundation/Localized.h"

#include <QHash>
#include <QStringList>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QtEndian>

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-utils.h>

#include <algorithm>
#include <cmath>
#include <mutex>
#include <vector>

namespace platform {

namespace {

using namespace WordBinary;
using Out = WordOutput;

constexpr quint32 kTextStart = 0x400;
// The most a Chpx's one-byte count and a font name's entry can hold.
constexpr int kMaximumFontNameLength = 100;
constexpr int kMaximumTabs = 64;
constexpr qsizetype kMinimumStreamSize = 4096;

int twips(double points)
{
    return int(std::lround(std::clamp(points * 20.0, -31680.0, 31680.0)));
}

quint8 nearestIco(const QColor& color)
{
    int best = 0;
    long bestDistance = -1;
    for (int i = 0; i < 16; ++i) {
        const quint32 rgb = IcoColors[i];
        const long dr = color.red() - long((rgb >> 16) & 0xFF);
        const long dg = color.green() - long((rgb >> 8) & 0xFF);
        const long db = color.blue() - long(rgb & 0xFF);
        const long distance = dr * dr + dg * dg + db * db;
        if (bestDistance < 0 || distance < bestDistance) {
            bestDistance = distance;
            best = i;
        }
    }
    return quint8(best + 1);
}

quint8 kul(int mask)
{
    if (mask == 0)
        return Kul::None;
    if (mask & 0x8000)
        return Kul::Words;
    if ((mask & 0xFF) == 0x09)
        return Kul::Double;
    if ((mask & 0xFF) == 0x02)
        return Kul::Thick;
    if ((mask & 0x0F00) == 0x0100)
        return Kul::Dotted;
    if (mask & 0x0F00)
        return Kul::Dash;
    return Kul::Single;
}

// The nesting level of a Qt list's items (0 = outermost).
int listLevel(const QTextList* list)
{
    return std::clamp(list->format().indent() - 1, 0, RtfListLevel::MaximumLevels - 1);
}

// A run of equal character properties or one paragraph, in characters of the written text.
struct Span {
    qsizetype end = 0;
    QByteArray grpprl;
};

class Writer {
public:
    explicit Writer(const QTextDocument& doc) : m_doc(doc) { }

    // The WordDocument stream, with a provisional information block.
    QByteArray documentStream();
    QByteArray tableStream();
    const QByteArray& fib() const { return m_fib; }
    // The Data stream: the pictures' records; empty without pictures.
    const QByteArray& data() const { return m_data; }

private:
    void collect();
    const QByteArray& characterSprms(int formatIndex);
    const QByteArray& paragraphSprms(int formatIndex);
    int fontIndex(const QString& family);
    void addCharacters(QStringView text, int formatIndex);
    void addRun(const QByteArray& grpprl);
    // A special character (a picture's or a field's mark) with properties of its own added.
    void addSpecial(char16_t mark, int formatIndex, const QByteArray& properties = {});
    void addPicture(const QTextCharFormat& format, int formatIndex);
    // A hyperlink is a field: its code between the begin and separator marks, the link's text
    // as its result, then the end mark.
    void openLink(const QString& href, int formatIndex);
    void closeLink(int formatIndex);
    QByteArray fieldTable() const;
    QByteArray fkpPages(
        const std::vector<Span>& spans, bool paragraphs, std::vector<quint32>* boundaries);
    QByteArray stylesheet() const;
    QByteArray fontTable() const;
    QByteArray sectionProperties() const;

    void pair(int index, quint32 offset, quint32 length)
    {
        Out::set32(m_fib, Fib::FcLcbBase + index * 8, offset);
        Out::set32(m_fib, Fib::FcLcbBase + index * 8 + 4, length);
    }

    const QTextDocument& m_doc;
    QList<QTextFormat> m_formats;
    QString m_text;
    std::vector<Span> m_runs;
    std::vector<Span> m_paragraphs;
    QHash<int, QByteArray> m_characterSprms;
    QHash<int, QByteArray> m_paragraphSprms;
    QStringList m_fonts;
    QString m_systemFamily;
    double m_systemSize = 12;
    QByteArray m_fib;
    quint32 m_sepx = 0;
    std::vector<quint32> m_chpxBoundaries;
    std::vector<quint32> m_papxBoundaries;
    quint32 m_firstChpxPage = 0;
    quint32 m_firstPapxPage = 0;
    DocListTables m_lists;
    QByteArray m_data;
    // Each field mark's place in the text and its two descriptor bytes.
    std::vector<std::pair<quint32, quint16>> m_fieldMarks;
};

int Writer::fontIndex(const QString& family)
{
    const QString name = ExportedFontFamily::of(family).left(kMaximumFontNameLength);
    const qsizetype found = m_fonts.indexOf(name);
    if (found >= 0)
        return int(found);
    m_fonts.append(name);
    return int(m_fonts.size() - 1);
}

const QByteArray& Writer::characterSprms(int formatIndex)
{
    if (const auto found = m_characterSprms.constFind(formatIndex);
        found != m_characterSprms.cend())
        return *found;
    const QTextCharFormat format = formatIndex >= 0 && formatIndex < m_formats.size()
        ? m_formats[formatIndex].toCharFormat()
        : QTextCharFormat();
    QByteArray grpprl;
    const QString family = format.fontFamilies().toStringList().value(0);
    const quint16 ftc = quint16(fontIndex(family.isEmpty() ? m_systemFamily : family));
    Out::sprm16(grpprl, Sprm::CRgFtc0, ftc);
    Out::sprm16(grpprl, Sprm::CRgFtc1, ftc);
    Out::sprm16(grpprl, Sprm::CRgFtc2, ftc);
    const double size = AttributedText::fontPointSize(format);
    Out::sprm16(grpprl, Sprm::CHps,
        quint16(std::clamp(std::lround((size > 0 ? size : m_systemSize) * 2.0), 2L, 3276L)));
    if (format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= QFont::DemiBold)
        Out::sprm8(grpprl, Sprm::CFBold, 1);
    if (format.fontItalic())
        Out::sprm8(grpprl, Sprm::CFItalic, 1);
    if (const quint8 underline = kul(AttributedText::underlineStyle(format)))
        Out::sprm8(grpprl, Sprm::CKul, underline);
    if (const int strike = AttributedText::strikethroughStyle(format))
        Out::sprm8(grpprl, (strike & 0xFF) == 0x09 ? Sprm::CFDStrike : Sprm::CFStrike, 1);
    if (format.hasProperty(QTextFormat::ForegroundBrush)) {
        const QColor color = format.foreground().color();
        Out::sprm8(grpprl, Sprm::CIco, nearestIco(color));
        // A COLORREF: red in the lowest byte, the top byte 0 for a set colour.
        Out::sprm32(grpprl, Sprm::CCv,
            quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16);
    }
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        Out::sprm8(grpprl, Sprm::CIss, 1);
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        Out::sprm8(grpprl, Sprm::CIss, 2);
    return *m_characterSprms.insert(formatIndex, grpprl);
}

const QByteArray& Writer::paragraphSprms(int formatIndex)
{
    if (const auto found = m_paragraphSprms.constFind(formatIndex);
        found != m_paragraphSprms.cend())
        return *found;
    const QTextBlockFormat format = formatIndex >= 0 && formatIndex < m_formats.size()
        ? m_formats[formatIndex].toBlockFormat()
        : QTextBlockFormat();
    const ParagraphStyle style = AttributedText::hasParagraphStyle(format)
        ? AttributedText::paragraphStyle(format)
        : AttributedText::defaultParagraphStyle();
    QByteArray grpprl;
    switch (style.alignment) {
    case TextAlignment::Center:
        Out::sprm8(grpprl, Sprm::PJc80, 1);
        break;
    case TextAlignment::Right:
        Out::sprm8(grpprl, Sprm::PJc80, 2);
        break;
    case TextAlignment::Justified:
        Out::sprm8(grpprl, Sprm::PJc80, 3);
        break;
    case TextAlignment::Left:
    case TextAlignment::Natural:
        break;
    }
    const int left = twips(style.headIndent);
    if (left != 0)
        Out::sprm16(grpprl, Sprm::PDxaLeft80, quint16(qint16(left)));
    if (const int first = twips(style.firstLineHeadIndent) - left; first != 0)
        Out::sprm16(grpprl, Sprm::PDxaLeft180, quint16(qint16(std::clamp(first, -31680, 31680))));
    // A tail indent above zero counts from the leading margin; Word has no such indent.
    if (const int right = twips(-style.tailIndent); right > 0)
        Out::sprm16(grpprl, Sprm::PDxaRight80, quint16(qint16(right)));
    if (const int before = twips(style.paragraphSpacingBefore); before > 0)
        Out::sprm16(grpprl, Sprm::PDyaBefore, quint16(before));
    if (const int after = twips(style.paragraphSpacing); after > 0)
        Out::sprm16(grpprl, Sprm::PDyaAfter, quint16(after));
    const bool exact
        = style.minimumLineHeight > 0 && style.minimumLineHeight == style.maximumLineHeight;
    if (style.lineHeightMultiple > 0 || style.minimumLineHeight > 0) {
        // Line spacing: 240ths of a line with the multiple flag, else twips, negative when exact.
        qint16 line = 0;
        quint16 multiple = 0;
        if (style.lineHeightMultiple > 0) {
            line = qint16(std::clamp(std::lround(style.lineHeightMultiple * 240.0), 1L, 31680L));
            multiple = 1;
        } else {
            line = qint16(exact ? -twips(style.minimumLineHeight) : twips(style.minimumLineHeight));
        }
        Out::put16(grpprl, Sprm::PDyaLine);
        Out::put16(grpprl, quint16(line));
        Out::put16(grpprl, multiple);
    }
    QList<TextTab> tabs = style.tabStops;
    std::sort(tabs.begin(), tabs.end(),
        [](const TextTab& a, const TextTab& b) { return a.location < b.location; });
    tabs.erase(std::unique(tabs.begin(), tabs.end(),
                   [](const TextTab& a, const TextTab& b) {
                       return twips(a.location) == twips(b.location);
                   }),
        tabs.end());
    if (tabs.size() > kMaximumTabs)
        tabs.resize(kMaximumTabs);
    if (!tabs.isEmpty()) {
        Out::put16(grpprl, Sprm::PChgTabsPapx);
        grpprl.append(char(2 + 3 * tabs.size()));
        grpprl.append(char(0)); // none deleted
        grpprl.append(char(tabs.size()));
        for (const TextTab& tab : tabs)
            Out::put16(grpprl, quint16(qint16(twips(tab.location))));
        for (const TextTab& tab : tabs) {
            switch (tab.type) {
            case TextTabType::Left:
                grpprl.append(char(0));
                break;
            case TextTabType::Center:
                grpprl.append(char(1));
                break;
            case TextTabType::Right:
                grpprl.append(char(2));
                break;
            case TextTabType::Decimal:
                grpprl.append(char(3));
                break;
            }
        }
    }
    return *m_paragraphSprms.insert(formatIndex, grpprl);
}

void Writer::addCharacters(QStringView text, int formatIndex)
{
    const qsizetype before = m_text.size();
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u == QChar::LineSeparator)
            m_text += QChar(0x0B);
        else if (u == QChar::ParagraphSeparator || u == 0x0D)
            m_text += QChar(0x0B);
        else if (u == u'\t' || (u >= 0x20 && u != QChar::ObjectReplacementCharacter))
            m_text += ch;
        // Other controls have meanings of their own in Word's text; pictures and fields are
        // marked apart.
    }
    if (m_text.size() == before)
        return;
    addRun(characterSprms(formatIndex));
}

void Writer::addRun(const QByteArray& grpprl)
{
    if (!m_runs.empty() && m_runs.back().grpprl == grpprl)
        m_runs.back().end = m_text.size();
    else
        m_runs.push_back({ m_text.size(), grpprl });
}

void Writer::addSpecial(char16_t mark, int formatIndex, const QByteArray& properties)
{
    m_text += QChar(mark);
    QByteArray grpprl = characterSprms(formatIndex);
    Out::sprm8(grpprl, Sprm::CFSpec, 1);
    addRun(grpprl + properties);
}

void Writer::addPicture(const QTextCharFormat& format, int formatIndex)
{
    const std::optional<ExportedPicture> picture
        = ExportedPicture::fromAttachment(AttributedText::attachment(m_doc, format));
    if (!picture)
        return;
    const QByteArray record = WordPicture::record(*picture);
    if (record.isEmpty())
        return;
    QByteArray location;
    Out::sprm32(location, Sprm::CPicLocation, quint32(m_data.size()));
    m_data += record;
    addSpecial(PictureMark, formatIndex, location);
}

void Writer::openLink(const QString& href, int formatIndex)
{
    m_fieldMarks.push_back({ quint32(m_text.size()), quint16(FieldBegin | HyperlinkField << 8) });
    addSpecial(FieldBegin, formatIndex);
    QString target = href;
    target.replace(u'"', QLatin1StringView("%22"));
    addCharacters(QStringLiteral(" HYPERLINK \"%1\" ").arg(target), formatIndex);
    m_fieldMarks.push_back({ quint32(m_text.size()), quint16(FieldSeparator | 0xFF00) });
    addSpecial(FieldSeparator, formatIndex);
}

void Writer::closeLink(int formatIndex)
{
    // The end mark says that the field has a separator.
    m_fieldMarks.push_back({ quint32(m_text.size()), quint16(FieldEnd | 0x8000) });
    addSpecial(FieldEnd, formatIndex);
}

QByteArray Writer::fieldTable() const
{
    QByteArray plc;
    for (const auto& mark : m_fieldMarks)
        Out::put32(plc, mark.first);
    Out::put32(plc, quint32(m_text.size()));
    for (const auto& mark : m_fieldMarks)
        Out::put16(plc, mark.second);
    return plc;
}

void Writer::collect()
{
    m_formats = m_doc.allFormats();
    const QFont system = AttributedText::systemFont();
    m_systemFamily = system.family();
    m_systemSize = system.pointSizeF() > 0 ? system.pointSizeF() : 12.0;
    fontIndex(m_systemFamily);
    // Each outermost Qt list is a Word list of its own, which its nested lists join: a
    // reader numbers a Word list on past plain paragraphs and other lists.
    QHash<const QTextList*, qsizetype> wordLists;
    qsizetype current = 0;
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
        const QString blockText = block.text();
        int offset = 0;
        QString link;
        int linkFormat = -1;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const QString href = format.isAnchor() ? format.anchorHref() : QString();
            if (href != link) {
                if (!link.isEmpty())
                    closeLink(linkFormat);
                link = href;
                linkFormat = fragment.charFormatIndex();
                if (!link.isEmpty())
                    openLink(link, linkFormat);
            }
            if (AttributedText::isAttachment(format)) {
                for (int i = 0; i < fragment.length(); ++i)
                    addPicture(format, fragment.charFormatIndex());
            } else {
                addCharacters(QStringView(blockText).mid(offset, fragment.length()),
                    fragment.charFormatIndex());
            }
            offset += fragment.length();
        }
        // A field ends in the paragraph it began in.
        if (!link.isEmpty())
            closeLink(linkFormat);
        // The paragraph mark carries the paragraph's own character format.
        m_text += QChar(0x0D);
        addRun(characterSprms(block.charFormatIndex()));
        QByteArray paragraph = paragraphSprms(block.blockFormatIndex());
        if (const QTextList* list = block.textList()) {
            const int level = listLevel(list);
            if (level == 0 || current == 0) {
                auto found = wordLists.find(list);
                if (found == wordLists.end())
                    found = wordLists.insert(list, m_lists.addList());
                current = *found;
            }
            m_lists.useLevel(current, level, list->format());
            // The level first: readers apply the list as soon as they meet it.
            Out::sprm8(paragraph, Sprm::PIlvl, quint8(level));
            Out::sprm16(paragraph, Sprm::PIlfo, quint16(current));
        }
        m_paragraphs.push_back({ m_text.size(), paragraph });
    }
}

// Formatted disk pages: each holds the text offsets of its runs, one property entry per run
// (paragraph entries are 13 bytes, character ones 1) and the properties, packed from the page's
// end at even offsets, with the run count in the last byte.
QByteArray Writer::fkpPages(
    const std::vector<Span>& spans, bool paragraphs, std::vector<quint32>* boundaries)
{
    const int entrySize = paragraphs ? 13 : 1;
    QByteArray pages;
    std::vector<quint32> fcs;
    std::vector<quint8> offsets;
    QByteArray page(PageSize, '\0');
    int top = PageSize - 1;

    const auto flush = [&]() {
        const int count = int(offsets.size());
        for (int i = 0; i <= count; ++i)
            Out::set32(page, i * 4, fcs[size_t(i)]);
        for (int i = 0; i < count; ++i)
            page[(count + 1) * 4 + i * entrySize] = char(offsets[size_t(i)]);
        page[PageSize - 1] = char(count);
        pages += page;
        boundaries->push_back(fcs.front());
        page.fill('\0');
        top = PageSize - 1;
        const quint32 last = fcs.back();
        fcs.assign(1, last);
        offsets.clear();
    };

    quint32 start = kTextStart;
    fcs.push_back(start);
    for (const Span& span : spans) {
        const quint32 end = kTextStart + quint32(span.end) * 2;
        QByteArray entry;
        if (paragraphs) {
            // Style index 0 (Normal), then the paragraph's own properties; the length byte
            // counts words, with a second length byte when the size is even.
            const int size = 2 + int(span.grpprl.size());
            if (size % 2)
                entry.append(char((size + 1) / 2));
            else
                entry.append(char(0)).append(char(size / 2));
            Out::put16(entry, 0);
            entry += span.grpprl;
        } else if (!span.grpprl.isEmpty()) {
            entry.append(char(span.grpprl.size()));
            entry += span.grpprl;
        }
        for (;;) {
            const int count = int(offsets.size());
            const int header = (count + 2) * 4 + (count + 1) * entrySize;
            const int place = entry.isEmpty() ? top : (top - int(entry.size())) & ~1;
            if (place >= header) {
                if (!entry.isEmpty()) {
                    std::copy(entry.cbegin(), entry.cend(), page.begin() + place);
                    top = place;
                }
                offsets.push_back(entry.isEmpty() ? 0 : quint8(place / 2));
                fcs.push_back(end);
                break;
            }
            flush();
        }
    }
    if (!offsets.empty())
        flush();
    boundaries->push_back(fcs.back());
    return pages;
}

QByteArray Writer::sectionProperties() const
{
    const DocumentAttributes attributes = AttributedText::documentAttributes(m_doc);
    const QSizeF paper = attributes.paperSize.isValid() && !attributes.paperSize.isEmpty()
        ? attributes.paperSize
        : QSizeF(595.3, 841.9); // A4
    const auto margin = [](double value) { return value >= 0 ? value : 72.0; };
    QByteArray grpprl;
    Out::sprm16(grpprl, Sprm::SXaPage, quint16(twips(paper.width())));
    Out::sprm16(grpprl, Sprm::SYaPage, quint16(twips(paper.height())));
    Out::sprm16(grpprl, Sprm::SDxaLeft, quint16(twips(margin(attributes.margins.left()))));
    Out::sprm16(grpprl, Sprm::SDxaRight, quint16(twips(margin(attributes.margins.right()))));
    Out::sprm16(grpprl, Sprm::SDyaTop, quint16(twips(margin(attributes.margins.top()))));
    Out::sprm16(grpprl, Sprm::SDyaBottom, quint16(twips(margin(attributes.margins.bottom()))));
    QByteArray sepx;
    Out::put16(sepx, quint16(grpprl.size()));
    return sepx + grpprl;
}

QByteArray Writer::documentStream()
{
    collect();
    m_fib = QByteArray(Fib::Size, '\0');
    Out::set16(m_fib, Fib::Ident, Ident);
    Out::set16(m_fib, Fib::Version, Word97Version);
    Out::set16(m_fib, 0x06, 0x0409); // language
    // The table is 1Table; characters may be beyond Windows-1252.
    Out::set16(m_fib, Fib::Flags, Fib::WhichTableFlag | 0x1000);
    Out::set16(m_fib, 0x0C, 0x00BF); // oldest version that reads the file
    Out::set16(m_fib, Fib::Csw, 14);
    Out::set16(m_fib, 0x22 + 13 * 2, 0x0409); // Far East language
    Out::set16(m_fib, 0x3E, 22); // count of long values
    Out::set16(m_fib, Fib::CbRgFcLcb, Fib::PairCount);

    QByteArray stream = m_fib;
    stream.append(int(kTextStart) - stream.size(), '\0');
    for (const QChar ch : std::as_const(m_text))
        Out::put16(stream, ch.unicode());
    const quint32 textEnd = quint32(stream.size());
    m_sepx = textEnd;
    stream += sectionProperties();
    Out::padTo(stream, PageSize);
    m_firstChpxPage = quint32(stream.size() / PageSize);
    stream += fkpPages(m_runs, false, &m_chpxBoundaries);
    m_firstPapxPage = quint32(stream.size() / PageSize);
    stream += fkpPages(m_paragraphs, true, &m_papxBoundaries);

    // Old readers find the text between these two offsets.
    Out::set32(m_fib, 0x18, kTextStart);
    Out::set32(m_fib, 0x1C, textEnd);
    Out::set32(m_fib, 0x40, quint32(stream.size())); // bytes in use
    // Readers expect the stream in the compound file's large blocks, which start at 4096 bytes.
    if (stream.size() < kMinimumStreamSize)
        stream.append(kMinimumStreamSize - stream.size(), '\0');
    Out::set32(m_fib, Fib::CcpText, quint32(m_text.size()));
    const quint32 chpxPages = quint32(m_chpxBoundaries.size() - 1);
    const quint32 papxPages = quint32(m_papxBoundaries.size() - 1);
    Out::set32(m_fib, 0x40 + 11 * 4, m_firstChpxPage);
    Out::set32(m_fib, 0x40 + 12 * 4, m_firstChpxPage);
    Out::set32(m_fib, 0x40 + 13 * 4, chpxPages);
    Out::set32(m_fib, 0x40 + 14 * 4, m_firstPapxPage);
    Out::set32(m_fib, 0x40 + 15 * 4, m_firstPapxPage);
    Out::set32(m_fib, 0x40 + 16 * 4, papxPages);
    return stream;
}

QByteArray Writer::stylesheet() const
{
    const auto style = [](quint16 sti, quint16 kind, quint16 next, const QString& name,
                           const QByteArray& paragraph, const QByteArray& character) {
        QByteArray std;
        Out::put16(std, sti);
        Out::put16(std, quint16(0xFFF0 | kind)); // based on no style
        Out::put16(std, quint16(next << 4 | (kind == 1 ? 2 : 1)));
        Out::put16(std, 0); // filled in below
        Out::put16(std, 0);
        Out::put16(std, quint16(name.size()));
        for (const QChar ch : name)
            Out::put16(std, ch.unicode());
        Out::put16(std, 0);
        if (kind == 1) {
            Out::padTo(std, 2);
            Out::put16(std, quint16(2 + paragraph.size()));
            Out::put16(std, 0);
            std += paragraph;
        }
        Out::padTo(std, 2);
        Out::put16(std, quint16(character.size()));
        std += character;
        Out::padTo(std, 2);
        Out::set16(std, 6, quint16(std.size()));
        QByteArray entry;
        Out::put16(entry, quint16(std.size()));
        return entry + std;
    };

    QByteArray normalCharacters;
    Out::sprm16(normalCharacters, Sprm::CRgFtc0, 0);
    Out::sprm16(normalCharacters, Sprm::CHps, quint16(std::lround(m_systemSize * 2.0)));

    QByteArray out;
    constexpr quint16 kStyleCount = 15;
    Out::put16(out, 18); // size of the header that follows
    Out::put16(out, kStyleCount);
    Out::put16(out, 10); // size of each style's fixed part
    Out::put16(out, 1); // built-in style names are written
    Out::put16(out, 0x5B); // highest built-in style identifier known
    Out::put16(out, kStyleCount); // fixed style slots
    Out::put16(out, 0);
    Out::put16(out, 0);
    Out::put16(out, 0);
    Out::put16(out, 0);
    for (quint16 istd = 0; istd < kStyleCount; ++istd) {
        if (istd == 0)
            out += style(0, 1, 0, QStringLiteral("Normal"), QByteArray(), normalCharacters);
        else if (istd == 10)
            out += style(
                65, 2, 10, QStringLiteral("Default Paragraph Font"), QByteArray(), QByteArray());
        else
            Out::put16(out, 0);
    }
    return out;
}

QByteArray Writer::fontTable() const
{
    QByteArray out;
    Out::put16(out, quint16(m_fonts.size()));
    Out::put16(out, 0);
    for (const QString& name : m_fonts) {
        QByteArray ffn;
        ffn.append(char(0x26)); // variable pitch, TrueType, sans-serif family
        Out::put16(ffn, 400);
        ffn.append(char(0)); // ANSI character set
        ffn.append(char(0));
        ffn.append(10 + 24, '\0'); // no PANOSE numbers, no font signature
        for (const QChar ch : name)
            Out::put16(ffn, ch.unicode());
        Out::put16(ffn, 0);
        out.append(char(ffn.size()));
        out += ffn;
    }
    return out;
}

QByteArray Writer::tableStream()
{
    QByteArray table;
    const auto place = [&](int index, const QByteArray& part) {
        pair(index, quint32(table.size()), quint32(part.size()));
        table += part;
    };
    const QByteArray styles = stylesheet();
    pair(0, 0, quint32(styles.size())); // the original stylesheet is the same one
    place(Fib::Stshf, styles);

    const auto binTable = [](const std::vector<quint32>& boundaries, quint32 firstPage) {
        QByteArray plc;
        for (const quint32 fc : boundaries)
            Out::put32(plc, fc);
        for (size_t i = 0; i + 1 < boundaries.size(); ++i)
            Out::put32(plc, firstPage + quint32(i));
        return plc;
    };
    place(Fib::PlcfBteChpx, binTable(m_chpxBoundaries, m_firstChpxPage));
    place(Fib::PlcfBtePapx, binTable(m_papxBoundaries, m_firstPapxPage));
    place(Fib::SttbfFfn, fontTable());

    QByteArray dop(500, '\0');
    dop[0] = char(0x02); // widow control
    Out::set16(dop, 8, 720); // default tab interval, half an inch
    place(Fib::Dop, dop);

    const quint32 characters = quint32(m_text.size());
    QByteArray clx;
    clx.append(char(0x02));
    Out::put32(clx, 16);
    Out::put32(clx, 0);
    Out::put32(clx, characters);
    Out::put16(clx, 0);
    Out::put32(clx, kTextStart); // Unicode: the compressed flag is clear
    Out::put16(clx, 0);
    place(Fib::Clx, clx);

    QByteArray sections;
    Out::put32(sections, 0);
    Out::put32(sections, characters);
    Out::put16(sections, 0);
    Out::put32(sections, m_sepx);
    Out::put16(sections, 0);
    Out::put32(sections, 0xFFFFFFFF);
    place(Fib::PlcfSed, sections);

    if (!m_lists.isEmpty()) {
        place(Fib::PlfLst, m_lists.listTable());
        table += m_lists.listLevels();
        place(Fib::PlfLfo, m_lists.listOverrides());
    }
    if (!m_fieldMarks.empty())
        place(Fib::PlcfFldMom, fieldTable());
    return table;
}

struct GObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};

bool writeStream(GsfOutfile* file, const char* name, const QByteArray& data)
{
    std::unique_ptr<GsfOutput, GObjectDeleter> child(gsf_outfile_new_child(file, name, FALSE));
    if (!child)
        return false;
    const bool written = gsf_output_write(
        child.get(), size_t(data.size()), reinterpret_cast<const guint8*>(data.constData()));
    return gsf_output_close(child.get()) && written;
}

} // namespace

std::optional<QByteArray> DocWriter::write(const QTextDocument& doc, Error* error)
{
    static std::once_flag initialized;
    std::call_once(initialized, [] { gsf_init(); });

    // Word numbers list items itself: they go out as members of lists without marker runs.
    const auto lists = TextListConversion::toQtLists(doc);
    Writer writer(*lists);
    // The document stream first: it fills in the offsets the table stream records.
    QByteArray document = writer.documentStream();
    const QByteArray table = writer.tableStream();
    // Only now does the information block know every offset in the table stream.
    document.replace(0, Fib::Size, writer.fib());

    std::unique_ptr<GsfOutput, GObjectDeleter> memory(gsf_output_memory_new());
    std::unique_ptr<GsfOutfile, GObjectDeleter> file(gsf_outfile_msole_new(memory.get()));
    bool ok = file && writeStream(file.get(), DocumentStream, document)
        && writeStream(file.get(), Table1Stream, table)
        && (writer.data().isEmpty() || writeStream(file.get(), DataStream, writer.data()));
    if (file)
        ok = gsf_output_close(GSF_OUTPUT(file.get())) && ok;
    if (!ok) {
        Error::set(error,
            Error(kCocoaErrorDomain, FileWriteUnknownError,
                localized(QStringLiteral("The file could not be saved.")),
                QStringLiteral("The Word document could not be assembled.")));
        return std::nullopt;
    }
    const gsf_off_t size = gsf_output_size(memory.get());
    const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(memory.get()));
    return QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size));
}

} // namespace platform
