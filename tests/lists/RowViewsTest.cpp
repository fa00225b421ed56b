#include "lists/sidebar/BXCategoriesTableRowView.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/BXSourceListRowView.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTest>

namespace {

// Exposes the style option a row is drawn with.
class ProbedRowView final : public BXSourceListRowView {
public:
    QFont fontFor(const QModelIndex& index, bool selected) const
    {
        QStyleOptionViewItem option;
        option.state = selected ? QStyle::State_Selected : QStyle::State_None;
        initStyleOption(&option, index);
        return option.font;
    }
};

TEST(RowViews, SelectedTitlesAreBoldAndTheHiliteIsInsetFromTheRow)
{
    QStandardItemModel model(1, 2);
    const ProbedRowView rows;
    EXPECT_TRUE(rows.fontFor(model.index(0, 0), true).bold());
    EXPECT_FALSE(rows.fontFor(model.index(0, 0), false).bold());
    EXPECT_FALSE(rows.fontFor(model.index(0, 1), true).bold());

    EXPECT_EQ(BXCategoriesTableRowView::hiliteRect(QRectF(0, 20, 200, 24)), QRectF(3, 21, 194, 22));
}

TEST(RowViews, OutlineSwallowsTabWhenTabEditingIsOffAndKeepsRowsClearOfTheInset)
{
    QStandardItemModel model;
    for (int i = 0; i < 60; ++i)
        model.appendRow(new QStandardItem(QStringLiteral("Category %1").arg(i)));
    QWidget window;
    auto* outline = new BXOutlineView(&window);
    outline->setModel(&model);
    outline->setGeometry(0, 0, 200, 300);
    auto* next = new QLineEdit(&window);
    next->move(0, 310);
    window.resize(200, 340);
    window.show();
    QApplication::setActiveWindow(&window);
    EXPECT_FALSE(outline->disableTabEditing());

    outline->setDisableTabEditing(true);
    outline->setFocus();
    QTest::keyClick(outline, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), outline);

    outline->scrollTo(model.index(59, 0));
    outline->scrollTo(model.index(20, 0));
    EXPECT_GE(outline->visualRect(model.index(20, 0)).top(), BXOutlineView::kTopInset);
}

} // namespace
