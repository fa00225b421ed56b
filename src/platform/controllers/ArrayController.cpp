#include "ArrayController.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Dispatch.h"
#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/CompoundPredicate.h"
#include "platform/predicate/Expression.h"
#include "platform/predicate/ValueComparison.h"

#include <algorithm>
#include <limits>
#include <numeric>

namespace platform {

namespace {

QString firstComponent(const QString& keyPath)
{
    return keyPath.section(QLatin1Char('.'), 0, 0);
}

void collectKeys(const ExpressionRef& expression, QSet<QString>& keys);

void collectKeys(const Predicate& predicate, QSet<QString>& keys)
{
    switch (predicate.kind()) {
    case Predicate::Kind::Comparison: {
        const auto& comparison = static_cast<const ComparisonPredicate&>(predicate);
        collectKeys(comparison.leftExpression(), keys);
        collectKeys(comparison.rightExpression(), keys);
        break;
    }
    case Predicate::Kind::Compound:
        for (const PredicateRef& part :
            static_cast<const CompoundPredicate&>(predicate).subpredicates()) {
            if (part)
                collectKeys(*part, keys);
        }
        break;
    case Predicate::Kind::Constant:
        break;
    }
}

// The keys of the evaluated object an expression reads; paths starting at a variable read
// other objects.
void collectKeys(const ExpressionRef& expression, QSet<QString>& keys)
{
    if (!expression)
        return;
    switch (expression->type()) {
    case Expression::Type::KeyPath: {
        const ExpressionRef& operand = expression->operand();
        if (!operand || operand->type() == Expression::Type::EvaluatedObject)
            keys.insert(firstComponent(expression->keyPath()));
        else
            collectKeys(operand, keys);
        break;
    }
    case Expression::Type::Subquery:
        collectKeys(expression->operand(), keys);
        break;
    case Expression::Type::Aggregate:
        for (const ExpressionRef& element : expression->elements())
            collectKeys(element, keys);
        break;
    default:
        break;
    }
}

// Beyond this many separate runs of rows, a removal is announced as a new arrangement.
constexpr size_t kMostRunsRemovedOneByOne = 16;

} // namespace

ArrayController::ArrayController(QObject* parent) : QObject(parent) { }

ArrayController::~ArrayController() = default;

void ArrayController::setContent(const QList<ManagedObjectPtr>& content, bool changedList)
{
    const QList<ManagedObjectPtr> previousSelection = selectedObjects();
    const QList<ManagedObjectPtr> selected
        = m_preservesSelection ? previousSelection : QList<ManagedObjectPtr>();
    const QList<ManagedObjectPtr> previous = m_arranged;
    const IndexSet previousIndexes = m_selection;
    emit contentAboutToBeReset();
    m_verdictArrangement.reset();
    for (const ManagedObjectPtr& object : std::as_const(m_content))
        unobserve(object);
    m_content = content;
    QSet<const ManagedObject*> contained;
    contained.reserve(m_content.size());
    for (const ManagedObjectPtr& object : std::as_const(m_content)) {
        observe(object);
        contained.insert(object.get());
    }
    std::erase_if(m_sortValues, [&](const auto& kept) { return !contained.contains(kept.first); });
    m_arranged = arrangeObjects(m_content);
    rebuildArrangedIndex();
    const IndexSet indexes = selectionAfterArranging(
        selected, changedList ? neighbourRow(previous, previousIndexes.firstIndex()) : 0);
    m_selection = indexes;
    emit contentReset();
    // The same rows may hold other objects now: a neighbour moved up into a deleted row.
    if (indexes != previousIndexes || selectedObjects() != previousSelection)
        emit selectionChanged();
}

void ArrayController::setFilterPredicate(const PredicateRef& predicate)
{
    m_filter = predicate;
    updateObservedKeys();
    emit filterPredicateChanged();
    rearrangeObjects();
}

void ArrayController::setSortDescriptors(const QList<SortDescriptor>& descriptors)
{
    m_sortDescriptors = descriptors;
    m_sortValues.clear();
    updateObservedKeys();
    emit sortDescriptorsChanged();
    rearrangeObjects();
}

void ArrayController::setLeadingOrderRank(OrderRank rank, const QStringList& keys)
{
    m_leadingRank = std::move(rank);
    m_leadingRankKeys = keys;
    for (auto& [object, values] : m_sortValues)
        values.current = false;
    updateObservedKeys();
    rearrangeObjects();
}

void ArrayController::setFilterPredicate(
    const PredicateRef& predicate, const std::vector<char>& verdicts)
{
    // A key that lists the same notes (a word typed on that every listed note holds) arranges
    // nothing anew: the list and its view are left as they are.
    if (m_verdictArrangement && m_verdictArrangement->verdicts == verdicts
        && m_verdictArrangement->content == m_content
        && m_verdictArrangement->arranged == m_arranged) {
        m_filter = predicate;
        updateObservedKeys();
        emit filterPredicateChanged();
        return;
    }
    applyFilter(predicate, arrange(m_content, predicate.get(), &verdicts));
    if (sortReadsOnlyObjects())
        m_verdictArrangement = VerdictArrangement { m_content, m_arranged, verdicts };
}

void ArrayController::applyFilter(const PredicateRef& predicate, QList<ManagedObjectPtr> arranged)
{
    m_filter = predicate;
    updateObservedKeys();
    emit filterPredicateChanged();
    applyArrangement(std::move(arranged));
}

void ArrayController::rearrangeObjects()
{
    applyArrangement(arrangeObjects(m_content));
}

void ArrayController::applyArrangement(QList<ManagedObjectPtr> arranged)
{
    m_verdictArrangement.reset();
    const QList<ManagedObjectPtr> previous = selectedObjects();
    const QList<ManagedObjectPtr> selected
        = m_preservesSelection ? previous : QList<ManagedObjectPtr>();
    emit arrangedObjectsAboutToBeRearranged();
    m_arranged = std::move(arranged);
    rebuildArrangedIndex();
    const IndexSet indexes = selectionAfterArranging(selected);
    // The same rows may hold other objects now: a filter that hides the selected note selects
    // the first row, which may be the row it had.
    const bool selectionDiffers = indexes != m_selection;
    m_selection = indexes;
    const bool objectsDiffer = !selectionDiffers && selectedObjects() != previous;
    emit arrangedObjectsRearranged();
    if (selectionDiffers || objectsDiffer)
        emit selectionChanged();
}

int ArrayController::neighbourRow(const QList<ManagedObjectPtr>& previous, int row) const
{
    if (row < 0)
        return 0;
    // The next one down that is still listed, else the nearest one up.
    for (qsizetype index = row + 1; index < previous.size(); ++index) {
        if (const int now = indexOfArrangedObject(previous.at(index).get()); now >= 0)
            return now;
    }
    for (qsizetype index = std::min<qsizetype>(row, previous.size()) - 1; index >= 0; --index) {
        if (const int now = indexOfArrangedObject(previous.at(index).get()); now >= 0)
            return now;
    }
    return 0;
}

IndexSet ArrayController::selectionAfterArranging(
    const QList<ManagedObjectPtr>& selected, int fallbackRow) const
{
    IndexSet indexes;
    if (m_preservesSelection) {
        for (const ManagedObjectPtr& object : selected) {
            const int index = indexOfArrangedObject(object.get());
            if (index >= 0)
                indexes.addIndex(index);
        }
    } else {
        indexes = m_selection;
        indexes.removeRange(int(m_arranged.size()), std::numeric_limits<int>::max());
    }
    if (indexes.isEmpty() && m_avoidsEmptySelection && !m_arranged.isEmpty())
        indexes.addIndex(std::min(fallbackRow, int(m_arranged.size()) - 1));
    return indexes;
}

ArrayController::SortValues ArrayController::sortValues(const ManagedObjectPtr& object) const
{
    SortValues values;
    readSortValues(object, values);
    return values;
}

void ArrayController::readSortValues(
    const ManagedObjectPtr& object, SortValues& values, std::vector<PendingSortKey>* pending) const
{
    const size_t count = size_t(m_sortDescriptors.size());
    values.rank = leadingRank(*object);
    values.values.resize(count);
    // Strings become collation keys, so that comparing two objects is a byte comparison.
    for (size_t index = 0; index < count; ++index) {
        const SortDescriptor& descriptor = m_sortDescriptors.at(qsizetype(index));
        const QString& key = descriptor.key();
        QVariant value = key.isEmpty() || key.contains(QLatin1Char('.'))
            ? Expression::valueForKeyPath(QVariant::fromValue(KeyValueRef(object)), key)
            : object->valueForKey(key);
        SortValue& sortValue = values.values[index];
        if (!ValueComparison::isString(value)) {
            sortValue = { std::move(value), QByteArray(), false };
            continue;
        }
        QString string = value.toString();
        if (sortValue.isString && !sortValue.key.isNull()) {
            const QString& text = sortValue.text();
            if (text.constData() == string.constData() && text.size() == string.size())
                continue;
        }
        sortValue = { QVariant(std::move(string)), QByteArray(), true };
        if (pending)
            pending->push_back({ &values, index, descriptor.collation() });
        else
            sortValue.key = ValueComparison::sortKey(sortValue.text(), descriptor.collation());
    }
}

void ArrayController::forgetSortValues(const ManagedObject* object)
{
    m_verdictArrangement.reset();
    if (const auto found = m_sortValues.find(object); found != m_sortValues.end())
        found->second.current = false;
}

bool ArrayController::sortReadsOnlyObjects() const
{
    // Only content objects are observed, so only their values are known to stay as read; a
    // key path reaches values of other objects, which are not.
    const auto throughOthers = [](const QString& key) { return key.contains(QLatin1Char('.')); };
    return std::none_of(m_sortDescriptors.cbegin(), m_sortDescriptors.cend(),
               [&](const SortDescriptor& descriptor) { return throughOthers(descriptor.key()); })
        && std::none_of(m_leadingRankKeys.cbegin(), m_leadingRankKeys.cend(), throughOthers);
}

int ArrayController::leadingRank(const ManagedObject& object) const
{
    return m_leadingRank ? m_leadingRank(object) : 0;
}

int ArrayController::compareArranged(const SortValues& left, const SortValues& right) const
{
    if (left.rank != right.rank)
        return left.rank < right.rank ? -1 : 1;
    for (qsizetype i = 0; i < m_sortDescriptors.size(); ++i) {
        const SortValue& a = left.values[size_t(i)];
        const SortValue& b = right.values[size_t(i)];
        const SortDescriptor& descriptor = m_sortDescriptors.at(i);
        int result = 0;
        if (a.isString && b.isString) {
            result = a.key.compare(b.key);
            if (!descriptor.ascending())
                result = -result;
        } else {
            result = descriptor.compareValues(a.isString ? QVariant(QString()) : a.value,
                b.isString ? QVariant(QString()) : b.value);
        }
        if (result != 0)
            return result;
    }
    return 0;
}

QList<ManagedObjectPtr> ArrayController::arrangeObjects(
    const QList<ManagedObjectPtr>& objects) const
{
    return arrange(objects, m_filter.get());
}

QList<ManagedObjectPtr> ArrayController::arrange(const QList<ManagedObjectPtr>& objects,
    const Predicate* filter, const std::vector<char>* verdicts) const
{
    // Each sort value is read once, and kept; indexes are sorted, not the values.
    const quint64 arrangement = ++m_arrangements;
    const bool content = &objects == &m_content && sortReadsOnlyObjects();
    std::vector<ManagedObjectPtr> kept;
    std::vector<const SortValues*> values;
    std::vector<PendingSortKey> pending;
    kept.reserve(size_t(objects.size()));
    values.reserve(size_t(objects.size()));
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const ManagedObjectPtr& object = objects.at(i);
        if (!object || (verdicts && !(*verdicts)[size_t(i)]))
            continue;
        // The filter is read now, so a list it holds counts with its members of this moment.
        if (filter && !verdicts && !filter->evaluateWithObject(KeyValueRef(object)))
            continue;
        SortValues& known = m_sortValues[object.get()];
        if (!known.current && known.readIn != arrangement) {
            readSortValues(object, known, &pending);
            known.current = content;
            known.readIn = arrangement;
        }
        kept.push_back(object);
        values.push_back(&known);
    }
    // A first arrangement makes a key for every object: on every idle thread.
    dispatchApply(qsizetype(pending.size()), [&](qsizetype i) {
        const PendingSortKey& key = pending[size_t(i)];
        SortValue& value = key.values->values[key.valueIndex];
        value.key = ValueComparison::sortKey(value.text(), key.collation);
    });
    const auto compare
        = [&](int a, int b) { return compareArranged(*values[size_t(a)], *values[size_t(b)]); };
    const auto before = [&](int a, int b) { return compare(a, b) < 0; };
    size_t arrangedCount = 0;
    std::vector<int> order = previousOrder(kept, arrangedCount);
    // A total order: ties go by place in `objects`, as in a stable sort.
    const auto inOrder = [&](int a, int b) {
        const int result = compare(a, b);
        return result < 0 || (result == 0 && a < b);
    };
    // Most rearrangements (a search as the user types) keep the arranged order of the objects
    // arranged already: one look through it and a merge with the others cost far less than a
    // sort of them all.
    const auto middle = order.begin() + qsizetype(arrangedCount);
    if (std::is_sorted(order.begin(), middle, inOrder)) {
        std::sort(middle, order.end(), inOrder);
        std::inplace_merge(order.begin(), middle, order.end(), inOrder);
    } else {
        std::iota(order.begin(), order.end(), 0);
        if (m_leadingRank || !m_sortDescriptors.isEmpty())
            std::stable_sort(order.begin(), order.end(), before);
    }
    QList<ManagedObjectPtr> arranged;
    arranged.reserve(qsizetype(kept.size()));
    for (int index : order)
        arranged.append(kept[size_t(index)]);
    return arranged;
}

