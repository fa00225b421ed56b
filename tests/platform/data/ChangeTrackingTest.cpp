#include "NotesModel.h"

#include "platform/foundation/NotificationCenter.h"

#include <gtest/gtest.h>

#include <functional>

using namespace platform;
using namespace datatest;

namespace {

const QString kNote = QStringLiteral("Note");
const QString kTitle = QStringLiteral("noteTitle");

// What one objects-did-change notification reported, key by key, and what the context
// counts as unsaved afterwards.
struct Report {
    int inserted = 0;
    int updated = 0;
    int deleted = 0;
    int refreshed = 0;
    int unsavedInserts = 0;
    int unsavedUpdates = 0;
    int unsavedDeletes = 0;
    bool operator==(const Report&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Report& r)
{
    return out << "reported " << r.inserted << "/" << r.updated << "/" << r.deleted << "/"
               << r.refreshed << ", unsaved " << r.unsavedInserts << "/" << r.unsavedUpdates << "/"
               << r.unsavedDeletes;
}

} // namespace

TEST(ChangeTracking, StepsTakenBackBeforeTheyAreReportedLeaveNoTrace)
{
    struct Case {
        const char* name;
        // Acts on a saved note whose earlier changes were all reported.
        std::function<void(ManagedObjectContext&, const ManagedObjectPtr& saved)> steps;
        Report expected;
    };
    const auto rename
        = [](const ManagedObjectPtr& note) { note->setValue(QStringLiteral("renamed"), kTitle); };
    const Case cases[] = {
        { "a deletion put back",
            [](ManagedObjectContext& context, const ManagedObjectPtr& saved) {
                context.deleteObject(saved);
                context.insertObject(saved);
            },
            {} },
        { "a new note deleted",
            [](ManagedObjectContext& context, const ManagedObjectPtr&) {
                context.deleteObject(context.insertNewObjectForEntityForName(kNote));
            },
            {} },
        { "a new note deleted and put back",
            [](ManagedObjectContext& context, const ManagedObjectPtr&) {
                const ManagedObjectPtr note = context.insertNewObjectForEntityForName(kNote);
                context.deleteObject(note);
                context.insertObject(note);
            },
            { 1, 0, 0, 0, 1, 0, 0 } },
        { "a change dropped by refreshing",
            [&](ManagedObjectContext& context, const ManagedObjectPtr& saved) {
                rename(saved);
                context.refreshObject(saved, false);
            },
            { 0, 0, 0, 1, 0, 0, 0 } },
        { "a change kept through a merging refresh",
            [&](ManagedObjectContext& context, const ManagedObjectPtr& saved) {
                rename(saved);
                context.refreshObject(saved, true);
            },
            { 0, 1, 0, 0, 0, 1, 0 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto coordinator = openCoordinator(storePath());
        ASSERT_TRUE(coordinator);
        ManagedObjectContext context;
        context.setPersistentStoreCoordinator(coordinator);
        const ManagedObjectPtr saved = context.insertNewObjectForEntityForName(kNote);
        saved->setValue(QStringLiteral("saved"), kTitle);
        ASSERT_TRUE(context.save(nullptr));

        QList<Notification> received;
        NotificationCenter::defaultCenter().addObserver(&received,
            ManagedObjectContext::ObjectsDidChangeNotification, &context,
            [&](const Notification& notification) { received << notification; });
        c.steps(context, saved);
        context.processPendingChanges();
        NotificationCenter::defaultCenter().removeObserver(&received);

        Report report;
        if (!received.isEmpty()) {
            ASSERT_EQ(received.size(), 1);
            const QVariantMap& info = received.first().userInfo;
            const auto count
                = [&](const QString& key) { return int(info.value(key).toList().size()); };
            report.inserted = count(ManagedObjectContext::InsertedObjectsKey);
            report.updated = count(ManagedObjectContext::UpdatedObjectsKey);
            report.deleted = count(ManagedObjectContext::DeletedObjectsKey);
            report.refreshed = count(ManagedObjectContext::RefreshedObjectsKey);
        }
        report.unsavedInserts = int(context.insertedObjects().size());
        report.unsavedUpdates = int(context.updatedObjects().size());
        report.unsavedDeletes = int(context.deletedObjects().size());
        EXPECT_EQ(report, c.expected);
        EXPECT_EQ(context.hasChanges(),
            report.unsavedInserts + report.unsavedUpdates + report.unsavedDeletes > 0);
    }
}
