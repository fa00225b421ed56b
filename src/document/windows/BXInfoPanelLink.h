#pragma once

#include "document/BXNoteInfo.h"
#include "document/model/BXNote.h"

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QMetaObject>
#include <QObject>

#include <functional>

class BXDocumentWindowLookup;

namespace platform {
class WindowController;
}

// A document's link to the info panel: follows the selection of the document's window in
// front, observes the one selected note (its title, rich text and tags) and, while the panel
// shows, rebuilds the information it shows. Owned by the document; main thread; emits
// observedNoteChanged() and noteInfoChanged().
class BXInfoPanelLink final : public QObject {
    Q_OBJECT

public:
    // `windows` (not owned) outlives the link.
    explicit BXInfoPanelLink(const BXDocumentWindowLookup& windows);
    ~BXInfoPanelLink() override;

    // The panel's visibility and its show/hide switch, installed by the application.
    static void setInfoPanelHooks(std::function<bool()> isVisible, std::function<void()> toggle);
    // Whether the info panel shows: only then is the information kept current.
    static bool noteInfoNeeded();
    // The Show Info/Hide Info command, then a rebuild when the panel came up.
    void toggleInfoPanel();

    // The provider's selection decides the observed note (exactly one selected note).
    void updateSelectionForProvider(platform::WindowController* controller);
    BXNote::NotePtr observedNote() const { return m_observedNote; }
    void updateObservedNote(const BXNote::NotePtr& note);

    const BXNoteInfo& noteInfo() const { return m_noteInfo; }
    // Rebuilds the information from the key window's selection.
    void updateNoteInfo();
    // Builds the information for `notes` and stores it on a later turn of the event loop.
    void updateInfoForNotes(const QList<platform::ManagedObjectPtr>& notes);

signals:
    void observedNoteChanged();
    void noteInfoChanged();

private:
    const BXDocumentWindowLookup& m_windows;
    BXNote::NotePtr m_observedNote;
    QMetaObject::Connection m_observedNoteConnection;
    BXNoteInfo m_noteInfo;
};
