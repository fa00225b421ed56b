#include "RtfWriter.h"

#include "AttributedText.h"
#include "ExportedFontFamily.h"
#include "RtfCodePage.h"
#include "RtfListLevel.h"
#include "TextListMarkers.h"

#include <QBuffer>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

namespace platform {

namespace {

constexpr int kCodePage = 1252;

// UTF-16 unit -> code page 1252 byte, 0 where the page has none.
const std::array<unsigned char, 0x10000>& encodeTable()
{
    static const auto table = [] {
        auto result = std::make_unique<std::array<unsigned char, 0x10000>>();
        result->fill(0);
        const RtfCodePage::Table* decode = RtfCodePage::singleByteTable(kCodePage);
        for (int byte = 0xFF; byte >= 0x80; --byte) {
            const char16_t c = (*decode)[byte];
            if (c >= 0x80 && c != 0xFFFD)
                (*result)[c] = static_cast<unsigned char>(byte);
        }
        return result;
    }();
    return *table;
}

void appendNumber(std::string& out, long long value)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr - buffer);
}

void appendControl(std::string& out, const char* word, long long value)
{
    out += '\\';
    out += word;
    appendNumber(out, value);
}

// \'hh: one byte in hex.
void appendByte(std::string& out, unsigned char byte)
{
    static const char hex[] = "0123456789abcdef";
    const char escape[4] = { '\\', '\'', hex[byte >> 4], hex[byte & 0x0F] };
    out.append(escape, 4);
}

// Rounds to an int, clamped so that damaged values from a read file cannot overflow.
int roundToInt(double value)
{
    if (std::isnan(value))
        return 0;
    return int(std::lround(std::clamp(value, -1e9, 1e9)));
}

int twips(double points)
{
    return roundToInt(points * 20.0);
}

struct CharProps {
    int font = 0;
    int sizeMilli = 0;
    bool bold = false;
    bool italic = false;
    int underline = 0;
    int underlineColor = 0;
    int strike = 0;
    int strikeColor = 0;
    int foreground = 0;
    int background = 0;
    int superscript = 0;
    int baselineHalfPoints = 0;
    bool kerningOff = false;
    int letterSpacing = 0; // twips
    bool noLigatures = false;
    QString link;
    bool attachment = false;
};

bool sameAppearance(const CharProps& a, const CharProps& b)
{
    return a.font == b.font && a.sizeMilli == b.sizeMilli && a.bold == b.bold
        && a.italic == b.italic && a.foreground == b.foreground && a.background == b.background
        && a.underline == b.underline && a.underlineColor == b.underlineColor
        && a.strike == b.strike && a.strikeColor == b.strikeColor && a.superscript == b.superscript
        && a.baselineHalfPoints == b.baselineHalfPoints && a.kerningOff == b.kerningOff
        && a.letterSpacing == b.letterSpacing && a.noLigatures == b.noLigatures;
}

// Where a list item goes: an RTF list (numbered from 1, as \ls and \listid count), a level,
// and how many characters of the paragraph are its marker run.
struct ListItem {
    int list = 0;
    int level = 0;
    int markerLength = 0;
};

class Writer {
public:
    Writer(const QTextDocument& doc, QList<QPair<QString, QByteArray>>* files)
        : m_doc(doc), m_files(files), m_encode(encodeTable())
    { }

    QByteArray run();

private:
    const CharProps& props(int formatIndex);
    int fontIndex(const QString& family);
    int colorIndex(const QColor& color);
    const std::string& paragraphControls(int blockFormatIndex);
    std::optional<ListItem> listItem(const QTextBlock& block);
    void writeListTables(std::string& out) const;
    void writeChanges(const CharProps& target);
    void writeText(QStringView text) { writeText(m_body, text); }
    void writeText(std::string& out, QStringView text) const;
    void writeAttachment(const QTextCharFormat& format);
    void openLink(const QString& url);
    void closeLink();