std::vector<int> ArrayController::previousOrder(
    const std::vector<ManagedObjectPtr>& objects, size_t& arrangedCount) const
{
    // Arranged ones by their rows, the others after them in their own order.
    std::vector<int> byRow(size_t(m_arranged.size()), -1);
    std::vector<int> order;
    order.reserve(objects.size());
    std::vector<int> unarranged;
    for (size_t i = 0; i < objects.size(); ++i) {
        const int row = indexOfArrangedObject(objects[i].get());
        if (row >= 0 && byRow[size_t(row)] < 0)
            byRow[size_t(row)] = int(i);
        else
            unarranged.push_back(int(i));
    }
    for (const int index : byRow) {
        if (index >= 0)
            order.push_back(index);
    }
    arrangedCount = order.size();
    order.insert(order.end(), unarranged.begin(), unarranged.end());
    return order;
}

void ArrayController::rearrangeObject(const ManagedObjectPtr& object)
{
    if (!object)
        return;
    const qsizetype contentIndex = m_content.indexOf(object);
    if (contentIndex < 0)
        return;
    const int from = indexOfArrangedObject(object.get());
    const bool passes = !m_filter || m_filter->evaluateWithObject(KeyValueRef(object));
    if (passes != (from >= 0)) {
        rearrangeObjects();
        return;
    }
    if (from < 0)
        return;
    // The others keep their order, so the object's place is found by halving, with ties
    // going by content order as in a full arrangement.
    const SortValues values = sortValues(object);
    const auto before = [&](const ManagedObjectPtr& other) {
        const int order = compareArranged(values, sortValues(other));
        if (order != 0)
            return order < 0;
        return contentIndex < m_content.indexOf(other);
    };
    int low = 0;
    int high = int(m_arranged.size()) - 1;
    while (low < high) {
        const int middle = low + (high - low) / 2;
        const int probe = middle < from ? middle : middle + 1;
        if (before(m_arranged.at(probe)))
            high = middle;
        else
            low = middle + 1;
    }
    const int to = low;
    if (to == from)
        return;
    const QList<ManagedObjectPtr> selected
        = m_preservesSelection ? selectedObjects() : QList<ManagedObjectPtr>();
    emit arrangedObjectAboutToMove(from, to);
    m_arranged.move(from, to);
    for (int i = std::min(from, to); i <= std::max(from, to); ++i)
        m_arrangedIndex.insert(m_arranged.at(i).get(), i);
    const IndexSet indexes = selectionAfterArranging(selected);
    const bool selectionDiffers = indexes != m_selection;
    m_selection = indexes;
    emit arrangedObjectMoved(from, to);
    if (selectionDiffers)
        emit selectionChanged();
}

