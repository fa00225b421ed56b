#include "HtmlImageEmbedder.h"

#include "AttributedText.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <vector>

namespace platform {

void HtmlImageEmbedder::embed(QTextDocument& document, const Resolver& resolve)
{
    std::vector<int> positions;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat() || AttributedText::isAttachment(format))
                continue;
            for (int i = 0; i < fragment.length(); ++i)
                positions.push_back(fragment.position() + i);
        }
    }
    if (positions.empty())
        return;
    // One edit block, from the end so that the positions still to visit stay where they were:
    // the cursor neither lays out nor reports anything until its end.
    QTextCursor cursor(&document);
    cursor.beginEditBlock();
    for (auto at = positions.crbegin(); at != positions.crend(); ++at) {
        cursor.setPosition(*at);
        cursor.setPosition(*at + 1, QTextCursor::KeepAnchor);
        const QTextImageFormat image = cursor.charFormat().toImageFormat();
        std::optional<TextAttachment> attachment = resolve(image.name());
        cursor.removeSelectedText();
        if (!attachment)
            continue;
        if (!attachment->size.isValid() && image.width() > 0 && image.height() > 0) {
            attachment->size = QSizeF(AttributedText::pixelsToPoints(image.width()),
                AttributedText::pixelsToPoints(image.height()));
        }
        QTextCharFormat surrounding = image;
        surrounding.clearProperty(QTextFormat::ObjectType);
        surrounding.clearProperty(QTextFormat::ImageName);
        surrounding.clearProperty(QTextFormat::ImageWidth);
        surrounding.clearProperty(QTextFormat::ImageHeight);
        cursor.setCharFormat(surrounding);
        AttributedText::insertAttachment(cursor, *attachment);
    }
    cursor.endEditBlock();
}

} // namespace platform
