#include "TextStylePasteboard.h"

#include "platform/text/TextStylePayload.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace platform {

TextStylePasteboard& TextStylePasteboard::shared()
{
    static TextStylePasteboard pasteboard;
    return pasteboard;
}

QString TextStylePasteboard::mimeType(Kind kind)
{
    return kind == Kind::Font ? FontMimeType : RulerMimeType;
}

void TextStylePasteboard::copy(Kind kind, const StringAttributes& style)
{
    const QByteArray payload = TextStylePayload::encode(style);
    (kind == Kind::Font ? m_font : m_ruler) = payload;
    auto* data = new QMimeData;
    if (const QMimeData* current = QGuiApplication::clipboard()->mimeData()) {
        const QStringList formats = current->formats();
        for (const QString& format : formats)
            data->setData(format, current->data(format));
    }
    data->setData(mimeType(kind), payload);
    QGuiApplication::clipboard()->setMimeData(data);
}

std::optional<StringAttributes> TextStylePasteboard::paste(Kind kind) const
{
    const QMimeData* current = QGuiApplication::clipboard()->mimeData();
    if (current && current->hasFormat(mimeType(kind))) {
        if (auto style = TextStylePayload::decode(current->data(mimeType(kind))))
            return style;
    }
    const QByteArray& own = kind == Kind::Font ? m_font : m_ruler;
    return own.isEmpty() ? std::nullopt : TextStylePayload::decode(own);
}

bool TextStylePasteboard::hasStyle(Kind kind) const
{
    const QMimeData* current = QGuiApplication::clipboard()->mimeData();
    return !(kind == Kind::Font ? m_font : m_ruler).isEmpty()
        || (current && current->hasFormat(mimeType(kind)));
}

} // namespace platform