    const QTextDocument& m_doc;
    QList<QPair<QString, QByteArray>>* m_files;
    const std::array<unsigned char, 0x10000>& m_encode;
    QVector<QTextFormat> m_formats;
    std::vector<int> m_propsIndex;
    std::vector<CharProps> m_props;
    QHash<int, std::string> m_paragraphs;
    QStringList m_fontNames;
    QHash<QString, int> m_fontIndex;
    QList<QColor> m_colors;
    QHash<quint64, int> m_colorIndex;
    QSet<QString> m_fileNames;
    QString m_systemFamily;
    int m_systemSizeMilli = 13000;

    // std::string appends inline, which matters here: the editor writes notes back on edits.
    std::string m_body;
    CharProps m_current;
    bool m_haveCurrent = false;
    CharProps m_outsideLink;
    bool m_inLink = false;
    // Each RTF list's marker format by level.
    std::vector<QStringList> m_lists;
    int m_previousList = -1; // the RTF list of the previous paragraph when it was an item
};

// Faces are named by family, as other programs look them up; bold and italic go with \b and
// \i, so a reader never falls back to another face for a styled run.
int Writer::fontIndex(const QString& family)
{
    const QString name = ExportedFontFamily::of(family);
    const auto found = m_fontIndex.constFind(name);
    if (found != m_fontIndex.constEnd())
        return *found;
    const int index = int(m_fontNames.size());
    m_fontNames.append(name);
    m_fontIndex.insert(name, index);
    return index;
}

int Writer::colorIndex(const QColor& color)
{
    const quint64 key = color.rgba64();
    const auto found = m_colorIndex.constFind(key);
    if (found != m_colorIndex.constEnd())
        return *found;
    m_colors.append(color);
    const int index = int(m_colors.size()); // entry 0 is "auto"
    m_colorIndex.insert(key, index);
    return index;
}

const CharProps& Writer::props(int formatIndex)
{
    if (formatIndex < 0 || formatIndex >= int(m_propsIndex.size()))
        formatIndex = 0;
    if (m_propsIndex.empty() || m_propsIndex[formatIndex] >= 0)
        return m_props[m_propsIndex.empty() ? 0 : m_propsIndex[formatIndex]];
    const QTextCharFormat format = m_formats[formatIndex].toCharFormat();
    CharProps p;
    const QStringList families = format.fontFamilies().toStringList();
    p.bold = format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= QFont::DemiBold;
    p.italic = format.fontItalic();
    p.font = fontIndex(families.value(0));
    const double pointSize = AttributedText::fontPointSize(format);
    p.sizeMilli = pointSize > 0 ? roundToInt(pointSize * 1000.0) : m_systemSizeMilli;
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        p.foreground = colorIndex(format.foreground().color());
    if (format.hasProperty(QTextFormat::BackgroundBrush))
        p.background = colorIndex(format.background().color());
    p.underline = AttributedText::underlineStyle(format);
    if (format.hasProperty(QTextFormat::TextUnderlineColor))
        p.underlineColor = colorIndex(format.underlineColor());
    p.strike = AttributedText::strikethroughStyle(format);
    if (format.hasProperty(AttributedText::StrikethroughColorProperty))
        p.strikeColor = colorIndex(
            format.property(AttributedText::StrikethroughColorProperty).value<QColor>());
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        p.superscript = 1;
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        p.superscript = -1;
    p.baselineHalfPoints
        = roundToInt(format.doubleProperty(AttributedText::BaselineOffsetProperty) * 2.0);
    p.kerningOff = format.hasProperty(QTextFormat::FontKerning) && !format.fontKerning();
    p.letterSpacing = twips(AttributedText::letterSpacing(format));
    p.noLigatures = AttributedText::ligature(format) == 0;
    if (format.isAnchor())
        p.link = format.anchorHref();
    p.attachment = AttributedText::isAttachment(format);
    m_propsIndex[formatIndex] = int(m_props.size());
    m_props.push_back(std::move(p));
    return m_props.back();
}

