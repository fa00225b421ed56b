#include "TextAttachmentFormat.h"

#include "TextAttributeNames.h"
#include "TextUnits.h"

#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QUrl>
#include <QUuid>

namespace platform {

QString TextAttachmentFormat::newResourceName()
{
    return QStringLiteral("attachment:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

bool TextAttachmentFormat::isAttachment(const QTextCharFormat& format)
{
    return format.isImageFormat()
        && format.hasProperty(TextAttributeNames::AttachmentFileNameProperty);
}

TextAttachment TextAttachmentFormat::attachment(
    const QTextDocument& doc, const QTextCharFormat& format)
{
    const QTextImageFormat image = format.toImageFormat();
    TextAttachment result;
    result.fileName = image.stringProperty(TextAttributeNames::AttachmentFileNameProperty);
    result.contents = doc.resource(QTextDocument::ImageResource, QUrl(image.name())).toByteArray();
    if (image.hasProperty(QTextFormat::ImageWidth) || image.hasProperty(QTextFormat::ImageHeight))
        result.size = QSizeF(
            TextUnits::pixelsToPoints(image.width()), TextUnits::pixelsToPoints(image.height()));
    return result;
}

void TextAttachmentFormat::insertAttachment(QTextCursor& cursor, const TextAttachment& attachment)
{
    QTextImageFormat image;
    image.merge(cursor.charFormat());
    image.clearProperty(QTextFormat::ObjectType);
    image.setObjectType(QTextFormat::ImageObject);
    const QString name = newResourceName();
    image.setName(name);
    image.setProperty(TextAttributeNames::AttachmentFileNameProperty, attachment.fileName);
    if (attachment.size.isValid()) {
        image.setWidth(TextUnits::pointsToPixels(attachment.size.width()));
        image.setHeight(TextUnits::pointsToPixels(attachment.size.height()));
    }
    cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), attachment.contents);
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), image);
}

} // namespace platform
