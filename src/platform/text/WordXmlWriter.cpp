#include "WordXmlWriter.h"

#include "AttributedText.h"
#include "ExportedFontFamily.h"
#include "ExportedPicture.h"
#include "RtfListLevel.h"
#include "TextListConversion.h"
#include "XmlText.h"

#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QXmlStreamWriter>

#include <algorithm>
#include <array>
#include <cmath>

namespace platform {

namespace {

using Dialect = WordXmlWriter::Dialect;

constexpr double kEmuPerPoint = 12700.0;

QString twips(double points)
{
    return QString::number(std::lround(std::clamp(points, -1e6, 1e6) * 20.0));
}

QString hexColor(const QColor& color)
{
    return color.name(QColor::HexRgb).mid(1).toUpper();
}

// Word's name of a list level's numbering, from the shared level codes.
QString numberFormatName(int code)
{
    switch (code) {
    case 0:
        return QStringLiteral("decimal");
    case 1:
        return QStringLiteral("upperRoman");
    case 2:
        return QStringLiteral("lowerRoman");
    case 3:
        return QStringLiteral("upperLetter");
    case 4:
        return QStringLiteral("lowerLetter");
    case 22:
        return QStringLiteral("decimalZero");
    default:
        return QStringLiteral("bullet");
    }
}

class Writer {
public:
    Writer(const QTextDocument& doc, Dialect dialect, const QFont& defaultFont)
        : m_doc(doc),
          m_docx(dialect == Dialect::Docx),
          m_defaultFamily(
              ExportedFontFamily::of(defaultFont.families().value(0, defaultFont.family()))),
          m_defaultHalfPoints(
              int(std::lround(std::clamp(defaultFont.pointSizeF(), 1.0, 1638.0) * 2.0)))
    { }

    WordXmlWriter::Result run()
    {
        collectLists();
        if (m_docx) {
            m_result.relationships.append({ QStringLiteral("rId1"),
                WordXmlWriter::StylesRelationship, QStringLiteral("styles.xml"), false });
            if (!m_lists.isEmpty()) {
                m_result.relationships.append({ QStringLiteral("rId2"),
                    WordXmlWriter::NumberingRelationship, QStringLiteral("numbering.xml"), false });
            }
            m_result.styles = xmlPart([&](QXmlStreamWriter& xml) { writeStyles(xml); });
            if (!m_lists.isEmpty())
                m_result.numbering = xmlPart([&](QXmlStreamWriter& xml) { writeLists(xml); });
        }
        m_result.document = xmlPart([&](QXmlStreamWriter& xml) { writeDocument(xml); });
        return std::move(m_result);
    }

private:
    template <typename Fill> QByteArray xmlPart(Fill&& fill)
    {
        QByteArray bytes;
        QXmlStreamWriter xml(&bytes);
        xml.writeStartDocument(QStringLiteral("1.0"), true);
        if (!m_docx)
            xml.writeProcessingInstruction(
                QStringLiteral("mso-application"), QStringLiteral("progid=\"Word.Document\""));
        fill(xml);
        xml.writeEndDocument();
        return bytes;
    }

    static int levelOf(const QTextList* list)
    {
        return std::clamp(list->format().indent() - 1, 0, RtfListLevel::MaximumLevels - 1);
    }

    // Qt keeps each nesting level in a list of its own. Word numbers a list's items at every
    // level as one list, so a list nested in another is a level of the other's numbering;
    // one whose level there has another format already gets a numbering of its own.
    void collectLists()
    {
        QList<const QTextList*> open; // around the current item, by level
        for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
            const QTextList* list = block.textList();
            if (!list) {
                open.clear();
                continue;
            }
            const int level = levelOf(list);
            open.resize(level + 1);
            open[level] = list;
            if (m_listIds.contains(list))
                continue;
            int id = 0;
            for (int outer = level - 1; outer >= 0 && id == 0; --outer)
                id = m_listIds.value(open.at(outer));
            if (id > 0) {
                const QTextList*& taken = m_lists[id - 1][level];
                if (!taken)
                    taken = list;
                else if (RtfListLevel::fromListFormat(taken->format())
                    != RtfListLevel::fromListFormat(list->format()))
                    id = 0;
            }
            if (id == 0) {
                m_lists.append(Levels {});
                m_lists.last()[level] = list;
                id = int(m_lists.size());
            }
            m_listIds.insert(list, id);
        }
    }