void ArrayController::setAutomaticallyRearrangesObjects(bool on)
{
    if (m_automaticallyRearranges == on)
        return;
    m_automaticallyRearranges = on;
    updateObservedKeys();
    if (on)
        rearrangeObjects();
}

QStringList ArrayController::automaticRearrangementKeyPaths() const
{
    QSet<QString> keys;
    if (m_filter)
        collectKeys(*m_filter, keys);
    for (const SortDescriptor& descriptor : m_sortDescriptors) {
        if (!descriptor.key().isEmpty())
            keys.insert(firstComponent(descriptor.key()));
    }
    for (const QString& key : m_leadingRankKeys)
        keys.insert(firstComponent(key));
    keys.remove(QStringLiteral("self"));
    keys.remove(QStringLiteral("SELF"));
    QStringList list(keys.cbegin(), keys.cend());
    list.sort();
    return list;
}

bool ArrayController::setSelectionIndexes(const IndexSet& indexes)
{
    if (indexes.lastIndex() >= m_arranged.size())
        return false;
    applySelection(indexes);
    return true;
}

bool ArrayController::addSelectionIndexes(const IndexSet& indexes)
{
    if (indexes.lastIndex() >= m_arranged.size())
        return false;
    IndexSet combined = m_selection;
    for (const IndexSet::Range& range : indexes.ranges())
        combined.addRange(range.first, range.length);
    applySelection(combined);
    return true;
}

