#pragma once

#include <QStringList>

class BXDocumentHost;

namespace platform {
class Document;
class Error;
} // namespace platform

// Brings into the document what another copy of the application (another user, another
// session) saved to the same file since this one read or merged it, before each save: new
// notes appear, changed ones show the other side's text (in every window that shows them, so
// that none writes its older text back), deleted ones go. Where both sides
// changed the same note, neither text is dropped: this side's stays in the note and the other
// side's is kept in a new note beside it; a note changed here but deleted there is kept. The
// user is told which notes were kept twice. Owned by the document; main thread.
class BXStoreMerger final {
public:
    // `document` and `host` (not owned) outlive the merger.
    BXStoreMerger(platform::Document& document, BXDocumentHost& host);

    // Merges what others saved, when they saved anything; false with an error when the file
    // could not be read for it. Runs before every save of the document's main context. While
    // `guardSave` holds, the main context's next save on this thread is refused if another copy
    // saves in between (the merge then runs again before the next try).
    bool mergeChangesFromElsewhere(platform::Error* error);
    void guardSave(bool guard);

private:
    // Tells the user which notes now stand twice.
    void reportKeptTwice(const QStringList& titles) const;

    platform::Document& m_document;
    BXDocumentHost& m_host;
    bool m_merging = false;
};
