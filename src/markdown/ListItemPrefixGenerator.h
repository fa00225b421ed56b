#pragma once

#include "markdown/nodes/List.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace markdown {

// Gives the prefixes of one list's items, one per call, in item order. Made at the start of the
// list's visit (by a Builder) and dropped at its end.
class ListItemPrefixGenerator {
public:
    // Makes the generator for one list.
    using Builder = std::function<std::unique_ptr<ListItemPrefixGenerator>(const List& list)>;

    virtual ~ListItemPrefixGenerator() = default;

    // The next item's prefix, or nothing once the generator has run out.
    virtual std::optional<QString> next() = 0;
};

} // namespace markdown
