#include "StaticListItemPrefixGenerator.h"

namespace markdown {

StaticListItemPrefixGenerator::StaticListItemPrefixGenerator(
    List::ListType listType, qsizetype numberOfItems, int)
{
    m_prefixes.reserve(std::max<qsizetype>(numberOfItems, 0));
    for (qsizetype item = 0; item < numberOfItems; ++item) {
        // 64-bit, so that a start near the 32-bit limit still counts up.
        m_prefixes.append(listType.isOrdered()
                ? QString::number(qint64(listType.start()) + item) + QLatin1Char('.')
                : QStringLiteral("\u2022"));
    }
}

StaticListItemPrefixGenerator::StaticListItemPrefixGenerator(const List& list)
    : StaticListItemPrefixGenerator(list.listType(), list.numberOfItems(), list.nestDepth())
{ }

std::unique_ptr<ListItemPrefixGenerator> StaticListItemPrefixGenerator::make(const List& list)
{
    return std::make_unique<StaticListItemPrefixGenerator>(list);
}

std::optional<QString> StaticListItemPrefixGenerator::next()
{
    if (m_position >= m_prefixes.size())
        return std::nullopt;
    return m_prefixes.at(m_position++);
}

} // namespace markdown
