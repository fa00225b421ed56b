#include "lists/sidebar/BXCategoriesTableRowView.h"
#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
#include "lists/BXTableView.h"

#include "document/model/BXDataModel.h"
#include "platform/controllers/ArrayControllerModel.h"
#include "platform/data/FetchRequest.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "support/TestEnvironment.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QTest>

using namespace platform;

namespace {

const QString kTitle = QStringLiteral("noteTitle");

class Veto final : public BXTableManagedObjectsArrayControllerDelegate {
public:
    std::optional<bool> tableArrayControllerCanDeleteObjects(
        BXTableManagedObjectsArrayController*, const Notes&) override
    {
        ++asked;
        return allow;
    }
    int asked = 0;
    bool allow = false;
};

// Highlights the row of one note, as a tag peek does.
class HiliteModel final : public ArrayControllerModel {
public:
    using ArrayControllerModel::ArrayControllerModel;
    ManagedObjectPtr peeked;

protected:
    QVariant extraData(const ManagedObjectPtr& object, int, int role) const override
    {
        if (role == BXCategoriesTableRowView::HiliteRole)
            return object == peeked;
        return {};
    }
};

QList<ManagedObjectPtr> savedNotes(
    const std::shared_ptr<PersistentStoreCoordinator>& coordinator, ManagedObjectContext& reader)
{
    {
        ManagedObjectContext writer;
        writer.setPersistentStoreCoordinator(coordinator);
        for (int i = 0; i < 8; ++i) {
            ManagedObjectPtr note = writer.insertNewObjectForEntityForName(QStringLiteral("Note"));
            note->setValue(QStringLiteral("Note %1").arg(i), kTitle);
            note->setValue(QDateTime::fromSecsSinceEpoch(1700000000 + i * 3600, Qt::UTC),
                QStringLiteral("noteModified"));
        }
        Error error;
        EXPECT_TRUE(writer.save(&error)) << qPrintable(error.toString());
    }
    reader.setPersistentStoreCoordinator(coordinator);
    QList<ManagedObjectPtr> notes;
    FetchRequest request(QStringLiteral("Note"));
    for (const QVariant& row :
        reader.executeFetchRequest(request, nullptr).value_or(QVariantList()))
        notes.append(row.value<ManagedObjectPtr>());
    return notes;
}

TEST(TableScenario, ClickShiftClickResizeRestoreAndDeleteOnARealStore)
{
    const QString folder = bxtest::makeTempFolder();
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(BXDataModel::model());
    Error error;
    ASSERT_TRUE(coordinator->addPersistentStore(
        SQLiteStoreType, QUrl::fromLocalFile(folder + QStringLiteral("/notes.sqlite")), {}, &error))
        << qPrintable(error.toString());
    ManagedObjectContext context;
    const QList<ManagedObjectPtr> notes = savedNotes(coordinator, context);
    ASSERT_EQ(notes.size(), 8);

    BXTableManagedObjectsArrayController controller;
    controller.setRemovalPolicy(ArrayController::RemovalPolicy::DeleteFromContext);
    controller.setContent(notes);
    controller.setSortDescriptors({ SortDescriptor(kTitle) });
    HiliteModel model(&controller);
    model.setColumns({ { QStringLiteral("noteTitle"), kTitle, QStringLiteral("Title") },
        { QStringLiteral("noteModified"), QStringLiteral("noteModified"),
            QStringLiteral("Modified") } });
    model.peeked = controller.arrangedObjects().at(4);

    QWidget window;
    auto* table = new BXTableView(&window);
    table->setModel(&model);
    table->setSelectionModel(model.selectionModel());
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setItemDelegate(new BXCategoriesTableRowView(table));
    // Wide enough for a date and time on one line.
    table->setColumnWidth(1, 170.0);
    table->setGeometry(0, 0, 420, 300);
    window.resize(420, 300);
    controller.setTableView(table);
    controller.awakeFromNib();
    window.show();

    const auto clickRow = [&](int row, Qt::KeyboardModifiers modifiers) {
        QTest::mouseClick(table->viewport(), Qt::LeftButton, modifiers,
            table->visualRect(model.index(row, 0)).center());
    };
    clickRow(1, Qt::NoModifier);
    EXPECT_EQ(controller.selectionIndexes().toList(), QList<int>({ 1 }));
    clickRow(3, Qt::ShiftModifier);
    EXPECT_EQ(controller.selectionIndexes().toList(), QList<int>({ 1, 2, 3 }));
    EXPECT_TRUE(controller.selectionIsContiguous());

    table->horizontalHeader()->resizeSection(0, 230);
    table->horizontalHeader()->moveSection(1, 0);
    const QString layout = table->saveColumnsString();
    EXPECT_EQ(layout, QStringLiteral("{noteModified, 170.000000}{noteTitle, 230.000000}"));
    BXTableView restored;
    restored.setModel(&model);
    restored.setColumns(layout);
    EXPECT_EQ(restored.saveColumnsString(), layout);

    const QImage shot = window.grab().toImage();
    const QString path
        = QCoreApplication::applicationDirPath() + QStringLiteral("/notes-table.png");
    ASSERT_TRUE(shot.save(path));
    // The hilite outline is drawn in the highlight colour at the peeked row's inset edge.
    const QRect peekedRow = table->visualRect(model.index(4, 0));
    const QPoint probe = table->viewport()->mapTo(&window, QPoint(3 + 1 + 20, peekedRow.top() + 1));
    const QColor highlight = table->palette().color(QPalette::Highlight);
    const QColor found = shot.pixelColor(probe);
    EXPECT_LT(std::abs(found.hue() - highlight.hue())
            + std::abs(found.saturation() - highlight.saturation()),
        60)
        << qPrintable(found.name()) << " " << qPrintable(highlight.name());

    Veto veto;
    controller.setDelegate(&veto);
    table->setFocus();
    QTest::keyClick(table, Qt::Key_Delete);
    EXPECT_EQ(veto.asked, 1);
    EXPECT_EQ(controller.arrangedObjects().size(), 8);
    veto.allow = true;
    QTest::keyClick(table, Qt::Key_Backspace);
    EXPECT_EQ(controller.arrangedObjects().size(), 5);
    EXPECT_EQ(controller.selectionIndexes().toList(), QList<int>({ 1 }));
    ASSERT_TRUE(context.save(&error)) << qPrintable(error.toString());
    FetchRequest count(QStringLiteral("Note"));
    EXPECT_EQ(context.executeFetchRequest(count, nullptr).value_or(QVariantList()).size(), 5);
    controller.setDelegate(nullptr);
}

} // namespace