const std::string& Writer::paragraphControls(int blockFormatIndex)
{
    const auto found = m_paragraphs.constFind(blockFormatIndex);
    if (found != m_paragraphs.constEnd())
        return *found;
    const QTextBlockFormat format = blockFormatIndex >= 0 && blockFormatIndex < m_formats.size()
        ? m_formats[blockFormatIndex].toBlockFormat()
        : QTextBlockFormat();
    const ParagraphStyle style = AttributedText::hasParagraphStyle(format)
        ? AttributedText::paragraphStyle(format)
        : AttributedText::defaultParagraphStyle();
    const int li = twips(style.headIndent);
    const int fi = twips(style.firstLineHeadIndent) - li;
    std::string out = "\\pard";
    for (const TextTab& tab : style.tabStops) {
        switch (tab.type) {
        case TextTabType::Right:
            out.append("\\tqr");
            break;
        case TextTabType::Center:
            out.append("\\tqc");
            break;
        case TextTabType::Decimal:
            out.append("\\tqdec");
            break;
        case TextTabType::Left:
            break;
        }
        appendControl(out, "tx", twips(tab.location));
    }
    if (li != 0)
        appendControl(out, "li", li);
    if (fi != 0)
        appendControl(out, "fi", fi);
    if (const int ri = twips(-style.tailIndent); ri > 0)
        appendControl(out, "ri", ri);
    if (const int sb = twips(style.paragraphSpacingBefore); sb != 0)
        appendControl(out, "sb", sb);
    if (const int sa = twips(style.paragraphSpacing); sa != 0)
        appendControl(out, "sa", sa);
    if (const int tab = twips(style.defaultTabInterval); tab > 0)
        appendControl(out, "pardeftab", tab);
    const bool exact
        = style.minimumLineHeight > 0 && style.minimumLineHeight == style.maximumLineHeight;
    if (style.lineHeightMultiple > 0) {
        appendControl(out, "sl", roundToInt(style.lineHeightMultiple * 240.0));
        out.append("\\slmult1");
        if (style.minimumLineHeight > 0)
            appendControl(out, "slminimum", twips(style.minimumLineHeight));
    } else if (exact) {
        appendControl(out, "sl", -twips(style.minimumLineHeight));
        out.append("\\slmult0");
    } else if (style.minimumLineHeight > 0) {
        appendControl(out, "sl", twips(style.minimumLineHeight));
        out.append("\\slmult0");
    }
    if (style.maximumLineHeight > 0 && !exact)
        appendControl(out, "slmaximum", twips(style.maximumLineHeight));
    if (const int leading = twips(style.lineSpacing); leading != 0)
        appendControl(out, "slleading", leading);
    switch (style.alignment) {
    case TextAlignment::Natural:
        out.append("\\ql\\qnatural");
        break;
    case TextAlignment::Left:
        out.append("\\ql");
        break;
    case TextAlignment::Right:
        out.append("\\qr");
        break;
    case TextAlignment::Center:
        out.append("\\qc");
        break;
    case TextAlignment::Justified:
        out.append("\\qj");
        break;
    }
    switch (style.baseWritingDirection) {
    case WritingDirection::Natural:
        out.append("\\pardirnatural");
        break;
    case WritingDirection::LeftToRight:
        out.append("\\ltrpar");
        break;
    case WritingDirection::RightToLeft:
        out.append("\\rtlpar");
        break;
    }
    out.append("\\partightenfactor0\n");
    return *m_paragraphs.insert(blockFormatIndex, out);
}

std::optional<ListItem> Writer::listItem(const QTextBlock& block)
{
    const QStringList lists = TextListMarkers::itemLists(block);
    if (lists.isEmpty())
        return std::nullopt;
    // An item joins the RTF list of the item just before it unless their formats differ.
    int index = m_previousList;
    if (index >= 0) {
        const QStringList& levels = m_lists[size_t(index)];
        for (qsizetype l = 0; l < std::min(levels.size(), lists.size()); ++l) {
            if (levels[l] != lists[l])
                index = -1;
        }
    }
    if (index < 0) {
        index = int(m_lists.size());
        m_lists.emplace_back();
    }
    QStringList& levels = m_lists[size_t(index)];
    if (levels.size() < lists.size())
        levels = lists;
    return ListItem { index + 1, int(lists.size()) - 1,
        TextListMarkers::prefixLength(block.text()) };
}

