#include "WordXmlReader.h"

#include "AttributedText.h"
#include "ConversionDocument.h"
#include "ImportedNotes.h"
#include "ImportedTextStyle.h"
#include "RtfListLevel.h"
#include "TextDocumentReader.h"
#include "TextListBuilder.h"
#include "TextListConversion.h"
#include "WordDrawingReader.h"
#include "WordPlainText.h"
#include "WordXmlWriter.h"
#include "platform/foundation/Localized.h"

#include <QSet>
#include <QTextCursor>
#include <QTextDocument>
#include <QXmlStreamReader>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

namespace platform {

namespace {

const QString kStrictNamespace = QStringLiteral("http://purl.oclc.org/ooxml/wordprocessingml/main");
const QString kCompatibilityNamespace
    = QStringLiteral("http://schemas.openxmlformats.org/markup-compatibility/2006");

// Style chains deeper than this are damaged or hostile.
constexpr int kMaximumStyleDepth = 16;

constexpr auto twips = &ImportedTextStyle::twips;
constexpr auto hexColor = &ImportedTextStyle::hexColor;

// The URL of a HYPERLINK field instruction, empty for links inside the document (\l).
QString fieldLink(const QString& instruction)
{
    const QString trimmed = instruction.trimmed();
    if (!trimmed.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive))
        return QString();
    QStringView rest = QStringView(trimmed).mid(9).trimmed();
    if (rest.startsWith(u"\\l"))
        return QString();
    if (rest.startsWith(u'"')) {
        const qsizetype end = rest.indexOf(u'"', 1);
        return end > 1 ? rest.mid(1, end - 1).toString() : QString();
    }
    const qsizetype space = rest.indexOf(u' ');
    return (space < 0 ? rest : rest.left(space)).toString();
}

struct StyleDefinition {
    QString basedOn;
    ImportedTextStyle style;
};

struct Field {
    QString instruction;
    QString link;
    bool separated = false;
};

} // namespace

class WordXmlReader::Private {
public:
    explicit Private(Dialect dialect) : m_docx(dialect == Dialect::Docx) { }

    bool isWord(const QXmlStreamReader& xml) const
    {
        const QStringView ns = xml.namespaceUri();
        return m_docx ? (ns == WordXmlWriter::WordprocessingNamespace || ns == kStrictNamespace)
                      : ns == WordXmlWriter::WordMLNamespace;
    }

    QStringView attribute(const QXmlStreamReader& xml, QLatin1String name) const
    {
        const QXmlStreamAttributes attributes = xml.attributes();
        for (const QXmlStreamAttribute& attribute : attributes) {
            if (attribute.name() == name && isWordNamespace(attribute.namespaceUri()))
                return attribute.value();
        }
        return {};
    }

    bool isWordNamespace(QStringView ns) const
    {
        return m_docx ? (ns == WordXmlWriter::WordprocessingNamespace || ns == kStrictNamespace)
                      : ns == WordXmlWriter::WordMLNamespace;
    }

    QStringView value(const QXmlStreamReader& xml) const
    {
        return attribute(xml, QLatin1String("val"));
    }

    bool onOff(const QXmlStreamReader& xml) const
    {
        const QStringView v = value(xml);
        return !(v == u"0" || v == u"false" || v == u"off" || v == u"none");
    }

    // The first of several attribute names that is present.
    QStringView anyAttribute(
        const QXmlStreamReader& xml, std::initializer_list<const char*> names) const
    {
        for (const char* name : names) {
            const QStringView found = attribute(xml, QLatin1String(name));
            if (!found.isEmpty())
                return found;
        }
        return {};
    }

    bool refuseDtd(QXmlStreamReader& xml)
    {
        if (xml.tokenType() == QXmlStreamReader::DTD) {
            xml.raiseError(QStringLiteral("A Word document has no document type definition."));
            return true;
        }
        return false;
    }

    // A part whose root is w:<root>, read by `readRoot`.
    template <typename ReadRoot>
    bool readPart(const QByteArray& data, QStringView root, Error* error, ReadRoot&& readRoot)
    {
        QXmlStreamReader xml(data);
        while (!xml.atEnd()) {
            xml.readNext();
            if (refuseDtd(xml))
                break;
            if (xml.isStartElement()) {
                if (isWord(xml) && xml.name() == root)
                    readRoot(xml);
                else
                    xml.raiseError(QStringLiteral("The part is not what its relationship says."));
            }
        }
        if (xml.hasError()) {
            Error::set(error, TextDocumentReader::unreadableError(xml.errorString()));
            return false;
        }
        return true;
    }

