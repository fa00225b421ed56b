#pragma once

#include "ExpressionDescription.h"

#include "platform/predicate/Predicate.h"
#include "platform/predicate/SortDescriptor.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace platform {

// What to fetch: objects of an entity (and by default its sub-entities) matching a predicate,
// in the order of the sort descriptors, at most `fetchLimit` (0: all). A plain value.
//
// Result types: managed objects; dictionaries of the properties to fetch (attribute names and
// expression descriptions; with an expression the result is one dictionary of aggregates); or
// the count. For object results the properties to fetch only say which columns to read now.
class FetchRequest final {
public:
    enum class ResultType { ManagedObject, Dictionary, Count };

    FetchRequest() = default;
    explicit FetchRequest(QString entityName) : m_entityName(std::move(entityName)) { }

    const QString& entityName() const { return m_entityName; }
    void setEntityName(const QString& name) { m_entityName = name; }
    const PredicateRef& predicate() const { return m_predicate; }
    void setPredicate(PredicateRef predicate) { m_predicate = std::move(predicate); }
    const QList<SortDescriptor>& sortDescriptors() const { return m_sortDescriptors; }
    void setSortDescriptors(QList<SortDescriptor> descriptors)
    {
        m_sortDescriptors = std::move(descriptors);
    }
    int fetchLimit() const { return m_fetchLimit; }
    void setFetchLimit(int limit) { m_fetchLimit = limit; }
    bool includesSubentities() const { return m_includesSubentities; }
    void setIncludesSubentities(bool includes) { m_includesSubentities = includes; }
    ResultType resultType() const { return m_resultType; }
    void setResultType(ResultType type) { m_resultType = type; }

    const QStringList& propertiesToFetch() const { return m_properties; }
    const QList<ExpressionDescription>& expressionsToFetch() const { return m_expressions; }
    void setPropertiesToFetch(QStringList properties, QList<ExpressionDescription> expressions = {})
    {
        m_properties = std::move(properties);
        m_expressions = std::move(expressions);
    }

private:
    QString m_entityName;
    PredicateRef m_predicate;
    QList<SortDescriptor> m_sortDescriptors;
    int m_fetchLimit = 0;
    bool m_includesSubentities = true;
    ResultType m_resultType = ResultType::ManagedObject;
    QStringList m_properties;
    QList<ExpressionDescription> m_expressions;
};

} // namespace platform