void Writer::writeListTables(std::string& out) const
{
    if (m_lists.empty())
        return;
    out.append("{\\*\\listtable");
    for (size_t i = 0; i < m_lists.size(); ++i) {
        const int number = int(i) + 1;
        out.append("{\\list");
        appendControl(out, "listtemplateid", number);
        out.append("\\listhybrid");
        for (qsizetype l = 0; l < m_lists[i].size(); ++l) {
            const RtfListLevel level = RtfListLevel::fromMarkerFormat(m_lists[i][l]);
            // Prefix and suffix share one count byte with the number.
            const QString prefix = level.isBullet() ? QString() : level.prefix.left(100);
            const QString suffix = level.isBullet() ? QString() : level.suffix.left(100);
            out.append("{\\listlevel");
            appendControl(out, "levelnfc", level.numberFormat());
            appendControl(out, "levelnfcn", level.numberFormat());
            out.append("\\leveljc0\\leveljcn0\\levelfollow0\\levelstartat1\\levelspace360"
                       "\\levelindent0{\\*\\levelmarker ");
            writeText(out, prefix);
            out.append("\\{");
            writeText(out, level.markerName());
            out.append("\\}");
            writeText(out, suffix);
            out.append("}{\\leveltext");
            appendControl(out, "leveltemplateid", number * 100 + int(l) + 1);
            if (level.isBullet()) {
                appendByte(out, 1);
                writeText(out, QString(level.bullet()));
                out.append(";}{\\levelnumbers;}");
            } else {
                appendByte(out, static_cast<unsigned char>(prefix.size() + 1 + suffix.size()));
                writeText(out, prefix);
                appendByte(out, static_cast<unsigned char>(l));
                writeText(out, suffix);
                out.append(";}{\\levelnumbers");
                appendByte(out, static_cast<unsigned char>(prefix.size() + 1));
                out.append(";}");
            }
            const int indent = RtfListLevel::textIndent(int(l));
            out.append("\\fi-360");
            appendControl(out, "li", indent);
            appendControl(out, "lin", indent);
            out.append(" }");
        }
        out.append("{\\listname ;}");
        appendControl(out, "listid", number);
        out.append(i + 1 < m_lists.size() ? "}\n" : "}}\n");
    }
    out.append("{\\*\\listoverridetable");
    for (size_t i = 0; i < m_lists.size(); ++i) {
        const int number = int(i) + 1;
        out.append("{\\listoverride");
        appendControl(out, "listid", number);
        out.append("\\listoverridecount0");
        appendControl(out, "ls", number);
        out += '}';
    }
    out.append("}\n");
}

void Writer::writeChanges(const CharProps& target)
{
    std::string& out = m_body;
    const size_t before = out.size();
    const bool all = !m_haveCurrent;
    const CharProps& cur = m_current;
    if (all || cur.font != target.font)
        appendControl(out, "f", target.font);
    if (all || cur.sizeMilli != target.sizeMilli) {
        if (target.sizeMilli % 500 == 0)
            appendControl(out, "fs", target.sizeMilli / 500);
        else
            appendControl(out, "fsmilli", target.sizeMilli);
    }
    if (all ? target.bold : cur.bold != target.bold)
        out.append(target.bold ? "\\b" : "\\b0");
    if (all ? target.italic : cur.italic != target.italic)
        out.append(target.italic ? "\\i" : "\\i0");
    if (all || cur.foreground != target.foreground)
        appendControl(out, "cf", target.foreground);
    if (all ? target.background != 0 : cur.background != target.background)
        appendControl(out, "cb", target.background);
    if (all ? target.underline != 0 : cur.underline != target.underline) {
        if (target.underline == 0) {
            out.append("\\ulnone");
        } else {
            out.append("\\ul");
            if (target.underline != 1)
                appendControl(out, "ulstyle", target.underline);
        }
    }
    if (all ? target.underlineColor != 0 : cur.underlineColor != target.underlineColor)
        appendControl(out, "ulc", target.underlineColor);
    if (all ? target.strike != 0 : cur.strike != target.strike) {
        if (target.strike == 0) {
            out.append("\\strike0");
        } else {
            out.append("\\strike");
            if (target.strike != 1)
                appendControl(out, "strikestyle", target.strike);
        }
    }
    if (all ? target.strikeColor != 0 : cur.strikeColor != target.strikeColor)
        appendControl(out, "strikec", target.strikeColor);
    if (all ? target.superscript != 0 : cur.superscript != target.superscript)
        out.append(target.superscript > 0 ? "\\super"
                : target.superscript < 0  ? "\\sub"
                                          : "\\nosupersub");
    if (all ? target.baselineHalfPoints != 0
            : cur.baselineHalfPoints != target.baselineHalfPoints) {
        if (target.baselineHalfPoints >= 0)
            appendControl(out, "up", target.baselineHalfPoints);
        else
            appendControl(out, "dn", -target.baselineHalfPoints);
    }
    if (all ? target.letterSpacing != 0 : cur.letterSpacing != target.letterSpacing) {
        appendControl(out, "expnd", roundToInt(target.letterSpacing / 5.0));
        appendControl(out, "expndtw", target.letterSpacing);
    }
    if (all ? target.kerningOff : cur.kerningOff != target.kerningOff)
        out.append(target.kerningOff ? "\\kerning0" : "\\kerning1");
    if (all ? target.noLigatures : cur.noLigatures != target.noLigatures)
        out.append(target.noLigatures ? "\\CocoaLigature0" : "\\CocoaLigature1");
    if (out.size() != before)
        out += ' ';
    m_current = target;
    m_haveCurrent = true;
}