    void writeNamespace(QXmlStreamWriter& xml)
    {
        xml.writeAttribute(QStringLiteral("xmlns:w"),
            m_docx ? WordXmlWriter::WordprocessingNamespace : WordXmlWriter::WordMLNamespace);
    }

    void writeValue(QXmlStreamWriter& xml, const QString& element, const QString& value)
    {
        xml.writeEmptyElement(element);
        xml.writeAttribute(QStringLiteral("w:val"), value);
    }

    void writeFonts(QXmlStreamWriter& xml, const QString& family)
    {
        const QString name = XmlText::clean(family);
        xml.writeEmptyElement(QStringLiteral("w:rFonts"));
        xml.writeAttribute(QStringLiteral("w:ascii"), name);
        xml.writeAttribute(m_docx ? QStringLiteral("w:hAnsi") : QStringLiteral("w:h-ansi"), name);
        xml.writeAttribute(QStringLiteral("w:cs"), name);
        xml.writeAttribute(
            m_docx ? QStringLiteral("w:eastAsia") : QStringLiteral("w:fareast"), name);
    }

    void writeDefaultRunProperties(QXmlStreamWriter& xml)
    {
        xml.writeStartElement(QStringLiteral("w:rPr"));
        writeFonts(xml, m_defaultFamily);
        writeValue(xml, QStringLiteral("w:sz"), QString::number(m_defaultHalfPoints));
        xml.writeEndElement();
    }

    void writeDefaultParagraphProperties(QXmlStreamWriter& xml)
    {
        xml.writeStartElement(QStringLiteral("w:pPr"));
        writeSpacing(xml, AttributedText::defaultParagraphStyle());
        xml.writeEndElement();
    }

    void writeStyles(QXmlStreamWriter& xml)
    {
        xml.writeStartElement(QStringLiteral("w:styles"));
        if (m_docx) {
            writeNamespace(xml);
            xml.writeStartElement(QStringLiteral("w:docDefaults"));
            xml.writeStartElement(QStringLiteral("w:rPrDefault"));
            writeDefaultRunProperties(xml);
            xml.writeEndElement();
            xml.writeStartElement(QStringLiteral("w:pPrDefault"));
            writeDefaultParagraphProperties(xml);
            xml.writeEndElement();
            xml.writeEndElement();
        }
        xml.writeStartElement(QStringLiteral("w:style"));
        xml.writeAttribute(QStringLiteral("w:type"), QStringLiteral("paragraph"));
        xml.writeAttribute(
            QStringLiteral("w:default"), m_docx ? QStringLiteral("1") : QStringLiteral("on"));
        xml.writeAttribute(QStringLiteral("w:styleId"), QStringLiteral("Normal"));
        writeValue(xml, QStringLiteral("w:name"), QStringLiteral("Normal"));
        if (!m_docx) {
            writeDefaultParagraphProperties(xml);
            writeDefaultRunProperties(xml);
        }
        xml.writeEndElement();
        xml.writeEndElement();
    }