    // Each reads its element to the end; the reader stands on its start.
    ImportedTextStyle readRunProperties(QXmlStreamReader& xml);
    // `mark`, when given, takes the paragraph mark's run properties.
    void readParagraphProperties(QXmlStreamReader& xml, ImportedTextStyle& style, QString& styleId,
        QString& listId, int& listLevel, ImportedTextStyle* mark = nullptr);
    void readTabs(QXmlStreamReader& xml, ImportedTextStyle& style);
    void readStylesElement(QXmlStreamReader& xml);
    void readDefaults(QXmlStreamReader& xml);
    void readNumberingElement(QXmlStreamReader& xml);
    void readLevel(QXmlStreamReader& xml, QHash<int, QTextListFormat>& levels);
    void readLevelOverride(QXmlStreamReader& xml, const QString& listId);

    ImportedTextStyle resolve(const QString& id, int depth = 0);
    ImportedTextStyle paragraphStyle(const QString& id);

    const bool m_docx;
    ImportedTextStyle m_defaults;
    QHash<QString, StyleDefinition> m_styles;
    QHash<QString, ImportedTextStyle> m_resolved;
    QString m_defaultParagraphStyle;
    QHash<QString, QHash<int, QTextListFormat>> m_abstractLists;
    QHash<QString, QString> m_lists; // numId (ilfo) -> abstract id
    // numId and level -> the number the level starts anew at where that numId is first used.
    QHash<QPair<QString, int>, int> m_startOverrides;
    WordDrawingReader m_drawings;
    // The last paragraph properties read set a drop cap.
    bool m_dropCap = false;
};

ImportedTextStyle WordXmlReader::Private::readRunProperties(QXmlStreamReader& xml)
{
    ImportedTextStyle style;
    while (xml.readNextStartElement()) {
        if (!isWord(xml)) {
            xml.skipCurrentElement();
            continue;
        }
        const QStringView name = xml.name();
        if (name == u"b") {
            style.bold = onOff(xml);
        } else if (name == u"i") {
            style.italic = onOff(xml);
        } else if (name == u"strike" || name == u"dstrike") {
            style.strikethrough = onOff(xml);
        } else if (name == u"u") {
            const QStringView kind = value(xml);
            style.underline = kind == u"none" ? 0
                : kind == u"double"           ? 0x09
                : kind == u"thick"            ? 0x02
                : kind == u"dotted"           ? 0x0101
                : kind == u"dash"             ? 0x0201
                : kind == u"dotDash"          ? 0x0301
                : kind == u"dotDotDash"       ? 0x0401
                : kind == u"words"            ? 0x8001
                                              : 0x01;
        } else if (name == u"sz") {
            bool ok = false;
            const double halfPoints = value(xml).toDouble(&ok);
            if (ok && halfPoints > 0 && halfPoints < 4000)
                style.fontSize = halfPoints / 2.0;
        } else if (name == u"rFonts") {
            const QStringView family = anyAttribute(xml, { "ascii", "hAnsi", "h-ansi", "cs" });
            if (!family.isEmpty())
                style.fontFamily = family.toString();
        } else if (name == u"color") {
            if (const std::optional<QColor> color = hexColor(value(xml)))
                style.color = color;
        } else if (name == u"shd") {
            const std::optional<QColor> fill = hexColor(attribute(xml, QLatin1String("fill")));
            if (fill)
                style.background = fill;
        } else if (name == u"vertAlign") {
            const QStringView kind = value(xml);
            style.superscript = kind == u"superscript" ? 1 : kind == u"subscript" ? -1 : 0;
        } else if (name == u"rStyle") {
            // A character style lies under the run's own properties.
            ImportedTextStyle based = resolve(value(xml).toString());
            based.merge(style);
            style = based;
        }
        xml.skipCurrentElement();
    }
    return style;
}