void Writer::writeText(std::string& out, QStringView text) const
{
    const char16_t* data = text.utf16();
    const qsizetype size = text.size();
    qsizetype runStart = 0;
    // Each run of \\u escapes states its own skip count: some readers reset the count at
    // every \\pard and would otherwise drop the character after each escape.
    bool inEscapes = false;
    // Plain ASCII goes out in runs; everything else one unit at a time.
    const auto flushRun = [&](qsizetype end) {
        if (end <= runStart)
            return;
        const size_t old = out.size();
        out.resize(old + size_t(end - runStart));
        char* target = out.data() + old;
        for (qsizetype i = runStart; i < end; ++i)
            *target++ = char(data[i]);
    };
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = data[i];
        if ((c >= 0x20 && c < 0x80 && c != u'\\' && c != u'{' && c != u'}') || c == u'\t') {
            inEscapes = false;
            continue;
        }
        flushRun(i);
        runStart = i + 1;
        const bool wasInEscapes = std::exchange(inEscapes, false);
        if (c == u'\\' || c == u'{' || c == u'}') {
            out += '\\';
            out += char(c);
        } else if (c == 0x2028) {
            out.append("\\line ");
        } else if (const unsigned char byte = c >= 0x80 ? m_encode[c] : 0; byte != 0) {
            appendByte(out, byte);
        } else {
            if (!wasInEscapes)
                out.append("\\uc0");
            inEscapes = true;
            appendControl(out, "u", c);
            out += ' ';
        }
    }
    flushRun(size);
}

void Writer::openLink(const QString& url)
{
    m_outsideLink = m_current;
    m_inLink = true;
    m_body.append("{\\field{\\*\\fldinst{HYPERLINK \"");
    QString escaped = url;
    escaped.replace(u'"', QLatin1StringView("%22"));
    writeText(escaped);
    m_body.append("\"}}{\\fldrslt ");
}

void Writer::closeLink()
{
    if (!m_inLink)
        return;
    m_body.append("}}");
    m_current = m_outsideLink;
    m_inLink = false;
}

