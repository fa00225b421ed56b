#pragma once

#include <QObject>

class QSocketNotifier;

namespace platform {

// Turns SIGTERM and SIGINT into a signal on the main thread: the handler only writes a byte
// into a socket pair that the event loop watches. One instance per process. Main thread.
class UnixSignalNotifier final : public QObject {
    Q_OBJECT

public:
    explicit UnixSignalNotifier(QObject* parent = nullptr);
    ~UnixSignalNotifier() override;

signals:
    void terminationRequested(int signalNumber);

private:
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace platform
