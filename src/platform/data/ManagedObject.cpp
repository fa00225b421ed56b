#include "ManagedObject.h"

#include "ManagedObjectContext.h"

#include "platform/foundation/Log.h"

#include <algorithm>

namespace platform {

namespace {

ManagedObjectPtr objectFromVariant(const QVariant& value)
{
    if (value.metaType() == QMetaType::fromType<ManagedObjectPtr>())
        return value.value<ManagedObjectPtr>();
    if (value.metaType() == QMetaType::fromType<KeyValueRef>())
        return std::const_pointer_cast<ManagedObject>(
            std::dynamic_pointer_cast<const ManagedObject>(value.value<KeyValueRef>()));
    return nullptr;
}

// Predicates see the evaluated object as a KeyValueRef; lists of fetched objects hold
// ManagedObjectPtr. The conversion lets "self IN %@" and "self = %@" match either form.
[[maybe_unused]] const bool objectConversionRegistered
    = QMetaType::registerConverter<ManagedObjectPtr, KeyValueRef>(
        [](const ManagedObjectPtr& object) { return KeyValueRef(object); });

} // namespace

ManagedObject::ManagedObject() = default;

ManagedObject::~ManagedObject() = default;

void ManagedObject::setUp(const EntityDescription* entity, ManagedObjectContext* context,
    const ManagedObjectID& id, std::vector<QVariant>* values, std::vector<char>* loaded)
{
    m_entity = entity;
    m_context = context;
    m_id = id;
    if (values && loaded) {
        m_values.swap(*values);
        m_loaded.swap(*loaded);
    } else {
        m_values.assign(entity->attributes().size(), QVariant());
        m_loaded.assign(entity->attributes().size(), 0);
    }
    m_generations.clear();
    m_relations.assign(entity->relationships().size(), Relation());
    m_changed.assign(entity->attributes().size() + entity->relationships().size(), 0);
}

QVariantMap ManagedObject::changedValues() const
{
    QVariantMap result;
    if (!m_entity)
        return result;
    for (size_t i = 0; i < m_changed.size(); ++i) {
        if (!m_changed[i])
            continue;
        const QString key = i < m_values.size()
            ? m_entity->attributes()[i]->name()
            : m_entity->relationships()[i - m_values.size()]->name();
        result.insert(key, ManagedObject::valueForKey(key));
    }
    return result;
}

bool ManagedObject::isValueLoaded(const QString& key) const
{
    const int index = m_entity ? m_entity->attributeIndex(key) : -1;
    return index >= 0 && m_loaded[size_t(index)];
}

void ManagedObject::releaseValue(const QString& key)
{
    const int index = m_entity ? m_entity->attributeIndex(key) : -1;
    if (index < 0 || !m_context || m_inserted || m_changed[size_t(index)])
        return;
    m_values[size_t(index)] = QVariant();
    m_loaded[size_t(index)] = 0;
}

qint64 ManagedObject::valueLength(const QString& key) const
{
    const int index = m_entity ? m_entity->attributeIndex(key) : -1;
    if (index < 0)
        return 0;
    if (!m_loaded[size_t(index)] && m_context) {
        if (const std::optional<qint64> stored = m_context->storedValueLength(this, index))
            return *stored;
    }
    // In memory, or not measured in the store: the value itself.
    const QVariant& value = attributeValue(index);
    if (value.typeId() == QMetaType::QByteArray)
        return value.toByteArray().size();
    return value.isValid() ? value.toString().size() : 0;
}

quint64 ManagedObject::valueGeneration(const QString& key) const
{
    const int index = m_entity ? m_entity->attributeIndex(key) : -1;
    return index < 0 ? 0 : attributeGeneration(index);
}

QVariant ManagedObject::valueForKey(const QString& key) const
{
    return primitiveValueForKey(key);
}

QVariant ManagedObject::primitiveValueForKey(const QString& key) const
{
    if (!m_entity)
        return {};
    if (const int index = m_entity->attributeIndex(key); index >= 0) {
        loadAttribute(index);
        return m_values[size_t(index)];
    }
    const int index = m_entity->relationshipIndex(key);
    if (index < 0)
        return {};
    loadRelation(index);
    const Relation& relation = m_relations[size_t(index)];
    if (!m_entity->relationships()[size_t(index)]->isToMany()) {
        if (relation.objects.empty())
            return {};
        return QVariant::fromValue(KeyValueRef(relation.objects.front()));
    }
    QVariantList list;
    list.reserve(qsizetype(relation.objects.size()));
    for (const ManagedObjectPtr& object : relation.objects)
        list << QVariant::fromValue(KeyValueRef(object));
    return list;
}

void ManagedObject::setValue(const QVariant& value, const QString& key)
{
    willChangeValueForKey(key);
    setPrimitiveValue(value, key);
    didChangeValueForKey(key);
}

void ManagedObject::setPrimitiveValue(const QVariant& value, const QString& key)
{
    if (!m_entity)
        return;
    if (const int index = m_entity->attributeIndex(key); index >= 0) {
        setAttribute(index, m_entity->attributes()[size_t(index)]->coerced(value));
        return;
    }
    const RelationshipDescription* relationship = m_entity->relationship(key);
    if (!relationship)
        return;
    if (!relationship->isToMany()) {
        setRelatedObject(key, objectFromVariant(value));
        return;
    }
    QList<ManagedObjectPtr> objects;
    for (const QVariant& item : value.toList()) {
        if (ManagedObjectPtr object = objectFromVariant(item))
            objects << object;
    }
    setRelatedObjects(key, objects);
}

void ManagedObject::willAccessValueForKey(const QString& key) const
{
    if (!m_entity)
        return;
    if (const int index = m_entity->attributeIndex(key); index >= 0)
        loadAttribute(index);
    else if (const int relation = m_entity->relationshipIndex(key); relation >= 0)
        loadRelation(relation);
}

void ManagedObject::willChangeValueForKey(const QString& key)
{
    willAccessValueForKey(key);
}

void ManagedObject::didChangeValueForKey(const QString& key)
{
    emit valueChanged(key);
}

ManagedObjectPtr ManagedObject::relatedObject(const QString& key) const
{
    const int index = m_entity ? m_entity->relationshipIndex(key) : -1;
    if (index < 0)
        return nullptr;
    loadRelation(index);
    const Relation& relation = m_relations[size_t(index)];
    return relation.objects.empty() ? nullptr : relation.objects.front();
}

QList<ManagedObjectPtr> ManagedObject::relatedObjects(const QString& key) const
{
    const int index = m_entity ? m_entity->relationshipIndex(key) : -1;
    if (index < 0)
        return {};
    loadRelation(index);
    const Relation& relation = m_relations[size_t(index)];
    return QList<ManagedObjectPtr>(relation.objects.begin(), relation.objects.end());
}

void ManagedObject::setRelatedObject(const QString& key, const ManagedObjectPtr& object)
{
    const int index = m_entity ? m_entity->relationshipIndex(key) : -1;
    if (index < 0)
        return;
    const ManagedObjectPtr current = relatedObject(key);
    if (current == object)
        return;
    if (current)
        unlinkObject(index, current, true);
    if (object)
        linkObject(index, object, true);
}

void ManagedObject::setRelatedObjects(const QString& key, const QList<ManagedObjectPtr>& objects)
{
    const int index = m_entity ? m_entity->relationshipIndex(key) : -1;
    if (index < 0)
        return;
    if (!m_entity->relationships()[size_t(index)]->isToMany()) {
        setRelatedObject(key, objects.isEmpty() ? nullptr : objects.front());
        return;
    }
    for (const ManagedObjectPtr& current : relatedObjects(key)) {
        if (!objects.contains(current))
            unlinkObject(index, current, true);
    }
    for (const ManagedObjectPtr& object : objects) {
        if (object)
            linkObject(index, object, true);
    }
}

void ManagedObject::addRelatedObject(const QString& key, const ManagedObjectPtr& object)
{
    const int index = m_entity ? m_entity->relationshipIndex(key) : -1;
    if (index < 0 || !object)
        return;
    if (!m_entity->relationships()[size_t(index)]->isToMany())
        setRelatedObject(key, object);
    else
        linkObject(index, object, true);
}

void ManagedObject::removeRelatedObject(const QString& key, const ManagedObjectPtr& object)
{
    const int index = m_entity ? m_entity->relationshipIndex(key) : -1;
    if (index < 0 || !object)
        return;
    unlinkObject(index, object, true);
}

const QVariant& ManagedObject::attributeValue(int index) const
{
    loadAttribute(index);
    return m_values[size_t(index)];
}

void ManagedObject::loadAttribute(int index) const
{
    if (m_loaded[size_t(index)] || !m_context)
        return;
    auto* self = const_cast<ManagedObject*>(this);
    // A read that fails leaves the value unloaded, so that the next access tries again
    // instead of showing (and later saving) nil in place of the stored value.
    const bool lazily = m_entity->attributes()[size_t(index)]->isLoadedLazily();
    if (m_fault || !lazily)
        m_context->fulfillFault(self);
    if (lazily && !m_fault && !m_loaded[size_t(index)])
        m_context->loadLazyValue(self, index);
}

void ManagedObject::loadRelation(int index) const
{
    if (m_relations[size_t(index)].loaded || !m_context)
        return;
    m_context->loadRelation(const_cast<ManagedObject*>(this), index);
}

void ManagedObject::setAttribute(int index, const QVariant& value)
{
    loadAttribute(index);
    QVariant& slot = m_values[size_t(index)];
    if (slot.isValid() == value.isValid() && slot == value)
        return;
    if (m_context) {
        std::weak_ptr<ManagedObject> weak = weak_from_this();
        const QString key = m_entity->attributes()[size_t(index)]->name();
        m_context->registerUndo(this, [weak, key, old = slot] {
            if (ManagedObjectPtr object = weak.lock(); object && object->m_context)
                object->setValue(old, key);
        });
    }
    slot = value;
    valueMayHaveChanged(size_t(index));
    markChanged(index);
}

int ManagedObject::relationshipSlot(int relationshipIndex) const
{
    return int(m_values.size()) + relationshipIndex;
}

bool ManagedObject::insertIntoRelation(int index, const ManagedObjectPtr& object)
{
    loadRelation(index);
    Relation& relation = m_relations[size_t(index)];
    if (std::find(relation.objects.begin(), relation.objects.end(), object)
        != relation.objects.end())
        return false;
    if (!m_entity->relationships()[size_t(index)]->isToMany())
        relation.objects.clear();
    relation.objects.push_back(object);
    markChanged(relationshipSlot(index));
    return true;
}

bool ManagedObject::removeFromRelation(int index, const ManagedObject* object)
{
    loadRelation(index);
    Relation& relation = m_relations[size_t(index)];
    auto it = std::find_if(relation.objects.begin(), relation.objects.end(),
        [object](const ManagedObjectPtr& o) { return o.get() == object; });
    if (it == relation.objects.end())
        return false;
    relation.objects.erase(it);
    markChanged(relationshipSlot(index));
    return true;
}

void ManagedObject::linkObject(int index, const ManagedObjectPtr& object, bool registerUndo)
{
    const RelationshipDescription* relationship = m_entity->relationships()[size_t(index)];
    if (object->m_context != m_context || object->m_deleted
        || !object->m_entity->isKindOfEntity(relationship->destinationEntity())) {
        log(QStringLiteral("Refused to relate %@ to %@ through %@"), m_id.URIRepresentation(),
            object->m_id.URIRepresentation(), relationship->name());
        return;
    }
    loadRelation(index);
    const Relation& relation = m_relations[size_t(index)];
    if (std::find(relation.objects.begin(), relation.objects.end(), object)
        != relation.objects.end())
        return;
    if (!relationship->isToMany() && !relation.objects.empty())
        unlinkObject(index, relation.objects.front(), registerUndo);

    std::vector<std::pair<ManagedObjectPtr, QString>> notify;
    const RelationshipDescription* inverse = relationship->inverseRelationship();
    const int inverseIndex = inverse ? object->m_entity->relationshipIndex(inverse->name()) : -1;
    if (inverseIndex >= 0 && !inverse->isToMany()) {
        // The object leaves its former owner, as a to-one inverse allows only one.
        const ManagedObjectPtr previous = object->relatedObject(inverse->name());
        if (previous && previous.get() != this) {
            const int previousIndex = previous->m_entity->relationshipIndex(relationship->name());
            if (previousIndex >= 0)
                previous->unlinkObject(previousIndex, object, registerUndo);
        }
    }
    insertIntoRelation(index, object);
    if (registerUndo && m_context) {
        std::weak_ptr<ManagedObject> weak = weak_from_this();
        m_context->registerUndo(this, [weak, key = relationship->name(), object] {
            if (ManagedObjectPtr self = weak.lock(); self && self->m_context)
                self->removeRelatedObject(key, object);
        });
    }
    if (inverseIndex >= 0 && object->insertIntoRelation(inverseIndex, shared_from_this()))
        notify.emplace_back(object, inverse->name());
    emit valueChanged(relationship->name());
    for (const auto& [other, key] : notify)
        emit other->valueChanged(key);
}

void ManagedObject::unlinkObject(int index, const ManagedObjectPtr& object, bool registerUndo)
{
    const RelationshipDescription* relationship = m_entity->relationships()[size_t(index)];
    if (!removeFromRelation(index, object.get()))
        return;
    if (registerUndo && m_context) {
        std::weak_ptr<ManagedObject> weak = weak_from_this();
        m_context->registerUndo(this, [weak, key = relationship->name(), object] {
            if (ManagedObjectPtr self = weak.lock(); self && self->m_context)
                self->addRelatedObject(key, object);
        });
    }
    const RelationshipDescription* inverse = relationship->inverseRelationship();
    const int inverseIndex = inverse ? object->m_entity->relationshipIndex(inverse->name()) : -1;
    const bool inverseChanged = inverseIndex >= 0 && object->removeFromRelation(inverseIndex, this);
    emit valueChanged(relationship->name());
    if (inverseChanged)
        emit object->valueChanged(inverse->name());
}

void ManagedObject::markChanged(int propertyIndex)
{
    m_changed[size_t(propertyIndex)] = 1;
    if (m_context)
        m_context->objectDidChange(this);
}

void ManagedObject::clearRelations()
{
    for (Relation& relation : m_relations) {
        relation.objects.clear();
        relation.loaded = false;
    }
}

void ManagedObject::valueMayHaveChanged(size_t index)
{
    if (m_generations.empty())
        m_generations.assign(m_entity->attributes().size(), 0);
    ++m_generations[index];
}

void ManagedObject::turnIntoFault()
{
    std::vector<QVariant>(m_values.size()).swap(m_values);
    std::fill(m_loaded.begin(), m_loaded.end(), 0);
    std::fill(m_changed.begin(), m_changed.end(), 0);
    for (size_t i = 0; i < m_values.size(); ++i)
        valueMayHaveChanged(i);
    clearRelations();
    m_updated = false;
    m_fault = true;
    didTurnIntoFault();
}

} // namespace platform
