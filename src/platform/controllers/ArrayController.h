#pragma once

#include "ControllerSelection.h"

#include "platform/data/ManagedObject.h"
#include "platform/foundation/IndexSet.h"
#include "platform/predicate/Predicate.h"
#include "platform/predicate/SortDescriptor.h"
#include "platform/predicate/ValueComparison.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

namespace platform {

// A list of managed objects as a view shows it: the content, filtered and stably sorted into
// arrangedObjects(), and a selection of arranged indexes. Adding puts objects straight into the
// arranged list; removing goes through a removal policy (drop them, delete them from their
// context, or detach them from an owner's to-many relationship). While automatic rearranging
// is on, a change of a key the filter or the sort reads rearranges at once.
//
// Emits, around each change, the signals an item model needs: inserts and removals of arranged
// rows, a rearrangement (same objects or fewer, new order), a reset for new content, and
// selectionChanged() after every change of the selected indexes. Main thread only.
class ArrayController : public QObject {
    Q_OBJECT

public:
    enum class RemovalPolicy {
        Drop, // out of the content only
        DeleteFromContext, // and deleted from their context
        DetachFromOwner, // and taken out of the owner's relationship (setDetachOwner)
    };
    // Objects of a lower rank come first, before the sort descriptors apply.
    using OrderRank = std::function<int(const ManagedObject& object)>;

    explicit ArrayController(QObject* parent = nullptr);
    ~ArrayController() override;

    const QList<ManagedObjectPtr>& content() const { return m_content; }
    // New content: the arranged objects are rebuilt and the selection follows the rules. With
    // `changedList` the content is the same list after some of its objects came or went: a
    // selection whose objects all went passes to the nearest one left, below them first.
    void setContent(const QList<ManagedObjectPtr>& content, bool changedList = false);
    const QList<ManagedObjectPtr>& arrangedObjects() const { return m_arranged; }

    PredicateRef filterPredicate() const { return m_filter; }
    void setFilterPredicate(const PredicateRef& predicate);
    // setFilterPredicate() with the predicate's answers known already, one per content object
    // in order (found faster than one evaluation at a time); they must be what it answers.
    void setFilterPredicate(const PredicateRef& predicate, const std::vector<char>& verdicts);
    const QList<SortDescriptor>& sortDescriptors() const { return m_sortDescriptors; }
    void setSortDescriptors(const QList<SortDescriptor>& descriptors);
    // A rank that orders before the descriptors (built-in entries first, say), read once per
    // object and arrangement; `keys` are the keys it reads, observed like the descriptors' keys.
    void setLeadingOrderRank(OrderRank rank, const QStringList& keys);

    // Filters and sorts the content again; the selected objects stay selected when
    // preservesSelection() and still arranged.
    void rearrangeObjects();
    // Puts one object whose filtered or sorted keys changed where a full rearrangement would,
    // the others being unchanged: a move of one row when it stays arranged, else a full
    // rearrangement.
    void rearrangeObject(const ManagedObjectPtr& object);
    // The arranged order `objects` would have under the current filter and sort.
    virtual QList<ManagedObjectPtr> arrangeObjects(const QList<ManagedObjectPtr>& objects) const;

    bool automaticallyRearrangesObjects() const { return m_automaticallyRearranges; }
    void setAutomaticallyRearrangesObjects(bool on);
    // The keys whose change rearranges while automatic rearranging is on: the first component of
    // each key path the filter and the sort read. Subclasses may add their own.
    virtual QStringList automaticRearrangementKeyPaths() const;

    // Selection.
    const IndexSet& selectionIndexes() const { return m_selection; }
    // True when exactly `indexes` are selected afterwards, also when they already were; an
    // index outside the arranged objects answers false and changes nothing.
    bool setSelectionIndexes(const IndexSet& indexes);
    bool setSelectionIndex(int index) { return setSelectionIndexes(IndexSet(index)); }
    // The first selected index, -1 when nothing is selected.
    int selectionIndex() const { return m_selection.firstIndex(); }
    bool addSelectionIndexes(const IndexSet& indexes);
    bool removeSelectionIndexes(const IndexSet& indexes);
    QList<ManagedObjectPtr> selectedObjects() const;
    // True when exactly `objects` are selected afterwards; an object that is not arranged
    // answers false and changes nothing.
    bool setSelectedObjects(const QList<ManagedObjectPtr>& objects);
    // The selection as one object for bindings; subclasses may stand something else in.
    virtual std::shared_ptr<ControllerSelection> selection() const;

