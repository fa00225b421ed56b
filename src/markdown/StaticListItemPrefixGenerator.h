#pragma once

#include "ListItemPrefixGenerator.h"

#include <QStringList>

namespace markdown {

// Computes all prefixes of a list up front: a bullet per item, or the item numbers from the
// list's start, each followed by a full stop whatever delimiter the source used. The nesting
// depth does not change the prefixes.
class StaticListItemPrefixGenerator final : public ListItemPrefixGenerator {
public:
    StaticListItemPrefixGenerator(List::ListType listType, qsizetype numberOfItems, int nestDepth);
    // From the list's type, number of items and nesting depth.
    explicit StaticListItemPrefixGenerator(const List& list);

    // The builder that the styled-text conversion uses.
    static std::unique_ptr<ListItemPrefixGenerator> make(const List& list);

    std::optional<QString> next() override;

private:
    QStringList m_prefixes;
    qsizetype m_position = 0;
};

} // namespace markdown
