#include "ListFixture.h"

#include "platform/controllers/ArrayController.h"
#include "platform/predicate/Expression.h"

#include <QSignalSpy>

using namespace platform;

namespace {

const QString kTitle = QStringLiteral("title");
const QString kRank = QStringLiteral("rank");

PredicateRef predicate(const QString& format, const QVariantList& args = {})
{
    return Predicate::predicateWithFormat(format, args);
}

class ArrayControllerTest : public ListFixture {
protected:
    ArrayController controller;
};

TEST_F(ArrayControllerTest, EqualKeysKeepTheirContentOrder)
{
    QList<ManagedObjectPtr> notes;
    const QList<std::pair<QString, qint64>> rows { { "c", 2 }, { "a", 1 }, { "d", 2 }, { "b", 1 },
        { "e", 2 }, { "f", 1 } };
    for (const auto& [title, rank] : rows)
        notes.append(makeNote(title, rank));
    controller.setContent(notes);

    controller.setSortDescriptors({ SortDescriptor(kRank) });
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "a", "b", "f", "c", "d", "e" }));
    controller.setSortDescriptors({ SortDescriptor(kRank, false) });
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "c", "d", "e", "a", "b", "f" }));
}

TEST_F(ArrayControllerTest, LeadingRankOrdersBeforeTheDescriptors)
{
    controller.setContent(makeNotes({ "b", "Trash", "a", "All" }));
    // Built-in entries first, the trash last, the rest by title.
    const auto weight = [](const ManagedObject& object) {
        const QString title = object.valueForKey(kTitle).toString();
        return title == QLatin1String("All") ? 0 : title == QLatin1String("Trash") ? 2 : 1;
    };
    controller.setLeadingOrderRank(weight, { kTitle });
    controller.setSortDescriptors(
        { SortDescriptor(kTitle, true, QStringLiteral("localizedCaseInsensitiveCompare:")) });
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "All", "a", "b", "Trash" }));
}

// Sorting keeps each string's collation key between rearrangements: a changed value, a changed
// collation and an object that left and came back are each sorted by what they are now.
TEST_F(ArrayControllerTest, SortingFollowsEachChangeOfTheSortedStrings)
{
    const QList<ManagedObjectPtr> notes = makeNotes({ "b", "É", "c", "a" });
    controller.setContent(notes);
    const SortDescriptor localized(
        kTitle, true, QStringLiteral("localizedCaseInsensitiveCompare:"));
    controller.setSortDescriptors({ localized });
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "a", "b", "c", "É" }));
    notes.at(3)->setValue(QStringLiteral("z"), kTitle);
    controller.rearrangeObjects();
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "b", "c", "É", "z" }));
    controller.setSortDescriptors({ SortDescriptor(kTitle) });
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "b", "c", "z", "É" }));
    controller.setContent(notes.mid(1));
    notes.at(0)->setValue(QStringLiteral("y"), kTitle);
    controller.setSortDescriptors({ localized });
    controller.setContent(notes);
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "c", "É", "y", "z" }));
}

// A filter given with its answers starts from the arranged order; keys changed meanwhile
// without a rearrangement and objects newly let through still end where a full sort puts them.
TEST_F(ArrayControllerTest, FilterWithKnownAnswersArrangesAsAFullSortDoes)
{
    QList<ManagedObjectPtr> notes;
    for (const auto& [title, rank] : QList<std::pair<QString, qint64>> {
             { "a", 1 }, { "b", 2 }, { "c", 1 }, { "d", 3 }, { "e", 2 }, { "f", 1 } })
        notes.append(makeNote(title, rank));
    controller.setContent(notes);
    controller.setSortDescriptors({ SortDescriptor(kRank) });
    const auto show = [&](const QStringList& shown) {
        std::vector<char> verdicts;
        for (const ManagedObjectPtr& note : notes)
            verdicts.push_back(shown.contains(note->valueForKey(kTitle).toString()));
        controller.setFilterPredicate(
            predicate(QStringLiteral("title IN %@"), { shown }), verdicts);
        return titles(controller.arrangedObjects());
    };
    EXPECT_EQ(
        show({ "a", "b", "c", "d", "e", "f" }), QStringList({ "a", "c", "f", "b", "e", "d" }));
    EXPECT_EQ(show({ "f", "d", "b" }), QStringList({ "f", "b", "d" }));
    notes.at(5)->setValue(3, kRank);
    notes.at(0)->setValue(2, kRank);
    EXPECT_EQ(
        show({ "a", "b", "c", "d", "e", "f" }), QStringList({ "c", "a", "b", "e", "d", "f" }));
    EXPECT_EQ(show({ "c", "a" }), QStringList({ "c", "a" }));
    EXPECT_EQ(
        show({ "a", "b", "c", "d", "e", "f" }), QStringList({ "c", "a", "b", "e", "d", "f" }));
}

