#pragma once

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include <gtest/gtest.h>

#include <QStringList>

#include <ostream>

inline void PrintTo(const QStringList& list, std::ostream* out)
{
    *out << '[' << qPrintable(list.join(QStringLiteral(", "))) << ']';
}

namespace platform {
// Objects print as their title.
inline void PrintTo(const ManagedObjectPtr& object, std::ostream* out)
{
    *out << (object ? qPrintable(object->valueForKey(QStringLiteral("title")).toString()) : "null");
}
} // namespace platform

// A store-less context with notes (title, rank, trashFlag, categories) and categories (name,
// notes), for the list controller tests.
class ListFixture : public ::testing::Test {
protected:
    ListFixture();

    platform::ManagedObjectPtr makeNote(const QString& title, qint64 rank = 0);
    platform::ManagedObjectPtr makeCategory(const QString& name);
    QList<platform::ManagedObjectPtr> makeNotes(const QStringList& titles);
    static QStringList titles(const QList<platform::ManagedObjectPtr>& notes);

    std::shared_ptr<platform::PersistentStoreCoordinator> coordinator;
    platform::ManagedObjectContext context;
};
