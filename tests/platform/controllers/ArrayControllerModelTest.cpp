#include "ListFixture.h"

#include "platform/controllers/ArrayControllerModel.h"

#include <QAbstractItemModelTester>
#include <QRandomGenerator>
#include <QSignalSpy>

#include <algorithm>

using namespace platform;

namespace {

const QString kTitle = QStringLiteral("title");
const QString kRank = QStringLiteral("rank");

// Refuses titles that are empty, and adds a tooltip role.
class CheckedModel final : public ArrayControllerModel {
public:
    using ArrayControllerModel::ArrayControllerModel;

protected:
    QVariant extraData(const ManagedObjectPtr& object, int, int role) const override
    {
        if (role == Qt::ToolTipRole)
            return QStringLiteral("tip ") + object->valueForKey(kTitle).toString();
        return {};
    }
    bool acceptsEdit(const ManagedObjectPtr&, int, const QVariant& value) const override
    {
        return !value.toString().isEmpty();
    }
};

class ArrayControllerModelTest : public ListFixture {
protected:
    ArrayControllerModelTest()
    {
        model.setColumns({ { QStringLiteral("noteTitle"), kTitle, QStringLiteral("Title"), true },
            { QStringLiteral("noteRank"), kRank, QStringLiteral("Rank"), false } });
    }

    QList<int> viewSelectedRows() const
    {
        QList<int> rows;
        for (const QModelIndex& index : model.selectionModel()->selectedRows())
            rows.append(index.row());
        std::sort(rows.begin(), rows.end());
        return rows;
    }

    QList<ManagedObjectPtr> modelObjects() const
    {
        QList<ManagedObjectPtr> objects;
        for (int row = 0; row < model.rowCount(); ++row) {
            objects.append(model.index(row, 0)
                               .data(ArrayControllerModel::ObjectRole)
                               .value<ManagedObjectPtr>());
        }
        return objects;
    }

    ArrayController controller;
    CheckedModel model { &controller };
    QAbstractItemModelTester tester { &model,
        QAbstractItemModelTester::FailureReportingMode::Fatal };
};

TEST_F(ArrayControllerModelTest, EachControllerChangeBecomesTheMatchingModelSignal)
{
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);
    QSignalSpy data(&model, &QAbstractItemModel::dataChanged);

    const QList<ManagedObjectPtr> notes = makeNotes({ "c", "a", "b" });
    controller.setContent(notes);
    controller.setSortDescriptors({ SortDescriptor(kTitle) });
    controller.addObject(makeNote("d"));
    controller.removeObject(notes[0]);
    notes[1]->setValue(qint64(4), kRank);

    EXPECT_EQ(reset.count(), 1);
    EXPECT_EQ(layout.count(), 1);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.at(0).mid(1), QVariantList({ 3, 3 }));
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(removed.at(0).mid(1), QVariantList({ 2, 2 }));
    ASSERT_EQ(data.count(), 1);
    EXPECT_EQ(data.at(0).at(0).value<QModelIndex>().row(), 0);
    EXPECT_EQ(modelObjects(), controller.arrangedObjects());
}

TEST_F(ArrayControllerModelTest, PersistentIndexesFollowTheirObjectsThroughARearrangement)
{
    const QList<ManagedObjectPtr> notes = makeNotes({ "c", "a", "b" });
    controller.setContent(notes);
    const QPersistentModelIndex c = model.index(0, 1);
    const QPersistentModelIndex a = model.index(1, 0);
    controller.setSortDescriptors({ SortDescriptor(kTitle) });
    EXPECT_EQ(c.row(), 2);
    EXPECT_EQ(c.column(), 1);
    EXPECT_EQ(a.row(), 0);
    controller.setFilterPredicate(Predicate::predicateWithFormat(QStringLiteral("title != 'a'")));
    EXPECT_FALSE(a.isValid());
    EXPECT_EQ(c.row(), 1);
}