// The same answers again (a key that every listed object still passes) leave the list and its
// views alone; a sort key changed in between, or content that came or went, arranges anew.
TEST_F(ArrayControllerTest, SameAnswersArrangeAnewOnlyAfterAChange)
{
    QList<ManagedObjectPtr> notes;
    for (const auto& [title, rank] :
        QList<std::pair<QString, qint64>> { { "a", 1 }, { "b", 2 }, { "c", 3 } })
        notes.append(makeNote(title, rank));
    controller.setContent(notes);
    controller.setSortDescriptors({ SortDescriptor(kRank) });
    QSignalSpy rearranged(&controller, &ArrayController::arrangedObjectsRearranged);
    QSignalSpy filterChanged(&controller, &ArrayController::filterPredicateChanged);
    const auto show = [&](const std::vector<char>& verdicts) {
        controller.setFilterPredicate(predicate(QStringLiteral("rank > 0")), verdicts);
        return titles(controller.arrangedObjects());
    };
    EXPECT_EQ(show({ 1, 0, 1 }), QStringList({ "a", "c" }));
    EXPECT_EQ(rearranged.count(), 1);
    EXPECT_EQ(show({ 1, 0, 1 }), QStringList({ "a", "c" }));
    EXPECT_EQ(rearranged.count(), 1);
    EXPECT_EQ(filterChanged.count(), 2);

    notes.at(0)->setValue(4, kRank);
    EXPECT_EQ(show({ 1, 0, 1 }), QStringList({ "c", "a" }));
    EXPECT_EQ(rearranged.count(), 2);

    const ManagedObjectPtr added = makeNote(QStringLiteral("d"), 5);
    controller.addObject(added);
    EXPECT_EQ(show({ 1, 0, 1, 1 }), QStringList({ "c", "a", "d" }));
    controller.removeObjects({ added });
    EXPECT_EQ(show({ 1, 0, 1 }), QStringList({ "c", "a" }));
    controller.setContent(notes.mid(1));
    EXPECT_EQ(show({ 1, 1 }), QStringList({ "b", "c" }));
    controller.setSortDescriptors({ SortDescriptor(kRank, false) });
    EXPECT_EQ(show({ 1, 1 }), QStringList({ "c", "b" }));
}

TEST_F(ArrayControllerTest, FilterSeesALiveListAsItIsAtEachRearrangement)
{
    const QList<ManagedObjectPtr> notes = makeNotes({ "apple", "banana", "cherry" });
    controller.setContent(notes);
    auto included = std::make_shared<QVariantList>();
    controller.setFilterPredicate(predicate(QStringLiteral("title BEGINSWITH 'a' OR SELF IN %@"),
        { QVariant::fromValue(SharedVariantList(included)) }));
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "apple" }));

    included->append(QVariant::fromValue(KeyValueRef(notes.at(2))));
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "apple" }));
    controller.rearrangeObjects();
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "apple", "cherry" }));
}

