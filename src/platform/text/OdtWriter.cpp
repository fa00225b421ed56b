#include "OdtWriter.h"

#include "AttributedText.h"
#include "ExportedFontFamily.h"
#include "ExportedPicture.h"
#include "OpenDocumentNamespaces.h"
#include "RtfListLevel.h"
#include "TextListConversion.h"
#include "XmlText.h"
#include "ZipArchive.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QHash>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QXmlStreamWriter>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {

namespace {

namespace ns = OpenDocumentNamespaces;

const QString kDc = QStringLiteral("http://purl.org/dc/elements/1.1/");

QString points(double value)
{
    return QString::number(std::round(std::clamp(value, -1e5, 1e5) * 100.0) / 100.0)
        + QLatin1String("pt");
}

QString quotedFamily(const QString& family)
{
    QString quoted = family;
    quoted.remove(u'\'');
    return u'\'' + quoted + u'\'';
}

void declareNamespaces(QXmlStreamWriter& xml)
{
    xml.writeAttribute(QStringLiteral("xmlns:office"), ns::Office);
    xml.writeAttribute(QStringLiteral("xmlns:style"), ns::Style);
    xml.writeAttribute(QStringLiteral("xmlns:text"), ns::Text);
    xml.writeAttribute(QStringLiteral("xmlns:fo"), ns::Fo);
    xml.writeAttribute(QStringLiteral("xmlns:xlink"), ns::Xlink);
    xml.writeAttribute(QStringLiteral("xmlns:draw"), ns::Draw);
    xml.writeAttribute(QStringLiteral("xmlns:svg"), ns::Svg);
}

using Properties = QList<std::pair<QString, QString>>;

// An automatic style: its properties, and for paragraphs the tab stops (positions from the
// paragraph's indent).
struct AutomaticStyle {
    QString name;
    QString family;
    Properties properties;
    QList<TextTab> tabs;
};

struct Picture {
    QString path;
    QString mediaType;
    QByteArray data;
};

class Writer {
public:
    Writer(const QTextDocument& doc, const QFont& defaultFont)
        : m_doc(doc), m_defaultFont(defaultFont)
    { }

    QByteArray content()
    {
        // The head declares the styles and fonts the body names, so they are gathered first.
        if (!m_doc.isEmpty()) {
            for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
                paragraphStyle(block.blockFormat());
                if (const QTextList* list = block.textList())
                    listStyleName(list);
                for (auto it = block.begin(); !it.atEnd(); ++it)
                    textStyle(it.fragment().charFormat());
            }
        }
        QByteArray bytes;
        QXmlStreamWriter xml(&bytes);
        xml.writeStartDocument();
        xml.writeStartElement(QStringLiteral("office:document-content"));
        declareNamespaces(xml);
        xml.writeAttribute(QStringLiteral("office:version"), QStringLiteral("1.2"));
        writeFontFaces(xml);
        xml.writeStartElement(QStringLiteral("office:automatic-styles"));
        for (const AutomaticStyle& style : std::as_const(m_styles))
            writeStyle(xml, style);
        writeListStyles(xml);
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("office:body"));
        xml.writeStartElement(QStringLiteral("office:text"));
        if (!m_doc.isEmpty()) {
            for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next())
                writeBlock(xml, block);
        }
        closeLists(xml, 0);
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndDocument();
        return bytes;
    }

    QByteArray styles()
    {
        const QString family
            = ExportedFontFamily::of(m_defaultFont.families().value(0, m_defaultFont.family()));
        m_fonts = QStringList { family };
        QByteArray bytes;
        QXmlStreamWriter xml(&bytes);
        xml.writeStartDocument();
        xml.writeStartElement(QStringLiteral("office:document-styles"));
        declareNamespaces(xml);
        xml.writeAttribute(QStringLiteral("office:version"), QStringLiteral("1.2"));
        writeFontFaces(xml);
        xml.writeStartElement(QStringLiteral("office:styles"));
        xml.writeStartElement(QStringLiteral("style:default-style"));
        xml.writeAttribute(QStringLiteral("style:family"), QStringLiteral("paragraph"));
        xml.writeEmptyElement(QStringLiteral("style:paragraph-properties"));
        xml.writeAttribute(QStringLiteral("fo:line-height"),
            QStringLiteral("%1%").arg(
                std::lround(AttributedText::defaultParagraphStyle().lineHeightMultiple * 100)));
        xml.writeEmptyElement(QStringLiteral("style:text-properties"));
        xml.writeAttribute(QStringLiteral("style:font-name"), XmlText::clean(family));
        xml.writeAttribute(QStringLiteral("fo:font-size"), points(m_defaultFont.pointSizeF()));
        xml.writeEndElement();
        xml.writeStartElement(QStringLiteral("style:style"));
        xml.writeAttribute(QStringLiteral("style:name"), QStringLiteral("Standard"));
        xml.writeAttribute(QStringLiteral("style:family"), QStringLiteral("paragraph"));
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndDocument();
        return bytes;
    }

    const QList<Picture>& pictures() const { return m_pictures; }