TEST_F(ArrayControllerModelTest, CellsShowKeysObjectsAndHookRolesAndRefuseEdits)
{
    const QList<ManagedObjectPtr> notes = makeNotes({ "a" });
    controller.setContent(notes);
    const QModelIndex title = model.index(0, 0);
    const QModelIndex rank = model.index(0, 1);
    EXPECT_EQ(title.data(), QStringLiteral("a"));
    EXPECT_EQ(title.data(Qt::ToolTipRole), QStringLiteral("tip a"));
    EXPECT_EQ(title.data(ArrayControllerModel::ObjectIDRole).value<ManagedObjectID>(),
        notes[0]->objectID());
    EXPECT_EQ(model.headerData(1, Qt::Horizontal), QStringLiteral("Rank"));
    EXPECT_EQ(model.columnForIdentifier(QStringLiteral("noteRank")), 1);
    EXPECT_EQ(model.columnForIdentifier(QStringLiteral("gone")), -1);

    EXPECT_FALSE(model.setData(title, QString()));
    EXPECT_FALSE(model.setData(rank, 9));
    EXPECT_TRUE(model.setData(title, QStringLiteral("b")));
    EXPECT_EQ(notes[0]->valueForKey(kTitle), QStringLiteral("b"));
    EXPECT_EQ(notes[0]->valueForKey(kRank), qint64(0));
    EXPECT_FALSE(model.flags(rank).testFlag(Qt::ItemIsEditable));
    EXPECT_TRUE(model.flags(title).testFlag(Qt::ItemIsEditable));
}

