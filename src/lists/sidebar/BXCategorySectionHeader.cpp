#include "lists/sidebar/BXCategorySectionHeader.h"

BXCategorySectionHeader::BXCategorySectionHeader(const QString& title, const QString& identifier)
    : m_title(title), m_identifier(identifier)
{ }

QString BXCategorySectionHeader::description() const
{
    return QStringLiteral("<BXCategorySectionHeader: %1 (%2 children)>")
        .arg(m_title)
        .arg(m_children.size());
}