TEST_F(ArrayControllerTest, SelectionAnswersTrueWhenExactlyTheRequestedAreSelected)
{
    const QList<ManagedObjectPtr> notes = makeNotes({ "a", "b", "c", "d" });
    controller.setContent(notes);
    ASSERT_TRUE(controller.setSelectionIndexes(IndexSet::fromList({ 1, 2 })));
    QSignalSpy changes(&controller, &ArrayController::selectionChanged);

    struct Case {
        const char* name;
        std::function<bool()> request;
        bool answer;
        QList<int> selectedAfter;
    };
    const Case cases[] = {
        { "same indexes again",
            [&] {
                return controller.setSelectionIndexes(IndexSet::fromList({ 1, 2 }));
            },
            true, { 1, 2 } },
        { "same objects again",
            [&] {
                return controller.setSelectedObjects({ notes[2], notes[1] });
            },
            true, { 1, 2 } },
        { "index past the end",
            [&] {
                return controller.setSelectionIndexes(IndexSet::fromList({ 0, 4 }));
            },
            false, { 1, 2 } },
        { "object not arranged",
            [&] {
                return controller.setSelectedObjects({ notes[0], makeNote("x") });
            },
            false, { 1, 2 } },
        { "index -1", [&] { return controller.setSelectionIndex(-1); }, true, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        changes.clear();
        EXPECT_EQ(c.request(), c.answer);
        EXPECT_EQ(controller.selectionIndexes().toList(), c.selectedAfter);
        EXPECT_EQ(changes.count(), c.selectedAfter == QList<int>({ 1, 2 }) ? 0 : 1);
    }
}

TEST_F(ArrayControllerTest, SelectionFollowsTheRules)
{
    struct Case {
        const char* name;
        bool preserves;
        bool avoidsEmpty;
        std::function<void(ArrayController&, const QList<ManagedObjectPtr>&)> act;
        QStringList selectedAfter;
    };
    const Case cases[] = {
        { "preserved through a new sort", true, true,
            [](ArrayController& c, const QList<ManagedObjectPtr>&) {
                c.setSortDescriptors({ SortDescriptor(kTitle, false) });
            },
            { "b" } },
        { "kept by index without preserving", false, true,
            [](ArrayController& c, const QList<ManagedObjectPtr>&) {
                c.setSortDescriptors({ SortDescriptor(kTitle, false) });
            },
            { "c" } },
        { "filtered away then the first", true, true,
            [](ArrayController& c, const QList<ManagedObjectPtr>&) {
                c.setFilterPredicate(predicate(QStringLiteral("title != 'b'")));
            },
            { "a" } },
        { "filtered away and empty allowed", true, false,
            [](ArrayController& c, const QList<ManagedObjectPtr>&) {
                c.setFilterPredicate(predicate(QStringLiteral("title != 'b'")));
            },
            {} },
        { "removed: the object now at its place", true, true,
            [](ArrayController& c, const QList<ManagedObjectPtr>&) { c.remove(); }, { "c" } },
        { "removed last: clamped to the new last", true, true,
            [](ArrayController& c, const QList<ManagedObjectPtr>& notes) {
                c.setSelectedObjects({ notes[2], notes[3] });
                c.remove();
            },
            { "b" } },
        { "removed and empty allowed", true, false,
            [](ArrayController& c, const QList<ManagedObjectPtr>&) { c.remove(); }, {} },
        { "unselected removal keeps the object", true, true,
            [](ArrayController& c, const QList<ManagedObjectPtr>& notes) {
                c.removeObject(notes[0]);
            },
            { "b" } },
        { "new content without the object", true, true,
            [](ArrayController& c, const QList<ManagedObjectPtr>& notes) {
                c.setContent({ notes[3], notes[2] });
            },
            { "c" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ArrayController list;
        list.setPreservesSelection(c.preserves);
        list.setAvoidsEmptySelection(c.avoidsEmpty);
        const QList<ManagedObjectPtr> notes = makeNotes({ "a", "b", "c", "d" });
        list.setContent(notes);
        list.setSortDescriptors({ SortDescriptor(kTitle) });
        ASSERT_TRUE(list.setSelectionIndex(1));
        c.act(list, notes);
        EXPECT_EQ(titles(list.selectedObjects()), c.selectedAfter);
    }
}

TEST_F(ArrayControllerTest, AddingSkipsTheSortClearsTheFilterAndSelectsTheNewObject)
{
    controller.setContent(makeNotes({ "b", "a" }));
    controller.setSortDescriptors({ SortDescriptor(kTitle) });
    controller.setFilterPredicate(predicate(QStringLiteral("title = 'a'")));
    QSignalSpy inserted(&controller, &ArrayController::arrangedObjectsInserted);

    const ManagedObjectPtr added = makeNote("0 hidden by the filter");
    controller.addObject(added);
    EXPECT_EQ(controller.filterPredicate(), nullptr);
    EXPECT_EQ(
        titles(controller.arrangedObjects()), QStringList({ "a", "b", "0 hidden by the filter" }));
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0), QVariantList({ 2, 2 }));
    EXPECT_EQ(controller.selectedObjects(), QList<ManagedObjectPtr>({ added }));

    controller.setSelectsInsertedObjects(false);
    controller.setClearsFilterPredicateOnInsertion(false);
    controller.setFilterPredicate(predicate(QStringLiteral("title = 'a'")));
    controller.insertObject(makeNote("z"), 0);
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "z", "a" }));
    EXPECT_EQ(titles(controller.selectedObjects()), QStringList({ "a" }));
}