    bool preservesSelection() const { return m_preservesSelection; }
    void setPreservesSelection(bool on) { m_preservesSelection = on; }
    bool avoidsEmptySelection() const { return m_avoidsEmptySelection; }
    void setAvoidsEmptySelection(bool on) { m_avoidsEmptySelection = on; }
    bool selectsInsertedObjects() const { return m_selectsInsertedObjects; }
    void setSelectsInsertedObjects(bool on) { m_selectsInsertedObjects = on; }
    bool clearsFilterPredicateOnInsertion() const { return m_clearsFilterOnInsertion; }
    void setClearsFilterPredicateOnInsertion(bool on) { m_clearsFilterOnInsertion = on; }

    // Adding and removing.
    bool isEditable() const { return m_editable; }
    void setEditable(bool editable) { m_editable = editable; }
    // Whether remove() would remove something: editable and something selected.
    bool canRemove() const { return m_editable && !m_selection.isEmpty(); }
    // Appends to the content and the arranged objects (the filter does not hide it).
    void addObject(const ManagedObjectPtr& object);
    void addObjects(const QList<ManagedObjectPtr>& objects);
    void insertObject(const ManagedObjectPtr& object, int arrangedIndex);
    // Objects already in the content and null ones are skipped.
    void insertObjects(const QList<ManagedObjectPtr>& objects, int arrangedIndex);
    void removeObject(const ManagedObjectPtr& object);
    void removeObjects(const QList<ManagedObjectPtr>& objects);
    void removeObjectAtArrangedObjectIndex(int index);
    void removeObjectsAtArrangedObjectIndexes(const IndexSet& indexes);
    // Removes the selected objects.
    void remove();

    RemovalPolicy removalPolicy() const { return m_removalPolicy; }
    void setRemovalPolicy(RemovalPolicy policy) { m_removalPolicy = policy; }
    // The owner and to-many key that DetachFromOwner takes removed objects out of.
    void setDetachOwner(const ManagedObjectPtr& owner, const QString& relationshipKey);

    int indexOfArrangedObject(const ManagedObject* object) const;

signals:
    void contentAboutToBeReset();
    void contentReset();
    void arrangedObjectsAboutToBeInserted(int first, int last);
    void arrangedObjectsInserted(int first, int last);
    void arrangedObjectsAboutToBeRemoved(int first, int last);
    void arrangedObjectsRemoved(int first, int last);
    // Around a rearrangement: the arranged objects may be fewer, more or in another order.
    void arrangedObjectsAboutToBeRearranged();
    void arrangedObjectsRearranged();
    // One arranged object moves from row `from` to row `to` (its row once moved).
    void arrangedObjectAboutToMove(int from, int to);
    void arrangedObjectMoved(int from, int to);
    // A key of an arranged object changed without moving it.
    void arrangedObjectChanged(int row, const QString& key);
    void selectionChanged();
    void filterPredicateChanged();
    void sortDescriptorsChanged();

protected:
    // Applies the removal policy to objects already out of the content.
    virtual void didRemoveObjects(const QList<ManagedObjectPtr>& objects);
    // A value of a content object changed; told before the controller re-sorts or reports the
    // row. A subclass that follows its content's changes hears them here rather than through
    // connections of its own: with many thousand objects, each connection costs memory.
    virtual void contentObjectValueChanged(ManagedObject* object, const QString& key);

private slots:
    void observedObjectChanged(const QString& key);

private:
    // An object's value of a sort descriptor's key, ready to compare: a string as its collation
    // key, with the string it was made from kept in `value`, so that no other text can take over
    // its storage: the same storage is the same text, whose key need not be made again.
    struct SortValue {
        QVariant value;
        QByteArray key;
        bool isString = false;

