#include "platform/foundation/NotificationCenter.h"

#include <gtest/gtest.h>

#include <QThread>

#include <memory>

using namespace platform;

TEST(NotificationCenter, ObserversMatchByNameAndSender)
{
    NotificationCenter center;
    int senderA = 0, senderB = 0;
    int observer = 0;
    QStringList heard;
    center.addObserver(&observer, "Saved", &senderA, [&](const Notification& n) {
        heard << "saved-from-A:" + n.userInfo.value("file").toString();
    });
    center.addObserver(
        &observer, "Saved", nullptr, [&](const Notification&) { heard << "saved-from-any"; });
    center.addObserver(
        &observer, {}, &senderB, [&](const Notification& n) { heard << "any-from-B:" + n.name; });

    struct Case {
        const char* name;
        const void* sender;
        QStringList expected;
    } cases[] = {
        { "Saved", &senderA, { "saved-from-A:x", "saved-from-any" } },
        { "Saved", &senderB, { "saved-from-any", "any-from-B:Saved" } },
        { "Saved", nullptr, { "saved-from-any" } },
        { "Closed", &senderB, { "any-from-B:Closed" } },
        { "Closed", &senderA, {} },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        heard.clear();
        center.post(c.name, c.sender, { { "file", "x" } });
        EXPECT_EQ(heard, c.expected);
    }
}

TEST(NotificationCenter, RemovalBySelectiveNameAndSenderOrWhole)
{
    NotificationCenter center;
    int sender = 0, first = 0, second = 0;
    QStringList heard;
    center.addObserver(&first, "A", nullptr, [&](const Notification&) { heard << "first-A"; });
    center.addObserver(&first, "B", &sender, [&](const Notification&) { heard << "first-B"; });
    center.addObserver(&second, "A", nullptr, [&](const Notification&) { heard << "second-A"; });

    center.removeObserver(&first, "B", &second); // a different sender: nothing matches
    center.post("B", &sender);
    EXPECT_EQ(heard, QStringList { "first-B" });

    heard.clear();
    center.removeObserver(&first, "A");
    center.post("A");
    center.post("B", &sender);
    EXPECT_EQ(heard, (QStringList { "second-A", "first-B" }));

    heard.clear();
    center.removeObserver(&first);
    center.post("A");
    center.post("B", &sender);
    EXPECT_EQ(heard, QStringList { "second-A" });
}

TEST(NotificationCenter, HandlersMayChangeRegistrationsDuringDelivery)
{
    NotificationCenter center;
    int early = 0, late = 0, added = 0;
    QStringList heard;
    center.addObserver(&early, "Changed", nullptr, [&](const Notification&) {
        heard << "early";
        center.removeObserver(&late);
        center.addObserver(
            &added, "Changed", nullptr, [&](const Notification&) { heard << "added"; });
        // Re-entrant posting must not deadlock.
        center.post("Nested");
    });
    center.addObserver(&late, "Changed", nullptr, [&](const Notification&) { heard << "late"; });
    center.addObserver(&early, "Nested", nullptr, [&](const Notification&) { heard << "nested"; });

    center.post("Changed");
    EXPECT_EQ(heard, (QStringList { "early", "nested" }));

    heard.clear();
    center.removeObserver(&early);
    center.post("Changed");
    EXPECT_EQ(heard, QStringList { "added" });
}

TEST(NotificationCenter, PostsFromWorkersAreDeliveredOnThePostingThread)
{
    NotificationCenter center;
    int observer = 0;
    QMutex mutex;
    std::vector<std::pair<QThread*, QThread*>> deliveries; // (posting thread, handler thread)
    center.addObserver(&observer, "Tick", nullptr, [&](const Notification& n) {
        QMutexLocker lock(&mutex);
        deliveries.emplace_back(
            static_cast<QThread*>(const_cast<void*>(n.object)), QThread::currentThread());
    });

    std::vector<std::unique_ptr<QThread>> workers;
    for (int i = 0; i < 4; ++i) {
        workers.emplace_back(QThread::create([&] {
            int other = 0;
            for (int j = 0; j < 100; ++j) {
                center.post("Tick", QThread::currentThread());
                // Registrations churn on the same centre while others post.
                center.addObserver(&other, "Tick", &other, [](const Notification&) {});
                center.removeObserver(&other);
            }
        }));
        workers.back()->start();
    }
    for (auto& worker : workers)
        worker->wait();

    ASSERT_EQ(deliveries.size(), 400u);
    for (const auto& [poster, handler] : deliveries)
        EXPECT_EQ(poster, handler);
}
