#include "DocumentStoreLock.h"

#include "Document.h"

#include "platform/data/PersistentStore.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/foundation/Log.h"

namespace platform {

namespace {

bool storeIsBusy(const Document& document)
{
    const std::shared_ptr<PersistentStore> store
        = document.persistentStoreCoordinator()->persistentStore();
    return store && store->isBusy();
}

} // namespace

DocumentStoreLock::DocumentStoreLock(Document& document)
    : m_document(document), m_poll(kPollInterval, true, [this] { poll(); })
{ }

bool DocumentStoreLock::saveFailed()
{
    if (!storeIsBusy(m_document))
        return false;
    setBusy(true);
    if (!m_poll.isValid())
        m_poll.start();
    return true;
}

void DocumentStoreLock::poll()
{
    if (m_document.isClosed()) {
        m_poll.invalidate();
        return;
    }
    if (storeIsBusy(m_document))
        return;
    m_poll.invalidate();
    m_document.autosaveWithImplicitCancellability(true, [this](const Error& error) {
        // Taken again meanwhile: the save has started the wait over.
        if (error && m_poll.isValid())
            return;
        setBusy(false);
    });
}

void DocumentStoreLock::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    log(busy ? QStringLiteral("another program holds the lock of “%@”: its changes are kept "
                              "until it lets go")
             : QStringLiteral("the lock of “%@” is free again"),
        m_document.fileURL().toLocalFile());
    emit busyChanged(busy);
}

} // namespace platform
