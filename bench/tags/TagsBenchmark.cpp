// The tag editor over a notes file of 10,000 notes and 1,000 categories, each note in one or
// two of them (the first 1,000 notes only in "Tag 0"): rebuilding the tokens for every note selected, a keystroke in a field of 200
// tokens, completion among the 1,000 plain categories, and applying a tag to 1,000 notes.

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/tags/BXCategoryToken.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/tags/BXTagsController.h"

#include "document/model/BXFetchedNotesCategory.h"

#include "platform/appkit/TokenField.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/foundation/UndoManager.h"

#include "support/BenchNotesStore.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QKeyEvent>

using namespace platform;

namespace {

constexpr int kNotes = 10000;
constexpr int kCategories = 1000;

BenchNotesStore& notesFile()
{
    static BenchNotesStore* file = [] {
        auto* made = new BenchNotesStore;
        Error error;
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(made->coordinator);
        QList<ManagedObjectPtr> categories;
        for (int i = 0; i < kCategories; ++i) {
            ManagedObjectPtr category = context.insertNewObjectForEntityForName("Category");
            category->setValue(QStringLiteral("Tag %1").arg(i), "categoryName");
            category->setValue(i, "position");
            categories << category;
        }
        for (int i = 0; i < kNotes; ++i) {
            ManagedObjectPtr note = context.insertNewObjectForEntityForName("Note");
            note->setValue(QStringLiteral("Note %1").arg(i), "noteTitle");
            if (i < 1000) {
                categories.first()->addRelatedObject("notes", note);
                continue;
            }
            categories.at(1 + i % (kCategories - 1))->addRelatedObject("notes", note);
            if (i % 3 == 0)
                categories.at(1 + (i * 7) % (kCategories - 1))->addRelatedObject("notes", note);
        }
        BXCategoriesArrayController sidebar;
        sidebar.setManagedObjectContext(&context);
        sidebar.prepareContent();
        if (!context.save(&error))
            qFatal("save: %s", qPrintable(error.toString()));
        return made;
    }();
    return *file;
}

// The sidebar with All Notes chosen, the notes list and a tag editor on a shown field.
struct TagsBar {
    TagsBar()
    {
        context.setPersistentStoreCoordinator(notesFile().coordinator);
        context.setUndoManager(&undo);
        undo.setGroupsByEvent(false);
        categories.setManagedObjectContext(&context);
        categories.awakeFromNib();
        categories.prepareContent();
        notes.setManagedObjectContext(&context);
        categories.setNotesList(&notes);
        categories.setSelectedObjects({ ManagedObjectPtr(categories.allNotesCategory()) });
        QCoreApplication::processEvents();
        field.resize(600, 28);
        field.show();
        tags.setTokenField(&field);
        tags.setCategoriesController(&categories);
        tags.setNotesController(&notes);
        tags.awakeFromNib();
    }

    void select(const QList<ManagedObjectPtr>& selected)
    {
        if (!notes.setSelectedObjects(selected))
            qFatal("could not select %d notes", int(selected.size()));
    }
    ManagedObjectPtr category(const QString& name) const
    {
        for (const ManagedObjectPtr& object : categories.plainCategories()) {
            if (object->valueForKey("categoryName").toString() == name)
                return object;
        }
        qFatal("no category %s", qPrintable(name));
    }

    ManagedObjectContext context;
    UndoManager undo;
    BXCategoriesArrayController categories;
    BXNotesArrayController notes;
    TokenField field;
    BXTagsController tags;
};

void BM_RebuildTokensFor10000SelectedNotes(benchmark::State& state)
{
    TagsBar bar;
    bar.notes.setSelectionIndexes(IndexSet::fromRange(0, kNotes));
    for (auto _ : state) {
        bar.tags.refreshContents();
        benchmark::DoNotOptimize(bar.field.count());
    }
    if (bar.field.count() < 2)
        state.SkipWithError("no tokens");
}
BENCHMARK(BM_RebuildTokensFor10000SelectedNotes)->Unit(benchmark::kMillisecond);

void BM_KeystrokeInAFieldOf200Tokens(benchmark::State& state)
{
    TagsBar bar;
    QVariantList tokens;
    const QList<ManagedObjectPtr> plain = bar.categories.plainCategories();
    for (int i = 0; i < 200; ++i)
        tokens.append(BXCategoryToken::tokenWithCategory(plain.at(i))->toVariant());
    bar.tags.setContent(tokens);
    bar.field.setFocus();
    bool typing = true;
    for (auto _ : state) {
        // A letter and its removal in turn, each laid out, completed and painted.
        QKeyEvent key(QEvent::KeyPress, typing ? Qt::Key_T : Qt::Key_Backspace, Qt::NoModifier,
            typing ? QStringLiteral("T") : QString());
        QCoreApplication::sendEvent(&bar.field, &key);
        bar.field.repaint();
        typing = !typing;
    }
    if (bar.field.count() != 200)
        state.SkipWithError("tokens changed");
}
BENCHMARK(BM_KeystrokeInAFieldOf200Tokens)->Unit(benchmark::kMillisecond);

void BM_CompletionAmong1000Categories(benchmark::State& state)
{
    TagsBar bar;
    qsizetype found = 0;
    for (auto _ : state) {
        found = bar.tags.completions(&bar.field, QStringLiteral("tag 1"), 0)->size();
        benchmark::DoNotOptimize(found);
    }
    if (found < 100)
        state.SkipWithError("too few completions");
}
BENCHMARK(BM_CompletionAmong1000Categories)->Unit(benchmark::kMillisecond);

void BM_ApplyATagTo1000SelectedNotes(benchmark::State& state)
{
    TagsBar bar;
    // The notes of "Tag 0", which have no other tag.
    bar.select(bar.category("Tag 0")->relatedObjects("notes"));
    // An earlier run may have left the tag on the notes (the sidebar saves while All Notes
    // is selected): start from whichever state the notes are in.
    const QVariant added
        = BXCategoryToken::tokenWithCategory(bar.category("Tag 999"))->toVariant();
    QVariantList before = *bar.tags.content();
    const bool tagged = before.removeAll(added) > 0;
    QVariantList after = before;
    after.append(added);
    bool adding = !tagged;
    for (auto _ : state) {
        bar.undo.beginUndoGrouping();
        bar.tags.textShouldBeginEditing(&bar.field);
        bar.tags.setContent(adding ? after : before);
        bar.tags.tagsAction();
        bar.context.processPendingChanges();
        bar.undo.endUndoGrouping();
        state.PauseTiming();
        bar.undo.removeAllActions();
        adding = !adding;
        state.ResumeTiming();
    }
    if (bar.notes.selectedObjects().size() != 1000 || before.size() != 1)
        state.SkipWithError("not the notes of one tag");
}
BENCHMARK(BM_ApplyATagTo1000SelectedNotes)->Unit(benchmark::kMillisecond);

} // namespace
