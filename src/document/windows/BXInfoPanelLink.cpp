#include "document/windows/BXInfoPanelLink.h"

#include "document/BXNoteDataProvider.h"
#include "document/windows/BXDocumentWindowLookup.h"

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/foundation/Dispatch.h"

#include <QPointer>

using platform::WindowController;

namespace {

std::function<bool()>& infoPanelVisible()
{
    static std::function<bool()> hook;
    return hook;
}

std::function<void()>& infoPanelToggle()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

BXInfoPanelLink::BXInfoPanelLink(const BXDocumentWindowLookup& windows) : m_windows(windows) { }

BXInfoPanelLink::~BXInfoPanelLink() = default;

void BXInfoPanelLink::setInfoPanelHooks(
    std::function<bool()> isVisible, std::function<void()> toggle)
{
    infoPanelVisible() = std::move(isVisible);
    infoPanelToggle() = std::move(toggle);
}

bool BXInfoPanelLink::noteInfoNeeded()
{
    return infoPanelVisible() && infoPanelVisible()();
}

void BXInfoPanelLink::toggleInfoPanel()
{
    if (infoPanelToggle())
        infoPanelToggle()();
    if (noteInfoNeeded())
        updateNoteInfo();
}

void BXInfoPanelLink::updateSelectionForProvider(WindowController* controller)
{
    BXNoteDataProvider* provider = m_windows.providerOf(controller);
    if (!provider)
        return;
    const QList<platform::ManagedObjectPtr> notes = provider->selectedNotes();
    const BXNote::NotePtr note
        = notes.size() == 1 ? std::dynamic_pointer_cast<BXNote>(notes.first()) : nullptr;
    updateObservedNote(note);
    if (WindowController* window = m_windows.noteWindowControllerForNote(note))
        window->synchronizeWindowTitleWithDocumentName();
    if (noteInfoNeeded())
        updateInfoForNotes(notes);
}

void BXInfoPanelLink::updateObservedNote(const BXNote::NotePtr& note)
{
    if (m_observedNote == note)
        return;
    disconnect(m_observedNoteConnection);
    m_observedNote = note;
    if (note) {
        m_observedNoteConnection = connect(
            note.get(), &platform::ManagedObject::valueChanged, this, [this](const QString& key) {
                if (key == BXNote::NoteTitleKey || key == BXNote::NoteStylesKey
                    || key == BXNote::CategoriesKey)
                    updateNoteInfo();
            });
    }
    emit observedNoteChanged();
}

void BXInfoPanelLink::updateNoteInfo()
{
    WindowController* key = m_windows.keyWindowController();
    if (!m_windows.providerOf(key)) {
        // No window of this document is key: nothing is selected here.
        if (noteInfoNeeded())
            updateInfoForNotes({});
        return;
    }
    updateSelectionForProvider(key);
}

void BXInfoPanelLink::updateInfoForNotes(const QList<platform::ManagedObjectPtr>& notes)
{
    BXNoteInfo info = BXNoteInfo::forNotes(notes);
    platform::dispatchAsyncMain([self = QPointer(this), info = std::move(info)] {
        if (!self)
            return;
        self->m_noteInfo = info;
        emit self->noteInfoChanged();
    });
}