TEST_F(ArrayControllerTest, ObservesTheArrangementKeysOnlyWhileRearrangingAutomatically)
{
    const QList<ManagedObjectPtr> notes = makeNotes({ "a", "b", "c" });
    controller.setContent(notes);
    controller.setSortDescriptors({ SortDescriptor(kTitle) });
    controller.setFilterPredicate(predicate(QStringLiteral("trashFlag = NO")));
    EXPECT_EQ(controller.automaticRearrangementKeyPaths(), QStringList({ "title", "trashFlag" }));
    QSignalSpy rearranged(&controller, &ArrayController::arrangedObjectsRearranged);
    QSignalSpy changed(&controller, &ArrayController::arrangedObjectChanged);

    notes[0]->setValue(QStringLiteral("z"), kTitle);
    EXPECT_EQ(rearranged.count(), 0);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "z", "b", "c" }));

    controller.setAutomaticallyRearrangesObjects(true);
    rearranged.clear();
    changed.clear();
    notes[1]->setValue(true, QStringLiteral("trashFlag"));
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "c", "z" }));
    notes[2]->setValue(QStringLiteral("y"), kTitle);
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "y", "z" }));
    notes[2]->setValue(qint64(5), kRank);
    EXPECT_EQ(rearranged.count(), 2);
    EXPECT_EQ(changed.count(), 1);

    // Off again: nothing moves, and removed objects are no longer listened to.
    controller.setAutomaticallyRearrangesObjects(false);
    notes[2]->setValue(QStringLiteral("zz"), kTitle);
    controller.removeObject(notes[0]);
    changed.clear();
    notes[0]->setValue(QStringLiteral("a"), kTitle);
    EXPECT_EQ(rearranged.count(), 2);
    EXPECT_EQ(changed.count(), 0);
}

TEST_F(ArrayControllerTest, SubqueryAndVariableKeyPathsObserveOnlyTheObjectsOwnKeys)
{
    controller.setFilterPredicate(predicate(
        QStringLiteral("SUBQUERY(categories, $c, $c.name = 'x').@count > 0 OR rank > 2")));
    controller.setAutomaticallyRearrangesObjects(true);
    EXPECT_EQ(controller.automaticRearrangementKeyPaths(), QStringList({ "categories", "rank" }));
}

TEST_F(ArrayControllerTest, RemovalPoliciesDropDeleteOrDetach)
{
    struct Case {
        ArrayController::RemovalPolicy policy;
        bool deleted;
        bool stillInCategory;
    };
    const Case cases[] = {
        { ArrayController::RemovalPolicy::Drop, false, true },
        { ArrayController::RemovalPolicy::DeleteFromContext, true, false },
        { ArrayController::RemovalPolicy::DetachFromOwner, false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.policy));
        const ManagedObjectPtr category = makeCategory("Home");
        const QList<ManagedObjectPtr> notes = makeNotes({ "a", "b" });
        for (const ManagedObjectPtr& note : notes)
            category->addRelatedObject(QStringLiteral("notes"), note);
        ArrayController list;
        list.setRemovalPolicy(c.policy);
        list.setDetachOwner(category, QStringLiteral("notes"));
        list.setContent(notes);
        ASSERT_TRUE(list.setSelectionIndex(0));
        list.remove();
        EXPECT_EQ(titles(list.content()), QStringList({ "b" }));
        EXPECT_EQ(notes[0]->isDeleted(), c.deleted);
        EXPECT_EQ(category->relatedObjects(QStringLiteral("notes")).contains(notes[0]),
            c.stillInCategory);
        EXPECT_TRUE(category->relatedObjects(QStringLiteral("notes")).contains(notes[1]));
    }
}

