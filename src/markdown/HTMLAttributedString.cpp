#include "HTMLAttributedString.h"

#include "MarkdownErrors.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>
#include <QStringEncoder>

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

// Qt's HTML importer takes time that grows with the square of the nesting depth (10,000
// nested quotes take half a minute), so container tags deeper than this are left out: their
// content is read as if it stood at the deepest kept level.
constexpr int kMaximumContainerNesting = 64;

bool isContainerTag(QStringView name)
{
    static const QLatin1StringView containers[] = {
        QLatin1StringView("blockquote"), QLatin1StringView("ul"), QLatin1StringView("ol"),
        QLatin1StringView("li"), QLatin1StringView("div"), QLatin1StringView("dl"),
        QLatin1StringView("dd"), QLatin1StringView("table"),
    };
    for (QLatin1StringView container : containers) {
        if (name.compare(container, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
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
    for (qsizetype at = html.indexOf(QLatin1Char('<')); at >= 0;
         at = html.indexOf(QLatin1Char('<'), at + 1)) {
        const bool closing = at + 1 < length && html.at(at + 1) == QLatin1Char('/');
        const qsizetype nameStart = at + 1 + (closing ? 1 : 0);
        qsizetype nameEnd = nameStart;
        while (nameEnd < length && html.at(nameEnd).isLetter())
            ++nameEnd;
        const QStringView name = QStringView(html).mid(nameStart, nameEnd - nameStart);
        if (name.isEmpty() || !isContainerTag(name))
            continue;
        const qsizetype tagEnd = html.indexOf(QLatin1Char('>'), nameEnd);
        if (tagEnd < 0)
            break;
        bool drop = false;
        if (!closing) {
            drop = kept >= kMaximumContainerNesting;
            open.push_back({ name, drop });
            kept += drop ? 0 : 1;
        } else {
            if (open.empty() || open.back().name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            drop = open.back().dropped;
            kept -= drop ? 0 : 1;
            open.pop_back();
        }
        if (drop) {
            result += QStringView(html).mid(copied, at - copied);
            copied = tagEnd + 1;
        }
        at = tagEnd;
    }
    if (copied == 0)
        return html;
    result += QStringView(html).mid(copied);
    return result;
}

bool hasExactUtf8Form(const QString& text)
{
    QStringEncoder encoder(QStringEncoder::Utf8, QStringEncoder::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError();
}

} // namespace

std::unique_ptr<QTextDocument> HTMLAttributedString::fromHTMLString(const QString& htmlString,
                                                                    platform::Error* error)
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