void Writer::writeAttachment(const QTextCharFormat& format)
{
    if (!m_files)
        return;
    const TextAttachment attachment = AttributedText::attachment(m_doc, format);
    QBuffer buffer;
    buffer.setData(attachment.contents);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    QString name = QFileInfo(attachment.fileName).fileName();
    if (name.isEmpty() || name == u"TXT.rtf") {
        const QByteArray kind = reader.format();
        name = QStringLiteral("Attachment.")
            + (kind.isEmpty() ? QStringLiteral("dat") : QString::fromLatin1(kind));
    }
    if (m_fileNames.contains(name)) {
        const QFileInfo info(name);
        const QString base = info.completeBaseName();
        const QString suffix = info.suffix().isEmpty() ? QString() : u'.' + info.suffix();
        for (int n = 1;; ++n) {
            const QString candidate = base + u' ' + QString::number(n) + suffix;
            if (!m_fileNames.contains(candidate)) {
                name = candidate;
                break;
            }
        }
    }
    m_fileNames.insert(name);
    m_files->append({ name, attachment.contents });
    QSizeF size = attachment.size;
    if (!size.isValid()) {
        buffer.seek(0);
        QImageReader sizeReader(&buffer);
        size = QSizeF(sizeReader.size());
    }
    m_body.append("{{\\NeXTGraphic ");
    const QByteArray utf8 = name.toUtf8();
    for (char c : utf8) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (byte >= 0x80) {
            appendByte(m_body, byte);
        } else {
            if (c == '\\' || c == '{' || c == '}')
                m_body += '\\';
            m_body += c;
        }
    }
    m_body += ' ';
    if (size.isValid() && !size.isEmpty()) {
        appendControl(m_body, "width", twips(size.width()));
        m_body += ' ';
        appendControl(m_body, "height", twips(size.height()));
        m_body += ' ';
    }
    m_body.append("\\appleattachmentpadding0 \\appleembedtype0 \\appleaqc\n}\xac}");
}

