#include "OdtReader.h"

#include "AttributedText.h"
#include "ConversionDocument.h"
#include "ImportedNotes.h"
#include "ImportedTextStyle.h"
#include "OdtWriter.h"
#include "OpenDocumentNamespaces.h"
#include "TextDocumentReader.h"
#include "TextListBuilder.h"
#include "TextListConversion.h"
#include "ZipArchive.h"
#include "platform/foundation/Localized.h"

#include <QHash>
#include <QTextCursor>
#include <QTextDocument>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

namespace platform {

namespace {

namespace ns = OpenDocumentNamespaces;

constexpr int kMaximumStyleDepth = 16;
constexpr int kMaximumSpaces = 1000;

// "12pt", "0.5in", "1.2cm", "3mm", "2pc", "16px" in points.
std::optional<double> length(QStringView value)
{
    static const std::pair<const char16_t*, double> units[] = { { u"pt", 1.0 }, { u"in", 72.0 },
        { u"cm", 72.0 / 2.54 }, { u"mm", 72.0 / 25.4 }, { u"pc", 12.0 }, { u"px", 0.75 } };
    for (const auto& [unit, factor] : units) {
        if (value.endsWith(QStringView(unit))) {
            bool ok = false;
            const double number = value.chopped(2).trimmed().toDouble(&ok);
            if (ok && std::isfinite(number))
                return ImportedTextStyle::clampLength(number * factor);
            return std::nullopt;
        }
    }
    return std::nullopt;
}

std::optional<QColor> color(QStringView value)
{
    if (value == u"transparent")
        return QColor();
    if (value.size() != 7 || !value.startsWith(u'#'))
        return std::nullopt;
    const QColor parsed(value.toString());
    return parsed.isValid() ? std::optional<QColor>(parsed) : std::nullopt;
}

// Runs of white space count as one space, none at a paragraph's start (`lastWasSpace` true).
void appendCollapsed(QString& text, QStringView characters, bool& lastWasSpace)
{
    for (QChar c : characters) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r') {
            if (!lastWasSpace)
                text += u' ';
            lastWasSpace = true;
        } else {
            text += c;
            lastWasSpace = false;
        }
    }
}

// The words of the element the reader stands on, read to its end, with white space collapsed as
// in the body: its paragraphs as lines (joined by '\n'). A note's citation, the author and date
// of a comment and tracked changes are no words of it.
QString plainText(QXmlStreamReader& xml)
{
    QString text;
    int paragraphDepth = 0;
    bool lastWasSpace = true;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isCharacters() && paragraphDepth > 0) {
            appendCollapsed(text, xml.text(), lastWasSpace);
            continue;
        }
        if (xml.isEndElement()) {
            --depth;
            if (xml.namespaceUri() == ns::Text && (xml.name() == u"p" || xml.name() == u"h"))
                paragraphDepth = std::max(0, paragraphDepth - 1);
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        if (xml.namespaceUri() == ns::Dc
            || (xml.namespaceUri() == ns::Text
                && (name == u"note-citation" || name == u"tracked-changes"))) {
            xml.skipCurrentElement();
            continue;
        }
        ++depth;
        if (xml.namespaceUri() != ns::Text)
            continue;
        if (name == u"p" || name == u"h") {
            if (!text.isEmpty())
                text += u'\n';
            ++paragraphDepth;
            lastWasSpace = true;
        } else if (paragraphDepth > 0 && (name == u"s" || name == u"tab")) {
            text += name == u"s" ? u' ' : u'\t';
            lastWasSpace = true;
        } else if (paragraphDepth > 0 && name == u"line-break") {
            text += QChar::LineSeparator;
            lastWasSpace = true;
        }
    }
    return text;
}

// A text:note, the reader on its start: recorded in `notes`, its mark returned.
QString readNote(QXmlStreamReader& xml, ImportedNotes& notes)
{
    const ImportedNotes::Kind kind
        = xml.attributes().value(ns::Text, QLatin1String("note-class")) == u"endnote"
        ? ImportedNotes::Kind::Endnote
        : ImportedNotes::Kind::Footnote;
    QString citation;
    QString text;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == ns::Text && xml.name() == u"note-citation")
            citation = xml.readElementText(QXmlStreamReader::IncludeChildElements).left(16);
        else if (xml.namespaceUri() == ns::Text && xml.name() == u"note-body")
            text = plainText(xml);
        else
            xml.skipCurrentElement();
    }
    return notes.add(kind, text, citation);
}

