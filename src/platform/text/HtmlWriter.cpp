#include "HtmlWriter.h"

#include "AttributedText.h"
#include "TextListConversion.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/SafeWrite.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

#include <vector>

namespace platform {

namespace {

// Without it a reader collapses runs of spaces and tabs; the Markdown exporter drops the head.
const QString kStyle
    = QStringLiteral("<style>p, li, h1, h2, h3, h4, h5, h6 { white-space: pre-wrap; }</style>\n");

void appendEscaped(QString& out, QStringView text, bool inAttribute)
{
    for (QChar ch : text) {
        switch (ch.unicode()) {
        case '&':
            out += QLatin1String("&amp;");
            break;
        case '<':
            out += QLatin1String("&lt;");
            break;
        case '>':
            out += QLatin1String("&gt;");
            break;
        case '"':
            if (inAttribute)
                out += QLatin1String("&quot;");
            else
                out += ch;
            break;
        case 0x00A0:
            out += QLatin1String("&nbsp;");
            break;
        case QChar::LineSeparator:
            if (inAttribute)
                out += QLatin1Char(' ');
            else
                out += QLatin1String("<br>");
            break;
        default:
            // Control characters other than tab have no place in HTML.
            if (ch.unicode() < 0x20 && ch != QLatin1Char('\t'))
                break;
            out += ch;
        }
    }
}

QString cssColor(const QColor& color)
{
    if (color.alpha() == 255)
        return color.name(QColor::HexRgb);
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF(), 0, 'g', 3);
}

QString cssFamily(const QString& family)
{
    QString quoted = family;
    quoted.remove(QLatin1Char('\'')).remove(QLatin1Char('\\'));
    return QLatin1Char('\'') + quoted + QLatin1Char('\'');
}

struct Element {
    QString open;
    QLatin1String close;

    bool operator==(const Element& other) const { return open == other.open; }
};

class Writer {
public:
    Writer(const QTextDocument& doc, const HtmlWriter::Options& options,
        QList<HtmlWriter::ImageFile>* images)
        : m_doc(doc), m_options(options), m_images(images)
    {
        // Text in the document's or the system's font is written without a font, so the page
        // shows in the reader's default like the note does in the editor.
        for (const QFont& font : { doc.defaultFont(), AttributedText::systemFont() }) {
            m_plainFamilies += font.families().value(0, font.family());
            m_plainPointSizes += font.pointSizeF();
        }
    }

    QString run()
    {
        m_out.reserve(qsizetype(m_doc.characterCount()) * 5 / 4 + 512);
        writeHead();
        m_out += QLatin1String("<body>\n");
        if (!m_doc.isEmpty()) {
            for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next())
                writeBlock(block);
        }
        closeLists(0);
        // A line break before </body> or after </html> reads back as a trailing space.
        if (m_out.endsWith(QLatin1Char('\n')))
            m_out.chop(1);
        m_out += QLatin1String("</body>\n</html>");
        return m_out;
    }

private:
    struct OpenList {
        const QTextList* list;
        int indent;
        bool itemOpen;
    };