bool ArrayController::removeSelectionIndexes(const IndexSet& indexes)
{
    IndexSet remaining = m_selection;
    for (const IndexSet::Range& range : indexes.ranges())
        remaining.removeRange(range.first, range.length);
    applySelection(remaining);
    return true;
}

QList<ManagedObjectPtr> ArrayController::selectedObjects() const
{
    QList<ManagedObjectPtr> objects;
    objects.reserve(m_selection.count());
    for (const IndexSet::Range& range : m_selection.ranges()) {
        for (int index = range.first; index < range.end(); ++index)
            objects.append(m_arranged.at(index));
    }
    return objects;
}

bool ArrayController::setSelectedObjects(const QList<ManagedObjectPtr>& objects)
{
    IndexSet indexes;
    for (const ManagedObjectPtr& object : objects) {
        const int index = indexOfArrangedObject(object.get());
        if (index < 0)
            return false;
        indexes.addIndex(index);
    }
    applySelection(indexes);
    return true;
}

std::shared_ptr<ControllerSelection> ArrayController::selection() const
{
    return std::make_shared<ControllerSelection>(selectedObjects());
}

void ArrayController::addObject(const ManagedObjectPtr& object)
{
    addObjects({ object });
}

void ArrayController::addObjects(const QList<ManagedObjectPtr>& objects)
{
    clearFilterForInsertion();
    insertObjects(objects, int(m_arranged.size()));
}

