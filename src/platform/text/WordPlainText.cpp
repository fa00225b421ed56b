#include "WordPlainText.h"

#include "TextDocumentReader.h"
#include "WordXmlWriter.h"

#include <QXmlStreamReader>

namespace platform {

namespace {

const QString kStrictNamespace = QStringLiteral("http://purl.oclc.org/ooxml/wordprocessingml/main");

QStringView wordAttribute(const QXmlStreamReader& xml, QLatin1String name)
{
    const QXmlStreamAttributes attributes = xml.attributes();
    for (const QXmlStreamAttribute& attribute : attributes) {
        if (attribute.name() == name && WordPlainText::isWordNamespace(attribute.namespaceUri()))
            return attribute.value();
    }
    return {};
}

} // namespace

bool WordPlainText::isWordNamespace(QStringView ns)
{
    return ns == WordXmlWriter::WordprocessingNamespace || ns == kStrictNamespace
        || ns == WordXmlWriter::WordMLNamespace;
}

QString WordPlainText::readElement(QXmlStreamReader& xml)
{
    QString text;
    bool paragraphOpen = false;
    for (int depth = 1; depth > 0 && !xml.atEnd();) {
        xml.readNext();
        if (xml.isEndElement()) {
            --depth;
            if (isWordNamespace(xml.namespaceUri()) && xml.name() == u"p")
                paragraphOpen = false;
            continue;
        }
        if (!xml.isStartElement())
            continue;
        const QStringView name = xml.name();
        if (!isWordNamespace(xml.namespaceUri())) {
            ++depth;
            continue;
        }
        if (name == u"t") {
            text += xml.readElementText(QXmlStreamReader::SkipChildElements);
        } else if (name == u"delText" || name == u"instrText" || name == u"del") {
            xml.skipCurrentElement();
        } else {
            ++depth;
            if (name == u"p") {
                if (paragraphOpen || !text.isEmpty())
                    text += u'\n';
                paragraphOpen = true;
            } else if (name == u"tab") {
                text += u'\t';
            } else if (name == u"br" || name == u"cr") {
                text += QChar::LineSeparator;
            }
        }
    }
    return text;
}

std::optional<QHash<QString, QString>> WordPlainText::readNotes(
    const QByteArray& data, Error* error)
{
    QHash<QString, QString> notes;
    QXmlStreamReader xml(data);
    bool sawRoot = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.tokenType() == QXmlStreamReader::DTD) {
            xml.raiseError(QStringLiteral("A Word document has no document type definition."));
            break;
        }
        if (!xml.isStartElement())
            continue;
        if (!sawRoot) {
            sawRoot = true;
            continue;
        }
        const QStringView type = wordAttribute(xml, QLatin1String("type"));
        const QString id = wordAttribute(xml, QLatin1String("id")).toString();
        if (type == u"separator" || type == u"continuationSeparator"
            || type == u"continuationNotice" || id.isEmpty() || notes.contains(id)) {
            xml.skipCurrentElement();
            continue;
        }
        notes.insert(id, readElement(xml));
    }
    if (xml.hasError()) {
        Error::set(error, TextDocumentReader::unreadableError(xml.errorString()));
        return std::nullopt;
    }
    return notes;
}

} // namespace platform