void WordXmlReader::Private::readTabs(QXmlStreamReader& xml, ImportedTextStyle& style)
{
    QList<TextTab> tabs;
    while (xml.readNextStartElement()) {
        if (isWord(xml) && xml.name() == u"tab" && tabs.size() < 64) {
            const QStringView kind = value(xml);
            const std::optional<double> position = twips(attribute(xml, QLatin1String("pos")));
            if (position && *position >= 0 && kind != u"clear" && kind != u"bar") {
                TextTab tab;
                tab.location = *position;
                tab.type = kind == u"right" || kind == u"end" ? TextTabType::Right
                    : kind == u"center"                       ? TextTabType::Center
                    : kind == u"decimal"                      ? TextTabType::Decimal
                                                              : TextTabType::Left;
                tabs.append(tab);
            }
        }
        xml.skipCurrentElement();
    }
    std::sort(tabs.begin(), tabs.end(),
        [](const TextTab& a, const TextTab& b) { return a.location < b.location; });
    style.tabStops = tabs;
}

void WordXmlReader::Private::readParagraphProperties(QXmlStreamReader& xml,
    ImportedTextStyle& style, QString& styleId, QString& listId, int& listLevel,
    ImportedTextStyle* mark)
{
    while (xml.readNextStartElement()) {
        if (!isWord(xml)) {
            xml.skipCurrentElement();
            continue;
        }
        const QStringView name = xml.name();
        if (name == u"pStyle") {
            styleId = value(xml).toString();
        } else if (name == u"jc") {
            const QStringView kind = value(xml);
            style.alignment = kind == u"center"            ? TextAlignment::Center
                : kind == u"right" || kind == u"end"       ? TextAlignment::Right
                : kind == u"both" || kind == u"distribute" ? TextAlignment::Justified
                : kind == u"left" || kind == u"start"      ? TextAlignment::Left
                                                           : TextAlignment::Natural;
        } else if (name == u"spacing") {
            if (const auto before = twips(attribute(xml, QLatin1String("before"))))
                style.spacingBefore = before;
            if (const auto after = twips(attribute(xml, QLatin1String("after"))))
                style.spacingAfter = after;
            const QStringView rule = anyAttribute(xml, { "lineRule", "line-rule" });
            bool ok = false;
            const double line = attribute(xml, QLatin1String("line")).toDouble(&ok);
            if (ok && (rule.isEmpty() || rule == u"auto") && line > 0)
                style.lineHeightMultiple = line / 240.0;
        } else if (name == u"ind") {
            if (const auto left = twips(anyAttribute(xml, { "left", "start" })))
                style.leftIndent = left;
            if (const auto right = twips(anyAttribute(xml, { "right", "end" })))
                style.rightIndent = right;
            if (const auto first = twips(anyAttribute(xml, { "firstLine", "first-line" })))
                style.firstLineIndent = first;
            if (const auto hanging = twips(attribute(xml, QLatin1String("hanging"))))
                style.firstLineIndent = -*hanging;
        } else if (name == u"tabs") {
            readTabs(xml, style);
            continue;
        } else if (name == u"rPr" && mark) {
            *mark = readRunProperties(xml);
            continue;
        } else if (name == u"framePr") {
            const QStringView dropCap = attribute(xml, QLatin1String("dropCap"));
            m_dropCap = dropCap == u"drop" || dropCap == u"margin";
        } else if (name == u"numPr" || name == u"listPr") {
            while (xml.readNextStartElement()) {
                if (isWord(xml) && xml.name() == u"ilvl")
                    listLevel = value(xml).toInt();
                else if (isWord(xml) && (xml.name() == u"numId" || xml.name() == u"ilfo"))
                    listId = value(xml).toString();
                xml.skipCurrentElement();
            }
            continue;
        }
        xml.skipCurrentElement();
    }
}

void WordXmlReader::Private::readDefaults(QXmlStreamReader& xml)
{
    // w:docDefaults holds w:rPrDefault/w:rPr and w:pPrDefault/w:pPr, nothing deeper.
    while (xml.readNextStartElement()) {
        if (!isWord(xml) || (xml.name() != u"rPrDefault" && xml.name() != u"pPrDefault")) {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (isWord(xml) && xml.name() == u"rPr") {
                m_defaults.merge(readRunProperties(xml));
            } else if (isWord(xml) && xml.name() == u"pPr") {
                QString unusedStyle;
                QString unusedList;
                int unusedLevel = 0;
                readParagraphProperties(xml, m_defaults, unusedStyle, unusedList, unusedLevel);
            } else {
                xml.skipCurrentElement();
            }
        }
    }
}

