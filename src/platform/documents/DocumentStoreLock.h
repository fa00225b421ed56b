#pragma once

#include "platform/foundation/Dispatch.h"

#include <QObject>

namespace platform {

class Document;

// Keeps a document's changes while another program holds the lock of its store. A save in
// place that the lock refused makes the document busy: its windows say so, the changes stay
// in memory, and once the store is free again the document autosaves them. The main thread
// only looks at the store's busy mark now and then; the store's worker probes the file itself.
// Owned by its document; main thread only.
class DocumentStoreLock final : public QObject {
    Q_OBJECT

public:
    static constexpr double kPollInterval = 0.25;

    explicit DocumentStoreLock(Document& document);

    // Called after a failed save in place: true when the lock is why, the document being busy
    // from now on.
    bool saveFailed();
    bool isBusy() const { return m_busy; }

signals:
    void busyChanged(bool busy);

private:
    void poll();
    void setBusy(bool busy);

    Document& m_document;
    Timer m_poll;
    bool m_busy = false;
};

} // namespace platform