private:
    struct OpenList {
        const QTextList* list;
        int level;
    };

    void writeFontFaces(QXmlStreamWriter& xml)
    {
        xml.writeStartElement(QStringLiteral("office:font-face-decls"));
        for (const QString& family : std::as_const(m_fonts)) {
            xml.writeEmptyElement(QStringLiteral("style:font-face"));
            xml.writeAttribute(QStringLiteral("style:name"), XmlText::clean(family));
            xml.writeAttribute(
                QStringLiteral("svg:font-family"), XmlText::clean(quotedFamily(family)));
        }
        xml.writeEndElement();
    }

    // One automatic style per distinct set of properties.
    QString styleName(const QString& family, QChar prefix, const Properties& properties,
        const QList<TextTab>& tabs = {})
    {
        QString key = family + u'|';
        for (const auto& [name, value] : properties)
            key += name + u'=' + value + u';';
        for (const TextTab& tab : tabs)
            key += QStringLiteral("tab%1@%2;").arg(int(tab.type)).arg(tab.location);
        if (const auto found = m_styleNames.constFind(key); found != m_styleNames.constEnd())
            return *found;
        const QString name = prefix + QString::number(m_styles.size() + 1);
        m_styles.append({ name, family, properties, tabs });
        m_styleNames.insert(key, name);
        return name;
    }

    static void writeStyle(QXmlStreamWriter& xml, const AutomaticStyle& style)
    {
        xml.writeStartElement(QStringLiteral("style:style"));
        xml.writeAttribute(QStringLiteral("style:name"), style.name);
        xml.writeAttribute(QStringLiteral("style:family"), style.family);
        const bool paragraph = style.family == u"paragraph";
        if (paragraph)
            xml.writeAttribute(
                QStringLiteral("style:parent-style-name"), QStringLiteral("Standard"));
        xml.writeStartElement(paragraph ? QStringLiteral("style:paragraph-properties")
                                        : QStringLiteral("style:text-properties"));
        for (const auto& [name, value] : style.properties)
            xml.writeAttribute(name, value);
        if (!style.tabs.isEmpty()) {
            xml.writeStartElement(QStringLiteral("style:tab-stops"));
            for (const TextTab& tab : style.tabs) {
                xml.writeEmptyElement(QStringLiteral("style:tab-stop"));
                xml.writeAttribute(QStringLiteral("style:position"), points(tab.location));
                const char* type = tab.type == TextTabType::Right ? "right"
                    : tab.type == TextTabType::Center             ? "center"
                    : tab.type == TextTabType::Decimal            ? "char"
                                                                  : "left";
                xml.writeAttribute(QStringLiteral("style:type"), QLatin1String(type));
                if (tab.type == TextTabType::Decimal)
                    xml.writeAttribute(QStringLiteral("style:char"), QStringLiteral("."));
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
        xml.writeEndElement();
    }

    QString paragraphStyle(const QTextBlockFormat& format)
    {
        if (!AttributedText::hasParagraphStyle(format))
            return QString();
        const ParagraphStyle style = AttributedText::paragraphStyle(format);
        Properties properties;
        switch (style.alignment) {
        case TextAlignment::Left:
            properties.append({ QStringLiteral("fo:text-align"), QStringLiteral("left") });
            break;
        case TextAlignment::Right:
            properties.append({ QStringLiteral("fo:text-align"), QStringLiteral("right") });
            break;
        case TextAlignment::Center:
            properties.append({ QStringLiteral("fo:text-align"), QStringLiteral("center") });
            break;
        case TextAlignment::Justified:
            properties.append({ QStringLiteral("fo:text-align"), QStringLiteral("justify") });
            break;
        case TextAlignment::Natural:
            break;
        }
        if (style.lineHeightMultiple > 0)
            properties.append({ QStringLiteral("fo:line-height"),
                QStringLiteral("%1%").arg(
                    std::lround(std::min(style.lineHeightMultiple, 100.0) * 100)) });
        properties.append({ QStringLiteral("fo:margin-left"), points(style.headIndent) });
        properties.append(
            { QStringLiteral("fo:margin-right"), points(std::max(0.0, -style.tailIndent)) });
        properties.append({ QStringLiteral("fo:text-indent"),
            points(style.firstLineHeadIndent - style.headIndent) });
        properties.append(
            { QStringLiteral("fo:margin-top"), points(style.paragraphSpacingBefore) });
        properties.append({ QStringLiteral("fo:margin-bottom"), points(style.paragraphSpacing) });
        QList<TextTab> tabs;
        if (style.tabStops != ParagraphStyle::defaultTabStops()) {
            // Tab positions count from the paragraph's indent.
            for (TextTab tab : style.tabStops) {
                tab.location -= style.headIndent;
                tabs.append(tab);
            }
        }
        return styleName(QStringLiteral("paragraph"), u'P', properties, tabs);
    }

    QString textStyle(const QTextCharFormat& format)
    {
        Properties properties;
        const QString named = format.fontFamilies().toStringList().value(0);
        if (!named.isEmpty()) {
            const QString family = ExportedFontFamily::of(named);
            if (!m_fonts.contains(family))
                m_fonts.append(family);
            properties.append({ QStringLiteral("style:font-name"), XmlText::clean(family) });
        }
        if (const double size = AttributedText::fontPointSize(format); size > 0)
            properties.append({ QStringLiteral("fo:font-size"), points(size) });
        if (format.hasProperty(QTextFormat::FontWeight) && format.fontWeight() >= QFont::DemiBold)
            properties.append({ QStringLiteral("fo:font-weight"), QStringLiteral("bold") });
        if (format.fontItalic())
            properties.append({ QStringLiteral("fo:font-style"), QStringLiteral("italic") });
        if (const int underline = AttributedText::underlineStyle(format); underline != 0) {
            QString kind = QStringLiteral("solid");
            if ((underline & 0x0700) == 0x0100)
                kind = QStringLiteral("dotted");
            else if ((underline & 0x0700) == 0x0200)
                kind = QStringLiteral("dash");
            else if ((underline & 0x0700) == 0x0300)
                kind = QStringLiteral("dot-dash");
            else if ((underline & 0x0700) == 0x0400)
                kind = QStringLiteral("dot-dot-dash");
            properties.append({ QStringLiteral("style:text-underline-style"), kind });
            properties.append({ QStringLiteral("style:text-underline-width"),
                (underline & 0x0F) == 0x02 ? QStringLiteral("bold") : QStringLiteral("auto") });
            if ((underline & 0x0F) == 0x09)
                properties.append(
                    { QStringLiteral("style:text-underline-type"), QStringLiteral("double") });
            properties.append(
                { QStringLiteral("style:text-underline-color"), QStringLiteral("font-color") });
        }
        if (AttributedText::strikethroughStyle(format) != 0)
            properties.append(
                { QStringLiteral("style:text-line-through-style"), QStringLiteral("solid") });
        if (format.hasProperty(QTextFormat::ForegroundBrush)
            && format.foreground().style() != Qt::NoBrush)
            properties.append(
                { QStringLiteral("fo:color"), format.foreground().color().name(QColor::HexRgb) });
        if (format.hasProperty(QTextFormat::BackgroundBrush)
            && format.background().style() != Qt::NoBrush)
            properties.append({ QStringLiteral("fo:background-color"),
                format.background().color().name(QColor::HexRgb) });
        if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            properties.append(
                { QStringLiteral("style:text-position"), QStringLiteral("super 58%") });
        else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
            properties.append({ QStringLiteral("style:text-position"), QStringLiteral("sub 58%") });
        if (properties.isEmpty())
            return QString();
        return styleName(QStringLiteral("text"), u'T', properties);
    }

    QString listStyleName(const QTextList* list)
    {
        int index = m_listIndex.value(list, -1);
        if (index < 0) {
            index = int(m_lists.size());
            m_lists.append(list);
            m_listIndex.insert(list, index);
        }
        return QStringLiteral("L%1").arg(index + 1);
    }

    void writeListStyles(QXmlStreamWriter& xml)
    {
        for (qsizetype i = 0; i < m_lists.size(); ++i) {
            const RtfListLevel level = RtfListLevel::fromListFormat(m_lists[i]->format());
            xml.writeStartElement(QStringLiteral("text:list-style"));
            xml.writeAttribute(QStringLiteral("style:name"), QStringLiteral("L%1").arg(i + 1));
            for (int l = 1; l <= 10; ++l) {
                if (level.isBullet()) {
                    xml.writeStartElement(QStringLiteral("text:list-level-style-bullet"));
                    xml.writeAttribute(QStringLiteral("text:level"), QString::number(l));
                    xml.writeAttribute(QStringLiteral("text:bullet-char"), QString(level.bullet()));
                } else {
                    xml.writeStartElement(QStringLiteral("text:list-level-style-number"));
                    xml.writeAttribute(QStringLiteral("text:level"), QString::number(l));
                    const char* format = level.style == QTextListFormat::ListUpperRoman ? "I"
                        : level.style == QTextListFormat::ListLowerRoman                ? "i"
                        : level.style == QTextListFormat::ListUpperAlpha                ? "A"
                        : level.style == QTextListFormat::ListLowerAlpha                ? "a"
                                                                                        : "1";
                    xml.writeAttribute(QStringLiteral("style:num-format"), QLatin1String(format));
                    if (!level.prefix.isEmpty())
                        xml.writeAttribute(
                            QStringLiteral("style:num-prefix"), XmlText::clean(level.prefix));
                    if (!level.suffix.isEmpty())
                        xml.writeAttribute(
                            QStringLiteral("style:num-suffix"), XmlText::clean(level.suffix));
                }
                xml.writeStartElement(QStringLiteral("style:list-level-properties"));
                xml.writeAttribute(QStringLiteral("text:list-level-position-and-space-mode"),
                    QStringLiteral("label-alignment"));
                xml.writeEmptyElement(QStringLiteral("style:list-level-label-alignment"));
                xml.writeAttribute(
                    QStringLiteral("text:label-followed-by"), QStringLiteral("listtab"));
                xml.writeAttribute(QStringLiteral("fo:text-indent"), QStringLiteral("-18pt"));
                xml.writeAttribute(QStringLiteral("fo:margin-left"), points(36.0 * l));
                xml.writeEndElement();
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
    }

    void closeLists(QXmlStreamWriter& xml, size_t keep)
    {
        while (m_open.size() > keep) {
            xml.writeEndElement(); // list-item
            xml.writeEndElement(); // list
            m_open.pop_back();
        }
    }

    // ODF nests a deeper list inside an item of the shallower one; Qt keeps each level's list
    // apart, so the elements open and close as the blocks' levels change.
    void enterList(QXmlStreamWriter& xml, const QTextList* list)
    {
        const int level = std::clamp(list->format().indent(), 1, 10);
        size_t keep = 0;
        while (keep < m_open.size() && m_open[keep].level < level)
            ++keep;
        const bool continuing
            = keep < m_open.size() && m_open[keep].list == list && m_open[keep].level == level;
        closeLists(xml, continuing ? keep + 1 : keep);
        if (continuing) {
            xml.writeEndElement(); // the previous item
            xml.writeStartElement(QStringLiteral("text:list-item"));
            return;
        }
        const QString style = listStyleName(list);
        for (int l = m_open.empty() ? 1 : m_open.back().level + 1; l <= level; ++l) {
            xml.writeStartElement(QStringLiteral("text:list"));
            // A nested list follows the style of the one around it unless it names its own.
            if (m_open.empty() || l == level)
                xml.writeAttribute(QStringLiteral("text:style-name"), style);
            if (l == level && m_started.contains(list))
                xml.writeAttribute(
                    QStringLiteral("text:continue-numbering"), QStringLiteral("true"));
            xml.writeStartElement(QStringLiteral("text:list-item"));
            m_open.push_back({ l == level ? list : nullptr, l });
        }
        m_started.insert(list, true);
    }

    void writeBlock(QXmlStreamWriter& xml, const QTextBlock& block)
    {
        if (const QTextList* list = block.textList())
            enterList(xml, list);
        else
            closeLists(xml, 0);
        xml.writeStartElement(QStringLiteral("text:p"));
        const QString style = paragraphStyle(block.blockFormat());
        xml.writeAttribute(QStringLiteral("text:style-name"),
            style.isEmpty() ? QStringLiteral("Standard") : style);
        const QString text = block.text();
        QString openLink;
        bool lastWasSpace = true; // a leading space must be spelled out
        int offset = 0;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const QStringView piece = QStringView(text).mid(offset, fragment.length());
            offset += fragment.length();
            const QString href = format.isAnchor() ? format.anchorHref() : QString();
            if (href != openLink) {
                if (!openLink.isEmpty())
                    xml.writeEndElement();
                openLink = href;
                if (!href.isEmpty()) {
                    xml.writeStartElement(QStringLiteral("text:a"));
                    xml.writeAttribute(QStringLiteral("xlink:type"), QStringLiteral("simple"));
                    xml.writeAttribute(QStringLiteral("xlink:href"), XmlText::clean(href));
                }
            }
            if (AttributedText::isAttachment(format)) {
                for (qsizetype i = 0; i < piece.size(); ++i)
                    writePicture(xml, format);
                lastWasSpace = false;
                continue;
            }
            const QString spanStyle = textStyle(format);
            if (!spanStyle.isEmpty()) {
                xml.writeStartElement(QStringLiteral("text:span"));
                xml.writeAttribute(QStringLiteral("text:style-name"), spanStyle);
            }
            writeText(xml, XmlText::clean(piece), lastWasSpace);
            if (!spanStyle.isEmpty())
                xml.writeEndElement();
        }
        if (!openLink.isEmpty())
            xml.writeEndElement();
        xml.writeEndElement();
    }

    // Readers fold runs of white space, so spaces after the first, tabs and line breaks are
    // elements of their own.
    static void writeText(QXmlStreamWriter& xml, const QString& text, bool& lastWasSpace)
    {
        QString pending;
        int spaces = 0;
        const auto flushSpaces = [&] {
            if (spaces > 0) {
                xml.writeEmptyElement(QStringLiteral("text:s"));
                if (spaces > 1)
                    xml.writeAttribute(QStringLiteral("text:c"), QString::number(spaces));
                spaces = 0;
            }
        };
        const auto flushText = [&] {
            if (!pending.isEmpty()) {
                xml.writeCharacters(pending);
                pending.clear();
            }
        };
        for (QChar c : text) {
            if (c == u' ') {
                if (lastWasSpace) {
                    flushText();
                    ++spaces;
                } else {
                    pending += c;
                    lastWasSpace = true;
                }
                continue;
            }
            flushSpaces();
            if (c == u'\t' || c == QChar::LineSeparator || c == u'\n' || c == u'\r') {
                flushText();
                xml.writeEmptyElement(
                    c == u'\t' ? QStringLiteral("text:tab") : QStringLiteral("text:line-break"));
                lastWasSpace = true;
                continue;
            }
            if (c == QChar::ObjectReplacementCharacter)
                continue;
            pending += c;
            lastWasSpace = false;
        }
        flushText();
        flushSpaces();
    }

    void writePicture(QXmlStreamWriter& xml, const QTextCharFormat& format)
    {
        const std::optional<ExportedPicture> picture
            = ExportedPicture::fromAttachment(AttributedText::attachment(m_doc, format));
        if (!picture)
            return;
        const QString path = QStringLiteral("Pictures/image%1.%2")
                                 .arg(m_pictures.size() + 1)
                                 .arg(picture->extension);
        m_pictures.append({ path, picture->mediaType, picture->data });
        xml.writeStartElement(QStringLiteral("draw:frame"));
        xml.writeAttribute(
            QStringLiteral("draw:name"), QStringLiteral("Image%1").arg(m_pictures.size()));
        xml.writeAttribute(QStringLiteral("text:anchor-type"), QStringLiteral("as-char"));
        xml.writeAttribute(QStringLiteral("svg:width"), points(picture->size.width()));
        xml.writeAttribute(QStringLiteral("svg:height"), points(picture->size.height()));
        xml.writeEmptyElement(QStringLiteral("draw:image"));
        xml.writeAttribute(QStringLiteral("xlink:href"), path);
        xml.writeAttribute(QStringLiteral("xlink:type"), QStringLiteral("simple"));
        xml.writeAttribute(QStringLiteral("xlink:show"), QStringLiteral("embed"));
        xml.writeAttribute(QStringLiteral("xlink:actuate"), QStringLiteral("onLoad"));
        xml.writeEndElement();
    }

    const QTextDocument& m_doc;
    // The font of text that names none, declared as the default style's.
    const QFont m_defaultFont;
    QStringList m_fonts;
    QHash<QString, QString> m_styleNames;
    QList<AutomaticStyle> m_styles;
    QList<const QTextList*> m_lists;
    QHash<const QTextList*, int> m_listIndex;
    QHash<const QTextList*, bool> m_started;
    std::vector<OpenList> m_open;
    QList<Picture> m_pictures;
};

QByteArray meta()
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeStartElement(ns::Office, QStringLiteral("document-meta"));
    xml.writeNamespace(ns::Office, QStringLiteral("office"));
    xml.writeNamespace(ns::Meta, QStringLiteral("meta"));
    xml.writeNamespace(kDc, QStringLiteral("dc"));
    xml.writeAttribute(ns::Office, QStringLiteral("version"), QStringLiteral("1.2"));
    xml.writeStartElement(ns::Office, QStringLiteral("meta"));
    const QString application = QCoreApplication::applicationName();
    if (!application.isEmpty())
        xml.writeTextElement(ns::Meta, QStringLiteral("generator"), XmlText::clean(application));
    xml.writeTextElement(ns::Meta, QStringLiteral("creation-date"),
        QDateTime::currentDateTimeUtc().toString(Qt::ISODate));
    xml.writeEndElement();
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

QByteArray manifest(const QList<Picture>& pictures)
{
    QByteArray bytes;
    QXmlStreamWriter xml(&bytes);
    xml.writeStartDocument();
    xml.writeStartElement(ns::Manifest, QStringLiteral("manifest"));
    xml.writeNamespace(ns::Manifest, QStringLiteral("manifest"));
    xml.writeAttribute(ns::Manifest, QStringLiteral("version"), QStringLiteral("1.2"));
    const auto entry = [&](const QString& path, const QString& type) {
        xml.writeEmptyElement(ns::Manifest, QStringLiteral("file-entry"));
        xml.writeAttribute(ns::Manifest, QStringLiteral("full-path"), path);
        xml.writeAttribute(ns::Manifest, QStringLiteral("media-type"), type);
    };
    entry(QStringLiteral("/"), OdtWriter::MimeType);
    entry(QStringLiteral("content.xml"), QStringLiteral("text/xml"));
    entry(QStringLiteral("styles.xml"), QStringLiteral("text/xml"));
    entry(QStringLiteral("meta.xml"), QStringLiteral("text/xml"));
    for (const Picture& picture : pictures)
        entry(picture.path, picture.mediaType);
    xml.writeEndElement();
    xml.writeEndDocument();
    return bytes;
}

} // namespace

bool OdtWriter::writeFolder(const QTextDocument& document, const QString& folder, Error* error,
    const std::optional<QFont>& defaultFont)
{
    const auto lists = TextListConversion::toQtLists(document);
    Writer writer(*lists, defaultFont.value_or(AttributedText::systemFont()));
    const QByteArray content = writer.content();
    const QByteArray styles = writer.styles();
    if (!ZipArchive::writeFolderFile(folder, QStringLiteral("mimetype"), MimeType.toLatin1(), error)
        || !ZipArchive::writeFolderFile(folder, QStringLiteral("content.xml"), content, error)
        || !ZipArchive::writeFolderFile(folder, QStringLiteral("styles.xml"), styles, error)
        || !ZipArchive::writeFolderFile(folder, QStringLiteral("meta.xml"), meta(), error)
        || !ZipArchive::writeFolderFile(
            folder, QStringLiteral("META-INF/manifest.xml"), manifest(writer.pictures()), error)) {
        return false;
    }
    for (const Picture& picture : writer.pictures()) {
        if (!ZipArchive::writeFolderFile(folder, picture.path, picture.data, error))
            return false;
    }
    return true;
}

bool OdtWriter::write(const QTextDocument& document, const QString& target, Error* error,
    const std::optional<QFont>& defaultFont)
{
    return ZipArchive::packNewFolder(
        [&](const QString& folder, Error* fillError) {
            return writeFolder(document, folder, fillError, defaultFont);
        },
        target, { QStringLiteral("mimetype") }, error);
}

} // namespace platform