void WordXmlReader::Private::readStylesElement(QXmlStreamReader& xml)
{
    while (xml.readNextStartElement()) {
        if (!isWord(xml)) {
            xml.skipCurrentElement();
            continue;
        }
        if (xml.name() == u"docDefaults") {
            readDefaults(xml);
            continue;
        }
        if (xml.name() != u"style") {
            xml.skipCurrentElement();
            continue;
        }
        const QString id = attribute(xml, QLatin1String("styleId")).toString();
        const QStringView type = attribute(xml, QLatin1String("type"));
        const QStringView isDefault = attribute(xml, QLatin1String("default"));
        if (type == u"paragraph"
            && (isDefault == u"1" || isDefault == u"on" || isDefault == u"true"))
            m_defaultParagraphStyle = id;
        StyleDefinition definition;
        while (xml.readNextStartElement()) {
            if (!isWord(xml)) {
                xml.skipCurrentElement();
            } else if (xml.name() == u"basedOn") {
                definition.basedOn = value(xml).toString();
                xml.skipCurrentElement();
            } else if (xml.name() == u"rPr") {
                definition.style.merge(readRunProperties(xml));
            } else if (xml.name() == u"pPr") {
                QString unusedStyle;
                QString unusedList;
                int unusedLevel = 0;
                readParagraphProperties(
                    xml, definition.style, unusedStyle, unusedList, unusedLevel);
            } else {
                xml.skipCurrentElement();
            }
        }
        if (!id.isEmpty() && !m_styles.contains(id))
            m_styles.insert(id, definition);
    }
    m_resolved.clear();
}

void WordXmlReader::Private::readLevel(QXmlStreamReader& xml, QHash<int, QTextListFormat>& levels)
{
    const int level = attribute(xml, QLatin1String("ilvl")).toInt();
    int numberFormat = 0;
    int start = 1;
    QString text;
    while (xml.readNextStartElement()) {
        if (isWord(xml) && xml.name() == u"start") {
            start = value(xml).toInt();
        } else if (isWord(xml) && xml.name() == u"numFmt") {
            const QStringView kind = value(xml);
            numberFormat = kind == u"upperRoman"       ? 1
                : kind == u"lowerRoman"                ? 2
                : kind == u"upperLetter"               ? 3
                : kind == u"lowerLetter"               ? 4
                : kind == u"bullet" || kind == u"none" ? 23
                                                       : 0;
        } else if (isWord(xml) && xml.name() == u"nfc") {
            numberFormat = value(xml).toInt();
        } else if (isWord(xml) && xml.name() == u"lvlText") {
            text = value(xml).toString();
        }
        xml.skipCurrentElement();
    }
    if (level < 0 || level >= TextListBuilder::MaximumLevels)
        return;
    // "%1." names level numbers by "%" and a digit; the shared level reader takes them as
    // characters below 0x20, after the text's length.
    QString coded;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'%' && i + 1 < text.size() && text[i + 1] >= u'1' && text[i + 1] <= u'9') {
            coded += QChar(text[i + 1].unicode() - u'1');
            ++i;
        } else {
            coded += text[i];
        }
    }
    coded = coded.left(0x1F);
    coded.prepend(QChar(char16_t(coded.size())));
    QTextListFormat format = RtfListLevel::fromNumberFormat(numberFormat, coded).listFormat(level);
    if (start != 1)
        format.setProperty(AttributedText::ListStartProperty, std::clamp(start, 0, 32767));
    levels.insert(level, format);
}

void WordXmlReader::Private::readLevelOverride(QXmlStreamReader& xml, const QString& listId)
{
    const int level = attribute(xml, QLatin1String("ilvl")).toInt();
    while (xml.readNextStartElement()) {
        bool ok = false;
        const int start = value(xml).toInt(&ok);
        if (isWord(xml) && xml.name() == u"startOverride" && ok && level >= 0
            && level < TextListBuilder::MaximumLevels)
            m_startOverrides.insert({ listId, level }, start);
        xml.skipCurrentElement();
    }
}