void ArrayController::insertObject(const ManagedObjectPtr& object, int arrangedIndex)
{
    insertObjects({ object }, arrangedIndex);
}

void ArrayController::insertObjects(const QList<ManagedObjectPtr>& objects, int arrangedIndex)
{
    QList<ManagedObjectPtr> added;
    for (const ManagedObjectPtr& object : objects) {
        if (object && !m_content.contains(object) && !added.contains(object))
            added.append(object);
    }
    if (added.isEmpty())
        return;
    clearFilterForInsertion();
    const int first = std::clamp(arrangedIndex, 0, int(m_arranged.size()));
    const int last = first + int(added.size()) - 1;
    m_verdictArrangement.reset();
    emit arrangedObjectsAboutToBeInserted(first, last);
    for (const ManagedObjectPtr& object : added) {
        m_content.append(object);
        observe(object);
    }
    for (qsizetype i = 0; i < added.size(); ++i)
        m_arranged.insert(first + i, added.at(i));
    rebuildArrangedIndex();
    IndexSet shifted = m_selection;
    shifted.shiftIndexesStartingAtIndex(first, int(added.size()));
    const bool selectionDiffers = shifted != m_selection;
    m_selection = shifted;
    emit arrangedObjectsInserted(first, last);
    if (m_selectsInsertedObjects)
        applySelection(IndexSet::fromRange(first, int(added.size())));
    else if (selectionDiffers)
        emit selectionChanged();
    if (m_automaticallyRearranges)
        rearrangeObjects();
}

