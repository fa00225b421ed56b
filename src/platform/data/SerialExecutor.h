#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace platform {

// Runs tasks one after another on a thread of its own, in the order they were queued. The
// queue of a private-queue context. Destruction finishes the queued tasks, then joins.
class SerialExecutor final {
public:
    SerialExecutor();
    ~SerialExecutor();
    SerialExecutor(const SerialExecutor&) = delete;
    SerialExecutor& operator=(const SerialExecutor&) = delete;

    void async(std::function<void()> task);
    // Runs `task` and waits for it; on the executor's own thread it runs at once.
    void sync(const std::function<void()>& task);
    bool isCurrentThread() const;

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_tasks;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace platform
