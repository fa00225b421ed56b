#include "lists/tags/BXCategoryToken.h"

#include "document/model/BXCategory.h"

#include "platform/foundation/Archiver.h"

#include <QCborMap>

namespace {

const QString NameKey = QStringLiteral("categoryName");
const QString URIKey = QStringLiteral("categoryURIRepresentation");

} // namespace

std::optional<BXCategoryToken> BXCategoryToken::tokenWithCategory(
    const platform::ManagedObjectPtr& category)
{
    const auto* typed = dynamic_cast<const BXCategory*>(category.get());
    if (!typed)
        return std::nullopt;
    BXCategoryToken token(typed->categoryName(), category->objectID().URIRepresentation());
    token.m_category = category;
    return token;
}

BXCategoryToken::BXCategoryToken(QString name, QUrl uri)
    : m_categoryName(std::move(name)),
      m_uri(std::move(uri))
{
}

QUrl BXCategoryToken::categoryURIRepresentation() const
{
    // The category's ID changes from temporary to permanent when it is first saved.
    if (m_category && !m_category->objectID().isNull())
        return m_category->objectID().URIRepresentation();
    return m_uri;
}

bool BXCategoryToken::operator==(const BXCategoryToken& other) const
{
    return categoryURIRepresentation() == other.categoryURIRepresentation();
}

bool BXCategoryToken::isToken(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<BXCategoryToken>();
}

std::optional<BXCategoryToken> BXCategoryToken::fromVariant(const QVariant& value)
{
    if (!isToken(value))
        return std::nullopt;
    return value.value<BXCategoryToken>();
}

void BXCategoryToken::registerArchiving()
{
    static const bool registered = [] {
        platform::Archiver::registerClass(
            ClassName, qMetaTypeId<BXCategoryToken>(),
            [](const QVariant& value, QCborMap& fields, platform::Archiver::Encoder& encoder) {
                const BXCategoryToken token = value.value<BXCategoryToken>();
                const std::optional<QCborValue> uri
                    = encoder.encode(token.categoryURIRepresentation());
                if (!uri)
                    return false;
                fields.insert(NameKey, token.categoryName());
                fields.insert(URIKey, *uri);
                return true;
            },
            [](const QCborMap& fields,
                platform::Archiver::Decoder& decoder) -> std::optional<QVariant> {
                const QCborValue name = fields.value(NameKey);
                if (!name.isString())
                    return std::nullopt;
                const std::optional<QVariant> uri
                    = decoder.decode(fields.value(URIKey), { QStringLiteral("NSURL") });
                if (!uri || uri->metaType() != QMetaType::fromType<QUrl>()
                    || !uri->toUrl().isValid())
                    return std::nullopt;
                return QVariant::fromValue(BXCategoryToken(name.toString(), uri->toUrl()));
            });
        return true;
    }();
    Q_UNUSED(registered);
}

std::optional<QList<BXCategoryToken>> BXCategoryToken::tokensFromArchive(const QByteArray& data)
{
    registerArchiving();
    const std::optional<QVariantList> entries = platform::Archiver::unarchived<QVariantList>(
        data, { QStringLiteral("NSArray"), ClassName });
    if (!entries)
        return std::nullopt;
    QList<BXCategoryToken> tokens;
    for (const QVariant& entry : *entries) {
        const std::optional<BXCategoryToken> token = fromVariant(entry);
        if (!token)
            return std::nullopt;
        tokens.append(*token);
    }
    return tokens;
}

QByteArray BXCategoryToken::archivedTokens(const QList<BXCategoryToken>& tokens)
{
    registerArchiving();
    QVariantList entries;
    for (const BXCategoryToken& token : tokens)
        entries.append(token.toVariant());
    return platform::Archiver::archivedData(entries);
}
