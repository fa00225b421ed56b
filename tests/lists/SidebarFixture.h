#pragma once

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"

#include "document/model/BXFetchedNotesCategory.h"
#include "document/NotesStoreTest.h"

#include "platform/foundation/UndoManager.h"
#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUserInput.h"

#include <QStringList>

// Records what the sidebar hands to the document.
class RecordingDelegate final : public BXTableManagedObjectsArrayControllerDelegate {
public:
    bool deleteNotes(const Notes& notes) override
    {
        deleted.append(notes);
        return true;
    }
    QList<Notes> deleted;
};

// A categories sidebar over a real notes store, with the fake presenter and user input and an
// undo manager on the context.
class SidebarFixture : public NotesStoreTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new controller over the current context, prepared.
    void openSidebar();
    // Saves, reopens the store in a new context and prepares a new controller over it.
    void saveAndReopenSidebar();

    platform::ManagedObjectPtr makeCategory(const QString& name, qint64 position = 0);
    platform::ManagedObjectPtr makeNote(
        const QString& title, const QList<platform::ManagedObjectPtr>& categories = {});
    // The names of the arranged categories.
    QStringList arrangedNames() const;
    QStringList sectionNames(const BXCategorySectionHeader* section) const;
    // The names of the note's categories, sorted.
    static QStringList tagsOf(const platform::ManagedObjectPtr& note);
    platform::ManagedObjectPtr arranged(const QString& name) const;
    int smartCategoriesInStore();
    platform::ManagedObjectPtr allNotes() const { return controller->allNotesCategory(); }
    platform::ManagedObjectPtr recentNotes() const { return controller->recentNotesCategory(); }
    platform::ManagedObjectPtr noCategory() const { return controller->noCategory(); }

    using Objects = BXCategoriesArrayController::Objects;

    // Ends the current turn of the event loop, which closes its undo group.
    void turn() { scheduler.runUntilIdle(); }

    platform::FakeScheduler scheduler;
    platform::UndoManager undo;
    platform::FakeAlertPresenter alerts;
    platform::FakeUserInput input;
    RecordingDelegate delegate;
    std::unique_ptr<BXCategoriesArrayController> controller;
};
