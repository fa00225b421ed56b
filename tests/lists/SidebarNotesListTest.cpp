#include "SidebarFixture.h"

#include "lists/sidebar/BXCategoriesOutlineModel.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXOutlineView.h"

#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectContext.h"

using namespace platform;

// The sidebar and the notes list of one window, wired as the window wires them.
class SidebarNotesListTest : public SidebarFixture {
protected:
    void SetUp() override
    {
        SidebarFixture::SetUp();
        outline = std::make_unique<BXOutlineView>();
        controller->setOutlineView(outline.get());
        notes = std::make_unique<BXNotesArrayController>();
        notes->setManagedObjectContext(context.get());
        controller->setNotesList(notes.get());
    }
    void TearDown() override
    {
        if (controller)
            controller->setOutlineView(nullptr);
        outline.reset();
        SidebarFixture::TearDown();
        notes.reset();
    }

    void click(const ManagedObjectPtr& category)
    {
        outline->selectionModel()->select(controller->outlineModel()->indexForObject(category),
            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        turn();
    }

    QStringList listed() const
    {
        QStringList names;
        for (const ManagedObjectPtr& note : notes->arrangedObjects())
            names.append(static_cast<BXNote*>(note.get())->noteTitle());
        names.sort();
        return names;
    }

    std::unique_ptr<BXOutlineView> outline;
    std::unique_ptr<BXNotesArrayController> notes;
};

TEST_F(SidebarNotesListTest, SelectingACategoryListsItsNotes)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    ManagedObjectPtr home = makeCategory(QStringLiteral("Home"));
    makeNote(QStringLiteral("Plan"), { work });
    makeNote(QStringLiteral("Budget"), { work, home });
    makeNote(QStringLiteral("Garden"), { home });
    makeNote(QStringLiteral("Loose"));
    context->processPendingChanges();
    turn();
    EXPECT_EQ(notes->categories(), controller.get());

    const struct {
        const char* name;
        std::function<void()> act;
        QStringList expected;
    } cases[] = {
        { "click Work", [&] { click(work); }, { "Budget", "Plan" } },
        { "click Home", [&] { click(home); }, { "Budget", "Garden" } },
        { "All Notes", [&] { click(allNotes()); }, { "Budget", "Garden", "Loose", "Plan" } },
        { "No Category", [&] { click(noCategory()); }, { "Loose" } },
        { "search covers every note",
            [&] {
                click(work);
                controller->setSearchScope(1);
            },
            { "Budget", "Garden", "Loose", "Plan" } },
        { "search back to the selection", [&] { controller->setSearchScope(0); },
            { "Budget", "Plan" } },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        c.act();
        EXPECT_EQ(listed(), c.expected);
    }
}

TEST_F(SidebarNotesListTest, DeletingNotesLeavesTheSidebarListening)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    ManagedObjectPtr plan = makeNote(QStringLiteral("Plan"), { work });
    makeNote(QStringLiteral("Budget"), { work });
    context->processPendingChanges();
    click(work);
    notes->deleteNotes({ plan });
    context->processPendingChanges();
    turn();
    EXPECT_FALSE(controller->ignoreObservation());
    EXPECT_EQ(listed(), QStringList { "Budget" });
    EXPECT_EQ(controller->selectedObjects(), Objects { work }) << "the rearrangement keeps it";

    // New notes reach a selected smart category: the sidebar still listens.
    click(allNotes());
    makeNote(QStringLiteral("Later"));
    context->processPendingChanges();
    turn();
    EXPECT_EQ(listed(), (QStringList { "Budget", "Later" }));
}

TEST_F(SidebarNotesListTest, EitherSideMayGoFirst)
{
    ManagedObjectPtr work = makeCategory(QStringLiteral("Work"));
    click(work);
    notes.reset();
    click(allNotes()); // no notes list to tell any more
    notes = std::make_unique<BXNotesArrayController>();
    controller->setNotesList(notes.get());
    EXPECT_EQ(notes->categories(), controller.get());
    controller.reset();
    EXPECT_EQ(notes->categories(), nullptr);
}