    void writeHead()
    {
        m_out += QLatin1String("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"");
        m_out += TextEncoding::declaredCharsetName(m_options.encoding);
        m_out += QLatin1String("\">\n");
        if (!m_options.title.isEmpty()) {
            m_out += QLatin1String("<title>");
            appendEscaped(m_out, m_options.title, false);
            m_out += QLatin1String("</title>\n");
        }
        m_out += kStyle;
        m_out += QLatin1String("</head>\n");
    }

    void writeBlock(const QTextBlock& block)
    {
        const QTextBlockFormat format = block.blockFormat();
        const int heading = format.headingLevel();
        const bool isHeading = heading >= 1 && heading <= 6;
        QTextList* list = block.textList();

        QString closeTag;
        if (list && !isHeading) {
            openItem(list);
        } else {
            closeLists(0);
            // Headings stay attribute-free: the Markdown exporter matches "<hN>" exactly.
            if (isHeading) {
                m_out += QStringLiteral("<h%1>").arg(heading);
                closeTag = QStringLiteral("</h%1>\n").arg(heading);
            } else {
                m_out += QLatin1String("<p");
                appendAlignment(format.alignment());
                m_out += QLatin1Char('>');
                closeTag = QStringLiteral("</p>\n");
            }
        }

        const bool wrote = writeInlines(block, isHeading);
        closeInlines(0);
        if (!wrote)
            m_out += QLatin1String("<br>");
        m_out += closeTag;
    }

    void appendAlignment(Qt::Alignment alignment)
    {
        const Qt::Alignment horizontal = alignment & Qt::AlignHorizontal_Mask;
        if (horizontal & Qt::AlignHCenter)
            m_out += QLatin1String(" style=\"text-align: center\"");
        else if (horizontal & Qt::AlignJustify)
            m_out += QLatin1String(" style=\"text-align: justify\"");
        else if (horizontal & Qt::AlignRight)
            m_out += QLatin1String(" style=\"text-align: right\"");
    }

    // Lists nest by their indent: a deeper list opens inside the current item.
    void openItem(const QTextList* list)
    {
        const int indent = std::max(1, list->format().indent());
        while (!m_lists.empty()
            && (m_lists.back().indent > indent
                || (m_lists.back().indent == indent && m_lists.back().list != list))) {
            closeList();
        }
        if (!m_lists.empty() && m_lists.back().list == list) {
            if (m_lists.back().itemOpen)
                m_out += QLatin1String("</li>");
        } else {
            const QTextListFormat::Style style = list->format().style();
            const bool ordered = style != QTextListFormat::ListDisc
                && style != QTextListFormat::ListCircle && style != QTextListFormat::ListSquare;
            m_out += ordered ? QLatin1String("<ol>") : QLatin1String("<ul>");
            m_lists.push_back({ list, indent, false });
        }
        m_out += QLatin1String("<li>");
        m_lists.back().itemOpen = true;
    }

    void closeList()
    {
        const OpenList& open = m_lists.back();
        if (open.itemOpen)
            m_out += QLatin1String("</li>");
        const QTextListFormat::Style style = open.list->format().style();
        const bool ordered = style != QTextListFormat::ListDisc
            && style != QTextListFormat::ListCircle && style != QTextListFormat::ListSquare;
        m_out += ordered ? QLatin1String("</ol>") : QLatin1String("</ul>");
        m_lists.pop_back();
        if (m_lists.empty())
            m_out += QLatin1Char('\n');
    }

    void closeLists(size_t keep)
    {
        while (m_lists.size() > keep)
            closeList();
    }

    // Returns whether anything visible was written.
    bool writeInlines(const QTextBlock& block, bool isHeading)
    {
        bool wrote = false;
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            const QString text = fragment.text();
            if (format.isImageFormat()) {
                for (QChar ch : text) {
                    if (ch == QChar::ObjectReplacementCharacter && !m_options.dropImages
                        && writeImage(format.toImageFormat())) {
                        wrote = true;
                    }
                }
                continue;
            }
            QString visible = text;
            visible.remove(QChar::ObjectReplacementCharacter);
            if (visible.isEmpty())
                continue;
            wantElements(format, isHeading);
            appendEscaped(m_out, visible, false);
            wrote = true;
        }
        return wrote;
    }

    // Opens and closes inline elements so that the open ones match `format`, keeping those
    // shared with the previous run open: "<b>a<i>b</i></b>", never "<b>a</b><b><i>b".
    // The font span goes outermost, as fonts change least often within a paragraph.
    void wantElements(const QTextCharFormat& format, bool isHeading)
    {
        m_wanted.clear();
        const bool isLink = format.isAnchor() && !format.anchorHref().isEmpty();
        addSpan(fontStyle(format));
        if (isLink) {
            QString open = QStringLiteral("<a href=\"");
            appendEscaped(open, format.anchorHref(), true);
            open += QLatin1String("\">");
            m_wanted.push_back({ open, QLatin1String("</a>") });
        }
        // A heading's own boldness comes with its tag.
        if (format.fontWeight() >= QFont::DemiBold && !isHeading)
            m_wanted.push_back({ QStringLiteral("<b>"), QLatin1String("</b>") });
        if (format.fontItalic())
            m_wanted.push_back({ QStringLiteral("<i>"), QLatin1String("</i>") });
        // A link's underline and colour come with its tag.
        if (format.fontUnderline() && !isLink)
            m_wanted.push_back({ QStringLiteral("<u>"), QLatin1String("</u>") });
        if (format.fontStrikeOut())
            m_wanted.push_back({ QStringLiteral("<s>"), QLatin1String("</s>") });
        if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
            m_wanted.push_back({ QStringLiteral("<sup>"), QLatin1String("</sup>") });
        else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
            m_wanted.push_back({ QStringLiteral("<sub>"), QLatin1String("</sub>") });
        addSpan(colourStyle(format, isLink));

        size_t common = 0;
        while (common < m_open.size() && common < m_wanted.size()
            && m_open[common] == m_wanted[common]) {
            ++common;
        }
        closeInlines(common);
        for (size_t i = common; i < m_wanted.size(); ++i) {
            m_out += m_wanted[i].open;
            m_open.push_back(m_wanted[i]);
        }
    }

