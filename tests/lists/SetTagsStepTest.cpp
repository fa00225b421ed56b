#include "SidebarFixture.h"

#include "lists/tags/BXCategoryToken.h"
#include "lists/tags/BXSetTagsStep.h"
#include "lists/tags/BXTagTokens.h"
#include "lists/tags/BXTagsCategories.h"

#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"

using namespace platform;

namespace {

// A sidebar that records how a step holds it still.
class RecordingCategories final : public BXTagsCategories {
public:
    QObject* categoriesObject() override { return &m_object; }
    ManagedObjectContext* managedObjectContext() const override { return context; }
    const QList<ManagedObjectPtr>& allCategories() const override { return m_none; }
    QList<ManagedObjectPtr> plainCategories() const override { return m_none; }
    ManagedObjectPtr newCategoryWithName(const QString&, bool) override { return nullptr; }
    QMetaObject::Connection observeSelection(QObject*, const std::function<void()>&) override
    {
        return {};
    }
    bool ignoreObservation() const override { return ignoring; }
    void setIgnoreObservation(bool ignore) override { ignoring = ignore; }
    void categoriesChangedInBulk() override { ++bulkChanges; }

    ManagedObjectContext* context = nullptr;
    bool ignoring = false;
    int bulkChanges = 0;

private:
    QObject m_object;
    QList<ManagedObjectPtr> m_none;
};

} // namespace

// Notes given a list of tokens as one step, over a real store with an undo manager.
class SetTagsStepTest : public SidebarFixture {
protected:
    void SetUp() override
    {
        SidebarFixture::SetUp();
        sidebar.context = context.get();
        work = makeCategory(QStringLiteral("Work"), 1);
        home = makeCategory(QStringLiteral("Home"), 2);
        first = makeNote(QStringLiteral("First"), { work });
        second = makeNote(QStringLiteral("Second"), { home });
        context->processPendingChanges();
        turn();
        undo.removeAllActions();
        for (const ManagedObjectPtr& note : { first, second })
            connect(
                note, [this] { heldStill.append(sidebar.ignoring && step && step->isApplying()); });
    }
    void connect(const ManagedObjectPtr& note, const std::function<void()>& changed)
    {
        QObject::connect(
            note.get(), &ManagedObject::valueChanged, &receiver, [changed](const QString& key) {
                if (key == BXNote::CategoriesKey)
                    changed();
            });
    }
    static QVariant token(const ManagedObjectPtr& category)
    {
        return BXCategoryToken::tokenWithCategory(category)->toVariant();
    }

    RecordingCategories sidebar;
    BXTagTokens tokens { [this] { return &sidebar; } };
    int refreshes = 0;
    std::unique_ptr<BXSetTagsStep> step = std::make_unique<BXSetTagsStep>(
        tokens, [this] { return &sidebar; }, [this] { ++refreshes; });
    QObject receiver;
    QList<bool> heldStill;
    ManagedObjectPtr work, home, first, second;
};

// The sidebar reacts once after the last note changed, and is never left ignoring changes,
// when the step is done, undone or redone.
TEST_F(SetTagsStepTest, TheSidebarAndTheTokensHoldStillUntilTheLastNoteChangedEachWay)
{
    const QStringList both { "Home", "Work" };
    const struct {
        const char* what;
        std::function<void()> act;
        QStringList firstTags, secondTags;
    } steps[] = {
        { "done",
            [&] {
                step->apply(
                    { token(work), QStringLiteral("typed"), token(home) }, { first, second });
            },
            both, both },
        { "undone", [&] { undo.undo(); }, { "Work" }, { "Home" } },
        { "redone", [&] { undo.redo(); }, both, both },
    };
    for (const auto& entry : steps) {
        SCOPED_TRACE(entry.what);
        heldStill.clear();
        const int bulkBefore = sidebar.bulkChanges;
        const int refreshesBefore = refreshes;
        entry.act();
        turn();
        EXPECT_EQ(tagsOf(first), entry.firstTags);
        EXPECT_EQ(tagsOf(second), entry.secondTags);
        EXPECT_FALSE(heldStill.isEmpty());
        EXPECT_FALSE(heldStill.contains(false));
        EXPECT_FALSE(sidebar.ignoring);
        EXPECT_FALSE(step->isApplying());
        EXPECT_EQ(sidebar.bulkChanges, bulkBefore + 1);
        EXPECT_EQ(refreshes, refreshesBefore + 1);
    }
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set Tags"));
}

TEST_F(SetTagsStepTest, ASidebarAlreadyHeldStillIsLeftToWhoeverHoldsIt)
{
    sidebar.ignoring = true;
    step->apply({ token(home) }, { first });
    turn();
    EXPECT_EQ(tagsOf(first), QStringList { "Home" });
    EXPECT_TRUE(sidebar.ignoring);
    EXPECT_EQ(sidebar.bulkChanges, 0);
}

// The step's marks go with the tag editor; the notes' changes stay undoable.
TEST_F(SetTagsStepTest, UndoAfterTheStepWentStillRestoresTheNotes)
{
    step->apply({ token(home) }, { first });
    turn();
    step.reset();
    undo.undo();
    turn();
    EXPECT_EQ(tagsOf(first), QStringList { "Work" });
    EXPECT_EQ(sidebar.bulkChanges, 1);
    EXPECT_FALSE(sidebar.ignoring);
}