struct StyleDefinition {
    QString parent;
    ImportedTextStyle style;
};

class Reader {
public:
    // Spaces given by count number at most `spaceBudget` in all.
    Reader(ZipArchive& archive, int spaceBudget)
        : m_archive(archive), m_spaceBudget(spaceBudget) { }

    bool readStyles(const QByteArray& data, Error* error)
    {
        QXmlStreamReader xml(data);
        return walk(xml, u"document-styles", error, [&] { return false; });
    }

    std::unique_ptr<QTextDocument> readContent(const QByteArray& data, Error* error)
    {
        m_document = ConversionDocument::make();
        m_cursor = QTextCursor(m_document.get());
        m_cursor.beginEditBlock();
        QXmlStreamReader xml(data);
        const bool ok = walk(xml, u"document-content", error, [&] { return readBody(xml); });
        m_cursor.endEditBlock();
        if (!ok)
            return nullptr;
        m_notes.appendTo(*m_document);
        if (!m_pictureError.isNull()) {
            Error::set(error, m_pictureError);
            return nullptr;
        }
        TextListConversion::fromQtLists(*m_document);
        return std::move(m_document);
    }

private:
    // Reads the part: its root must be office:<root>; style declarations are read wherever they
    // are, and `body` is offered every other element (true when it consumed it).
    template <typename Body>
    bool walk(QXmlStreamReader& xml, QStringView root, Error* error, Body&& body)
    {
        bool sawRoot = false;
        while (!xml.atEnd()) {
            xml.readNext();
            if (xml.tokenType() == QXmlStreamReader::DTD) {
                xml.raiseError(
                    QStringLiteral("OpenDocument parts have no document type definition."));
                break;
            }
            if (!xml.isStartElement())
                continue;
            if (!sawRoot) {
                sawRoot = true;
                if (xml.namespaceUri() != ns::Office || xml.name() != root) {
                    xml.raiseError(QStringLiteral("This is not an OpenDocument part."));
                    break;
                }
                continue;
            }
            if (xml.namespaceUri() == ns::Style
                && (xml.name() == u"style" || xml.name() == u"default-style")) {
                readStyle(xml);
            } else if (xml.namespaceUri() == ns::Style && xml.name() == u"font-face") {
                const QString family
                    = xml.attributes().value(ns::Svg, QLatin1String("font-family")).toString();
                QString unquoted = family.trimmed();
                if (unquoted.size() >= 2 && (unquoted.front() == u'\'' || unquoted.front() == u'"'))
                    unquoted = unquoted.mid(1, unquoted.size() - 2);
                m_fontFaces.insert(
                    xml.attributes().value(ns::Style, QLatin1String("name")).toString(), unquoted);
                xml.skipCurrentElement();
            } else if (xml.namespaceUri() == ns::Text && xml.name() == u"list-style") {
                readListStyle(xml);
            } else if (xml.namespaceUri() == ns::Office && xml.name() == u"body") {
                if (!body())
                    xml.skipCurrentElement();
            } else if (xml.namespaceUri() == ns::Office && xml.name() == u"master-styles") {
                xml.skipCurrentElement();
            }
        }
        if (!xml.hasError() && !sawRoot)
            xml.raiseError(QStringLiteral("The part is empty."));
        if (xml.hasError()) {
            Error::set(error, TextDocumentReader::unreadableError(xml.errorString()));
            return false;
        }
        return true;
    }

