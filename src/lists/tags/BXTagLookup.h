#pragma once

#include "lists/tags/BXCategoryToken.h"

#include "platform/data/ManagedObject.h"

#include <QString>

#include <optional>

// What the tag editor's parts ask of the categories behind the tokens: the token of a typed
// name and the category of a token. Main thread only.
class BXTagLookup {
public:
    virtual ~BXTagLookup() = default;

    // The token of the first plain category whose name is like `string`, ignoring case and
    // diacritics, with `*` and `?` as wildcards; nullopt when none is.
    virtual std::optional<BXCategoryToken> tokenForString(const QString& string) const = 0;
    // The token's category; a decoded token finds it again by its URI. Null when it is gone.
    virtual platform::ManagedObjectPtr categoryFromToken(const BXCategoryToken& token) const = 0;
};
