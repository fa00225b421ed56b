#include "SidebarFixture.h"

#include "lists/sidebar/BXOutlineView.h"

#include "document/model/BXCategory.h"

#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>

using namespace platform;

namespace {

BXCategory* category(const ManagedObjectPtr& object)
{
    return static_cast<BXCategory*>(object.get());
}

} // namespace

// The sidebar as the main window and the notes list use it, through exactly these calls.
TEST_F(SidebarFixture, ServicesOfTheSidebar)
{
    BXOutlineView outline;
    outline.resize(220, 300);
    controller->setOutlineView(&outline);
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    ManagedObjectPtr home = makeCategory(QStringLiteral("Home"));
    ManagedObjectPtr note = makeNote("n", { work });
    turn();

    EXPECT_EQ(controller->allNotesCategory()->identifier(), BXCategory::AllNotesCategoryID);
    EXPECT_EQ(controller->recentNotesCategory()->predicate()->predicateFormat(),
        QStringLiteral("noteModified >= $dateBeforeNow"));
    EXPECT_EQ(controller->plainCategories(), (Objects { home, work }));

    EXPECT_TRUE(controller->selectObjects({ work }, true));
    EXPECT_EQ(controller->selectedPlainCategories(), Objects { work });
    EXPECT_TRUE(controller->plainCategorySelected());
    controller->selectObjects({ allNotes() }, false);
    EXPECT_FALSE(controller->plainCategorySelected());
    EXPECT_TRUE(controller->selectedPlainCategories().isEmpty());

    controller->setNotesToCheckIfContained(Objects { note });
    EXPECT_TRUE(controller->isHilited(work.get()));
    controller->setNotesToCheckIfContained(std::nullopt);
    EXPECT_FALSE(controller->isHilited(work.get()));

    controller->setIgnoreObservation(true);
    category(work)->setCategoryName(QStringLiteral("Zed"));
    EXPECT_TRUE(context->hasChanges()) << "no save while ignoring";
    controller->setIgnoreObservation(false);

    QSignalSpy selection(controller.get(), &ArrayController::selectionChanged);
    controller->setSearchScope(1);
    EXPECT_EQ(selection.count(), 1);
    EXPECT_EQ(controller->selection()->objects(), Objects { allNotes() });
    controller->setSearchScope(0);

    controller->setShowRecentNotesCategory(false);
    controller->setShowNoCategory(false);
    EXPECT_EQ(sectionNames(controller->smartSection()), QStringList { "All Notes" });
    controller->setShowRecentNotesCategory(true);
    controller->setShowNoCategory(true);

    controller->newCategoryEditingName(true);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (!editor)
        editor = outline.findChild<QLineEdit*>();
    ASSERT_TRUE(editor) << "the new category's name is open for editing";
    EXPECT_EQ(editor->text(), QStringLiteral("New Category"));
    turn();
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Add Category"));

    controller->selectObjects({ home }, false);
    controller->deleteSelection(nullptr);
    ASSERT_TRUE(alerts.answerSheet(outline.window(), 1));
    controller->deleteClicked(nullptr); // nothing clicked: nothing happens
    EXPECT_EQ(alerts.pendingSheetCount(), 0);

    controller->selectObjects({ home, arranged("New Category") }, false);
    controller->resetSelectedCategoriesOrder();
    EXPECT_EQ(category(home)->position(), category(arranged("New Category"))->position());
    controller->resetCategoriesOrder();
    for (const ManagedObjectPtr& user : controller->plainCategories())
        EXPECT_EQ(category(user)->position(), 0);
    controller->setOutlineView(nullptr);
}