    void readTextProperties(QXmlStreamReader& xml, ImportedTextStyle& style)
    {
        const QXmlStreamAttributes attributes = xml.attributes();
        const QStringView weight = attributes.value(ns::Fo, QLatin1String("font-weight"));
        if (!weight.isEmpty())
            style.bold = weight == u"bold" || weight.toInt() >= 600;
        const QStringView slant = attributes.value(ns::Fo, QLatin1String("font-style"));
        if (!slant.isEmpty())
            style.italic = slant == u"italic" || slant == u"oblique";
        const QStringView underline
            = attributes.value(ns::Style, QLatin1String("text-underline-style"));
        if (!underline.isEmpty()) {
            int mask = underline == u"none"                         ? 0
                : underline == u"dotted"                            ? 0x0101
                : underline == u"dash" || underline == u"long-dash" ? 0x0201
                : underline == u"dot-dash"                          ? 0x0301
                : underline == u"dot-dot-dash"                      ? 0x0401
                                                                    : 0x01;
            if (mask != 0
                && attributes.value(ns::Style, QLatin1String("text-underline-type")) == u"double")
                mask = (mask & ~0x0F) | 0x09;
            else if (mask != 0
                && attributes.value(ns::Style, QLatin1String("text-underline-width")) == u"bold")
                mask = (mask & ~0x0F) | 0x02;
            style.underline = mask;
        }
        const QStringView strike
            = attributes.value(ns::Style, QLatin1String("text-line-through-style"));
        if (!strike.isEmpty())
            style.strikethrough = strike != u"none";
        if (const auto size = length(attributes.value(ns::Fo, QLatin1String("font-size")));
            size && *size > 0)
            style.fontSize = *size;
        const QString fontName = attributes.value(ns::Style, QLatin1String("font-name")).toString();
        if (!fontName.isEmpty())
            style.fontFamily = m_fontFaces.value(fontName, fontName);
        const QStringView family = attributes.value(ns::Fo, QLatin1String("font-family"));
        if (!family.isEmpty() && fontName.isEmpty()) {
            QString unquoted = family.toString().section(u',', 0, 0).trimmed();
            unquoted.remove(u'\'').remove(u'"');
            style.fontFamily = unquoted;
        }
        if (const auto foreground = color(attributes.value(ns::Fo, QLatin1String("color"))))
            style.color = foreground;
        if (const auto background
            = color(attributes.value(ns::Fo, QLatin1String("background-color"))))
            style.background = background;
        const QStringView position = attributes.value(ns::Style, QLatin1String("text-position"));
        if (!position.isEmpty()) {
            const QStringView first = position.split(u' ').value(0);
            style.superscript = first == u"super" ? 1
                : first == u"sub"                 ? -1
                : first.startsWith(u'-')          ? -1
                : first == u"0%" || first == u"0" ? 0
                                                  : 1;
        }
    }

    void readParagraphProperties(QXmlStreamReader& xml, ImportedTextStyle& style)
    {
        const QXmlStreamAttributes attributes = xml.attributes();
        const QStringView align = attributes.value(ns::Fo, QLatin1String("text-align"));
        if (!align.isEmpty()) {
            style.alignment = align == u"center"       ? TextAlignment::Center
                : align == u"end" || align == u"right" ? TextAlignment::Right
                : align == u"justify"                  ? TextAlignment::Justified
                : align == u"left"                     ? TextAlignment::Left
                                                       : TextAlignment::Natural;
        }
        const QStringView lineHeight = attributes.value(ns::Fo, QLatin1String("line-height"));
        if (lineHeight.endsWith(u'%')) {
            bool ok = false;
            const double percent = lineHeight.chopped(1).toDouble(&ok);
            if (ok && percent > 0)
                style.lineHeightMultiple = percent / 100.0;
        }
        if (const auto left = length(attributes.value(ns::Fo, QLatin1String("margin-left"))))
            style.leftIndent = left;
        if (const auto right = length(attributes.value(ns::Fo, QLatin1String("margin-right"))))
            style.rightIndent = right;
        if (const auto indent = length(attributes.value(ns::Fo, QLatin1String("text-indent"))))
            style.firstLineIndent = indent;
        if (const auto top = length(attributes.value(ns::Fo, QLatin1String("margin-top"))))
            style.spacingBefore = top;
        if (const auto bottom = length(attributes.value(ns::Fo, QLatin1String("margin-bottom"))))
            style.spacingAfter = bottom;
        while (xml.readNextStartElement()) {
            if (xml.namespaceUri() == ns::Style && xml.name() == u"tab-stops") {
                QList<TextTab> tabs;
                while (xml.readNextStartElement()) {
                    const auto position
                        = length(xml.attributes().value(ns::Style, QLatin1String("position")));
                    if (xml.name() == u"tab-stop" && position && *position >= 0
                        && tabs.size() < 64) {
                        const QStringView type
                            = xml.attributes().value(ns::Style, QLatin1String("type"));
                        TextTab tab;
                        tab.location = *position; // from the indent; made absolute when resolved
                        tab.type = type == u"right" ? TextTabType::Right
                            : type == u"center"     ? TextTabType::Center
                            : type == u"char"       ? TextTabType::Decimal
                                                    : TextTabType::Left;
                        tabs.append(tab);
                    }
                    xml.skipCurrentElement();
                }
                std::sort(tabs.begin(), tabs.end(),
                    [](const TextTab& a, const TextTab& b) { return a.location < b.location; });
                style.tabStops = tabs;
            } else {
                xml.skipCurrentElement();
            }
        }
    }