    void addSpan(const QStringList& declarations)
    {
        if (declarations.isEmpty())
            return;
        QString open = QStringLiteral("<span style=\"");
        appendEscaped(open, declarations.join(QLatin1String("; ")), true);
        open += QLatin1String("\">");
        m_wanted.push_back({ open, QLatin1String("</span>") });
    }

    QStringList fontStyle(const QTextCharFormat& format) const
    {
        QStringList style;
        const QStringList families = format.fontFamilies().toStringList();
        if (!families.isEmpty() && !m_plainFamilies.contains(families.first())) {
            QStringList quoted;
            for (const QString& family : families)
                quoted += cssFamily(family);
            style += QLatin1String("font-family: ") + quoted.join(QLatin1String(", "));
        }
        if (format.hasProperty(QTextFormat::FontPointSize)) {
            const double size = format.fontPointSize();
            if (size > 0 && !m_plainPointSizes.contains(size))
                style += QStringLiteral("font-size: %1pt").arg(size, 0, 'g', 4);
        } else if (format.hasProperty(QTextFormat::FontPixelSize)) {
            style += QStringLiteral("font-size: %1px")
                         .arg(format.intProperty(QTextFormat::FontPixelSize));
        }
        return style;
    }

    static QStringList colourStyle(const QTextCharFormat& format, bool isLink)
    {
        QStringList style;
        if (!isLink && format.hasProperty(QTextFormat::ForegroundBrush)) {
            const QBrush brush = format.foreground();
            if (brush.style() != Qt::NoBrush)
                style += QLatin1String("color: ") + cssColor(brush.color());
        }
        if (format.hasProperty(QTextFormat::BackgroundBrush)) {
            const QBrush brush = format.background();
            if (brush.style() != Qt::NoBrush)
                style += QLatin1String("background-color: ") + cssColor(brush.color());
        }
        return style;
    }

    void closeInlines(size_t keep)
    {
        while (m_open.size() > keep) {
            m_out += m_open.back().close;
            m_open.pop_back();
        }
    }

    bool writeImage(const QTextImageFormat& format)
    {
        const QString source = m_options.inlineImages
            ? imageDataUri(format)
            : QString::fromLatin1(QUrl::toPercentEncoding(imageFile(format)));
        if (source.isEmpty())
            return false;
        closeInlines(0);
        m_out += QLatin1String("<img src=\"");
        appendEscaped(m_out, source, true);
        m_out += QLatin1String("\" alt=\"\"");
        if (format.width() > 0)
            m_out += QStringLiteral(" width=\"%1\"").arg(qRound(format.width()));
        if (format.height() > 0)
            m_out += QStringLiteral(" height=\"%1\"").arg(qRound(format.height()));
        m_out += QLatin1Char('>');
        return true;
    }

    // The bytes of an image's resource, and the suffix they need when they are a PNG made
    // here; empty when the document has no usable data for it.
    QByteArray imageData(const QString& resource, QString* suffix) const
    {
        const QVariant value = m_doc.resource(QTextDocument::ImageResource, QUrl(resource));
        if (value.typeId() == QMetaType::QByteArray)
            return value.toByteArray();
        const QImage image = value.value<QImage>();
        if (image.isNull())
            return {};
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        image.save(&buffer, "PNG");
        *suffix = QStringLiteral("png");
        return data;
    }

    // An image written into the page, once per resource: in a kind every browser shows (PNG,
    // JPEG, GIF, BMP, WebP), others converted to PNG; empty when it holds no picture.
    QString imageDataUri(const QTextImageFormat& format)
    {
        const QString resource = format.name();
        if (const auto found = m_imageUris.constFind(resource); found != m_imageUris.cend())
            return *found;
        static const QHash<QByteArray, QString> shown { { "png", QStringLiteral("image/png") },
            { "jpeg", QStringLiteral("image/jpeg") }, { "gif", QStringLiteral("image/gif") },
            { "bmp", QStringLiteral("image/bmp") }, { "webp", QStringLiteral("image/webp") } };
        QString suffix;
        QByteArray data = imageData(resource, &suffix);
        QBuffer buffer(&data);
        buffer.open(QIODevice::ReadOnly);
        QString mediaType = shown.value(QImageReader(&buffer).format());
        buffer.close();
        if (mediaType.isEmpty()) {
            QImage image;
            const bool read = image.loadFromData(data);
            data.clear();
            buffer.open(QIODevice::WriteOnly);
            if (read)
                image.save(&buffer, "PNG");
            mediaType = QStringLiteral("image/png");
        }
        const QString uri = data.isEmpty()
            ? QString()
            : u"data:"_qs + mediaType + u";base64,"_qs + QString::fromLatin1(data.toBase64());
        m_imageUris.insert(resource, uri);
        return uri;
    }

