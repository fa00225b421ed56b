#include "document/transfer/MarkdownExporter.h"

#include "document/model/BXNote.h"
#include "document/transfer/MarkdownCode.h"
#include "document/transfer/MarkdownImporter.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/RegularExpression.h"
#include "platform/foundation/SafeWrite.h"
#include "platform/text/HtmlWriter.h"
#include "platform/text/TextFormatRegistry.h"

#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>

#include <memory>
#include <vector>

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

// The order matters: headings and links must be rewritten before the lists and before every
// tag that is left is stripped, and the blank-line collapse must see the line breaks all earlier
// steps add.
constexpr Rewrite kInlineRewrites[] = {
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
    // Pictures travel inside the file as data: URIs, which Markdown readers show, so a file
    // exported alone keeps them.
    { true, u"<img src=\"([^\"]*)\"[^>]*>", u"![]($1)", u"<img src=\"" },
};

constexpr Rewrite kFinalRewrites[] = {
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

enum class ListTag { None, OpenBullets, OpenNumbers, CloseList, OpenItem, CloseItem };

// The list tag that starts at `at` ("<ul>", "<OL start=2>", "</li>"...), and where it ends;
// -1 there when no ">" follows, nor will for any later tag.
ListTag listTagAt(const QString& text, qsizetype at, qsizetype* end)
{
    const bool closing = at + 1 < text.size() && text.at(at + 1) == u'/';
    const qsizetype name = at + (closing ? 2 : 1);
    if (name + 2 > text.size())
        return ListTag::None;
    const QChar first = caseFolded(text.at(name));
    const QChar second = caseFolded(text.at(name + 1));
    ListTag tag = ListTag::None;
    if (second == u'l' && (first == u'u' || first == u'o'))
        tag = closing       ? ListTag::CloseList
            : first == u'u' ? ListTag::OpenBullets
                            : ListTag::OpenNumbers;
    else if (first == u'l' && second == u'i')
        tag = closing ? ListTag::CloseItem : ListTag::OpenItem;
    if (tag == ListTag::None || name + 2 >= text.size())
        return ListTag::None;
    // "<link>" and "<oll>" are other elements; opening tags may carry attributes.
    const QChar after = text.at(name + 2);
    if (after != u'>' && (closing || !after.isSpace()))
        return ListTag::None;
    *end = text.indexOf(u'>', name + 2);
    return *end < 0 ? ListTag::None : tag;
}

// Turns list elements into Markdown lists: an item starts its own line with "- " or its number,
// indented to the text of the item it is nested in, so that a reader sees the nesting; white
// space between the elements is not content and goes, so that the items stay one tight list;
// a blank line ends the outermost list, so that the next paragraph is not taken into its last
// item.
QString listsAsMarkdown(const QString& text)
{
    struct Level {
        bool numbered = false;
        int count = 0;
        qsizetype markerColumn = 0;
        qsizetype textColumn = 0;
    };
    std::vector<Level> levels;
    // An item outside every list is written as a bullet of its own.
    Level stray;
    QString out;
    const auto startLine = [&out] {
        if (!out.isEmpty() && !out.endsWith(u'\n'))
            out += u'\n';
    };
    bool betweenElements = false;
    qsizetype copied = 0;
    for (qsizetype at = text.indexOf(u'<'); at >= 0; at = text.indexOf(u'<', at + 1)) {
        qsizetype end = 0;
        const ListTag tag = listTagAt(text, at, &end);
        if (end < 0)
            break;
        if (tag == ListTag::None)
            continue;
        const QStringView between = QStringView(text).mid(copied, at - copied);
        if (!between.trimmed().isEmpty() || !betweenElements) {
            // Text after a nested list still belongs to the item that holds it.
            if (!levels.empty() && out.endsWith(u'\n') && !between.trimmed().isEmpty())
                out += QString(levels.back().textColumn, u' ');
            out += between;
        }
        copied = end + 1;
        at = end;
        switch (tag) {
        case ListTag::OpenBullets:
        case ListTag::OpenNumbers: {
            startLine();
            const qsizetype column = levels.empty() ? 0 : levels.back().textColumn;
            levels.push_back({ tag == ListTag::OpenNumbers, 0, column, column });
            betweenElements = true;
            break;
        }
        case ListTag::OpenItem: {
            startLine();
            Level& level = levels.empty() ? stray : levels.back();
            const QString marker
                = level.numbered ? QString::number(++level.count) + u". "_qs : u"- "_qs;
            out += QString(level.markerColumn, u' ') + marker;
            level.textColumn = level.markerColumn + marker.size();
            betweenElements = false;
            break;
        }
        case ListTag::CloseItem:
            startLine();
            betweenElements = true;
            break;
        case ListTag::CloseList:
            if (levels.empty())
                break;
            levels.pop_back();
            startLine();
            if (levels.empty())
                out += u'\n';
            betweenElements = !levels.empty();
            break;
        case ListTag::None:
            break;
        }
    }
    if (copied == 0)
        return text;
    out += QStringView(text).mid(copied);
    return out;
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

template <size_t N> bool rewrite(QString& text, const Rewrite (&rewrites)[N])
{
    for (const Rewrite& rewrite : rewrites) {
        if (!rewrite.isPattern) {
            replaceTagText(text, QStringView(rewrite.search), QStringView(rewrite.replacement));
            continue;
        }
        std::optional<QString> next = replacedByPattern(text, rewrite);
        if (!next)
            return false;
        text = std::move(*next);
    }
    return true;
}

} // namespace

std::optional<QString> MarkdownExporter::markdownFrom(const QTextDocument& text)
{
    platform::HtmlWriter::Options options;
    options.encoding = platform::TextEncoding::UTF8StringEncoding;
    options.inlineImages = true;
    QStringList code;
    const std::unique_ptr<QTextDocument> withoutCode = MarkdownCode::withPlaceholders(text, &code);
    const std::optional<platform::HtmlWriter::Page> page
        = platform::HtmlWriter::write(*withoutCode, options);
    if (!page)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString html = decoder.decode(page->html);
    if (decoder.hasError())
        return std::nullopt;
    const std::optional<QString> markdown = markdownFromHTML(html);
    if (!markdown)
        return std::nullopt;
    return MarkdownCode::restored(*markdown, code);
}

std::optional<QString> MarkdownExporter::markdownFromHTML(const QString& html)
{
    QString text = withoutHead(html);
    if (!rewrite(text, kInlineRewrites))
        return std::nullopt;
    text = listsAsMarkdown(text);
    if (!rewrite(text, kFinalRewrites))
        return std::nullopt;
    return text.trimmed();
}

void MarkdownExporter::registerTextFormat()
{
    using platform::TextFormat;
    TextFormat format;
    format.typeIdentifier = QStringLiteral("net.daringfireball.markdown");
    format.documentType = QStringLiteral("Markdown");
    format.extensions = { QStringLiteral("md"), QStringLiteral("markdown") };
    format.writtenEncoding = platform::TextEncoding::UTF8StringEncoding;
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
            : MarkdownImporter::attributedStringFromMarkdown(
                markdown, QTextCursor(BXNote::emptyStyle().get()).charFormat().font());
        if (!document) {
            platform::Error::set(error,
                platform::Error(platform::kCocoaErrorDomain, platform::FileReadCorruptFileError,
                    platform::localized(QStringLiteral("The file isn't in the correct format.")),
                    QStringLiteral("The file is not Markdown in UTF-8.")));
            return std::nullopt;
        }
        return TextFormat::ReadResult { std::move(document),
            platform::TextEncoding::UTF8StringEncoding, {} };
    };
    platform::TextFormatRegistry::registerFormat(std::move(format));
}