    void readStyle(QXmlStreamReader& xml)
    {
        const bool isDefault = xml.name() == u"default-style";
        const QString family
            = xml.attributes().value(ns::Style, QLatin1String("family")).toString();
        const QString name = xml.attributes().value(ns::Style, QLatin1String("name")).toString();
        StyleDefinition definition;
        definition.parent
            = xml.attributes().value(ns::Style, QLatin1String("parent-style-name")).toString();
        while (xml.readNextStartElement()) {
            if (xml.namespaceUri() == ns::Style && xml.name() == u"text-properties") {
                readTextProperties(xml, definition.style);
                xml.skipCurrentElement();
            } else if (xml.namespaceUri() == ns::Style && xml.name() == u"paragraph-properties") {
                readParagraphProperties(xml, definition.style);
            } else {
                xml.skipCurrentElement();
            }
        }
        if (family != u"paragraph" && family != u"text")
            return;
        if (isDefault) {
            if (family == u"paragraph")
                m_defaults = definition.style;
            return;
        }
        // Automatic styles of the content come after the common ones and win on a clash.
        m_styles.insert(family + u'|' + name, definition);
        m_resolved.clear();
    }

    void readListStyle(QXmlStreamReader& xml)
    {
        const QString name = xml.attributes().value(ns::Style, QLatin1String("name")).toString();
        QHash<int, QTextListFormat> levels;
        while (xml.readNextStartElement()) {
            const QXmlStreamAttributes attributes = xml.attributes();
            const int level = attributes.value(ns::Text, QLatin1String("level")).toInt() - 1;
            if (xml.namespaceUri() == ns::Text && level >= 0
                && level < TextListBuilder::MaximumLevels) {
                QTextListFormat format;
                if (xml.name() == u"list-level-style-number") {
                    const QStringView kind
                        = attributes.value(ns::Style, QLatin1String("num-format"));
                    format.setStyle(kind == u"I" ? QTextListFormat::ListUpperRoman
                            : kind == u"i"       ? QTextListFormat::ListLowerRoman
                            : kind == u"A"       ? QTextListFormat::ListUpperAlpha
                            : kind == u"a"       ? QTextListFormat::ListLowerAlpha
                                                 : QTextListFormat::ListDecimal);
                    const QString prefix
                        = attributes.value(ns::Style, QLatin1String("num-prefix")).toString();
                    const QString suffix
                        = attributes.value(ns::Style, QLatin1String("num-suffix")).toString();
                    if (!prefix.isEmpty())
                        format.setNumberPrefix(prefix.left(16));
                    bool ok = false;
                    const int start
                        = attributes.value(ns::Text, QLatin1String("start-value")).toInt(&ok);
                    if (ok && start != 1)
                        format.setProperty(
                            AttributedText::ListStartProperty, std::clamp(start, 0, 32767));
                    if (suffix != u".")
                        format.setNumberSuffix(suffix.left(16));
                    levels.insert(level, format);
                } else if (xml.name() == u"list-level-style-bullet") {
                    const QString bullet
                        = attributes.value(ns::Text, QLatin1String("bullet-char")).toString();
                    format.setStyle(bullet == u"\u25E6" || bullet == u"o"
                            ? QTextListFormat::ListCircle
                            : bullet == u"\u25AA" || bullet == u"\u25A0"
                            ? QTextListFormat::ListSquare
                            : QTextListFormat::ListDisc);
                    levels.insert(level, format);
                }
            }
            xml.skipCurrentElement();
        }
        m_listStyles.insert(name, levels);
    }

