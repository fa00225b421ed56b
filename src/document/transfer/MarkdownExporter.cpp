#include "document/transfer/MarkdownExporter.h"

#include "document/transfer/MarkdownImporter.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/RegularExpression.h"
#include "platform/foundation/SafeWrite.h"
#include "platform/text/HtmlWriter.h"
#include "platform/text/TextFormatRegistry.h"

#include <QStringDecoder>
#include <QTextDocument>

#include <memory>

namespace {

// One rewrite: a text row replaces its search literally, ignoring letter case; a pattern row is
// an ICU regular expression, case-sensitive, whose "." stops at line breaks. `needle` is text
// every match of a pattern contains: without it the pattern cannot match and is skipped.
struct Rewrite {
    bool isPattern;
    const char16_t* search;
    const char16_t* replacement;
    const char16_t* needle = nullptr;
};

// The order matters: headings and links must be rewritten before step 26 strips every tag
// that is left, and the blank-line collapse must see the line breaks all earlier steps add.
constexpr Rewrite kRewrites[] = {
    { false, u"<html>", u"" },
    { false, u"</html>", u"" },
    { false, u"<body>", u"" },
    { false, u"</body>", u"" },
    { false, u"<b>", u"**" },
    { false, u"</b>", u"**" },
    { false, u"<strong>", u"**" },
    { false, u"</strong>", u"**" },
    { false, u"<i>", u"*" },
    { false, u"</i>", u"*" },
    { false, u"<em>", u"*" },
    { false, u"</em>", u"*" },
    { true, u"<h1>(.*?)</h1>", u"# $1\n", u"<h1>" },
    { true, u"<h2>(.*?)</h2>", u"## $1\n", u"<h2>" },
    { true, u"<h3>(.*?)</h3>", u"### $1\n", u"<h3>" },
    { true, u"<h4>(.*?)</h4>", u"#### $1\n", u"<h4>" },
    { true, u"<h5>(.*?)</h5>", u"##### $1\n", u"<h5>" },
    { true, u"<h6>(.*?)</h6>", u"###### $1\n", u"<h6>" },
    { false, u"<p>", u"" },
    { false, u"</p>", u"\n\n" },
    { true, u"<a href=\"(.*?)\">(.*?)</a>", u"[$2]($1)", u"<a href=\"" },
    { false, u"<ul>", u"" },
    { false, u"</ul>", u"\n" },
    { false, u"<li>", u"- " },
    { false, u"</li>", u"\n" },
    { true, u"<[^>]+>", u"", u"<" },
    { true, u"\n{3,}", u"\n\n", u"\n\n\n" },
};

std::optional<QString> replacedByPattern(const QString& text, const Rewrite& rewrite)
{
    if (!text.contains(QStringView(rewrite.needle)))
        return text;
    const auto regex = platform::RegularExpression::compile(QString::fromUtf16(rewrite.search));
    if (!regex)
        return std::nullopt;
    return regex->replaceAll(text, QString::fromUtf16(rewrite.replacement));
}

QChar caseFolded(QChar c)
{
    if (c.unicode() < 0x80)
        return QChar(c.unicode() >= u'A' && c.unicode() <= u'Z' ? c.unicode() + 32 : c.unicode());
    return c.toCaseFolded();
}

// Replaces every occurrence of a tag text, ignoring letter case as simple case folding does.
// Every text row starts with "<", which has no case, so candidates are found by that character
// alone; far cheaper than a case-insensitive search through the whole text.
void replaceTagText(QString& text, QStringView search, QStringView replacement)
{
    const QChar* source = text.constData();
    const qsizetype length = text.size();
    const qsizetype searchLength = search.size();
    QString result;
    qsizetype copied = 0;
    const QStringView view(text);
    for (qsizetype at = view.indexOf(search.front()); at >= 0 && at + searchLength <= length;
         at = view.indexOf(search.front(), at + 1)) {
        qsizetype k = 1;
        while (k < searchLength && caseFolded(source[at + k]) == search[k])
            ++k;
        if (k < searchLength)
            continue;
        if (result.isEmpty())
            result.reserve(length);
        result.append(source + copied, at - copied);
        result.append(replacement);
        copied = at + searchLength;
        at = copied - 1;
    }
    if (copied == 0)
        return;
    result.append(source + copied, length - copied);
    text = std::move(result);
}

QString withoutHead(const QString& html)
{
    const qsizetype open = html.indexOf(QLatin1String("<head>"), 0, Qt::CaseInsensitive);
    const qsizetype close = html.indexOf(QLatin1String("</head>"), 0, Qt::CaseInsensitive);
    if (open < 0 || close < 0)
        return html;
    const qsizetype closeEnd = close + 7;
    if (closeEnd <= open)
        return html;
    return html.left(open) + html.mid(closeEnd);
}

} // namespace

std::optional<QString> MarkdownExporter::markdownFrom(const QTextDocument& text)
{
    platform::HtmlWriter::Options options;
    options.encoding = platform::TextEncoding::UTF8StringEncoding;
    // Step 26 strips <img> elements anyway; dropping images spares encoding them.
    options.dropImages = true;
    const std::optional<platform::HtmlWriter::Page> page
        = platform::HtmlWriter::write(text, options);
    if (!page)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString html = decoder.decode(page->html);
    if (decoder.hasError())
        return std::nullopt;
    return markdownFromHTML(html);
}

std::optional<QString> MarkdownExporter::markdownFromHTML(const QString& html)
{
    QString text = withoutHead(html);
    for (const Rewrite& rewrite : kRewrites) {
        if (!rewrite.isPattern) {
            replaceTagText(text, QStringView(rewrite.search), QStringView(rewrite.replacement));
            continue;
        }
        std::optional<QString> next = replacedByPattern(text, rewrite);
        if (!next)
            return std::nullopt;
        text = std::move(*next);
    }
    return text.trimmed();
}

void MarkdownExporter::registerTextFormat()
{
    using platform::TextFormat;
    TextFormat format;
    format.typeIdentifier = QStringLiteral("net.daringfireball.markdown");
    format.documentType = QStringLiteral("Markdown");
    format.extensions = { QStringLiteral("md"), QStringLiteral("markdown") };
    format.write = [](const QTextDocument& document, const TextFormat::WriteOptions&,
                       const QString& target, platform::Error* error) {
        const std::optional<QString> markdown = markdownFrom(document);
        if (!markdown) {
            return platform::Error::set(error,
                platform::Error(platform::kCocoaErrorDomain, platform::FileWriteUnknownError,
                    platform::localized(QStringLiteral("The file could not be saved.")),
                    QStringLiteral("The text has no Markdown form.")));
        }
        return platform::SafeWrite::writeFile(target, markdown->toUtf8(),
            platform::localized(QStringLiteral("The file could not be saved.")), error);
    };
    format.read = [](const QByteArray& data, const TextFormat::ReadOptions&,
                      platform::Error* error) -> std::optional<TextFormat::ReadResult> {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString markdown = decoder.decode(data);
        std::unique_ptr<QTextDocument> document = decoder.hasError()
            ? nullptr
            : MarkdownImporter::attributedStringFromMarkdown(markdown);
        if (!document) {
            platform::Error::set(error,
                platform::Error(platform::kCocoaErrorDomain, platform::FileReadCorruptFileError,
                    platform::localized(QStringLiteral("The file isn't in the correct format.")),
                    QStringLiteral("The file is not Markdown in UTF-8.")));
            return std::nullopt;
        }
        return TextFormat::ReadResult { std::move(document),
            platform::TextEncoding::UTF8StringEncoding };
    };
    platform::TextFormatRegistry::registerFormat(std::move(format));
}