void WordXmlReader::Private::readNumberingElement(QXmlStreamReader& xml)
{
    while (xml.readNextStartElement()) {
        if (!isWord(xml)) {
            xml.skipCurrentElement();
            continue;
        }
        const QStringView name = xml.name();
        if (name == u"abstractNum" || name == u"listDef") {
            const QString id = anyAttribute(xml, { "abstractNumId", "listDefId" }).toString();
            QHash<int, QTextListFormat> levels;
            while (xml.readNextStartElement()) {
                if (isWord(xml) && xml.name() == u"lvl")
                    readLevel(xml, levels);
                else
                    xml.skipCurrentElement();
            }
            m_abstractLists.insert(id, levels);
        } else if (name == u"num" || name == u"list") {
            const QString id = anyAttribute(xml, { "numId", "ilfo" }).toString();
            while (xml.readNextStartElement()) {
                if (isWord(xml) && (xml.name() == u"abstractNumId" || xml.name() == u"ilst"))
                    m_lists.insert(id, value(xml).toString());
                else if (isWord(xml) && xml.name() == u"lvlOverride")
                    readLevelOverride(xml, id);
                if (xml.isStartElement())
                    xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
}

ImportedTextStyle WordXmlReader::Private::resolve(const QString& id, int depth)
{
    const auto cached = m_resolved.constFind(id);
    if (cached != m_resolved.constEnd())
        return *cached;
    const auto found = m_styles.constFind(id);
    if (found == m_styles.constEnd() || depth > kMaximumStyleDepth)
        return {};
    ImportedTextStyle style;
    if (!found->basedOn.isEmpty() && found->basedOn != id)
        style = resolve(found->basedOn, depth + 1);
    style.merge(found->style);
    if (depth == 0)
        m_resolved.insert(id, style);
    return style;
}

ImportedTextStyle WordXmlReader::Private::paragraphStyle(const QString& id)
{
    ImportedTextStyle style = m_defaults;
    style.merge(resolve(id.isEmpty() ? m_defaultParagraphStyle : id));
    return style;
}

WordXmlReader::WordXmlReader(Dialect dialect) : d(std::make_unique<Private>(dialect)) { }

WordXmlReader::~WordXmlReader() = default;

bool WordXmlReader::readStyles(const QByteArray& data, Error* error)
{
    return d->readPart(
        data, u"styles", error, [&](QXmlStreamReader& xml) { d->readStylesElement(xml); });
}

bool WordXmlReader::readNumbering(const QByteArray& data, Error* error)
{
    return d->readPart(
        data, u"numbering", error, [&](QXmlStreamReader& xml) { d->readNumberingElement(xml); });
}

std::unique_ptr<QTextDocument> WordXmlReader::readDocument(
    const QByteArray& data, const Package& package, Error* error)
{
    auto document = ConversionDocument::make();
    QTextCursor cursor(document.get());
    cursor.beginEditBlock();
    QXmlStreamReader xml(data);
    TextListBuilder lists;

    bool sawRoot = false;
    bool firstParagraph = true;
    bool inParagraph = false;
    bool paragraphApplied = false;
    ImportedTextStyle paragraph; // the paragraph's direct properties
    ImportedTextStyle paragraphMark; // its mark's run properties
    QString paragraphStyleId;
    QString listId;
    int listLevel = 0;
    ImportedTextStyle runBase; // what runs of this paragraph inherit
    ImportedTextStyle run; // the run's direct properties
    QTextCharFormat runFormat;
    bool runFormatValid = false;
    std::vector<QString> linkElements;
    std::vector<Field> fields;
    ImportedNotes notes;
    QSet<QPair<QString, int>> restartedLists;
    bool breakBeforeText = false;
    // A drop cap stands in a paragraph of its own before the rest of its word.
    bool dropCapBefore = false;

    const auto currentLink = [&]() -> QString {
        for (auto it = fields.rbegin(); it != fields.rend(); ++it) {
            if (it->separated && !it->link.isEmpty())
                return it->link;
        }
        return linkElements.empty() ? QString() : linkElements.back();
    };
    // Each open hyperlink element holds the link in force inside it: its own, or the one
    // around it when it has none.
    const auto openLink = [&](const QString& link) {
        linkElements.push_back(
            link.isEmpty() && !linkElements.empty() ? linkElements.back() : link);
    };
    const auto applyParagraph = [&] {
        if (paragraphApplied)
            return;
        paragraphApplied = true;
        ImportedTextStyle style = d->paragraphStyle(paragraphStyleId);
        runBase = style;
        // The paragraph mark's look (its own properties over the paragraph style's and the
        // document's defaults) is the paragraph's own: typing on it goes on in it when empty.
        ImportedTextStyle mark = runBase;
        mark.merge(paragraphMark);
        cursor.setBlockCharFormat(mark.charFormat());
        style.merge(paragraph);
        if (const std::optional<QTextBlockFormat> format = style.blockFormat())
            cursor.setBlockFormat(*format);
        if (!listId.isEmpty() && listId != u"0") {
            const auto abstract = d->m_lists.constFind(listId);
            if (abstract != d->m_lists.constEnd()) {
                const QHash<int, QTextListFormat> levels = d->m_abstractLists.value(*abstract);
                const int level = std::clamp(listLevel, 0, TextListBuilder::MaximumLevels - 1);
                QTextListFormat format = levels.value(level);
                if (!levels.contains(level))
                    format.setStyle(QTextListFormat::ListDisc);
                // Numbers run on through every numbering of one abstract list; a numbering
                // that overrides a level's start restarts it where it is first used.
                std::optional<int> restart;
                const auto override = d->m_startOverrides.constFind({ listId, level });
                if (override != d->m_startOverrides.constEnd()
                    && !restartedLists.contains({ listId, level })) {
                    restartedLists.insert({ listId, level });
                    restart = *override;
                }
                lists.addItem(cursor, *abstract, level, format, restart);
            }
        }
    };
    const auto currentFormat = [&]() -> const QTextCharFormat& {
        applyParagraph();
        if (!runFormatValid) {
            ImportedTextStyle style = runBase;
            style.merge(run);
            runFormat = style.charFormat();
            runFormatValid = true;
        }
        return runFormat;
    };
    const auto insert = [&](const QString& text) {
        QTextCharFormat format = currentFormat();
        if (const QString link = currentLink(); !link.isEmpty()) {
            format.setAnchor(true);
            format.setAnchorHref(link);
        }
        // A text box's words stand apart from the paragraph's own on both sides.
        if (std::exchange(breakBeforeText, false) && cursor.positionInBlock() > 0)
            cursor.insertText(QString(QChar::LineSeparator), format);
        cursor.insertText(text, format);
    };
    const auto insertDrawing = [&](const WordDrawingReader::Drawing& drawing) {
        if (drawing.picture) {
            cursor.setCharFormat(currentFormat());
            AttributedText::insertAttachment(cursor, *drawing.picture);
        }
        if (drawing.text.isEmpty())
            return;
        QString text = drawing.text;
        text.replace(u'\n', QChar::LineSeparator);
        breakBeforeText = true;
        insert(text);
        breakBeforeText = true;
    };
    const auto insertNote = [&](ImportedNotes::Kind kind, const QHash<QString, QString>& texts) {
        const auto found = texts.constFind(d->attribute(xml, QLatin1String("id")).toString());
        if (found != texts.constEnd())
            cursor.insertText(notes.add(kind, *found), ImportedNotes::markFormat(currentFormat()));
    };

    while (!xml.atEnd()) {
        xml.readNext();
        if (d->refuseDtd(xml))
            break;
        if (xml.isStartElement()) {
            const QStringView name = xml.name();
            if (!sawRoot) {
                sawRoot = true;
                const bool isRoot
                    = d->isWord(xml) && (d->m_docx ? name == u"document" : name == u"wordDocument");
                if (!isRoot) {
                    xml.raiseError(QStringLiteral("This is not a Word document."));
                    break;
                }
                continue;
            }
            // Alternatives for older readers repeat what the chosen content shows.
            if (name == u"Fallback" && xml.namespaceUri() == kCompatibilityNamespace) {
                xml.skipCurrentElement();
                continue;
            }
            if (!d->isWord(xml))
                continue;
            if (name == u"styles") {
                d->readStylesElement(xml);
            } else if (name == u"lists" || name == u"numbering") {
                d->readNumberingElement(xml);
            } else if (name == u"p") {
                if (!firstParagraph && !std::exchange(dropCapBefore, false))
                    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
                firstParagraph = false;
                breakBeforeText = false;
                inParagraph = true;
                paragraphApplied = false;
                paragraph = {};
                paragraphMark = {};
                paragraphStyleId.clear();
                listId.clear();
                listLevel = 0;
                run = {};
                runFormatValid = false;
            } else if (name == u"pPr") {
                // Only a paragraph's leading properties count; any later are read and dropped.
                if (inParagraph && !paragraphApplied) {
                    d->m_dropCap = false;
                    d->readParagraphProperties(
                        xml, paragraph, paragraphStyleId, listId, listLevel, &paragraphMark);
                    dropCapBefore = d->m_dropCap;
                    applyParagraph();
                } else {
                    ImportedTextStyle ignored;
                    QString ignoredId;
                    int ignoredLevel = 0;
                    d->readParagraphProperties(xml, ignored, ignoredId, ignoredId, ignoredLevel);
                }
            } else if (name == u"r") {
                run = {};
                runFormatValid = false;
            } else if (name == u"rPr") {
                run = d->readRunProperties(xml);
                runFormatValid = false;
            } else if (name == u"t") {
                // Line ends inside the text are white space to Word, not breaks.
                QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
                for (QChar& c : text) {
                    if (c == u'\n' || c == u'\r' || c == QChar::ParagraphSeparator)
                        c = u' ';
                }
                if (inParagraph && !text.isEmpty())
                    insert(text);
            } else if (name == u"instrText") {
                const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
                if (!fields.empty() && !fields.back().separated)
                    fields.back().instruction += text;
            } else if (name == u"delText" || name == u"del" || name == u"sectPr") {
                xml.skipCurrentElement();
            } else if ((name == u"footnote" || name == u"endnote") && inParagraph && !d->m_docx) {
                // Word 2003 XML keeps a note's text where its mark stands.
                const ImportedNotes::Kind kind = name == u"footnote" ? ImportedNotes::Kind::Footnote
                                                                     : ImportedNotes::Kind::Endnote;
                const QTextCharFormat format = ImportedNotes::markFormat(currentFormat());
                cursor.insertText(notes.add(kind, WordPlainText::readElement(xml)), format);
            } else if (name == u"footnoteReference" || name == u"endnoteReference"
                || name == u"commentReference") {
                if (inParagraph && name == u"footnoteReference")
                    insertNote(ImportedNotes::Kind::Footnote, package.footnotes);
                else if (inParagraph && name == u"endnoteReference")
                    insertNote(ImportedNotes::Kind::Endnote, package.endnotes);
                else if (inParagraph)
                    insertNote(ImportedNotes::Kind::Comment, package.comments);
                xml.skipCurrentElement();
            } else if (name == u"tab" && inParagraph) {
                insert(QStringLiteral("\t"));
            } else if ((name == u"br" || name == u"cr") && inParagraph) {
                insert(QString(QChar::LineSeparator));
            } else if (name == u"hyperlink") {
                const QString id
                    = xml.attributes()
                          .value(WordXmlWriter::RelationshipsNamespace, QLatin1String("id"))
                          .toString();
                openLink(package.links.value(id));
            } else if (name == u"hlink") {
                openLink(d->attribute(xml, QLatin1String("dest")).toString());
            } else if (name == u"fldSimple") {
                openLink(fieldLink(d->attribute(xml, QLatin1String("instr")).toString()));
            } else if (name == u"fldChar") {
                const QStringView kind = d->attribute(xml, QLatin1String("fldCharType"));
                if (kind == u"begin" && fields.size() < 64) {
                    fields.push_back({});
                } else if (kind == u"separate" && !fields.empty()) {
                    fields.back().separated = true;
                    fields.back().link = fieldLink(fields.back().instruction);
                } else if (kind == u"end" && !fields.empty()) {
                    fields.pop_back();
                }
            } else if (name == u"drawing" && inParagraph) {
                insertDrawing(d->m_drawings.readDrawing(xml, package));
            } else if (name == u"pict" && inParagraph) {
                insertDrawing(d->m_drawings.readPict(xml, package));
            }
        } else if (xml.isEndElement() && d->isWord(xml)) {
            const QStringView name = xml.name();
            if (name == u"p") {
                applyParagraph();
                inParagraph = false;
            } else if (name == u"r") {
                run = {};
                runFormatValid = false;
            } else if ((name == u"hyperlink" || name == u"hlink" || name == u"fldSimple")
                && !linkElements.empty()) {
                linkElements.pop_back();
            }
        }
    }
    cursor.endEditBlock();
    notes.appendTo(*document);
    if (!xml.hasError() && !sawRoot)
        xml.raiseError(QStringLiteral("The document is empty."));
    if (xml.hasError()) {
        Error::set(error, TextDocumentReader::unreadableError(xml.errorString()));
        return nullptr;
    }
    TextListConversion::fromQtLists(*document);
    return document;
}

} // namespace platform