    ImportedTextStyle resolve(const QString& family, const QString& name, int depth = 0)
    {
        const QString key = family + u'|' + name;
        if (depth == 0) {
            if (const auto cached = m_resolved.constFind(key); cached != m_resolved.constEnd())
                return *cached;
        }
        const auto found = m_styles.constFind(key);
        if (found == m_styles.constEnd() || depth > kMaximumStyleDepth)
            return {};
        ImportedTextStyle style;
        if (!found->parent.isEmpty() && found->parent != name)
            style = resolve(family, found->parent, depth + 1);
        // Tab positions count from the style's own indent.
        ImportedTextStyle own = found->style;
        if (own.tabStops) {
            const double indent = own.leftIndent.value_or(style.leftIndent.value_or(0));
            for (TextTab& tab : *own.tabStops)
                tab.location = ImportedTextStyle::clampLength(tab.location + indent);
        }
        style.merge(own);
        if (depth == 0)
            m_resolved.insert(key, style);
        return style;
    }

    struct Span {
        ImportedTextStyle style;
        QString link;
    };

    struct List {
        QString styleName;
        QString key;
    };

    // The text body: the reader stands on office:body.
    bool readBody(QXmlStreamReader& xml)
    {
        std::vector<Span> spans;
        std::vector<List> lists;
        int paragraphDepth = 0;
        bool firstParagraph = true;
        bool lastWasSpace = true;
        int listCounter = 0;
        // The number the next item's list item starts its level anew at.
        std::optional<int> itemRestart;
        QString previousTopKey;
        ImportedTextStyle paragraphText;
        QTextCharFormat format;
        bool formatValid = false;

        const auto current = [&]() -> const Span& {
            static const Span none;
            return spans.empty() ? none : spans.back();
        };
        const auto currentFormat = [&]() -> const QTextCharFormat& {
            if (!formatValid) {
                ImportedTextStyle style = paragraphText;
                style.merge(current().style);
                format = style.charFormat();
                if (!current().link.isEmpty()) {
                    format.setAnchor(true);
                    format.setAnchorHref(current().link);
                }
                formatValid = true;
            }
            return format;
        };
        const auto insert = [&](const QString& text) {
            if (text.isEmpty() || paragraphDepth == 0)
                return;
            m_cursor.insertText(text, currentFormat());
        };
        // A frame's words stand apart from the paragraph's own; one outside any paragraph
        // makes a paragraph of its own.
        const auto insertFrameText = [&](QString text) {
            if (text.isEmpty())
                return;
            text.replace(u'\n', QChar::LineSeparator);
            if (paragraphDepth == 0) {
                if (!firstParagraph)
                    m_cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
                firstParagraph = false;
                m_cursor.insertText(text, QTextCharFormat());
                return;
            }
            if (m_cursor.positionInBlock() > 0)
                text.prepend(QChar::LineSeparator);
            insert(text + QChar::LineSeparator);
            lastWasSpace = true;
        };
        const auto pushSpan = [&](const ImportedTextStyle& style, const QString& link) {
            Span span = current();
            span.style.merge(style);
            if (!link.isEmpty())
                span.link = link;
            spans.push_back(span);
            formatValid = false;
        };

        for (int depth = 1; depth > 0 && !xml.atEnd();) {
            xml.readNext();
            if (xml.tokenType() == QXmlStreamReader::DTD) {
                xml.raiseError(
                    QStringLiteral("OpenDocument parts have no document type definition."));
                return true;
            }
            if (xml.isCharacters() && paragraphDepth > 0) {
                QString text;
                appendCollapsed(text, xml.text(), lastWasSpace);
                insert(text);
                continue;
            }
            if (xml.isEndElement()) {
                --depth;
                if (xml.namespaceUri() == ns::Text) {
                    const QStringView name = xml.name();
                    if ((name == u"span" || name == u"a") && !spans.empty()) {
                        spans.pop_back();
                        formatValid = false;
                    } else if (name == u"p" || name == u"h") {
                        paragraphDepth = std::max(0, paragraphDepth - 1);
                    } else if (name == u"list" && !lists.empty()) {
                        lists.pop_back();
                    }
                }
                continue;
            }
            if (!xml.isStartElement())
                continue;
            const QStringView ns = xml.namespaceUri();
            const QStringView name = xml.name();
            const QXmlStreamAttributes attributes = xml.attributes();
            if ((ns == ns::Text && name == u"note")
                || (ns == ns::Office && name == u"annotation")) {
                if (paragraphDepth > 0) {
                    const QString mark = name == u"note"
                        ? readNote(xml, m_notes)
                        : m_notes.add(ImportedNotes::Kind::Comment, plainText(xml));
                    m_cursor.insertText(mark, ImportedNotes::markFormat(currentFormat()));
                    lastWasSpace = false;
                } else {
                    xml.skipCurrentElement();
                }
                continue;
            }
            if (ns == ns::Text
                && (name == u"tracked-changes" || name == u"bookmark-ref"
                    || name == u"sequence-decls" || name == u"variable-decls")) {
                xml.skipCurrentElement();
                continue;
            }
            if (ns == ns::Draw && name == u"frame") {
                insertFrameText(readFrame(xml));
                lastWasSpace = false;
                continue;
            }
            ++depth;
            if (ns != ns::Text)
                continue;
            if (name == u"p" || name == u"h") {
                if (!firstParagraph)
                    m_cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
                firstParagraph = false;
                ++paragraphDepth;
                lastWasSpace = true;
                spans.clear();
                formatValid = false;
                const QString styleName
                    = attributes.value(ns::Text, QLatin1String("style-name")).toString();
                ImportedTextStyle style = m_defaults;
                style.merge(resolve(QStringLiteral("paragraph"), styleName));
                paragraphText = style;
                if (const std::optional<QTextBlockFormat> block = style.blockFormat())
                    m_cursor.setBlockFormat(*block);
                // Typing on the paragraph, an empty one too, goes on in its style's look.
                m_cursor.setBlockCharFormat(style.charFormat());
                if (!lists.empty()) {
                    const int level = int(lists.size()) - 1;
                    QString listStyle;
                    for (const List& list : lists) {
                        if (!list.styleName.isEmpty())
                            listStyle = list.styleName;
                    }
                    const QHash<int, QTextListFormat> levels = m_listStyles.value(listStyle);
                    const int clamped = std::min(level, TextListBuilder::MaximumLevels - 1);
                    QTextListFormat listFormat = levels.value(clamped);
                    if (!levels.contains(clamped))
                        listFormat.setStyle(QTextListFormat::ListDisc);
                    m_lists.addItem(m_cursor, lists.front().key, clamped, listFormat,
                        std::exchange(itemRestart, std::nullopt));
                }
            } else if (name == u"span") {
                pushSpan(resolve(QStringLiteral("text"),
                             attributes.value(ns::Text, QLatin1String("style-name")).toString()),
                    {});
            } else if (name == u"a") {
                pushSpan({}, attributes.value(ns::Xlink, QLatin1String("href")).toString());
            } else if (name == u"s") {
                bool ok = false;
                const int count = attributes.value(ns::Text, QLatin1String("c")).toInt(&ok);
                // Spaces spelled by count are rationed, so a small file cannot grow a huge note.
                const int spaces = std::min(
                    ok ? std::clamp(count, 1, kMaximumSpaces) : 1, std::max(1, m_spaceBudget));
                m_spaceBudget -= spaces;
                insert(QString(spaces, u' '));
                lastWasSpace = true;
            } else if (name == u"tab") {
                insert(QStringLiteral("\t"));
                lastWasSpace = true;
            } else if (name == u"line-break") {
                insert(QString(QChar::LineSeparator));
                lastWasSpace = true;
            } else if (name == u"list-item" || name == u"list-header") {
                bool ok = false;
                const int start
                    = attributes.value(ns::Text, QLatin1String("start-value")).toInt(&ok);
                itemRestart = ok ? std::optional<int>(start) : std::nullopt;
            } else if (name == u"list") {
                List list;
                list.styleName = attributes.value(ns::Text, QLatin1String("style-name")).toString();
                if (lists.empty()) {
                    const bool continues
                        = attributes.value(ns::Text, QLatin1String("continue-numbering")) == u"true"
                        || !attributes.value(ns::Text, QLatin1String("continue-list")).isEmpty();
                    list.key = continues && !previousTopKey.isEmpty()
                        ? previousTopKey
                        : QString::number(++listCounter);
                    previousTopKey = list.key;
                } else {
                    list.key = lists.front().key;
                }
                lists.push_back(list);
            }
        }
        return true;
    }

