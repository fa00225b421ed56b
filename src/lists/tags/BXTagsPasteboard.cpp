#include "lists/tags/BXTagsPasteboard.h"

#include "lists/tags/BXCategoryToken.h"
#include "lists/tags/BXTagLookup.h"

#include "document/model/BXCategory.h"

#include <QMimeData>
#include <QRegularExpression>

using platform::ManagedObjectPtr;

BXTagsPasteboard::BXTagsPasteboard(const BXTagLookup& lookup) : m_lookup(lookup) { }

QVariantList BXTagsPasteboard::readTokens(const QMimeData& data, const QVariantList& shown) const
{
    QVariantList result;
    // Tokens copied from a tag field are found again by their URIs, names aside.
    if (data.hasFormat(BXCategoryToken::PasteboardType)) {
        const std::optional<QList<BXCategoryToken>> decoded
            = BXCategoryToken::tokensFromArchive(data.data(BXCategoryToken::PasteboardType));
        for (const BXCategoryToken& copied : decoded.value_or(QList<BXCategoryToken>())) {
            const ManagedObjectPtr category = m_lookup.categoryFromToken(copied);
            const auto* typed = dynamic_cast<const BXCategory*>(category.get());
            if (!typed || !typed->isPlainCategory())
                continue;
            const std::optional<BXCategoryToken> token
                = BXCategoryToken::tokenWithCategory(category);
            if (token && !shown.contains(token->toVariant())
                && !result.contains(token->toVariant()))
                result.append(token->toVariant());
        }
        if (!result.isEmpty())
            return result;
    }
    if (!data.hasText())
        return result;
    // Lines end at LF, CR LF or CR, whichever program wrote them; nothing else is trimmed.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    for (const QString& line : data.text().split(lineBreak)) {
        const std::optional<BXCategoryToken> token = m_lookup.tokenForString(line);
        if (token && !shown.contains(token->toVariant()))
            result.append(token->toVariant());
    }
    return result;
}

void BXTagsPasteboard::writeTokens(const QVariantList& objects, QMimeData& data)
{
    QList<BXCategoryToken> tokens;
    for (const QVariant& object : objects) {
        if (const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(object))
            tokens.append(*token);
    }
    if (!tokens.isEmpty())
        data.setData(BXCategoryToken::PasteboardType, BXCategoryToken::archivedTokens(tokens));
}
