#pragma once

#include "BaseNode.h"

#include <optional>

namespace markdown {

// A bullet or ordered list; its children are Items.
class List final : public BaseNode {
public:
    class ListType final {
    public:
        static ListType ordered(int start) { return ListType(true, start); }
        static ListType bullet() { return ListType(false, 0); }

        bool isOrdered() const { return m_ordered; }
        // The number of the first item; 0 for a bullet list.
        int start() const { return m_start; }
        QString description() const;
        bool operator==(const ListType&) const = default;

    private:
        ListType(bool ordered, int start) : m_ordered(ordered), m_start(start) { }
        bool m_ordered;
        int m_start;
    };

    enum class Delimiter { period, paren };
    static QString description(Delimiter delimiter);

    using BaseNode::BaseNode;

    const ListType& listType() const;
    void setListType(ListType listType);
    // Reading it also fills children().
    int numberOfItems() const;
    void setNumberOfItems(int numberOfItems);
    bool isTight() const;
    void setIsTight(bool isTight);
    const std::optional<Delimiter>& delimiter() const;
    void setDelimiter(std::optional<Delimiter> delimiter);

    QString debugDescription() const override;

private:
    Lazy<ListType> m_listType;
    Lazy<int> m_numberOfItems;
    Lazy<bool> m_isTight;
    Lazy<std::optional<Delimiter>> m_delimiter;
};

} // namespace markdown
