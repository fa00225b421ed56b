#include "RelationshipDescription.h"

namespace platform {

RelationshipDescription::RelationshipDescription(QString name, QString destinationEntityName,
    QString inverseName, bool toMany, DeleteRule deleteRule)
    : m_name(std::move(name)),
      m_destinationName(std::move(destinationEntityName)),
      m_inverseName(std::move(inverseName)),
      m_toMany(toMany),
      m_deleteRule(deleteRule)
{ }

bool RelationshipDescription::isManyToMany() const
{
    return m_toMany && m_inverse && m_inverse->isToMany();
}

QString RelationshipDescription::schemaDescription() const
{
    return QStringLiteral("%1->%2.%3:%4")
        .arg(m_name, m_destinationName, m_inverseName,
            m_toMany ? QStringLiteral("many") : QStringLiteral("one"));
}

} // namespace platform
