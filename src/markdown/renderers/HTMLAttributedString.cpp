#include "HTMLAttributedString.h"

#include "MarkdownAttributedStringRenderable.h"

#include "markdown/MarkdownErrors.h"

#include "platform/text/HtmlImporter.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontInfo>

#include <mutex>

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

} // namespace

void HTMLAttributedString::substituteStylesheetFamilies()
{
    static std::once_flag once;
    std::call_once(once, [] {
        substituteMissingFamily(
            MarkdownAttributedStringRenderable::defaultTextFamily, QFontDatabase::GeneralFont);
        substituteMissingFamily(
            MarkdownAttributedStringRenderable::defaultCodeFamily, QFontDatabase::FixedFont);
    });
}

namespace {

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
    platform::HtmlImporter::setHtml(*document, htmlString);
    return document;
}

} // namespace markdown
