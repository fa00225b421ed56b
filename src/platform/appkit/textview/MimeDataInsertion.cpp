#include "MimeDataInsertion.h"

#include "TextInsertionTarget.h"

#include "platform/text/AttributedText.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/TextMimeData.h"

#include <QBuffer>
#include <QImage>
#include <QMimeData>
#include <QTextCursor>
#include <QTextDocumentFragment>

namespace platform {

bool MimeDataInsertion::insertMimeData(const QMimeData* source, const QString& actionName)
{
    QImage image;
    if (source->hasImage())
        image = qvariant_cast<QImage>(source->imageData());
    for (const char* type : { "image/png", "image/tiff" }) {
        if (image.isNull() && source->hasFormat(QLatin1String(type)))
            image = QImage::fromData(source->data(QLatin1String(type)));
    }
    if (!image.isNull())
        return insertImage(image, actionName);
    if (const std::unique_ptr<QTextDocument> text = TextMimeData::attributedText(*source)) {
        m_target.insertAsUserEdit(
            actionName,
            [&](QTextCursor& cursor) {
                cursor.removeSelectedText();
                const qsizetype start = cursor.position();
                AttributedText::replaceCharacters(*cursor.document(), { start, 0 }, *text);
                cursor.setPosition(int(start + AttributedText::length(*text)));
            },
            true);
        return true;
    }
    if (source->hasHtml()) {
        // Through the readers' own HTML import, with its nesting limit.
        const QTextDocumentFragment fragment(HtmlReader::fromHtml(source->html()).get());
        if (fragment.isEmpty())
            return false;
        m_target.insertAsUserEdit(
            actionName, [&](QTextCursor& cursor) { cursor.insertFragment(fragment); }, true);
        return true;
    }
    const QString text = source->text();
    if (text.isEmpty())
        return false;
    return m_target.insertPlainText(text, actionName);
}

bool MimeDataInsertion::insertImage(const QImage& image, const QString& actionName)
{
    if (!m_target.acceptsInsertion() || image.isNull())
        return false;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return false;
    const TextAttachment attachment { png, QStringLiteral("image.png"), QSizeF(image.size()) };
    m_target.insertAsUserEdit(
        actionName,
        [&](QTextCursor& cursor) {
            cursor.removeSelectedText();
            AttributedText::insertAttachment(cursor, attachment);
        },
        false);
    return true;
}

} // namespace platform
