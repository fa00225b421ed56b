#pragma once

#include "lists/tags/BXTagLookup.h"

#include <QList>
#include <QStringList>
#include <QVariant>

#include <functional>

class BXTagsCategories;

// Turns names into tag tokens and tokens into categories, over the categories the tag editor
// holds: a token for a typed name or for the category made for it, the category of a token,
// the tokens of the notes' plain categories, the completions of a prefix and the tokens of a
// renamed category. Owned by the tag editor; main thread only.
class BXTagTokens final : public BXTagLookup {
public:
    // `categories` answers the categories while their object lives, else null.
    explicit BXTagTokens(std::function<BXTagsCategories*()> categories);

    std::optional<BXCategoryToken> tokenForString(const QString& string) const override;
    platform::ManagedObjectPtr categoryFromToken(const BXCategoryToken& token) const override;
    // The token of a new category named `name`, made as the undoable step "Add
    // Category"; nullopt when none could be made.
    std::optional<BXCategoryToken> tokenForNewCategory(const QString& name) const;

    // A token's name; anything else (a typed string) shows itself.
    static QString displayString(const QVariant& object);
    // The categories of `notes`, each once, in the order the notes give them.
    static QList<platform::ManagedObjectPtr> categoriesOfNotes(
        const QList<platform::ManagedObjectPtr>& notes);
    // One token for each plain category of `categories`, in their order.
    static QVariantList plainTokens(const QList<platform::ManagedObjectPtr>& categories);
    // The names of the plain categories that begin with `prefix`, ignoring case and
    // diacritics, in sidebar order, leaving out the names of the tokens in `shown`.
    QStringList completions(const QString& prefix, const QVariantList& shown) const;
    // The category among all categories that is `object`; null for anything else.
    platform::ManagedObjectPtr categoryFor(const void* object) const;
    // `list` with every token of `category` (a category, as categoryFor() answers it) given its
    // current name; nullopt when no token of `list` is of it.
    static std::optional<QVariantList> renamedTokens(
        QVariantList list, const platform::ManagedObjectPtr& category);

private:
    std::function<BXTagsCategories*()> m_categories;
};
