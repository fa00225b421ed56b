#pragma once

#include "EntityDescription.h"
#include "ManagedObjectID.h"

#include "platform/predicate/KeyValueCoding.h"

#include <QList>
#include <QObject>
#include <QVariant>
#include <QVariantMap>

#include <memory>
#include <vector>

namespace platform {

class ManagedObjectContext;
class ManagedObject;
using ManagedObjectPtr = std::shared_ptr<ManagedObject>;

// One object of an entity, registered in exactly one context (one object per ID there) and
// held through ManagedObjectPtr. Used only on its context's thread.
//
// Values: attributes as plain QVariants (see KeyValueCoding), a to-one relationship as a
// KeyValueRef, a to-many one as a QVariantList of KeyValueRef. setValue() records the change
// (undo included) and emits valueChanged(key); setPrimitiveValue() records it without the
// signal. A fault has no values loaded: the first access reads its row; binary and
// transformable values are read on their own first access. Subclasses (made through the
// entity's class factory) add derived keys by overriding valueForKey() and drop transient
// state in didTurnIntoFault().
class ManagedObject : public QObject,
                      public KeyValueCoding,
                      public std::enable_shared_from_this<ManagedObject> {
    Q_OBJECT

public:
    ManagedObject();
    ~ManagedObject() override;

    const ManagedObjectID& objectID() const { return m_id; }
    const EntityDescription* entity() const { return m_entity; }
    // Null once the object was removed from its context (a saved delete, a merged delete).
    ManagedObjectContext* managedObjectContext() const { return m_context; }

    bool isFault() const { return m_fault; }
    // The row version (Z_OPT) its values were read or last saved at; 0 before any.
    qint64 savedVersion() const { return m_version; }
    bool isInserted() const { return m_inserted; }
    bool isUpdated() const { return m_updated; }
    bool isDeleted() const { return m_deleted; }
    bool hasChanges() const { return m_inserted || m_updated || m_deleted; }
    // The changed persistent and transient keys with their current values.
    QVariantMap changedValues() const;
    // Whether an attribute's value is in memory (it is read on access otherwise).
    bool isValueLoaded(const QString& key) const;
    // Lets go of an attribute's value as read from the store, to be read again on its next
    // access; nothing when the object is new or the value changed since.
    void releaseValue(const QString& key);
    // The length of a string (UTF-16 units) or binary (bytes) attribute's value, without
    // reading a value not in memory: the store measures a saved one, a string by its UTF-8
    // bytes, which are never fewer than its units. 0 for nil and for other keys.
    qint64 valueLength(const QString& key) const;
    // Moves on whenever the attribute's value may have become another one: a change (undo
    // included), a read from the store (which may hold another value by then), a refresh or
    // merge, the object turning into a fault. A value taken at one generation is still the
    // object's while the generation stays, which spares comparing big values. 0 for other
    // keys.
    quint64 valueGeneration(const QString& key) const;

    QVariant valueForKey(const QString& key) const override;
    // For a relationship key the value is a ManagedObjectPtr or KeyValueRef (to-one), or a
    // list of them (to-many).
    virtual void setValue(const QVariant& value, const QString& key);
    QVariant primitiveValueForKey(const QString& key) const;
    // primitiveValueForKey() of the attribute at `index` in entity()->attributes(), without a
    // copy; AttributeReader reads one key of many objects through it.
    const QVariant& attributeValue(int index) const;
    bool isAttributeLoaded(int index) const { return m_loaded[size_t(index)]; }
    // valueGeneration() of the attribute at `index`.
    quint64 attributeGeneration(int index) const
    {
        return m_generations.empty() ? 0 : m_generations[size_t(index)];
    }
    void setPrimitiveValue(const QVariant& value, const QString& key);
    // Loads what `key` needs; the getters call it.
    void willAccessValueForKey(const QString& key) const;
    void willChangeValueForKey(const QString& key);
    // Emits valueChanged(key).
    void didChangeValueForKey(const QString& key);

    ManagedObjectPtr relatedObject(const QString& key) const;
    QList<ManagedObjectPtr> relatedObjects(const QString& key) const;
    // Relationship mutators keep the inverse side in step and emit valueChanged on both sides.
    // An object of another context, a deleted one or one of the wrong entity is refused (and
    // logged).
    void setRelatedObject(const QString& key, const ManagedObjectPtr& object);
    void setRelatedObjects(const QString& key, const QList<ManagedObjectPtr>& objects);
    void addRelatedObject(const QString& key, const ManagedObjectPtr& object);
    void removeRelatedObject(const QString& key, const ManagedObjectPtr& object);

signals:
    void valueChanged(const QString& key);

protected:
    // Called once after the object is first inserted into a context (not on re-insertion).
    virtual void awakeFromInsert() { }
    // Called after the object's row was first read.
    virtual void awakeFromFetch() { }
    // Called after the object became a fault again: drop what was derived from its values.
    virtual void didTurnIntoFault() { }

private:
    friend class ManagedObjectContext;
    friend class ContextChangeTracker;
    friend class ContextFetcher;
    friend class ContextMerger;
    friend class ContextObjectRegistry;
    friend class ContextSaver;

    struct Relation {
        bool loaded = false;
        std::vector<ManagedObjectPtr> objects;
    };

    // Takes over `values` and `loaded` (one per attribute) when given.
    void setUp(const EntityDescription* entity, ManagedObjectContext* context,
        const ManagedObjectID& id, std::vector<QVariant>* values = nullptr,
        std::vector<char>* loaded = nullptr);
    void loadAttribute(int index) const;
    void loadRelation(int index) const;
    void setAttribute(int index, const QVariant& value);
    void linkObject(int index, const ManagedObjectPtr& object, bool registerUndo);
    void unlinkObject(int index, const ManagedObjectPtr& object, bool registerUndo);
    // One side of a relationship change; the caller handles the other side.
    bool insertIntoRelation(int index, const ManagedObjectPtr& object);
    bool removeFromRelation(int index, const ManagedObject* object);
    void markChanged(int propertyIndex);
    int relationshipSlot(int relationshipIndex) const;
    // Drops every value and change; the object becomes a fault.
    void turnIntoFault();
    void valueMayHaveChanged(size_t index);
    void clearRelations();

    const EntityDescription* m_entity = nullptr;
    ManagedObjectContext* m_context = nullptr;
    ManagedObjectID m_id;
    std::vector<QVariant> m_values;
    std::vector<char> m_loaded;
    // Empty while every generation is 0, as for most of the many objects a fetch reads.
    std::vector<quint64> m_generations;
    std::vector<Relation> m_relations;
    // Attributes first, then relationships.
    std::vector<char> m_changed;
    qint64 m_version = 0;
    bool m_fault = false;
    bool m_inserted = false;
    bool m_updated = false;
    bool m_deleted = false;
    bool m_awake = false;
    // Listed in the context's not yet reported updates.
    bool m_pendingUpdate = false;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::ManagedObjectPtr)
