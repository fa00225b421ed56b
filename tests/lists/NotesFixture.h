#pragma once

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include <gtest/gtest.h>

#include <QStringList>

// Notes and categories of the application's model in a store-less context.
class NotesFixture : public ::testing::Test {
protected:
    NotesFixture();

    platform::ManagedObjectPtr makeNote(const QString& title);
    QList<platform::ManagedObjectPtr> makeNotes(const QStringList& titles);
    platform::ManagedObjectPtr makeCategory(const QString& name);
    static QStringList titles(const QList<platform::ManagedObjectPtr>& notes);

    std::shared_ptr<platform::PersistentStoreCoordinator> coordinator;
    platform::ManagedObjectContext context;
};
