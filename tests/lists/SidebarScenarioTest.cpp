#include "SidebarFixture.h"

#include "lists/sidebar/BXCategoriesOutlineModel.h"
#include "lists/sidebar/BXOutlineView.h"

#include "document/model/BXCategory.h"

#include "support/TestEnvironment.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>
#include <QVBoxLayout>

using namespace platform;

namespace {

void typeIntoEditor(QWidget* outline, const QString& text)
{
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_TRUE(editor) << "no editor open";
    ASSERT_TRUE(outline->isAncestorOf(editor));
    editor->selectAll();
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The item view commits an edit from the event loop.
    QApplication::processEvents();
}

} // namespace

class SidebarScenarioTest : public SidebarFixture {
protected:
    void SetUp() override
    {
        SidebarFixture::SetUp();
        // A new document's categories.
        for (const char* name : { "Home", "Family", "Friends", "Work" })
            makeCategory(QString::fromLatin1(name));
        window.resize(240, 360);
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        outline = new BXOutlineView(&window);
        layout->addWidget(outline);
        controller->setOutlineView(outline);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    void TearDown() override
    {
        controller->setOutlineView(nullptr);
        SidebarFixture::TearDown();
    }
    QPoint centreOf(const ManagedObjectPtr& category) const
    {
        return outline->visualRect(controller->outlineModel()->indexForObject(category)).center();
    }
    void click(const ManagedObjectPtr& category)
    {
        QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, centreOf(category));
    }
    void shoot(const QString& name) { bxtest::saveScreenshot(window.grab().toImage(), name); }

    QWidget window;
    BXOutlineView* outline = nullptr;
};

TEST_F(SidebarScenarioTest, RenameAddDeleteReorderSaveAndReopen)
{
    makeNote("shopping", { arranged("Family") });
    makeNote("party", { arranged("Friends") });
    turn();
    shoot(QStringLiteral("sidebar-sections"));

    // Rename Work in place.
    click(arranged("Work"));
    EXPECT_EQ(controller->selectedObjects(), Objects { arranged("Work") });
    shoot(QStringLiteral("sidebar-selected-row"));
    QTest::keyClick(outline, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    ASSERT_TRUE(editor);
    editor->selectAll();
    QTest::keyClicks(editor, QStringLiteral("Projects"));
    shoot(QStringLiteral("sidebar-rename-editor"));
    QTest::keyClick(editor, Qt::Key_Return);
    QApplication::processEvents();
    turn();
    EXPECT_TRUE(arranged("Projects"));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Change Category Name"));

    // Add a category and name it.
    controller->newCategoryEditingName(true);
    typeIntoEditor(outline, QStringLiteral("Reading"));
    turn();
    EXPECT_TRUE(arranged("Reading"));
    EXPECT_FALSE(arranged("New Category"));

    // Delete Family keeping its note, then Friends with its note.
    click(arranged("Family"));
    controller->deleteSelection(nullptr);
    ASSERT_TRUE(alerts.answerSheet(&window, 0, false));
    EXPECT_TRUE(delegate.deleted.isEmpty());
    turn();
    click(arranged("Friends"));
    controller->deleteSelection(nullptr);
    EXPECT_EQ(alerts.shown().back().alert.suppressionTitle,
        QStringLiteral("Delete also the note associated with this tag"));
    ASSERT_TRUE(alerts.answerSheet(&window, 0, true));
    ASSERT_EQ(delegate.deleted.size(), 1);
    turn();

    // Move Reading to the top of the tags.
    controller->moveCategoriesAtIndexes(
        IndexSet(controller->indexOfArrangedObject(arranged("Reading").get())), 3, false);
    turn();
    EXPECT_EQ(
        sectionNames(controller->tagsSection()), (QStringList { "Reading", "Home", "Projects" }));

    // Drop a folder above Projects: a category of its name at that place.
    const QString trip = bxtest::makeTempFolder() + QStringLiteral("/Trip");
    ASSERT_TRUE(QDir().mkpath(trip));
    QMimeData folders;
    folders.setUrls({ QUrl::fromLocalFile(trip) });
    const int above = controller->indexOfArrangedObject(arranged("Projects").get());
    ASSERT_TRUE(controller->acceptDrop(
        DropInfo(&folders, nullptr, Qt::CopyAction, Qt::CopyAction, above, DropPosition::Above)));
    EXPECT_EQ(controller->selectedObjects(), Objects { arranged("Trip") });
    EXPECT_EQ(sectionNames(controller->tagsSection()),
        (QStringList { "Reading", "Home", "Trip", "Projects" }));
    turn();

    // Peek at a note of Home.
    ManagedObjectPtr peeked = makeNote("rent", { arranged("Home") });
    click(arranged("Projects"));
    controller->setNotesToCheckIfContained(Objects { peeked });
    QApplication::processEvents();
    shoot(QStringLiteral("sidebar-peek-highlight"));
    controller->setNotesToCheckIfContained(std::nullopt);

    controller->setOutlineView(nullptr);
    saveAndReopenSidebar();
    EXPECT_EQ(sectionNames(controller->tagsSection()),
        (QStringList { "Reading", "Home", "Trip", "Projects" }));
    EXPECT_EQ(sectionNames(controller->smartSection()),
        (QStringList { "All Notes", "Recent Notes", "No Category" }));
    EXPECT_EQ(smartCategoriesInStore(), 3);
    controller->setOutlineView(outline);
}
