#pragma once

#include "app/BXRecentDocumentsModel.h"
#include "app/WFKQueue.h"
#include "platform/controllers/ArrayController.h"

#include <QIcon>
#include <QImage>
#include <QObject>

#include <atomic>
#include <memory>

namespace platform {
class DocumentController;
}

// The list both start windows show: the recent documents that exist on disk, each watched by
// the list's own watcher, rebuilt on the main thread whenever any watcher reports a rename or
// a deletion. Entries open, reveal in the file manager or are forgotten. Main thread.
class BXRecentDocumentsList final : public QObject {
    Q_OBJECT

public:
    explicit BXRecentDocumentsList(
        platform::DocumentController& controller, QObject* parent = nullptr);
    ~BXRecentDocumentsList() override;

    platform::ArrayController& recentsArrayController() { return m_arrayController; }
    platform::ArrayControllerModel& model() { return m_model; }
    const WFKQueue& kQueue() const { return m_kQueue; }

    void updateRecentsList();
    void openNoteFiles(const QList<platform::ManagedObjectPtr>& entries);
    void openSelection();
    // Shows the entry's file in the file manager, else opens its folder.
    void showRecentNote(const platform::ManagedObjectPtr& entry);
    void removeRecentNote(const platform::ManagedObjectPtr& entry);

    // The entry of an existing file: URL, name without the extension, folder abbreviated with
    // "~", icon and modification date (invalid when unreadable).
    static QVariantMap entryForURL(const QUrl& url);

    // The application's picture, and the icon of its notes files (the theme's when installed).
    static QImage applicationImage();
    static QIcon notesFileIcon();

signals:
    void listUpdated();

private:
    platform::DocumentController& m_controller;
    WFKQueue m_kQueue;
    platform::ArrayController m_arrayController;
    BXRecentDocumentsModel m_model;
    // Watchers report on their own threads; the refresh they ask for checks this on the main
    // thread before touching the list.
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};