void ArrayController::clearFilterForInsertion()
{
    // So that new objects are not hidden by a search the user would have to see through.
    if (m_clearsFilterOnInsertion && m_filter)
        setFilterPredicate(nullptr);
}

void ArrayController::removeObject(const ManagedObjectPtr& object)
{
    removeObjects({ object });
}

void ArrayController::removeObjects(const QList<ManagedObjectPtr>& objects)
{
    QSet<const ManagedObject*> requested;
    for (const ManagedObjectPtr& object : objects) {
        if (object)
            requested.insert(object.get());
    }
    // In content order, each once.
    QList<ManagedObjectPtr> removed;
    QSet<const ManagedObject*> removing;
    for (const ManagedObjectPtr& object : std::as_const(m_content)) {
        if (requested.contains(object.get()) && !removing.contains(object.get())) {
            removed.append(object);
            removing.insert(object.get());
        }
    }
    if (removed.isEmpty())
        return;
    IndexSet rows;
    for (const ManagedObjectPtr& object : std::as_const(removed)) {
        const int index = indexOfArrangedObject(object.get());
        if (index >= 0)
            rows.addIndex(index);
    }
    const IndexSet selectedBefore = m_selection;
    const QList<ManagedObjectPtr> selectedObjectsBefore = selectedObjects();
    IndexSet selection = m_selection;
    if (rows.ranges().size() > kMostRunsRemovedOneByOne) {
        // Announcing many scattered runs one by one costs more than one new arrangement.
        emit arrangedObjectsAboutToBeRearranged();
        m_arranged.removeIf([&removing](const ManagedObjectPtr& object) {
            return removing.contains(object.get());
        });
        for (auto range = rows.ranges().rbegin(); range != rows.ranges().rend(); ++range)
            selection.shiftIndexesStartingAtIndex(range->end(), -range->length);
        m_selection = selection;
        rebuildArrangedIndex();
        emit arrangedObjectsRearranged();
    } else {
        // Last run first, so that the rows announced are still where the views have them.
        for (auto range = rows.ranges().rbegin(); range != rows.ranges().rend(); ++range) {
            emit arrangedObjectsAboutToBeRemoved(range->first, range->end() - 1);
            m_arranged.remove(range->first, range->length);
            selection.shiftIndexesStartingAtIndex(range->end(), -range->length);
            m_selection = selection;
            rebuildArrangedIndex();
            emit arrangedObjectsRemoved(range->first, range->end() - 1);
        }
    }
    m_content.removeIf(
        [&removing](const ManagedObjectPtr& object) { return removing.contains(object.get()); });
    for (const ManagedObjectPtr& object : std::as_const(removed))
        unobserve(object);
    // The object that moved up into the first removed place takes over the selection.
    if (m_selection.isEmpty() && m_avoidsEmptySelection && !m_arranged.isEmpty() && !rows.isEmpty())
        m_selection = IndexSet(std::min(rows.firstIndex(), int(m_arranged.size()) - 1));
    if (m_selection != selectedBefore || selectedObjects() != selectedObjectsBefore)
        emit selectionChanged();
    didRemoveObjects(removed);
}