TEST_F(ArrayControllerModelTest, SelectionStaysEqualBothWaysWithoutEchoes)
{
    controller.setContent(makeNotes({ "a", "b", "c", "d" }));
    QSignalSpy controllerChanges(&controller, &ArrayController::selectionChanged);
    QSignalSpy viewChanges(model.selectionModel(), &QItemSelectionModel::selectionChanged);

    controller.setSelectionIndexes(IndexSet::fromList({ 1, 3 }));
    EXPECT_EQ(viewSelectedRows(), QList<int>({ 1, 3 }));
    EXPECT_EQ(controllerChanges.count(), 1);
    EXPECT_EQ(viewChanges.count(), 1);

    model.selectionModel()->select(
        model.index(2, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    EXPECT_EQ(controller.selectionIndexes().toList(), QList<int>({ 2 }));
    EXPECT_EQ(controllerChanges.count(), 2);
    EXPECT_EQ(viewChanges.count(), 2);

    controller.setSortDescriptors({ SortDescriptor(kTitle, false) });
    EXPECT_EQ(controller.selectionIndexes().toList(), QList<int>({ 1 }));
    EXPECT_EQ(viewSelectedRows(), QList<int>({ 1 }));
}

// Keys typed on a list act on its current row: a selection the controller makes moves it onto
// the first selected row (keeping its column), one that already holds it keeps it, and an empty
// selection leaves no current row.
TEST_F(ArrayControllerModelTest, TheCurrentRowFollowsASelectionTheControllerMakes)
{
    controller.setContent(makeNotes({ "a", "b", "c", "d" }));
    QItemSelectionModel* selection = model.selectionModel();
    selection->setCurrentIndex(model.index(0, 1), QItemSelectionModel::ClearAndSelect);

    controller.setSelectionIndexes(IndexSet::fromList({ 2, 3 }));
    EXPECT_EQ(selection->currentIndex(), model.index(2, 1));
    selection->setCurrentIndex(model.index(3, 0), QItemSelectionModel::NoUpdate);
    controller.setSelectionIndexes(IndexSet::fromList({ 1, 3 }));
    EXPECT_EQ(selection->currentIndex(), model.index(3, 0));
    EXPECT_EQ(viewSelectedRows(), QList<int>({ 1, 3 }));

    controller.setSelectionIndexes(IndexSet());
    EXPECT_FALSE(selection->currentIndex().isValid());
    controller.setSelectionIndexes(IndexSet::fromList({ 1 }));
    EXPECT_EQ(selection->currentIndex(), model.index(1, 0));
}

TEST_F(ArrayControllerModelTest, ManyScatteredRemovalsBecomeOneRearrangement)
{
    QStringList names;
    for (int i = 0; i < 100; ++i)
        names.append(QString::number(i));
    const QList<ManagedObjectPtr> notes = makeNotes(names);
    controller.setContent(notes);
    controller.setSelectionIndex(51);
    const QPersistentModelIndex kept = model.index(51, 0);
    const QPersistentModelIndex gone = model.index(50, 0);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    QSignalSpy layout(&model, &QAbstractItemModel::layoutChanged);

    QList<ManagedObjectPtr> evens;
    for (int i = 0; i < 100; i += 2)
        evens.append(notes[i]);
    controller.removeObjects(evens);

    EXPECT_EQ(removed.count(), 0);
    EXPECT_EQ(layout.count(), 1);
    EXPECT_EQ(model.rowCount(), 50);
    EXPECT_EQ(kept.row(), 25);
    EXPECT_FALSE(gone.isValid());
    EXPECT_EQ(controller.selectedObjects(), QList<ManagedObjectPtr>({ notes[51] }));
    EXPECT_EQ(viewSelectedRows(), QList<int>({ 25 }));
    EXPECT_EQ(modelObjects(), controller.arrangedObjects());
}

// Checks the controller and its model against a plain list after each of many random changes.
TEST_F(ArrayControllerModelTest, RandomChangesAgreeWithAPlainReference)
{
    QRandomGenerator random(20261207);
    QList<ManagedObjectPtr> content;
    QList<ManagedObjectPtr> arranged;
    int threshold = -1; // the filter "rank >= threshold", none when negative
    int sortKind = 0; // none, title ascending, rank descending
    const auto descriptors = [&] {
        switch (sortKind) {
        case 1:
            return QList<SortDescriptor> { SortDescriptor(kTitle) };
        case 2:
            return QList<SortDescriptor> { SortDescriptor(kRank, false) };
        default:
            return QList<SortDescriptor> {};
        }
    };
    const auto rearranged = [&] {
        QList<ManagedObjectPtr> result;
        for (const ManagedObjectPtr& note : content) {
            if (threshold < 0 || note->valueForKey(kRank).toInt() >= threshold)
                result.append(note);
        }
        std::stable_sort(result.begin(), result.end(),
            [&](const ManagedObjectPtr& l, const ManagedObjectPtr& r) {
                if (sortKind == 1)
                    return l->valueForKey(kTitle).toString() < r->valueForKey(kTitle).toString();
                if (sortKind == 2)
                    return l->valueForKey(kRank).toInt() > r->valueForKey(kRank).toInt();
                return false;
            });
        return result;
    };

    for (int step = 0; step < 1000; ++step) {
        SCOPED_TRACE(step);
        const int operation = random.bounded(6);
        if (operation == 0 || content.size() < 3) {
            const ManagedObjectPtr note
                = makeNote(QString::number(random.bounded(50)), random.bounded(10));
            controller.addObject(note);
            // Adding clears the filter, which rearranges; the new object goes last.
            if (threshold >= 0) {
                threshold = -1;
                arranged = rearranged();
            }
            content.append(note);
            arranged.append(note);
            EXPECT_EQ(controller.selectedObjects(), QList<ManagedObjectPtr>({ note }));
        } else if (operation == 1 && !arranged.isEmpty()) {
            IndexSet rows;
            for (int i = random.bounded(3); i >= 0; --i)
                rows.addIndex(random.bounded(int(arranged.size())));
            const QList<int> list = rows.toList();
            QList<ManagedObjectPtr> gone;
            for (int row : list)
                gone.append(arranged.at(row));
            controller.removeObjectsAtArrangedObjectIndexes(rows);
            for (const ManagedObjectPtr& note : gone) {
                content.removeOne(note);
                arranged.removeOne(note);
            }
            if (!arranged.isEmpty()) {
                EXPECT_FALSE(controller.selectionIndexes().isEmpty());
            }
        } else if (operation == 2) {
            threshold = random.bounded(12) - 2;
            const QList<ManagedObjectPtr> selected = controller.selectedObjects();
            controller.setFilterPredicate(threshold < 0
                    ? PredicateRef()
                    : Predicate::predicateWithFormat(QStringLiteral("rank >= %d"), { threshold }));
            arranged = rearranged();
            for (const ManagedObjectPtr& note : selected) {
                if (arranged.contains(note)) {
                    EXPECT_TRUE(controller.selectedObjects().contains(note));
                }
            }
        } else if (operation == 3) {
            sortKind = random.bounded(3);
            controller.setSortDescriptors(descriptors());
            arranged = rearranged();
        } else if (operation == 4 && !arranged.isEmpty()) {
            IndexSet rows;
            for (int i = random.bounded(4); i > 0; --i)
                rows.addIndex(random.bounded(int(arranged.size())));
            EXPECT_TRUE(controller.setSelectionIndexes(rows));
            EXPECT_EQ(controller.selectionIndexes(), rows);
        } else if (operation == 5 && !arranged.isEmpty()) {
            const int row = random.bounded(int(arranged.size()));
            model.selectionModel()->select(
                model.index(row, 0), QItemSelectionModel::Toggle | QItemSelectionModel::Rows);
        }
        ASSERT_EQ(controller.arrangedObjects(), arranged);
        ASSERT_EQ(modelObjects(), arranged);
        ASSERT_LE(controller.selectionIndexes().lastIndex(), int(arranged.size()) - 1);
        ASSERT_EQ(viewSelectedRows(), controller.selectionIndexes().toList());
    }
}

TEST_F(ArrayControllerModelTest, MovingOneChangedObjectEqualsAFullRearrangement)
{
    QRandomGenerator random(7122026);
    const QStringList words { "apple", "Apple", "banana", "cherry", "" };
    const QString trash = QStringLiteral("trashFlag");
    QList<ManagedObjectPtr> notes;
    for (int i = 0; i < 40; ++i) {
        notes << makeNote(words.at(random.bounded(words.size())), random.bounded(6));
        notes.last()->setValue(random.bounded(5) == 0, trash);
    }
    controller.setContent(notes);
    controller.setLeadingOrderRank(
        [trash](const ManagedObject& note) { return int(note.valueForKey(trash).toBool()); },
        { trash });
    controller.setSortDescriptors(
        { SortDescriptor(kTitle, true, QStringLiteral("localizedCaseInsensitiveCompare:")),
            SortDescriptor(kRank, false) });
    controller.setFilterPredicate(Predicate::predicateWithFormat(QStringLiteral("rank >= 1")));

    for (int step = 0; step < 400; ++step) {
        SCOPED_TRACE(step);
        IndexSet rows;
        for (int i = random.bounded(3); i > 0 && !controller.arrangedObjects().isEmpty(); --i)
            rows.addIndex(random.bounded(int(controller.arrangedObjects().size())));
        controller.setSelectionIndexes(rows);
        const QList<ManagedObjectPtr> selected = controller.selectedObjects();
        const ManagedObjectPtr note = notes.at(random.bounded(notes.size()));
        // Mostly a new title; now and then a new rank, which may take it in or out of the list.
        if (random.bounded(4) == 0)
            note->setValue(qint64(random.bounded(6)), kRank);
        else
            note->setValue(words.at(random.bounded(words.size())), kTitle);
        controller.rearrangeObject(note);
        const QList<ManagedObjectPtr> full = controller.arrangeObjects(controller.content());
        ASSERT_EQ(controller.arrangedObjects(), full);
        ASSERT_EQ(modelObjects(), full);
        for (const ManagedObjectPtr& object : selected) {
            if (full.contains(object)) {
                EXPECT_TRUE(controller.selectedObjects().contains(object));
            }
        }
        ASSERT_EQ(viewSelectedRows(), controller.selectionIndexes().toList());
    }
}

} // namespace
