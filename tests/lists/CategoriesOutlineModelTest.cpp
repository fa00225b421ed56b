#include "SidebarFixture.h"

#include "lists/sidebar/BXCategoriesOutlineDataSource.h"
#include "lists/sidebar/BXCategoriesOutlineModel.h"
#include "lists/sidebar/BXCategoriesTableRowView.h"
#include "lists/sidebar/BXCategorySections.h"

#include <QAbstractItemModelTester>
#include <QMimeData>
#include <QSignalSpy>

using namespace platform;

namespace {

// Stands in for the sidebar: sections over the categories a test gives, answers recorded.
class SectionsSource final : public BXCategoriesOutlineDataSource {
public:
    const QList<BXCategorySectionHeader*>& hierarchicalContent() const override
    {
        return sections.shown();
    }
    bool isHilited(const ManagedObject* category) const override { return category == hilited; }
    bool renameCategory(const ManagedObjectPtr& category, const QString& text) override
    {
        renamed.append({ category, text });
        return text != QLatin1String("Taken");
    }
    QMimeData* mimeDataForCategories(const QList<ManagedObjectPtr>& categories) const override
    {
        dragged = categories;
        return categories.isEmpty() ? nullptr : new QMimeData;
    }
    BXManagedObjectsArrayController* listController() override { return nullptr; }

    BXCategorySections sections;
    const ManagedObject* hilited = nullptr;
    QList<std::pair<ManagedObjectPtr, QString>> renamed;
    mutable QList<ManagedObjectPtr> dragged;
};

} // namespace

class CategoriesOutlineModelTest : public SidebarFixture {
protected:
    // Regroups the sections as the sidebar does, around the model's reset.
    void rebuild(const Objects& arranged)
    {
        model.sectionsAboutToChange();
        source.sections.rebuild(arranged);
        model.sectionsChanged();
    }

    SectionsSource source;
    BXCategoriesOutlineModel model { &source };
};

// A click maps the outline's row to a category by the sections' numbering, while the outline
// draws its rows from the model: the two must agree row for row, sections included.
TEST_F(CategoriesOutlineModelTest, TheSectionsNumberTheRowsAsTheModelShowsThem)
{
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    const ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    const ManagedObjectPtr ideas = makeCategory(QStringLiteral("Ideas"));
    const Objects smartOnly { allNotes(), recentNotes(), noCategory() };
    const struct {
        const char* name;
        Objects arranged;
    } cases[] = {
        { "smart only", smartOnly },
        { "both sections", controller->arrangedObjects() },
        { "Recent Notes hidden", { allNotes(), noCategory(), ideas, work } },
        { "nothing", {} },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        rebuild(c.arranged);
        int row = 0;
        for (int s = 0; s < model.rowCount(); ++s) {
            const QModelIndex section = model.index(s, 0);
            EXPECT_EQ(source.sections.categoryAtRow(row++), nullptr) << "a section row";
            for (int r = 0; r < model.rowCount(section); ++r, ++row) {
                const ManagedObjectPtr shown = model.objectForIndex(model.index(r, 0, section));
                EXPECT_EQ(source.sections.categoryAtRow(row), shown);
                EXPECT_EQ(source.sections.rowForCategory(shown), row);
            }
        }
        EXPECT_EQ(row, int(c.arranged.size() + source.sections.shown().size()));
        EXPECT_EQ(source.sections.categoryAtRow(row), nullptr) << "past the last row";
        EXPECT_EQ(source.sections.categoryAtRow(-1), nullptr);
    }
    EXPECT_EQ(source.sections.rowForCategory(work), -1) << "not shown";
}

TEST_F(CategoriesOutlineModelTest, EditsMarksAndDragsGoToTheDataSource)
{
    const ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    rebuild(controller->arrangedObjects());
    const QModelIndex smart = model.index(0, 0);
    const QModelIndex row = model.indexForObject(work);

    EXPECT_TRUE(model.setData(row, QStringLiteral("Job"), Qt::EditRole));
    EXPECT_FALSE(model.setData(row, QStringLiteral("Taken"), Qt::EditRole)) << "refused";
    EXPECT_FALSE(model.setData(smart, QStringLiteral("Job"), Qt::EditRole)) << "a section";
    EXPECT_EQ(source.renamed.size(), 2);

    QSignalSpy marks(&model, &QAbstractItemModel::dataChanged);
    source.hilited = work.get();
    model.hiliteChanged();
    EXPECT_EQ(marks.count(), 2) << "one span per section";
    EXPECT_TRUE(row.data(BXCategoriesTableRowView::HiliteRole).toBool());
    EXPECT_FALSE(
        model.indexForObject(allNotes()).data(BXCategoriesTableRowView::HiliteRole).toBool());

    // A drag takes the categories only, never a section row.
    std::unique_ptr<QMimeData> both(model.mimeData({ smart, row }));
    EXPECT_TRUE(both);
    EXPECT_EQ(source.dragged, Objects { work });
    EXPECT_EQ(std::unique_ptr<QMimeData>(model.mimeData({ smart })), nullptr);
    EXPECT_TRUE(source.dragged.isEmpty());
}
