#include "List.h"

#include "markdown/CmarkNode.h"

namespace markdown {

QString List::ListType::description() const
{
    if (!m_ordered)
        return QStringLiteral("Bullet");
    return QStringLiteral("Ordered (start: ") + QString::number(m_start) + QLatin1Char(')');
}

QString List::description(Delimiter delimiter)
{
    return delimiter == Delimiter::period ? QStringLiteral("period") : QStringLiteral("paren");
}

const List::ListType& List::listType() const
{
    return m_listType.get([this] {
        if (CmarkNode::listType(cmarkNode()) == CMARK_ORDERED_LIST)
            return ListType::ordered(CmarkNode::listStart(cmarkNode()));
        return ListType::bullet();
    });
}

void List::setListType(ListType listType)
{
    m_listType.set(listType);
}

int List::numberOfItems() const
{
    return m_numberOfItems.get([this] { return int(children().size()); });
}

void List::setNumberOfItems(int numberOfItems)
{
    m_numberOfItems.set(numberOfItems);
}

bool List::isTight() const
{
    return m_isTight.get([this] { return cmark_node_get_list_tight(cmarkNode()) == 1; });
}

void List::setIsTight(bool isTight)
{
    m_isTight.set(isTight);
}

const std::optional<List::Delimiter>& List::delimiter() const
{
    return m_delimiter.get([this]() -> std::optional<Delimiter> {
        switch (CmarkNode::listDelimiter(cmarkNode())) {
        case CMARK_PERIOD_DELIM:
            return Delimiter::period;
        case CMARK_PAREN_DELIM:
            return Delimiter::paren;
        default:
            return std::nullopt;
        }
    });
}

void List::setDelimiter(std::optional<Delimiter> delimiter)
{
    m_delimiter.set(delimiter);
}

QString List::debugDescription() const
{
    QString text = QStringLiteral("List - type: ") + listType().description()
        + QStringLiteral(", isTight: ")
        + (isTight() ? QStringLiteral("true") : QStringLiteral("false"));
    if (const std::optional<Delimiter>& listDelimiter = delimiter())
        text += QStringLiteral(", delimiter: ") + description(*listDelimiter);
    return text;
}

} // namespace markdown