    // The file an image is written to, once per resource; empty when the document has no
    // usable data for it.
    QString imageFile(const QTextImageFormat& format)
    {
        const QString resource = format.name();
        if (const auto found = m_imageFiles.constFind(resource); found != m_imageFiles.cend())
            return *found;
        QString suffix;
        const QByteArray data = imageData(resource, &suffix);
        QString fileName;
        if (!data.isEmpty())
            fileName = uniqueName(baseName(format, resource, suffix));
        m_imageFiles.insert(resource, fileName);
        if (!fileName.isEmpty() && m_images)
            m_images->append({ fileName, data });
        return fileName;
    }

    static QString baseName(
        const QTextImageFormat& format, const QString& resource, const QString& suffix)
    {
        QString name = format.stringProperty(AttributedText::AttachmentFileNameProperty);
        if (name.isEmpty())
            name = QUrl(resource).fileName();
        name = QFileInfo(name).fileName();
        name.remove(QLatin1Char('/'));
        if (name.isEmpty() || name.startsWith(QLatin1Char('.')))
            name = QStringLiteral("image");
        if (!suffix.isEmpty() && QFileInfo(name).suffix().compare(suffix, Qt::CaseInsensitive))
            name = QFileInfo(name).completeBaseName() + QLatin1Char('.') + suffix;
        return name;
    }

    // The name itself, else "name 1", "name 2"...: counting on from the last number a name was
    // given keeps a page of many pictures of one name linear.
    QString uniqueName(const QString& name)
    {
        QString candidate = name;
        const QFileInfo info(name);
        int& number = m_lastNumbers[name.toLower()];
        while (m_usedNames.contains(candidate.toLower())
            || candidate.compare(HtmlWriter::FolderPageName, Qt::CaseInsensitive) == 0) {
            candidate = info.completeBaseName() + QStringLiteral(" %1").arg(++number);
            if (!info.suffix().isEmpty())
                candidate += QLatin1Char('.') + info.suffix();
        }
        m_usedNames.insert(candidate.toLower());
        return candidate;
    }

    const QTextDocument& m_doc;
    const HtmlWriter::Options& m_options;
    QList<HtmlWriter::ImageFile>* m_images;
    QStringList m_plainFamilies;
    QList<double> m_plainPointSizes;
    QString m_out;
    std::vector<OpenList> m_lists;
    std::vector<Element> m_open;
    std::vector<Element> m_wanted;
    QHash<QString, QString> m_imageFiles;
    QHash<QString, QString> m_imageUris;
    QSet<QString> m_usedNames;
    QHash<QString, int> m_lastNumbers;
};

} // namespace

QString HtmlWriter::toHtml(
    const QTextDocument& doc, const Options& options, QList<ImageFile>* images)
{
    return Writer(*TextListConversion::toQtLists(doc), options, images).run();
}

std::optional<HtmlWriter::Page> HtmlWriter::write(
    const QTextDocument& doc, const Options& options, Error* error)
{
    Page page;
    const QString html = toHtml(doc, options, &page.images);
    std::optional<QByteArray> bytes = TextEncoding::encode(
        html, options.encoding, TextEncoding::Unencodable::EscapeAsXml, error);
    if (!bytes)
        return std::nullopt;
    page.html = std::move(*bytes);
    return page;
}

bool HtmlWriter::writeFolder(
    const QTextDocument& doc, const QString& folderPath, const Options& options, Error* error)
{
    const std::optional<Page> page = write(doc, options, error);
    if (!page)
        return false;
    const QString description = localized(QStringLiteral("The file could not be saved."));
    return SafeWrite::writeFolder(
        folderPath,
        [&](const QString& folder, Error* failure) {
            for (const ImageFile& image : page->images) {
                if (!SafeWrite::createFile(
                        QDir(folder).filePath(image.fileName), image.data, description, failure))
                    return false;
            }
            return SafeWrite::createFile(
                QDir(folder).filePath(FolderPageName), page->html, description, failure);
        },
        description, error);
}

} // namespace platform
