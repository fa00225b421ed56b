#pragma once

#include <QMutex>
#include <QString>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

namespace platform {

struct Notification {
    QString name;
    const void* object = nullptr; // the sender, compared by address
    QVariantMap userInfo;
};

// Named notifications between objects that do not know each other. Observers register for a
// name (empty: any name) and a sender (nullptr: any sender). Posting delivers synchronously
// on the posting thread, in registration order. Thread-safe; an observer removed while a
// notification is being delivered is not called afterwards.
class NotificationCenter final {
public:
    using Handler = std::function<void(const Notification&)>;

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    static NotificationCenter& defaultCenter();
    // The separate centre on which file-system watchers post.
    static NotificationCenter& workspaceCenter();

    void addObserver(const void* observer, const QString& name, const void* sender,
                     Handler handler);
    // Removes every registration of `observer`.
    void removeObserver(const void* observer);
    // Removes the registrations of `observer` for `name` (empty: any) and `sender` (nullptr: any).
    void removeObserver(const void* observer, const QString& name, const void* sender = nullptr);

    void post(const QString& name, const void* sender = nullptr,
              const QVariantMap& userInfo = {});
    void post(const Notification& notification);

private:
    struct Entry {
        const void* observer;
        QString name;
        const void* sender;
        Handler handler;
        std::atomic<bool> removed{false};
    };

    mutable QMutex m_mutex;
    std::vector<std::shared_ptr<Entry>> m_entries;
};

} // namespace platform
