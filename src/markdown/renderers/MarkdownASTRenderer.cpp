#include "MarkdownASTRenderer.h"

#include "markdown/MarkdownErrors.h"

#include <QStringDecoder>

#include <cstdlib>
#include <cstring>

namespace markdown {

CmarkTree MarkdownASTRenderer::stringToAST(
    const QString& string, MarkdownOptions options, platform::Error* error)
{
    const QByteArray bytes = string.toUtf8();
    const qsizetype nul = bytes.indexOf('\0');
    const qsizetype length = nul < 0 ? bytes.size() : nul;
    CmarkTree root(
        cmark_parse_document(bytes.constData(), static_cast<size_t>(length), options.rawValue));
    if (!root)
        platform::Error::set(error, makeMarkdownError(MarkdownErrors::markdownToASTError));
    return root;
}

std::optional<QString> MarkdownASTRenderer::takeRenderedText(char* buffer, platform::Error* error)
{
    if (!buffer) {
        platform::Error::set(error, makeMarkdownError(MarkdownErrors::astRenderingError));
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(buffer, qsizetype(std::strlen(buffer))));
    const bool valid = !decoder.hasError();
    std::free(buffer);
    if (!valid) {
        platform::Error::set(error, makeMarkdownError(MarkdownErrors::astRenderingError));
        return std::nullopt;
    }
    return text;
}

} // namespace markdown