        // The string of a string's value.
        const QString& text() const { return *static_cast<const QString*>(value.constData()); }
    };
    // An object's leading rank and sort values.
    struct SortValues {
        int rank = 0;
        std::vector<SortValue> values;
        // Read for a content object, whose every change the controller hears of: good until
        // it reports one.
        bool current = false;
        // The arrangement that read them last.
        quint64 readIn = 0;
    };
    SortValues sortValues(const ManagedObjectPtr& object) const;
    // arrangeObjects() under `filter`, or its `verdicts` for `objects` when given.
    QList<ManagedObjectPtr> arrange(const QList<ManagedObjectPtr>& objects, const Predicate* filter,
        const std::vector<char>* verdicts = nullptr) const;
    // Indexes into `objects` in their arranged order: the `arrangedCount` arranged now by their
    // rows, the others after them.
    std::vector<int> previousOrder(
        const std::vector<ManagedObjectPtr>& objects, size_t& arrangedCount) const;
    // Makes `predicate` the filter and `arranged` the arranged objects.
    void applyFilter(const PredicateRef& predicate, QList<ManagedObjectPtr> arranged);
    // Makes `arranged` (the content filtered and sorted) the arranged objects.
    void applyArrangement(QList<ManagedObjectPtr> arranged);
    // A collation key to make for sort value `valueIndex` of `values`.
    struct PendingSortKey {
        SortValues* values;
        size_t valueIndex;
        ValueComparison::Collation collation;
    };
    // Reads `object`'s rank and sort values into `values`; a collation key for a string it
    // was not made from is made now, or left to the caller in `pending` when given.
    void readSortValues(const ManagedObjectPtr& object, SortValues& values,
        std::vector<PendingSortKey>* pending = nullptr) const;
    // The object's kept values are read again at the next arrangement.
    void forgetSortValues(const ManagedObject* object);
    // Whether the sort reads only the arranged objects' own keys, whose changes are heard of.
    bool sortReadsOnlyObjects() const;
    int leadingRank(const ManagedObject& object) const;
    // The leading ranks, then the descriptors in turn: -1, 0 or 1.
    int compareArranged(const SortValues& left, const SortValues& right) const;
    void observe(const ManagedObjectPtr& object);
    void unobserve(const ManagedObjectPtr& object);
    void updateObservedKeys();
    void rebuildArrangedIndex();
    void clearFilterForInsertion();
    // The selection once the objects are arranged anew: the `selected` objects still arranged
    // when preserving, else the old indexes still in range; `fallbackRow` (or the last row)
    // rather than none.
    IndexSet selectionAfterArranging(
        const QList<ManagedObjectPtr>& selected, int fallbackRow = 0) const;
    // The row now of the first object of `previous` after `row`, else before it, still
    // arranged; 0 when none is.
    int neighbourRow(const QList<ManagedObjectPtr>& previous, int row) const;
    // Replaces the selection and emits when it changed.
    void applySelection(const IndexSet& indexes);

    // The last arrangement by a filter's verdicts, while no sort value may have changed since:
    // the same verdicts over the same content arrange the same objects in the same order.
    struct VerdictArrangement {
        QList<ManagedObjectPtr> content;
        QList<ManagedObjectPtr> arranged;
        std::vector<char> verdicts;
    };

    QList<ManagedObjectPtr> m_content;
    QList<ManagedObjectPtr> m_arranged;
    QHash<const ManagedObject*, int> m_arrangedIndex;
    IndexSet m_selection;
    PredicateRef m_filter;
    QList<SortDescriptor> m_sortDescriptors;
    // Reading every sort value at each rearrangement would cost more than the rest of it.
    mutable std::unordered_map<const ManagedObject*, SortValues> m_sortValues;
    mutable quint64 m_arrangements = 0;
    OrderRank m_leadingRank;
    QStringList m_leadingRankKeys;
    QSet<QString> m_observedKeys;
    ManagedObjectPtr m_detachOwner;
    QString m_detachKey;
    RemovalPolicy m_removalPolicy = RemovalPolicy::Drop;
    bool m_automaticallyRearranges = false;
    bool m_preservesSelection = true;
    bool m_avoidsEmptySelection = true;
    bool m_selectsInsertedObjects = true;
    bool m_clearsFilterOnInsertion = true;
    bool m_editable = true;
    std::optional<VerdictArrangement> m_verdictArrangement;
};

} // namespace platform
