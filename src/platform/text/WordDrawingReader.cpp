#include "WordDrawingReader.h"

#include "WordPlainText.h"
#include "WordXmlWriter.h"

#include <QXmlStreamReader>

#include <algorithm>

namespace platform {

namespace {

const QString kVmlNamespace = QStringLiteral("urn:schemas-microsoft-com:vml");
constexpr double kEmuPerPoint = 12700.0;

bool isTextBox(const QXmlStreamReader& xml)
{
    return xml.name() == u"txbxContent" && WordPlainText::isWordNamespace(xml.namespaceUri());
}

void appendText(QString& text, const QString& more)
{
    if (more.isEmpty())
        return;
    if (!text.isEmpty())
        text += u'\n';
    text += more;
}

} // namespace

WordDrawingReader::Drawing WordDrawingReader::readDrawing(
    QXmlStreamReader& xml, const WordXmlReader::Package& package)
{
    Drawing drawing;
    QString id;
    QSizeF size;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isEndElement()) {
            --depth;
        } else if (xml.isStartElement()) {
            if (isTextBox(xml)) {
                appendText(drawing.text, WordPlainText::readElement(xml));
                continue;
            }
            ++depth;
            if (xml.name() == u"extent" && size.isEmpty()) {
                bool okX = false;
                bool okY = false;
                const double cx = xml.attributes().value(QLatin1String("cx")).toDouble(&okX);
                const double cy = xml.attributes().value(QLatin1String("cy")).toDouble(&okY);
                if (okX && okY && cx > 0 && cy > 0)
                    size = QSizeF(
                        std::min(cx / kEmuPerPoint, 1e5), std::min(cy / kEmuPerPoint, 1e5));
            } else if (xml.name() == u"blip" && id.isEmpty()) {
                id = xml.attributes()
                         .value(WordXmlWriter::RelationshipsNamespace, QLatin1String("embed"))
                         .toString();
            }
        }
    }
    if (id.isEmpty() || !package.picture)
        return drawing;
    drawing.picture = package.picture(id);
    if (drawing.picture && size.isValid() && !size.isEmpty())
        drawing.picture->size = size;
    return drawing;
}

WordDrawingReader::Drawing WordDrawingReader::readPict(
    QXmlStreamReader& xml, const WordXmlReader::Package& package)
{
    Drawing drawing;
    QString relationship;
    QString source;
    QSizeF size;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isEndElement()) {
            --depth;
            continue;
        }
        if (!xml.isStartElement())
            continue;
        if (xml.namespaceUri() == WordXmlWriter::WordMLNamespace && xml.name() == u"binData") {
            const QString name = xml.attributes()
                                     .value(WordXmlWriter::WordMLNamespace, QLatin1String("name"))
                                     .toString();
            const QString text = xml.readElementText(QXmlStreamReader::SkipChildElements);
            if (m_binaryData.size() < 1000)
                m_binaryData.insert(name, QByteArray::fromBase64(text.toLatin1()));
            continue;
        }
        if (isTextBox(xml)) {
            appendText(drawing.text, WordPlainText::readElement(xml));
            continue;
        }
        ++depth;
        if (xml.namespaceUri() != kVmlNamespace)
            continue;
        if (xml.name() == u"shape") {
            // "width:75pt;height:50pt"
            const QStringList declarations
                = xml.attributes().value(QLatin1String("style")).toString().split(u';');
            double width = 0;
            double height = 0;
            for (const QString& declaration : declarations) {
                const QString key = declaration.section(u':', 0, 0).trimmed();
                QString length = declaration.section(u':', 1).trimmed();
                if (!length.endsWith(QLatin1String("pt")))
                    continue;
                length.chop(2);
                const double points = std::clamp(length.toDouble(), 0.0, 1e5);
                if (key == u"width")
                    width = points;
                else if (key == u"height")
                    height = points;
            }
            if (width > 0 && height > 0)
                size = QSizeF(width, height);
        } else if (xml.name() == u"imagedata") {
            relationship = xml.attributes()
                               .value(WordXmlWriter::RelationshipsNamespace, QLatin1String("id"))
                               .toString();
            source = xml.attributes().value(QLatin1String("src")).toString();
        }
    }
    if (!relationship.isEmpty() && package.picture) {
        drawing.picture = package.picture(relationship);
    } else if (const auto data = m_binaryData.constFind(source); data != m_binaryData.constEnd()) {
        drawing.picture = TextAttachment { *data, source.section(u'/', -1), {} };
    }
    if (drawing.picture && size.isValid() && !size.isEmpty())
        drawing.picture->size = size;
    return drawing;
}

} // namespace platform
