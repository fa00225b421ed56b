#include "NotesFixture.h"

#include "lists/BXTableView.h"
#include "lists/BXTableViewDelegate.h"

#include "platform/controllers/ArrayControllerModel.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

using namespace platform;

namespace {

class CountingDelegate final : public BXTableViewDelegate {
public:
    bool deleteSelectionInTableView(BXTableView*) override
    {
        ++deletes;
        return true;
    }
    int deletes = 0;
};

class BXTableViewTest : public NotesFixture {
protected:
    BXTableViewTest()
    {
        controller.setContent(makeNotes(QStringList(60, QStringLiteral("note"))));
        model.setColumns(
            { { QStringLiteral("noteTitle"), QStringLiteral("noteTitle"), QStringLiteral("Title") },
                { QStringLiteral("noteModified"), QStringLiteral("noteModified"),
                    QStringLiteral("Modified") } });
        table.setModel(&model);
        table.setSelectionModel(model.selectionModel());
        table.setColumnWidth(0, 200.0);
        table.setColumnWidth(1, 120.5);
        table.resize(400, 300);
    }

    QStringList order() const
    {
        QStringList identifiers;
        for (int visual = 0; visual < table.horizontalHeader()->count(); ++visual)
            identifiers.append(
                table.columnIdentifier(table.horizontalHeader()->logicalIndex(visual)));
        return identifiers;
    }

    ArrayController controller;
    ArrayControllerModel model { &controller };
    BXTableView table;
};

TEST_F(BXTableViewTest, ColumnLayoutStringSavesAndRestoresOrderAndWidths)
{
    EXPECT_EQ(table.saveColumnsString(),
        QStringLiteral("{noteTitle, 200.000000}{noteModified, 120.500000}"));

    struct Case {
        const char* layout;
        QStringList order;
        double titleWidth;
        double modifiedWidth;
    };
    const Case cases[] = {
        { "{noteModified, 90.0}{noteTitle, 300.0}", { "noteModified", "noteTitle" }, 300, 90 },
        { "{gone, 50.0}{noteModified, 90.0}", { "noteTitle", "noteModified" }, 200, 90 },
        { "{noteTitle, abc}", { "noteTitle", "noteModified" }, 200, 120.5 },
        { " {noteTitle, 40.25} {noteModified, 1,5}", { "noteTitle", "noteModified" }, 40.25,
            120.5 },
        { "", { "noteTitle", "noteModified" }, 200, 120.5 },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.layout);
        BXTableView fresh;
        fresh.setModel(&model);
        fresh.setColumnWidth(0, 200.0);
        fresh.setColumnWidth(1, 120.5);
        fresh.setColumns(QString::fromUtf8(c.layout));
        QStringList identifiers;
        for (int visual = 0; visual < 2; ++visual)
            identifiers.append(
                fresh.columnIdentifier(fresh.horizontalHeader()->logicalIndex(visual)));
        EXPECT_EQ(identifiers, c.order);
        EXPECT_DOUBLE_EQ(fresh.columnWidth(0), c.titleWidth);
        EXPECT_DOUBLE_EQ(fresh.columnWidth(1), c.modifiedWidth);
    }
}

TEST_F(BXTableViewTest, LayoutStringIgnoresTheUsersDecimalComma)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    table.setColumns(QStringLiteral("{noteTitle, 150.75}"));
    EXPECT_EQ(table.saveColumnsString(),
        QStringLiteral("{noteTitle, 150.750000}{noteModified, 120.500000}"));
    QLocale::setDefault(saved);
}

TEST_F(BXTableViewTest, DeleteKeysGoToTheDelegateAndTabMovesTheFocusWhenEditingIsOff)
{
    QWidget window;
    auto* before = new QLineEdit(&window);
    auto* list = new BXTableView(&window);
    list->setModel(&model);
    auto* after = new QLineEdit(&window);
    auto* elsewhere = new QLineEdit(&window);
    window.show();
    QApplication::setActiveWindow(&window);

    CountingDelegate delegate;
    list->setDelegate(&delegate);
    for (const Qt::Key key : { Qt::Key_Backspace, Qt::Key_Delete })
        QTest::keyClick(list, key);
    EXPECT_EQ(delegate.deletes, 2);

    list->setDisableTabEditing(true);
    const auto focusAfter = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        list->setFocus();
        QTest::keyClick(list, key, modifiers);
        return QApplication::focusWidget();
    };
    EXPECT_EQ(focusAfter(Qt::Key_Tab, Qt::NoModifier), after);
    EXPECT_EQ(focusAfter(Qt::Key_Backtab, Qt::ShiftModifier), before);
    list->setNextTabView(elsewhere);
    EXPECT_EQ(focusAfter(Qt::Key_Tab, Qt::NoModifier), elsewhere);
    list->setDelegate(nullptr);
}

TEST_F(BXTableViewTest, ClickBelowTheRowsKeepsTheSelection)
{
    controller.setContent(makeNotes({ "a", "b" }));
    table.show();
    controller.setSelectionIndex(1);
    const QPoint below(10, table.viewport()->height() - 5);
    ASSERT_EQ(table.indexAt(below).row(), -1);
    QTest::mouseClick(table.viewport(), Qt::LeftButton, {}, below);
    EXPECT_EQ(controller.selectionIndex(), 1);
    EXPECT_EQ(table.clickedRow(), -1);

    QTest::mouseClick(
        table.viewport(), Qt::LeftButton, {}, table.visualRect(model.index(0, 0)).center());
    EXPECT_EQ(controller.selectionIndex(), 0);
    EXPECT_EQ(table.clickedRow(), 0);
}

TEST_F(BXTableViewTest, SidewaysGesturesDoNotScrollTheList)
{
    table.show();
    const auto wheel = [&](QPoint delta) {
        QWheelEvent event(QPointF(50, 50), table.mapToGlobal(QPointF(50, 50)), delta, delta,
            Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(table.viewport(), &event);
    };
    wheel(QPoint(-120, 10));
    EXPECT_EQ(table.verticalScrollBar()->value(), 0);
    wheel(QPoint(10, -120));
    EXPECT_GT(table.verticalScrollBar()->value(), 0);
}

} // namespace
