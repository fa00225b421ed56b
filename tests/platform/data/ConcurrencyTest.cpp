#include "NotesModel.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/testing/FakeScheduler.h"

#include <gtest/gtest.h>

#include <QMutex>

#include <atomic>

using namespace platform;
using namespace datatest;

// An import on a private queue saves in batches while the main thread keeps reading the same
// store; merged on the main thread, the main context ends up with every note.
TEST(Concurrency, PrivateQueueBatchesWhileTheMainThreadReads)
{
    FakeScheduler scheduler;
    const QString path = storePath();
    auto coordinator = openCoordinator(path);
    ASSERT_TRUE(coordinator);
    ManagedObjectContext main;
    main.setPersistentStoreCoordinator(coordinator);

    QMutex mutex;
    QList<Notification> saves;
    NotificationCenter::defaultCenter().addObserver(&saves,
        ManagedObjectContext::DidSaveNotification, nullptr, [&](const Notification& notification) {
            if (notification.object == &main)
                return;
            QMutexLocker locker(&mutex);
            saves.append(notification);
        });

    constexpr int kBatches = 20;
    constexpr int kPerBatch = 15;
    std::atomic<int> failures { 0 };
    std::atomic<bool> done { false };
    {
        ManagedObjectContext worker(ManagedObjectContext::ConcurrencyType::PrivateQueue);
        worker.setPersistentStoreCoordinator(coordinator);
        for (int batch = 0; batch < kBatches; ++batch) {
            worker.perform([&worker, &failures, batch] {
                for (int i = 0; i < kPerBatch; ++i) {
                    ManagedObjectPtr note
                        = worker.insertNewObjectForEntityForName(QStringLiteral("Note"));
                    note->setValue(QStringLiteral("batch %1 note %2").arg(batch).arg(i),
                        QStringLiteral("noteTitle"));
                }
                if (!worker.save(nullptr))
                    ++failures;
            });
        }
        worker.perform([&done] { done = true; });
        qsizetype last = 0;
        while (!done) {
            const qsizetype count
                = main.countForFetchRequest(FetchRequest(QStringLiteral("Note")), nullptr);
            EXPECT_GE(count, last);
            EXPECT_EQ(count % kPerBatch, 0);
            last = count;
        }
        worker.performAndWait([] {});
    }
    NotificationCenter::defaultCenter().removeObserver(&saves);
    EXPECT_EQ(failures, 0);
    ASSERT_EQ(saves.size(), kBatches);

    // The pattern of the document: merges run later on the main queue.
    int merged = 0;
    for (const Notification& notification : std::as_const(saves)) {
        main.perform([&main, &merged, notification] {
            main.mergeChangesFromContextDidSaveNotification(notification);
            ++merged;
        });
    }
    EXPECT_EQ(merged, 0);
    scheduler.runUntilIdle();
    EXPECT_EQ(merged, kBatches);
    EXPECT_EQ(main.countForFetchRequest(FetchRequest(QStringLiteral("Note")), nullptr),
        kBatches * kPerBatch);
}