void ArrayController::removeObjectAtArrangedObjectIndex(int index)
{
    if (index >= 0 && index < m_arranged.size())
        removeObjects({ m_arranged.at(index) });
}

void ArrayController::removeObjectsAtArrangedObjectIndexes(const IndexSet& indexes)
{
    QList<ManagedObjectPtr> objects;
    for (const IndexSet::Range& range : indexes.ranges()) {
        for (int index = range.first; index < range.end() && index < m_arranged.size(); ++index)
            objects.append(m_arranged.at(index));
    }
    removeObjects(objects);
}

void ArrayController::remove()
{
    if (canRemove())
        removeObjectsAtArrangedObjectIndexes(m_selection);
}

void ArrayController::setDetachOwner(const ManagedObjectPtr& owner, const QString& relationshipKey)
{
    m_detachOwner = owner;
    m_detachKey = relationshipKey;
}

int ArrayController::indexOfArrangedObject(const ManagedObject* object) const
{
    return m_arrangedIndex.value(object, -1);
}

void ArrayController::didRemoveObjects(const QList<ManagedObjectPtr>& objects)
{
    switch (m_removalPolicy) {
    case RemovalPolicy::Drop:
        break;
    case RemovalPolicy::DeleteFromContext:
        for (const ManagedObjectPtr& object : objects) {
            if (ManagedObjectContext* context = object->managedObjectContext())
                context->deleteObject(object);
        }
        break;
    case RemovalPolicy::DetachFromOwner:
        if (m_detachOwner) {
            for (const ManagedObjectPtr& object : objects)
                m_detachOwner->removeRelatedObject(m_detachKey, object);
        }
        break;
    }
}

void ArrayController::contentObjectValueChanged(ManagedObject*, const QString&) { }

void ArrayController::observedObjectChanged(const QString& key)
{
    auto* object = static_cast<ManagedObject*>(sender());
    contentObjectValueChanged(object, key);
    // Any key: a sort key may be derived from others.
    forgetSortValues(object);
    if (m_observedKeys.contains(key)) {
        rearrangeObjects();
        return;
    }
    const int row = indexOfArrangedObject(object);
    if (row >= 0)
        emit arrangedObjectChanged(row, key);
}

void ArrayController::observe(const ManagedObjectPtr& object)
{
    connect(
        object.get(), &ManagedObject::valueChanged, this, &ArrayController::observedObjectChanged);
}

void ArrayController::unobserve(const ManagedObjectPtr& object)
{
    disconnect(
        object.get(), &ManagedObject::valueChanged, this, &ArrayController::observedObjectChanged);
    forgetSortValues(object.get());
}

void ArrayController::updateObservedKeys()
{
    m_observedKeys.clear();
    if (!m_automaticallyRearranges)
        return;
    const QStringList keys = automaticRearrangementKeyPaths();
    m_observedKeys = QSet<QString>(keys.cbegin(), keys.cend());
}

void ArrayController::rebuildArrangedIndex()
{
    m_arrangedIndex.clear();
    m_arrangedIndex.reserve(m_arranged.size());
    for (qsizetype i = 0; i < m_arranged.size(); ++i)
        m_arrangedIndex.insert(m_arranged.at(i).get(), int(i));
}

void ArrayController::applySelection(const IndexSet& indexes)
{
    if (indexes == m_selection)
        return;
    m_selection = indexes;
    emit selectionChanged();
}

} // namespace platform
