#include "NotificationCenter.h"

#include <algorithm>

namespace platform {

// The shared centres are never destroyed: watcher threads and static objects may still post
// while the process exits.
NotificationCenter& NotificationCenter::defaultCenter()
{
    static auto* center = new NotificationCenter;
    return *center;
}

NotificationCenter& NotificationCenter::workspaceCenter()
{
    static auto* center = new NotificationCenter;
    return *center;
}

void NotificationCenter::addObserver(
    const void* observer, const QString& name, const void* sender, Handler handler)
{
    auto entry = std::make_shared<Entry>();
    entry->observer = observer;
    entry->name = name;
    entry->sender = sender;
    entry->handler = std::move(handler);
    QMutexLocker lock(&m_mutex);
    m_entries.push_back(std::move(entry));
}

void NotificationCenter::removeObserver(const void* observer)
{
    QMutexLocker lock(&m_mutex);
    std::erase_if(m_entries, [observer](const std::shared_ptr<Entry>& entry) {
        if (entry->observer != observer)
            return false;
        entry->removed = true;
        return true;
    });
}

void NotificationCenter::removeObserver(
    const void* observer, const QString& name, const void* sender)
{
    QMutexLocker lock(&m_mutex);
    std::erase_if(m_entries, [&](const std::shared_ptr<Entry>& entry) {
        if (entry->observer != observer || (!name.isEmpty() && entry->name != name)
            || (sender && entry->sender != sender))
            return false;
        entry->removed = true;
        return true;
    });
}

void NotificationCenter::post(const QString& name, const void* sender, const QVariantMap& userInfo)
{
    post(Notification { name, sender, userInfo });
}

void NotificationCenter::post(const Notification& notification)
{
    std::vector<std::shared_ptr<Entry>> receivers;
    {
        QMutexLocker lock(&m_mutex);
        for (const std::shared_ptr<Entry>& entry : m_entries) {
            if ((entry->name.isEmpty() || entry->name == notification.name)
                && (!entry->sender || entry->sender == notification.object))
                receivers.push_back(entry);
        }
    }
    // Handlers run unlocked, so they may post, add and remove; the flag catches removals made
    // by an earlier handler of this same delivery.
    for (const std::shared_ptr<Entry>& entry : receivers) {
        if (!entry->removed)
            entry->handler(notification);
    }
}

} // namespace platform
