#include "ContextFetcher.h"

#include "ContextChangeTracker.h"
#include "ContextObjectRegistry.h"

#include "platform/data/ManagedObjectModel.h"
#include "platform/data/SqlPredicateFilter.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/CompoundPredicate.h"
#include "platform/predicate/Expression.h"
#include "platform/predicate/ValueComparison.h"

#include <QSet>

#include <algorithm>

namespace platform {

ContextFetcher::ContextFetcher(const ManagedObjectModel* model,
    std::shared_ptr<PersistentStore> store, ContextObjectRegistry& objects,
    const ContextChangeTracker& changes)
    : m_model(model), m_store(std::move(store)), m_objects(objects), m_changes(changes)
{ }

bool ContextFetcher::fetchCandidates(
    const FetchRequest& request, QList<ManagedObjectPtr>& result, Error* error)
{
    const EntityDescription* entity = m_model ? m_model->entity(request.entityName()) : nullptr;
    if (!entity)
        return Error::set(error,
            Error(kCocoaErrorDomain, CoreDataValidationError,
                localized(QStringLiteral("The fetch request is invalid.")),
                QStringLiteral("Unknown entity \"%1\".").arg(request.entityName())));
    const std::vector<const EntityDescription*> entities = request.includesSubentities()
        ? entity->selfAndDescendants()
        : std::vector<const EntityDescription*> { entity };

    std::vector<QString> hint;
    const bool useHint = request.resultType() == FetchRequest::ResultType::Dictionary
        || (request.resultType() == FetchRequest::ResultType::ManagedObject
            && !request.propertiesToFetch().isEmpty())
        || (request.resultType() == FetchRequest::ResultType::Count && !request.predicate());
    if (useHint) {
        for (const QString& name : request.propertiesToFetch())
            hint.push_back(name);
        for (const ExpressionDescription& expression : request.expressionsToFetch())
            hint.push_back(expression.keyPath());
    }
    const PredicateRef& predicate = request.predicate();
    // Rows the SQL filter decided need no second look unless they have unsaved changes.
    QSet<const ManagedObject*> decided;
    if (PersistentStore* current = m_store.get()) {
        const std::unique_ptr<SqlPredicateFilter> filter
            = SqlPredicateFilter::make(predicate, entity, *current, unchangedCheck());
        // Objects already holding every value asked for would ignore the row's values (they
        // never replace loaded ones), so those are not converted at all.
        std::vector<ManagedObjectPtr> known;
        const auto wanted = [&](const PersistentStore::Row& row, const std::vector<int>& columns) {
            ManagedObjectPtr object
                = m_objects.value(current->objectID(row.entity, row.primaryKey));
            bool needed
                = !object || object->m_fault || !object->m_awake || object->m_entity != row.entity;
            for (size_t c = 0; !needed && c < columns.size(); ++c)
                needed = columns[c] >= 0 && !object->m_loaded[size_t(columns[c])];
            for (size_t i = 0; !needed && !useHint && i < object->m_relations.size(); ++i)
                needed
                    = !object->m_relations[i].loaded && !row.entity->relationships()[i]->isToMany();
            known.push_back(std::move(object));
            return needed;
        };
        std::vector<PersistentStore::Row> rows;
        Error readError;
        if (!current->fetchRows(entities, useHint ? &hint : nullptr,
                filter ? &filter->filter() : nullptr, rows, &readError, wanted)) {
            // Another program holds the file: the objects read before answer, so that the
            // window goes on with what it shows.
            if (!current->isBusy())
                return Error::set(error, readError);
            rows.clear();
            known.clear();
            for (const ManagedObjectPtr& object : m_objects.objects()) {
                if (!object->m_fault && !object->m_inserted && !object->m_deleted
                    && object->m_context == m_objects.context()
                    && std::find(entities.begin(), entities.end(), object->m_entity)
                        != entities.end())
                    result.append(object);
            }
        }
        result.reserve(qsizetype(rows.size()) + m_changes.inserted().size());
        m_objects.reserve(m_objects.objects().size() + qsizetype(rows.size()));
        for (size_t i = 0; i < rows.size(); ++i) {
            ManagedObjectPtr object = m_objects.registerRow(*current, rows[i], std::move(known[i]));
            if (object->m_deleted || object->m_context != m_objects.context())
                continue;
            if (filter && filter->isExact() && !object->m_updated)
                decided.insert(object.get());
            result.append(std::move(object));
        }
        if (filter) {
            // Unsaved values may match where the saved row did not.
            for (const ManagedObjectPtr& object : m_changes.changed()) {
                if (object->m_updated && !object->m_deleted && !object->m_inserted
                    && std::find(entities.begin(), entities.end(), object->m_entity)
                        != entities.end()
                    && !result.contains(object))
                    result.append(object);
            }
        }
    }
    for (const ManagedObjectPtr& object : m_changes.inserted()) {
        if (std::find(entities.begin(), entities.end(), object->m_entity) != entities.end())
            result.append(object);
    }
    if (!predicate)
        return true;
    QList<ManagedObjectPtr> undecided;
    for (const ManagedObjectPtr& object : std::as_const(result)) {
        if (!decided.contains(object.get()))
            undecided.append(object);
    }
    prefetchRelations(request, undecided);
    QList<ManagedObjectPtr> matching;
    matching.reserve(result.size());
    for (const ManagedObjectPtr& object : std::as_const(result)) {
        if (decided.contains(object.get())) {
            matching.append(object);
            continue;
        }
        Error evaluationError;
        if (predicate->evaluateWithObject(KeyValueRef(object), {}, &evaluationError))
            matching.append(object);
        else if (!evaluationError.isNull())
            return Error::set(error, evaluationError);
    }
    result = std::move(matching);
    return true;
}

bool ContextFetcher::hasUnsavedChanges(const std::vector<const EntityDescription*>& entities) const
{
    const auto among = [&entities](const ManagedObjectPtr& object) {
        return std::find(entities.begin(), entities.end(), object->m_entity) != entities.end();
    };
    return std::any_of(m_changes.inserted().begin(), m_changes.inserted().end(), among)
        || std::any_of(m_changes.deleted().begin(), m_changes.deleted().end(), among)
        || std::any_of(m_changes.changed().begin(), m_changes.changed().end(),
            [&among](
                const ManagedObjectPtr& object) { return object->m_updated && among(object); });
}

std::function<bool(const EntityDescription*)> ContextFetcher::unchangedCheck() const
{
    return [this](const EntityDescription* entity) {
        return !hasUnsavedChanges(entity->selfAndDescendants());
    };
}

bool ContextFetcher::fetchInStore(
    const FetchRequest& request, std::optional<QVariantList>& result, Error* error)
{
    const bool count = request.resultType() == FetchRequest::ResultType::Count;
    // With a limit the aggregates cover only the first objects in sort order.
    if (!count
        && (request.resultType() != FetchRequest::ResultType::Dictionary
            || request.expressionsToFetch().isEmpty() || request.fetchLimit() > 0))
        return true;
    const EntityDescription* entity = m_model ? m_model->entity(request.entityName()) : nullptr;
    const std::shared_ptr<PersistentStore>& current = m_store;
    if (!entity || !current)
        return true;
    const std::vector<const EntityDescription*> entities = request.includesSubentities()
        ? entity->selfAndDescendants()
        : std::vector<const EntityDescription*> { entity };
    if (hasUnsavedChanges(entities))
        return true;
    std::unique_ptr<SqlPredicateFilter> filter;
    if (request.predicate()) {
        filter = SqlPredicateFilter::make(request.predicate(), entity, *current, unchangedCheck());
        if (!filter || !filter->isExact())
            return true;
    }
    const PersistentStore::SqlFilter* condition = filter ? &filter->filter() : nullptr;
    Error readError;
    if (count) {
        const qint64 rows = current->countRows(entities, condition, &readError);
        // A file another program holds is counted in what the context has read.
        if (rows < 0)
            return current->isBusy() || Error::set(error, readError);
        result = QVariantList { qlonglong(rows) };
        return true;
    }
    QVariantMap aggregates;
    for (const ExpressionDescription& expression : request.expressionsToFetch()) {
        const bool maximum = expression.function() == QStringLiteral("max:");
        if (!maximum && expression.function() != QStringLiteral("min:"))
            return true;
        const AttributeDescription* attribute = entity->attribute(expression.keyPath());
        if (!attribute)
            return true;
        const std::optional<QVariant> value
            = current->fetchExtreme(entities, attribute, maximum, condition, &readError);
        if (!readError.isNull())
            return current->isBusy() || Error::set(error, readError);
        if (!value)
            return true;
        if (value->isValid())
            aggregates.insert(expression.name(), *value);
    }
    result = QVariantList { aggregates };
    return true;
}

namespace {

// Names of the relationships or attributes that key paths from the evaluated object start with.
void collectFirstKeys(const ExpressionRef& expression, QSet<QString>& keys);

void collectFirstKeys(const PredicateRef& predicate, QSet<QString>& keys)
{
    if (!predicate)
        return;
    switch (predicate->kind()) {
    case Predicate::Kind::Constant:
        return;
    case Predicate::Kind::Comparison: {
        const auto& comparison = static_cast<const ComparisonPredicate&>(*predicate);
        collectFirstKeys(comparison.leftExpression(), keys);
        collectFirstKeys(comparison.rightExpression(), keys);
        return;
    }
    case Predicate::Kind::Compound:
        for (const PredicateRef& part :
            static_cast<const CompoundPredicate&>(*predicate).subpredicates())
            collectFirstKeys(part, keys);
        return;
    }
}

void collectFirstKeys(const ExpressionRef& expression, QSet<QString>& keys)
{
    if (!expression)
        return;
    switch (expression->type()) {
    case Expression::Type::KeyPath:
        if (!expression->operand()
            || expression->operand()->type() == Expression::Type::EvaluatedObject)
            keys.insert(expression->keyPath().section(QLatin1Char('.'), 0, 0));
        else
            collectFirstKeys(expression->operand(), keys);
        return;
    case Expression::Type::Subquery:
        // Its predicate reads the members, not the evaluated object.
        collectFirstKeys(expression->operand(), keys);
        return;
    case Expression::Type::Aggregate:
        for (const ExpressionRef& element : expression->elements())
            collectFirstKeys(element, keys);
        return;
    case Expression::Type::Constant:
    case Expression::Type::EvaluatedObject:
    case Expression::Type::Variable:
        return;
    }
}

} // namespace

void ContextFetcher::prefetchRelations(
    const FetchRequest& request, const QList<ManagedObjectPtr>& objects)
{
    const std::shared_ptr<PersistentStore>& current = m_store;
    if (!current)
        return;
    QSet<QString> keys;
    collectFirstKeys(request.predicate(), keys);
    for (const SortDescriptor& descriptor : request.sortDescriptors())
        keys.insert(descriptor.key().section(QLatin1Char('.'), 0, 0));

    // Owners by relationship (sub-entities may describe an inherited one on their own).
    std::vector<std::pair<const RelationshipDescription*, std::vector<ManagedObject*>>> groups;
    for (const ManagedObjectPtr& object : objects) {
        if (object->m_inserted || object->m_id.isTemporaryID() || object->m_fault)
            continue;
        for (const QString& key : std::as_const(keys)) {
            const int index = object->m_entity->relationshipIndex(key);
            if (index < 0 || object->m_relations[size_t(index)].loaded)
                continue;
            const RelationshipDescription* relationship
                = object->m_entity->relationships()[size_t(index)];
            if (!relationship->isToMany())
                continue;
            auto group = std::find_if(groups.begin(), groups.end(),
                [relationship](const auto& entry) { return entry.first == relationship; });
            if (group == groups.end())
                group = groups.insert(groups.end(), { relationship, {} });
            group->second.push_back(object.get());
        }
    }
    for (const auto& [relationship, owners] : groups) {
        std::vector<qint64> ownerKeys;
        ownerKeys.reserve(owners.size());
        for (const ManagedObject* owner : owners)
            ownerKeys.push_back(owner->m_id.primaryKey());
        std::vector<std::pair<qint64, ManagedObjectID>> related;
        Error error;
        if (!current->fetchRelated(relationship, ownerKeys, related, &error)) {
            // Each relation is then read on its own when the predicate gets to it.
            log(QStringLiteral("Could not read %@: %@"), relationship->name(), error.toString());
            continue;
        }
        QHash<qint64, ManagedObject::Relation*> relations;
        relations.reserve(qsizetype(owners.size()));
        for (ManagedObject* owner : owners) {
            ManagedObject::Relation& relation = owner->m_relations[size_t(
                owner->m_entity->relationshipIndex(relationship->name()))];
            relation.objects.clear();
            relations.insert(owner->m_id.primaryKey(), &relation);
        }
        for (const auto& [ownerKey, id] : related) {
            ManagedObject::Relation* relation = relations.value(ownerKey);
            if (!relation)
                continue;
            if (ManagedObjectPtr target = m_objects.objectWithID(id); target && !target->m_deleted)
                relation->objects.push_back(std::move(target));
        }
        for (ManagedObject::Relation* relation : std::as_const(relations))
            relation->loaded = true;
    }
}

bool ContextFetcher::fetchOrdered(
    const FetchRequest& request, QList<ManagedObjectPtr>& objects, Error* error)
{
    if (!fetchCandidates(request, objects, error))
        return false;
    if (!request.sortDescriptors().isEmpty()) {
        const QList<SortDescriptor>& descriptors = request.sortDescriptors();
        std::stable_sort(objects.begin(), objects.end(),
            [&descriptors](const ManagedObjectPtr& a, const ManagedObjectPtr& b) {
                for (const SortDescriptor& descriptor : descriptors) {
                    const int order = descriptor.compare(KeyValueRef(a), KeyValueRef(b));
                    if (order != 0)
                        return order < 0;
                }
                return false;
            });
    }
    if (request.fetchLimit() > 0 && objects.size() > request.fetchLimit())
        objects.resize(request.fetchLimit());
    return true;
}

std::optional<QVariantList> ContextFetcher::fetchValues(const FetchRequest& request, Error* error)
{
    std::optional<QVariantList> answered;
    if (!fetchInStore(request, answered, error))
        return std::nullopt;
    if (answered)
        return answered;
    QList<ManagedObjectPtr> objects;
    if (request.resultType() == FetchRequest::ResultType::Count) {
        if (!fetchCandidates(request, objects, error))
            return std::nullopt;
        return QVariantList { qlonglong(objects.size()) };
    }
    if (!fetchOrdered(request, objects, error))
        return std::nullopt;

    QVariantList result;
    if (!request.expressionsToFetch().isEmpty()) {
        QVariantMap aggregates;
        for (const ExpressionDescription& expression : request.expressionsToFetch()) {
            const int wanted = expression.function() == QStringLiteral("min:") ? -1 : 1;
            QVariant best;
            for (const ManagedObjectPtr& object : std::as_const(objects)) {
                const QVariant value = Expression::valueForKeyPath(
                    QVariant::fromValue(KeyValueRef(object)), expression.keyPath());
                if (ValueComparison::isNil(value))
                    continue;
                const std::optional<int> order = best.isValid()
                    ? ValueComparison::order(value, best)
                    : std::optional<int>(wanted);
                if (order && *order == wanted)
                    best = value;
            }
            if (best.isValid())
                aggregates.insert(expression.name(), best);
        }
        result << aggregates;
        return result;
    }
    for (const ManagedObjectPtr& object : std::as_const(objects)) {
        QVariantMap row;
        for (const QString& key : request.propertiesToFetch()) {
            const QVariant value = object->valueForKey(key);
            if (value.isValid())
                row.insert(key, value);
        }
        result << row;
    }
    return result;
}

std::optional<QList<ManagedObjectPtr>> ContextFetcher::fetchObjects(
    const FetchRequest& request, Error* error)
{
    QList<ManagedObjectPtr> objects;
    if (!fetchOrdered(request, objects, error))
        return std::nullopt;
    return objects;
}

} // namespace platform