    void writeLists(QXmlStreamWriter& xml)
    {
        xml.writeStartElement(m_docx ? QStringLiteral("w:numbering") : QStringLiteral("w:lists"));
        if (m_docx)
            writeNamespace(xml);
        for (qsizetype i = 0; i < m_lists.size(); ++i) {
            const Levels& levels = m_lists[i];
            // Levels no item uses take the format of the first that one does.
            const QTextList* first
                = *std::find_if(levels.begin(), levels.end(), [](auto* list) { return list; });
            xml.writeStartElement(
                m_docx ? QStringLiteral("w:abstractNum") : QStringLiteral("w:listDef"));
            xml.writeAttribute(
                m_docx ? QStringLiteral("w:abstractNumId") : QStringLiteral("w:listDefId"),
                QString::number(i));
            for (int l = 0; l < RtfListLevel::MaximumLevels; ++l) {
                const RtfListLevel level
                    = RtfListLevel::fromListFormat((levels[l] ? levels[l] : first)->format());
                xml.writeStartElement(QStringLiteral("w:lvl"));
                xml.writeAttribute(QStringLiteral("w:ilvl"), QString::number(l));
                writeValue(xml, QStringLiteral("w:start"), QStringLiteral("1"));
                if (m_docx)
                    writeValue(
                        xml, QStringLiteral("w:numFmt"), numberFormatName(level.numberFormat()));
                else
                    writeValue(xml, QStringLiteral("w:nfc"), QString::number(level.numberFormat()));
                const QString text = level.isBullet()
                    ? QString(level.bullet())
                    : level.prefix + u'%' + QString::number(l + 1) + level.suffix;
                writeValue(xml, QStringLiteral("w:lvlText"), XmlText::clean(text));
                writeValue(xml, QStringLiteral("w:lvlJc"), QStringLiteral("left"));
                xml.writeStartElement(QStringLiteral("w:pPr"));
                xml.writeEmptyElement(QStringLiteral("w:ind"));
                xml.writeAttribute(
                    QStringLiteral("w:left"), twips(RtfListLevel::textIndent(l) / 20.0));
                xml.writeAttribute(QStringLiteral("w:hanging"), QStringLiteral("360"));
                xml.writeEndElement();
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
        for (qsizetype i = 0; i < m_lists.size(); ++i) {
            xml.writeStartElement(m_docx ? QStringLiteral("w:num") : QStringLiteral("w:list"));
            xml.writeAttribute(m_docx ? QStringLiteral("w:numId") : QStringLiteral("w:ilfo"),
                QString::number(i + 1));
            writeValue(xml, m_docx ? QStringLiteral("w:abstractNumId") : QStringLiteral("w:ilst"),
                QString::number(i));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }

    void writeDocument(QXmlStreamWriter& xml)
    {
        if (m_docx) {
            xml.writeStartElement(QStringLiteral("w:document"));
            writeNamespace(xml);
            xml.writeAttribute(QStringLiteral("xmlns:r"), WordXmlWriter::RelationshipsNamespace);
            xml.writeAttribute(QStringLiteral("xmlns:wp"),
                QStringLiteral(
                    "http://schemas.openxmlformats.org/drawingml/2006/wordprocessingDrawing"));
            xml.writeAttribute(QStringLiteral("xmlns:a"),
                QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/main"));
            xml.writeAttribute(QStringLiteral("xmlns:pic"),
                QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture"));
        } else {
            xml.writeStartElement(QStringLiteral("w:wordDocument"));
            writeNamespace(xml);
            xml.writeAttribute(
                QStringLiteral("xmlns:v"), QStringLiteral("urn:schemas-microsoft-com:vml"));
            xml.writeAttribute(QStringLiteral("xmlns:o"),
                QStringLiteral("urn:schemas-microsoft-com:office:office"));
            xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            if (!m_lists.isEmpty())
                writeLists(xml);
            writeStyles(xml);
        }
        xml.writeStartElement(QStringLiteral("w:body"));
        if (!m_doc.isEmpty()) {
            for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next())
                writeParagraph(xml, block);
        }
        if (m_docx) {
            // Where the body ends: A4 with the margins RTF export uses.
            xml.writeStartElement(QStringLiteral("w:sectPr"));
            xml.writeEmptyElement(QStringLiteral("w:pgSz"));
            xml.writeAttribute(QStringLiteral("w:w"), QStringLiteral("11900"));
            xml.writeAttribute(QStringLiteral("w:h"), QStringLiteral("16840"));
            xml.writeEmptyElement(QStringLiteral("w:pgMar"));
            for (const char* side : { "w:top", "w:right", "w:bottom", "w:left" })
                xml.writeAttribute(QLatin1String(side), QStringLiteral("1440"));
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndElement();
    }

    void writeSpacing(QXmlStreamWriter& xml, const ParagraphStyle& style)
    {
        xml.writeEmptyElement(QStringLiteral("w:spacing"));
        xml.writeAttribute(QStringLiteral("w:before"), twips(style.paragraphSpacingBefore));
        xml.writeAttribute(QStringLiteral("w:after"), twips(style.paragraphSpacing));
        if (style.lineHeightMultiple > 0) {
            xml.writeAttribute(QStringLiteral("w:line"),
                QString::number(std::lround(std::min(style.lineHeightMultiple, 100.0) * 240.0)));
            xml.writeAttribute(
                m_docx ? QStringLiteral("w:lineRule") : QStringLiteral("w:line-rule"),
                QStringLiteral("auto"));
        }
    }

    void writeParagraph(QXmlStreamWriter& xml, const QTextBlock& block)
    {
        xml.writeStartElement(QStringLiteral("w:p"));
        const QTextBlockFormat format = block.blockFormat();
        const QTextList* list = block.textList();
        const bool styled = AttributedText::hasParagraphStyle(format);
        if (styled || list) {
            xml.writeStartElement(QStringLiteral("w:pPr"));
            if (list) {
                xml.writeStartElement(
                    m_docx ? QStringLiteral("w:numPr") : QStringLiteral("w:listPr"));
                writeValue(xml, QStringLiteral("w:ilvl"), QString::number(levelOf(list)));
                writeValue(xml, m_docx ? QStringLiteral("w:numId") : QStringLiteral("w:ilfo"),
                    QString::number(m_listIds.value(list)));
                xml.writeEndElement();
            }
            if (styled)
                writeParagraphStyle(xml, AttributedText::paragraphStyle(format), list != nullptr);
            xml.writeEndElement();
        }

        QString openLink;
        const QString text = block.text();
        int offset = 0;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat charFormat = fragment.charFormat();
            const QStringView piece = QStringView(text).mid(offset, fragment.length());
            offset += fragment.length();
            const QString href = charFormat.isAnchor() ? charFormat.anchorHref() : QString();
            if (href != openLink) {
                if (!openLink.isEmpty())
                    xml.writeEndElement();
                openLink = href;
                if (!href.isEmpty())
                    openHyperlink(xml, href);
            }
            if (AttributedText::isAttachment(charFormat)) {
                for (qsizetype i = 0; i < piece.size(); ++i) {
                    if (m_docx)
                        writePicture(xml, charFormat);
                    else
                        writeEmbeddedPicture(xml, charFormat);
                }
                continue;
            }
            writeRun(xml, charFormat, piece);
        }
        if (!openLink.isEmpty())
            xml.writeEndElement();
        xml.writeEndElement();
    }

    void openHyperlink(QXmlStreamWriter& xml, const QString& href)
    {
        if (m_docx) {
            const QString id = QStringLiteral("rId%1").arg(m_result.relationships.size() + 1);
            m_result.relationships.append(
                { id, WordXmlWriter::HyperlinkRelationship, XmlText::clean(href), true });
            xml.writeStartElement(QStringLiteral("w:hyperlink"));
            xml.writeAttribute(QStringLiteral("r:id"), id);
        } else {
            xml.writeStartElement(QStringLiteral("w:hlink"));
            xml.writeAttribute(QStringLiteral("w:dest"), XmlText::clean(href));
        }
    }

    void writeParagraphStyle(QXmlStreamWriter& xml, const ParagraphStyle& style, bool listItem)
    {
        const QList<TextTab> defaults = ParagraphStyle::defaultTabStops();
        if (style.tabStops != defaults && !style.tabStops.isEmpty()) {
            xml.writeStartElement(QStringLiteral("w:tabs"));
            for (const TextTab& tab : style.tabStops) {
                xml.writeEmptyElement(QStringLiteral("w:tab"));
                const char* kind = tab.type == TextTabType::Right ? "right"
                    : tab.type == TextTabType::Center             ? "center"
                    : tab.type == TextTabType::Decimal            ? "decimal"
                                                                  : "left";
                xml.writeAttribute(QStringLiteral("w:val"), QLatin1String(kind));
                xml.writeAttribute(QStringLiteral("w:pos"), twips(tab.location));
            }
            xml.writeEndElement();
        }
        writeSpacing(xml, style);
        // A list item's indents come with its list.
        if (!listItem
            && (style.headIndent != 0 || style.firstLineHeadIndent != 0 || style.tailIndent < 0)) {
            xml.writeEmptyElement(QStringLiteral("w:ind"));
            xml.writeAttribute(QStringLiteral("w:left"), twips(style.headIndent));
            xml.writeAttribute(QStringLiteral("w:right"), twips(std::max(0.0, -style.tailIndent)));
            const double first = style.firstLineHeadIndent - style.headIndent;
            if (first >= 0)
                xml.writeAttribute(
                    m_docx ? QStringLiteral("w:firstLine") : QStringLiteral("w:first-line"),
                    twips(first));
            else
                xml.writeAttribute(QStringLiteral("w:hanging"), twips(-first));
        }
        const char* jc = nullptr;
        switch (style.alignment) {
        case TextAlignment::Left:
            jc = "left";
            break;
        case TextAlignment::Right:
            jc = "right";
            break;
        case TextAlignment::Center:
            jc = "center";
            break;
        case TextAlignment::Justified:
            jc = "both";
            break;
        case TextAlignment::Natural:
            break;
        }
        if (jc)
            writeValue(xml, QStringLiteral("w:jc"), QLatin1String(jc));
    }

    void writeRunProperties(QXmlStreamWriter& xml, const QTextCharFormat& format)
    {
        xml.writeStartElement(QStringLiteral("w:rPr"));
        const QString family = format.fontFamilies().toStringList().value(0);
        if (!family.isEmpty())
            writeFonts(xml, ExportedFontFamily::of(family));
        if (format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= QFont::DemiBold)
            xml.writeEmptyElement(QStringLiteral("w:b"));
        if (format.fontItalic())
            xml.writeEmptyElement(QStringLiteral("w:i"));
        if (AttributedText::strikethroughStyle(format) != 0)
            xml.writeEmptyElement(QStringLiteral("w:strike"));
        if (format.hasProperty(QTextFormat::ForegroundBrush)
            && format.foreground().style() != Qt::NoBrush) {
            writeValue(xml, QStringLiteral("w:color"), hexColor(format.foreground().color()));
        }
        if (const double size = AttributedText::fontPointSize(format); size > 0)
            writeValue(xml, QStringLiteral("w:sz"),
                QString::number(std::lround(std::clamp(size, 1.0, 1638.0) * 2.0)));
        if (const int underline = AttributedText::underlineStyle(format); underline != 0) {
            QString kind = QStringLiteral("single");
            if ((underline & 0x0F) == 0x09)
                kind = QStringLiteral("double");
            else if ((underline & 0x0F) == 0x02)
                kind = QStringLiteral("thick");
            else if ((underline & 0x0700) == 0x0100)
                kind = QStringLiteral("dotted");
            else if ((underline & 0x0700) == 0x0200)
                kind = QStringLiteral("dash");
            else if ((underline & 0x0700) == 0x0300)
                kind = QStringLiteral("dotDash");
            else if ((underline & 0x0700) == 0x0400)
                kind = QStringLiteral("dotDotDash");
            else if (underline & 0x8000)
                kind = QStringLiteral("words");
            writeValue(xml, QStringLiteral("w:u"), kind);
        }
        if (format.hasProperty(QTextFormat::BackgroundBrush)
            && format.background().style() != Qt::NoBrush) {
            xml.writeEmptyElement(QStringLiteral("w:shd"));
            xml.writeAttribute(QStringLiteral("w:val"), QStringLiteral("clear"));
            xml.writeAttribute(QStringLiteral("w:color"), QStringLiteral("auto"));
            xml.writeAttribute(QStringLiteral("w:fill"), hexColor(format.background().color()));
        }
        if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            writeValue(xml, QStringLiteral("w:vertAlign"), QStringLiteral("superscript"));
        else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
            writeValue(xml, QStringLiteral("w:vertAlign"), QStringLiteral("subscript"));
        xml.writeEndElement();
    }

    // Tabs and line breaks are elements of their own; the rest goes in w:t pieces.
    void writeRun(QXmlStreamWriter& xml, const QTextCharFormat& format, QStringView text)
    {
        const QString clean = XmlText::clean(text);
        xml.writeStartElement(QStringLiteral("w:r"));
        writeRunProperties(xml, format);
        qsizetype start = 0;
        const auto flush = [&](qsizetype end) {
            if (end <= start)
                return;
            const QString piece = clean.mid(start, end - start);
            xml.writeStartElement(QStringLiteral("w:t"));
            if (piece.front().isSpace() || piece.back().isSpace())
                xml.writeAttribute(QStringLiteral("xml:space"), QStringLiteral("preserve"));
            xml.writeCharacters(piece);
            xml.writeEndElement();
        };
        for (qsizetype i = 0; i < clean.size(); ++i) {
            const QChar c = clean[i];
            if (c == u'\t' || c == QChar::LineSeparator || c == u'\n' || c == u'\r'
                || c == QChar::ObjectReplacementCharacter) {
                flush(i);
                start = i + 1;
                if (c == u'\t')
                    xml.writeEmptyElement(QStringLiteral("w:tab"));
                else if (c != QChar::ObjectReplacementCharacter)
                    xml.writeEmptyElement(QStringLiteral("w:br"));
            }
        }
        flush(clean.size());
        xml.writeEndElement();
    }

    void writePicture(QXmlStreamWriter& xml, const QTextCharFormat& format)
    {
        const std::optional<ExportedPicture> picture
            = ExportedPicture::fromAttachment(AttributedText::attachment(m_doc, format));
        if (!picture)
            return;
        const QString fileName = AttributedText::attachment(m_doc, format).fileName;
        const QSizeF size = picture->size;
        const int number = int(m_result.media.size()) + 1;
        const QString name = QStringLiteral("media/image%1.%2").arg(number).arg(picture->extension);
        const QString id = QStringLiteral("rId%1").arg(m_result.relationships.size() + 1);
        m_result.media.append({ name, picture->data });
        m_result.relationships.append({ id, WordXmlWriter::ImageRelationship, name, false });
        const QString cx = QString::number(std::llround(size.width() * kEmuPerPoint));
        const QString cy = QString::number(std::llround(size.height() * kEmuPerPoint));
        const QString number_ = QString::number(number);

        xml.writeStartElement(QStringLiteral("w:r"));
        xml.writeStartElement(QStringLiteral("w:drawing"));
        xml.writeStartElement(QStringLiteral("wp:inline"));
        for (const char* distance : { "distT", "distB", "distL", "distR" })
            xml.writeAttribute(QLatin1String(distance), QStringLiteral("0"));
        xml.writeEmptyElement(QStringLiteral("wp:extent"));
        xml.writeAttribute(QStringLiteral("cx"), cx);
        xml.writeAttribute(QStringLiteral("cy"), cy);
        xml.writeEmptyElement(QStringLiteral("wp:docPr"));
        xml.writeAttribute(QStringLiteral("id"), number_);
        xml.writeAttribute(QStringLiteral("name"), QStringLiteral("Picture ") + number_);
        xml.writeStartElement(QStringLiteral("a:graphic"));
        xml.writeStartElement(QStringLiteral("a:graphicData"));
        xml.writeAttribute(QStringLiteral("uri"),
            QStringLiteral("http://schemas.openxmlformats.org/drawingml/2006/picture"));
        xml.writeStartElement(QStringLiteral("pic:pic"));
        xml.writeStartElement(QStringLiteral("pic:nvPicPr"));
        xml.writeEmptyElement(QStringLiteral("pic:cNvPr"));
        xml.writeAttribute(QStringLiteral("id"), number_);
        xml.writeAttribute(
            QStringLiteral("name"), XmlText::clean(fileName.isEmpty() ? name.mid(6) : fileName));
        xml.writeEmptyElement(QStringLiteral("pic:cNvPicPr"));
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("pic:blipFill"));
        xml.writeEmptyElement(QStringLiteral("a:blip"));
        xml.writeAttribute(QStringLiteral("r:embed"), id);
        xml.writeStartElement(QStringLiteral("a:stretch"));
        xml.writeEmptyElement(QStringLiteral("a:fillRect"));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("pic:spPr"));
        xml.writeStartElement(QStringLiteral("a:xfrm"));
        xml.writeEmptyElement(QStringLiteral("a:off"));
        xml.writeAttribute(QStringLiteral("x"), QStringLiteral("0"));
        xml.writeAttribute(QStringLiteral("y"), QStringLiteral("0"));
        xml.writeEmptyElement(QStringLiteral("a:ext"));
        xml.writeAttribute(QStringLiteral("cx"), cx);
        xml.writeAttribute(QStringLiteral("cy"), cy);
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("a:prstGeom"));
        xml.writeAttribute(QStringLiteral("prst"), QStringLiteral("rect"));
        xml.writeEmptyElement(QStringLiteral("a:avLst"));
        xml.writeEndElement();
        xml.writeEndElement(); // spPr
        xml.writeEndElement(); // pic
        xml.writeEndElement(); // graphicData
        xml.writeEndElement(); // graphic
        xml.writeEndElement(); // inline
        xml.writeEndElement(); // drawing
        xml.writeEndElement(); // r
    }

    // Word 2003 XML carries a picture inside the run: its bytes in base64, named by a "wordml:"
    // URL that the shape's image data points to.
    void writeEmbeddedPicture(QXmlStreamWriter& xml, const QTextCharFormat& format)
    {
        const std::optional<ExportedPicture> picture
            = ExportedPicture::fromAttachment(AttributedText::attachment(m_doc, format));
        if (!picture)
            return;
        ++m_embeddedPictures;
        const QString name = QStringLiteral("wordml://%1.%2")
                                 .arg(QString::number(m_embeddedPictures).rightJustified(8, u'0'),
                                     picture->extension);
        const auto length = [](double points) {
            return QString::number(std::clamp(points, 0.1, 1e5), 'f', 2) + u"pt"_qs;
        };
        xml.writeStartElement(QStringLiteral("w:r"));
        xml.writeStartElement(QStringLiteral("w:pict"));
        xml.writeStartElement(QStringLiteral("w:binData"));
        xml.writeAttribute(QStringLiteral("w:name"), name);
        xml.writeCharacters(QString::fromLatin1(picture->data.toBase64()));
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("v:shape"));
        xml.writeAttribute(
            QStringLiteral("id"), QStringLiteral("Picture%1").arg(m_embeddedPictures));
        xml.writeAttribute(QStringLiteral("style"),
            QStringLiteral("width:%1;height:%2")
                .arg(length(picture->size.width()), length(picture->size.height())));
        xml.writeEmptyElement(QStringLiteral("v:imagedata"));
        xml.writeAttribute(QStringLiteral("src"), name);
        xml.writeAttribute(QStringLiteral("o:title"), QString());
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
    }

    const QTextDocument& m_doc;
    const bool m_docx;
    int m_embeddedPictures = 0;
    // The font of text that names none, declared as the document's default.
    const QString m_defaultFamily;
    const int m_defaultHalfPoints;
    // Each numbering's list at each level; a paragraph's list names its numbering by id (from 1).
    using Levels = std::array<const QTextList*, RtfListLevel::MaximumLevels>;
    QList<Levels> m_lists;
    QHash<const QTextList*, int> m_listIds;
    WordXmlWriter::Result m_result;
};

} // namespace

WordXmlWriter::Result WordXmlWriter::write(
    const QTextDocument& document, Dialect dialect, const std::optional<QFont>& defaultFont)
{
    return Writer(*TextListConversion::toQtLists(document), dialect,
        defaultFont.value_or(AttributedText::systemFont()))
        .run();
}

} // namespace platform