QByteArray Writer::run()
{
    m_formats = m_doc.allFormats();
    m_propsIndex.assign(m_formats.size(), -1);
    const QFont system = AttributedText::systemFont();
    m_systemFamily = system.family();
    m_systemSizeMilli = roundToInt(system.pointSizeF() * 1000.0);
    fontIndex(m_systemFamily);
    m_props.reserve(16);
    m_body.reserve(size_t(m_doc.characterCount()) * 2 + 1024);

    int lastBlockFormat = -2;
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
        const std::optional<ListItem> item = listItem(block);
        const int list = item ? item->list - 1 : -1;
        // \ls holds until the next \pard: a new list needs one even in the same format, and so
        // does a paragraph after an item, though its format still names the list.
        if (block.blockFormatIndex() != lastBlockFormat || list != m_previousList) {
            lastBlockFormat = block.blockFormatIndex();
            m_body.append(paragraphControls(lastBlockFormat));
            if (item) {
                appendControl(m_body, "ls", item->list);
                appendControl(m_body, "ilvl", item->level);
            }
        }
        m_previousList = list;
        const QString blockText = block.text();
        const int markerLength = item ? item->markerLength : 0;
        if (item) {
            // The marker run is the item's \listtext, in the look of its first character.
            CharProps first = props(block.begin().fragment().charFormatIndex());
            first.link.clear();
            if (!m_haveCurrent || !sameAppearance(first, m_current))
                writeChanges(first);
            m_body.append("{\\listtext");
            writeText(QStringView(blockText).left(markerLength));
            m_body.append("}");
        }
        // Fragment offsets are summed here: asking a fragment for its position walks the tree.
        int offset = 0;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(offset, markerLength);
            offset += fragment.length();
            const int length = offset - start;
            if (length <= 0)
                continue;
            const CharProps& p = props(fragment.charFormatIndex());
            if (m_inLink && p.link != m_current.link)
                closeLink();
            if (!m_inLink && !p.link.isEmpty()) {
                if (!m_haveCurrent) {
                    CharProps outside = p;
                    outside.link.clear();
                    writeChanges(outside);
                }
                openLink(p.link);
            }
            if (!m_haveCurrent || !sameAppearance(p, m_current))
                writeChanges(p);
            m_current.link = p.link;
            if (p.attachment) {
                const QTextCharFormat format = fragment.charFormat();
                for (int i = 0; i < length; ++i)
                    writeAttachment(format);
            } else {
                writeText(QStringView(blockText).mid(start, length));
            }
        }
        closeLink();
        const bool empty = block.length() <= 1;
        if (empty) {
            // An empty paragraph has no run to carry its look, which typing in it takes: its
            // break carries it (or, the last paragraph having none, the end of the text).
            CharProps own = props(block.charFormatIndex());
            own.link.clear();
            if (!m_haveCurrent || !sameAppearance(own, m_current))
                writeChanges(own);
        }
        if (const QTextBlock next = block.next(); next.isValid()) {
            // After text, the paragraph break carries the attributes of the next paragraph's
            // start.
            const CharProps& separator = props(next.charFormatIndex());
            if (!empty && m_haveCurrent && !sameAppearance(separator, m_current))
                writeChanges(separator);
            m_body.append("\\\n");
        }
    }

    const DocumentAttributes attributes = AttributedText::documentAttributes(m_doc);
    std::string out;
    out.reserve(1024);
    out.append("{\\rtf1\\ansi\\ansicpg1252\\cocoartf2822\n"
               "\\cocoatextscaling0\\cocoaplatform0{\\fonttbl");
    for (qsizetype i = 0; i < m_fontNames.size(); ++i) {
        appendControl(out, "f", i);
        out.append(i == 0 ? "\\fswiss" : "\\fnil");
        out.append("\\fcharset0 ");
        for (QChar c : m_fontNames[i]) {
            const char16_t u = c.unicode();
            if (u < 0x80 && u != u';' && u != u'\\' && u != u'{' && u != u'}') {
                out += char(u);
            } else if (u >= 0x80 && m_encode[u]) {
                appendByte(out, m_encode[u]);
            }
        }
        out += ';';
    }
    out.append("}\n{\\colortbl;");
    for (const QColor& color : m_colors) {
        appendControl(out, "red", color.red());
        appendControl(out, "green", color.green());
        appendControl(out, "blue", color.blue());
        out += ';';
    }
    out.append("}\n{\\*\\expandedcolortbl;");
    for (const QColor& color : m_colors) {
        const QRgba64 rgba = color.rgba64();
        const auto component
            = [&](int value) { appendControl(out, "c", std::lround(value * 100000.0 / 65535.0)); };
        out.append("\\cssrgb");
        component(rgba.red());
        component(rgba.green());
        component(rgba.blue());
        if (rgba.alpha() != 65535)
            component(rgba.alpha());
        out += ';';
    }
    out.append("}\n");
    writeListTables(out);
    const QSizeF paper = attributes.paperSize.isValid() ? attributes.paperSize : QSizeF(595, 842);
    appendControl(out, "paperw", twips(paper.width()));
    appendControl(out, "paperh", twips(paper.height()));
    const QMarginsF margins = attributes.margins;
    appendControl(out, "margl", margins.left() >= 0 ? twips(margins.left()) : 1440);
    appendControl(out, "margr", margins.right() >= 0 ? twips(margins.right()) : 1440);
    if (margins.top() >= 0)
        appendControl(out, "margt", twips(margins.top()));
    if (margins.bottom() >= 0)
        appendControl(out, "margb", twips(margins.bottom()));
    const QSizeF view = attributes.viewSize.isValid() ? attributes.viewSize : QSizeF(576, 420);
    appendControl(out, "vieww", twips(view.width()));
    appendControl(out, "viewh", twips(view.height()));
    appendControl(out, "viewkind", attributes.viewKind >= 0 ? attributes.viewKind : 0);
    if (attributes.viewScale >= 0)
        appendControl(out, "viewscale", attributes.viewScale);
    if (attributes.readOnly)
        out.append("\\readonlydoc1");
    out += '\n';
    appendControl(out, "deftab",
        attributes.defaultTabInterval >= 0 ? twips(attributes.defaultTabInterval) : 720);
    out += '\n';
    QByteArray result;
    result.reserve(qsizetype(out.size() + m_body.size() + 1));
    result.append(out.data(), qsizetype(out.size()));
    result.append(m_body.data(), qsizetype(m_body.size()));
    result.append('}');
    return result;
}

} // namespace

QByteArray RtfWriter::write(const QTextDocument& doc)
{
    return Writer(doc, nullptr).run();
}

QByteArray RtfWriter::write(const QTextDocument& doc, QList<QPair<QString, QByteArray>>* files)
{
    return Writer(doc, files).run();
}

} // namespace platform