    // A frame shows the picture it holds; the text of its text box is returned.
    QString readFrame(QXmlStreamReader& xml)
    {
        QString text;
        QSizeF size;
        const auto width = length(xml.attributes().value(ns::Svg, QLatin1String("width")));
        const auto height = length(xml.attributes().value(ns::Svg, QLatin1String("height")));
        if (width && height && *width > 0 && *height > 0)
            size = QSizeF(*width, *height);
        std::optional<TextAttachment> picture;
        while (xml.readNextStartElement()) {
            if (xml.namespaceUri() == ns::Draw && xml.name() == u"text-box") {
                const QString more = plainText(xml);
                if (!more.isEmpty() && !text.isEmpty())
                    text += u'\n';
                text += more;
                continue;
            }
            if (!picture && xml.namespaceUri() == ns::Draw && xml.name() == u"image") {
                const QString href
                    = xml.attributes().value(ns::Xlink, QLatin1String("href")).toString();
                const QString path = ZipArchive::resolvePath(QString(), href);
                if (!path.isEmpty() && m_archive.contains(path)) {
                    std::optional<QByteArray> bytes = m_archive.read(path, &m_pictureError);
                    if (bytes)
                        picture
                            = TextAttachment { std::move(*bytes), path.section(u'/', -1), size };
                }
            }
            xml.skipCurrentElement();
        }
        if (picture)
            AttributedText::insertAttachment(m_cursor, *picture);
        return text;
    }

