#pragma once

#include "platform/data/ManagedObject.h"

#include <QMetaType>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <optional>

class QByteArray;

// The represented object of one tag token: a category, its name as shown and the URI of its
// object ID, which is the token's identity. A token made from a category keeps it and answers
// that category's current URI, so a token made before the first save equals one made after;
// a decoded token holds no category and is found again by its URI. A plain value; the
// archived form is the class "BXCategoryToken" with "categoryName" and
// "categoryURIRepresentation". Main thread only, as its category.
class BXCategoryToken final {
public:
    static inline const QString ClassName = QStringLiteral("BXCategoryToken");
    // The clipboard type of copied tokens.
    static inline const QString PasteboardType
        = QStringLiteral("application/x-brindlex-category-tokens");

    BXCategoryToken() = default;
    // Empty when `category` is null.
    static std::optional<BXCategoryToken> tokenWithCategory(
        const platform::ManagedObjectPtr& category);
    BXCategoryToken(QString name, QUrl uri);

    const platform::ManagedObjectPtr& category() const { return m_category; }
    void setCategory(const platform::ManagedObjectPtr& category) { m_category = category; }
    const QString& categoryName() const { return m_categoryName; }
    void setCategoryName(const QString& name) { m_categoryName = name; }
    QUrl categoryURIRepresentation() const;

    bool operator==(const BXCategoryToken& other) const;

    static bool isToken(const QVariant& value);
    static std::optional<BXCategoryToken> fromVariant(const QVariant& value);
    QVariant toVariant() const { return QVariant::fromValue(*this); }

    // Adds the class to the archiver; safe to call more than once.
    static void registerArchiving();
    // The tokens archived by archivedTokens(); empty for anything else, damaged data, or an
    // entry that is not a token with a name and a valid URI.
    static std::optional<QList<BXCategoryToken>> tokensFromArchive(const QByteArray& data);
    static QByteArray archivedTokens(const QList<BXCategoryToken>& tokens);

private:
    platform::ManagedObjectPtr m_category;
    QString m_categoryName;
    QUrl m_uri;
};

Q_DECLARE_METATYPE(BXCategoryToken)
