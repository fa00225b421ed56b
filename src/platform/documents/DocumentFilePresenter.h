#pragma once

#include "DocumentFileWatcher.h"

#include "platform/foundation/Error.h"

#include <QObject>
#include <QUrl>

namespace platform {

class Document;

// Keeps an open document's file in view, as the platform tells a document whose file changes
// under it: a rename or move is followed (the title, the Window menu and the recent documents
// follow the document); a deletion, or another file taking the name, is told at once with an
// offer to save the notes elsewhere, and from then on the document knows its file is gone. A
// store that is no longer the one read (replaced, cut short, emptied or damaged by another
// program) counts as gone in the same way once a save finds it so. Also runs the Rename… and
// Move To… panels. Owned by its document; main thread.
class DocumentFilePresenter final : public QObject {
    Q_OBJECT

public:
    explicit DocumentFilePresenter(Document& document);
    ~DocumentFilePresenter() override;

    // Watches the document's file as it is now: after it was read, saved or moved.
    void watchFile();
    // Looks at the file and its store now, without waiting for the watcher: a move is
    // followed at once. False when the file is gone (deleted, or replaced by another) or its
    // store is no longer the one read.
    bool checkFile();
    bool isFileGone() const
    {
        return m_gone != DocumentFileWatcher::State::Unchanged || !m_storeDamage.isNull();
    }
    // Why a save in place is refused once the file is gone.
    Error fileGoneError() const;

    // Asks for a new name in the file's folder, or for another folder, and moves the file there.
    void renameDocument();
    void moveDocument();

private:
    void fileChanged();
    // Follows the file to `path`; the recent documents list it there.
    void follow(const QString& path);
    // Says the file is gone and offers Save As…; once for each time it goes.
    void tellFileGone();
    void moveShowingFailure(const QUrl& url);

    Document& m_document;
    DocumentFileWatcher m_watcher;
    DocumentFileWatcher::State m_gone = DocumentFileWatcher::State::Unchanged;
    Error m_storeDamage;
};

} // namespace platform