    ZipArchive& m_archive;
    std::unique_ptr<QTextDocument> m_document;
    QTextCursor m_cursor;
    TextListBuilder m_lists;
    ImportedNotes m_notes;
    ImportedTextStyle m_defaults;
    QHash<QString, QString> m_fontFaces;
    QHash<QString, StyleDefinition> m_styles;
    QHash<QString, ImportedTextStyle> m_resolved;
    QHash<QString, QHash<int, QTextListFormat>> m_listStyles;
    Error m_pictureError;
    int m_spaceBudget;
};

} // namespace

std::unique_ptr<QTextDocument> OdtReader::read(const QByteArray& data, Error* error)
{
    std::optional<ZipArchive> archive = ZipArchive::open(data, error);
    if (!archive)
        return nullptr;
    if (archive->contains(QStringLiteral("mimetype"))) {
        const std::optional<QByteArray> type = archive->read(QStringLiteral("mimetype"), error);
        if (!type)
            return nullptr;
        const QByteArray kind = type->trimmed();
        if (kind != OdtWriter::MimeType.toLatin1()
            && kind != "application/vnd.oasis.opendocument.text-template") {
            Error::set(error,
                TextDocumentReader::unreadableError(
                    QStringLiteral("The package is not an OpenDocument text.")));
            return nullptr;
        }
    }
    if (!archive->contains(QStringLiteral("content.xml"))) {
        Error::set(error,
            TextDocumentReader::unreadableError(QStringLiteral("The package has no content.")));
        return nullptr;
    }
    // A count is the file's word, not its size: all of them together give no more spaces than
    // the package has bytes (or a few pages' worth), so a small file never grows a huge note.
    constexpr qsizetype kSpacesAlwaysAllowed = 1 << 16;
    Reader reader(*archive,
        int(std::clamp<qsizetype>(
            data.size(), kSpacesAlwaysAllowed, std::numeric_limits<int>::max())));
    if (archive->contains(QStringLiteral("styles.xml"))) {
        const std::optional<QByteArray> styles = archive->read(QStringLiteral("styles.xml"), error);
        if (!styles || !reader.readStyles(*styles, error))
            return nullptr;
    }
    const std::optional<QByteArray> content = archive->read(QStringLiteral("content.xml"), error);
    if (!content)
        return nullptr;
    return reader.readContent(*content, error);
}

} // namespace platform
