#include "HTMLAttributedString.h"

#include "markdown/MarkdownErrors.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

#include <algorithm>
#include <mutex>
#include <vector>

namespace markdown {

namespace {

void substituteMissingFamily(const QString& family, QFontDatabase::SystemFont replacement)
{
    if (QFontDatabase::hasFamily(family))
        return;
    // The system fonts' families may be aliases ("monospace") that substitution does not follow,
    // so take the family they resolve to.
    const QString installed = QFontInfo(QFontDatabase::systemFont(replacement)).family();
    if (!installed.isEmpty())
        QFont::insertSubstitution(family, installed);
}

void substituteStylesheetFamilies()
{
    static std::once_flag once;
    std::call_once(once, [] {
        substituteMissingFamily(QStringLiteral("Helvetica"), QFontDatabase::GeneralFont);
        substituteMissingFamily(QStringLiteral("Menlo"), QFontDatabase::FixedFont);
    });
}

// Qt's HTML importer takes time that grows with the square of the element nesting depth
// (10,000 nested quotes take half a minute), so tags nested deeper than this are left out in
// open/close pairs: their content is read as if it stood at the deepest kept level.
constexpr int kMaximumNesting = 128;

bool isVoidElement(QStringView name)
{
    static const QLatin1StringView voidElements[] = {
        QLatin1StringView("area"),
        QLatin1StringView("base"),
        QLatin1StringView("br"),
        QLatin1StringView("col"),
        QLatin1StringView("embed"),
        QLatin1StringView("hr"),
        QLatin1StringView("img"),
        QLatin1StringView("input"),
        QLatin1StringView("link"),
        QLatin1StringView("meta"),
        QLatin1StringView("source"),
        QLatin1StringView("track"),
        QLatin1StringView("wbr"),
    };
    for (QLatin1StringView element : voidElements) {
        if (name.compare(element, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

bool isRawTextElement(QStringView name)
{
    return name.compare(QLatin1StringView("style"), Qt::CaseInsensitive) == 0
        || name.compare(QLatin1StringView("script"), Qt::CaseInsensitive) == 0;
}

QString withNestingCapped(const QString& html)
{
    struct OpenTag {
        QStringView name;
        bool dropped;
    };
    std::vector<OpenTag> open;
    int kept = 0;
    QString result;
    qsizetype copied = 0;
    const qsizetype length = html.size();
    const auto drop = [&](qsizetype from, qsizetype to) {
        result += QStringView(html).mid(copied, from - copied);
        copied = to;
    };
    for (qsizetype at = html.indexOf(QLatin1Char('<')); at >= 0 && at < length;
         at = html.indexOf(QLatin1Char('<'), at + 1)) {
        if (QStringView(html).mid(at, 4) == QLatin1StringView("<!--")) {
            const qsizetype commentEnd = html.indexOf(QLatin1StringView("-->"), at + 4);
            if (commentEnd < 0)
                break;
            at = commentEnd + 2;
            continue;
        }
        const bool closing = at + 1 < length && html.at(at + 1) == QLatin1Char('/');
        const qsizetype nameStart = at + 1 + (closing ? 1 : 0);
        qsizetype nameEnd = nameStart;
        while (nameEnd < length && html.at(nameEnd).isLetterOrNumber())
            ++nameEnd;
        const QStringView name = QStringView(html).mid(nameStart, nameEnd - nameStart);
        if (name.isEmpty() || !name.front().isLetter())
            continue;
        const qsizetype tagEnd = html.indexOf(QLatin1Char('>'), nameEnd);
        if (tagEnd < 0)
            break;
        if (closing) {
            // Closing an outer element closes the ones left open inside it, as HTML does.
            auto match = std::find_if(open.rbegin(), open.rend(), [&](const OpenTag& tag) {
                return tag.name.compare(name, Qt::CaseInsensitive) == 0;
            });
            if (match != open.rend()) {
                const bool dropped = match->dropped;
                for (auto it = open.rbegin(); it != match + 1; ++it)
                    kept -= it->dropped ? 0 : 1;
                open.erase(match.base() - 1, open.end());
                if (dropped)
                    drop(at, tagEnd + 1);
            }
        } else if (isRawTextElement(name)) {
            const qsizetype rawEnd
                = html.indexOf(QStringLiteral("</") + name.toString(), tagEnd, Qt::CaseInsensitive);
            at = rawEnd < 0 ? length : rawEnd;
            continue;
        } else if (!isVoidElement(name) && html.at(tagEnd - 1) != QLatin1Char('/')) {
            const bool dropped = kept >= kMaximumNesting;
            open.push_back({ name, dropped });
            kept += dropped ? 0 : 1;
            if (dropped)
                drop(at, tagEnd + 1);
        }
        at = tagEnd;
    }
    if (copied == 0)
        return html;
    result += QStringView(html).mid(copied);
    return result;
}

// Only unpaired surrogates lack an exact UTF-8 form; looking for them costs far less than
// encoding the whole text.
bool hasExactUtf8Form(const QString& text)
{
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        const QChar unit = text.at(i);
        if (!unit.isSurrogate())
            continue;
        if (unit.isLowSurrogate() || i + 1 == length || !text.at(i + 1).isLowSurrogate())
            return false;
        ++i;
    }
    return true;
}

} // namespace

std::unique_ptr<QTextDocument> HTMLAttributedString::fromHTMLString(
    const QString& htmlString, platform::Error* error)
{
    if (!hasExactUtf8Form(htmlString)) {
        platform::Error::set(error, makeMarkdownError(MarkdownErrors::htmlDataConversionError));
        return nullptr;
    }
    substituteStylesheetFamilies();
    auto document = std::make_unique<QTextDocument>();
    document->setHtml(withNestingCapped(htmlString));
    return document;
}

} // namespace markdown