TEST_F(ArrayControllerTest, CanRemoveNeedsAnEditableControllerAndASelection)
{
    controller.setAvoidsEmptySelection(false);
    controller.setContent(makeNotes({ "a" }));
    EXPECT_FALSE(controller.canRemove());
    controller.setSelectionIndex(0);
    EXPECT_TRUE(controller.canRemove());
    controller.setEditable(false);
    EXPECT_FALSE(controller.canRemove());
    controller.remove();
    EXPECT_EQ(controller.content().size(), 1);
}

TEST_F(ArrayControllerTest, RemovingNonContiguousRowsAnnouncesEachRunFromTheEnd)
{
    const QList<ManagedObjectPtr> notes = makeNotes({ "a", "b", "c", "d", "e", "f" });
    controller.setContent(notes);
    QSignalSpy removed(&controller, &ArrayController::arrangedObjectsRemoved);
    controller.removeObjectsAtArrangedObjectIndexes(IndexSet::fromList({ 1, 2, 4, 9 }));
    EXPECT_EQ(titles(controller.arrangedObjects()), QStringList({ "a", "d", "f" }));
    ASSERT_EQ(removed.count(), 2);
    EXPECT_EQ(removed.at(0), QVariantList({ 4, 4 }));
    EXPECT_EQ(removed.at(1), QVariantList({ 1, 2 }));
}

TEST_F(ArrayControllerTest, SelectionMarkersAndSharedValues)
{
    const QList<ManagedObjectPtr> notes = makeNotes({ "a", "b", "b" });
    const ManagedObjectPtr home = makeCategory("Home");
    const ManagedObjectPtr work = makeCategory("Work");
    notes[0]->addRelatedObject(QStringLiteral("categories"), home);
    notes[1]->addRelatedObject(QStringLiteral("categories"), home);
    notes[1]->addRelatedObject(QStringLiteral("categories"), work);
    controller.setAvoidsEmptySelection(false);
    controller.setContent(notes);

    EXPECT_TRUE(ControllerSelection::isMarker(
        controller.selection()->valueForKeyPath(kTitle), SelectionMarker::NoSelection));
    EXPECT_EQ(controller.selection()->valueForKeyPath(QStringLiteral("@count")), 0);

    controller.setSelectionIndexes(IndexSet::fromList({ 0, 1 }));
    const std::shared_ptr<ControllerSelection> both = controller.selection();
    EXPECT_TRUE(ControllerSelection::isMarker(
        both->valueForKeyPath(kTitle), SelectionMarker::MultipleValues));
    EXPECT_EQ(both->valueForKeyPath(QStringLiteral("@count")), 2);
    const QVariantList union_
        = both->valueForKeyPath(QStringLiteral("@distinctUnionOfSets.categories")).toList();
    EXPECT_EQ(union_.size(), 2);

    controller.setSelectionIndexes(IndexSet::fromList({ 1, 2 }));
    EXPECT_EQ(controller.selection()->valueForKeyPath(kTitle), QStringLiteral("b"));
    controller.selection()->setValue(QStringLiteral("same"), kTitle);
    EXPECT_EQ(titles(notes), QStringList({ "a", "same", "same" }));
}

} // namespace

// A subclass hears of every value change of the content, added objects included, before the
// controller reports the row, and nothing of objects out of the content.
TEST_F(ArrayControllerTest, SubclassesHearOfContentChangesBeforeTheRowIsReported)
{
    struct Following : ArrayController {
        QStringList heard;
        void contentObjectValueChanged(ManagedObject* object, const QString& key) override
        {
            heard << object->valueForKey(kTitle).toString() + QLatin1Char(' ') + key;
        }
    } following;
    const QList<ManagedObjectPtr> notes = makeNotes({ "a", "b", "c" });
    following.setContent(notes.first(2));
    QObject::connect(&following, &ArrayController::arrangedObjectChanged,
        [&](int row, const QString& key) { following.heard << QString::number(row) + " " + key; });

    notes[1]->setValue(qint64(3), kRank);
    notes[2]->setValue(qint64(3), kRank);
    following.addObject(notes[2]);
    notes[2]->setValue(qint64(4), kRank);
    following.removeObject(notes[0]);
    notes[0]->setValue(qint64(5), kRank);
    EXPECT_EQ(following.heard, QStringList({ "b rank", "1 rank", "c rank", "2 rank" }));
}
