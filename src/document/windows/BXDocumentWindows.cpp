#include "document/windows/BXDocumentWindows.h"

#include "document/BXMainWindowProvider.h"
#include "document/BXNoteDataProvider.h"

#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/documents/WindowTracker.h"

#include <algorithm>

using platform::ManagedObjectPtr;
using platform::WindowController;

BXDocumentWindows::BXDocumentWindows(platform::Document& document, MakeNoteWindow makeNoteWindow)
    : m_document(document), m_makeNoteWindow(std::move(makeNoteWindow))
{
    connect(&platform::WindowTracker::current(),
        &platform::WindowTracker::mainWindowControllerChanged, this,
        &BXDocumentWindows::mainWindowControllerChanged);
}

BXDocumentWindows::~BXDocumentWindows()
{
    // Later: the document may go away while one of its windows is still closing.
    for (std::unique_ptr<WindowController>& controller : m_ownedControllers) {
        m_document.removeWindowController(controller.get());
        controller.release()->deleteLater();
    }
}

WindowController* BXDocumentWindows::adopt(std::unique_ptr<WindowController> made)
{
    WindowController* controller = made.get();
    m_ownedControllers.push_back(std::move(made));
    m_document.addWindowController(controller);
    // Let go once its window has closed; later, as the controller is still at work then.
    connect(controller, &WindowController::windowWillClose, this, [this, controller] {
        if (WindowController* released = disown(controller))
            released->deleteLater();
    });
    // Deleted by someone else (a closing application): only forget it.
    connect(controller, &QObject::destroyed, this, [this, controller] { disown(controller); });
    return controller;
}

WindowController* BXDocumentWindows::disown(WindowController* controller)
{
    const auto owned = std::find_if(m_ownedControllers.begin(), m_ownedControllers.end(),
        [controller](const auto& entry) { return entry.get() == controller; });
    if (owned == m_ownedControllers.end())
        return nullptr;
    WindowController* released = owned->release();
    m_ownedControllers.erase(owned);
    return released;
}

BXMainWindowProvider* BXDocumentWindows::mainWindowController() const
{
    if (m_document.windowControllers().isEmpty())
        return nullptr;
    return dynamic_cast<BXMainWindowProvider*>(m_document.windowControllers().first());
}

QWidget* BXDocumentWindows::mainWindow() const
{
    return mainWindowController() ? m_document.windowControllers().first()->window() : nullptr;
}

QObject* BXDocumentWindows::mainWindowObject() const
{
    return mainWindowController() ? m_document.windowControllers().first()->windowObject()
                                  : nullptr;
}

WindowController* BXDocumentWindows::keyWindowController() const
{
    WindowController* key = platform::WindowTracker::current().keyWindowController();
    return key && key->window() && m_document.windowControllers().contains(key) ? key : nullptr;
}

QWidget* BXDocumentWindows::keyWindow() const
{
    WindowController* key = keyWindowController();
    return key ? key->window() : nullptr;
}

BXNoteDataProvider* BXDocumentWindows::providerOf(WindowController* controller) const
{
    if (!controller || !m_document.windowControllers().contains(controller))
        return nullptr;
    return dynamic_cast<BXNoteDataProvider*>(controller);
}

WindowController* BXDocumentWindows::noteWindowControllerForNote(const BXNote::NotePtr& note) const
{
    const QList<WindowController*>& controllers = m_document.windowControllers();
    for (qsizetype i = 1; i < controllers.size(); ++i) {
        BXNoteDataProvider* provider = providerOf(controllers[i]);
        if (provider && note && provider->noteItem() == note)
            return controllers[i];
    }
    return nullptr;
}

QList<WindowController*> BXDocumentWindows::providersForNote(const BXNote::NotePtr& note) const
{
    QList<WindowController*> providers;
    for (WindowController* controller : m_document.windowControllers()) {
        BXNoteDataProvider* provider = providerOf(controller);
        if (provider && provider->noteItem() == note)
            providers.append(controller);
    }
    return providers;
}

WindowController* BXDocumentWindows::noteDataProviderMatchingProvider(
    WindowController* provider) const
{
    BXNoteDataProvider* data = providerOf(provider);
    if (!data)
        return nullptr;
    for (WindowController* other : providersForNote(data->noteItem())) {
        if (other != provider)
            return other;
    }
    return nullptr;
}

WindowController* BXDocumentWindows::openNoteWindow(const BXNote::NotePtr& note)
{
    if (WindowController* existing = noteWindowControllerForNote(note))
        return existing;
    if (!note || !m_makeNoteWindow)
        return nullptr;
    std::unique_ptr<WindowController> made = m_makeNoteWindow(note);
    return made ? adopt(std::move(made)) : nullptr;
}

void BXDocumentWindows::openNoteWindowsForNotes(
    const QList<ManagedObjectPtr>& notes, bool behindMainWindow)
{
    behindMainWindow = behindMainWindow && mainWindowController();
    bool shown = false;
    for (const ManagedObjectPtr& object : notes) {
        WindowController* controller = openNoteWindow(std::dynamic_pointer_cast<BXNote>(object));
        if (!controller)
            continue;
        if (behindMainWindow)
            controller->showWindowBehind();
        else
            controller->showWindow();
        shown = true;
    }
    // The main window stays in front with the keys, over the note windows just shown.
    if (shown && behindMainWindow)
        m_document.windowControllers().first()->showWindow();
}

void BXDocumentWindows::closeAllNoteWindows()
{
    const QList<WindowController*> controllers = m_document.windowControllers();
    for (qsizetype i = controllers.size() - 1; i >= 1; --i)
        controllers[i]->close();
}

void BXDocumentWindows::mainWindowControllerChanged(WindowController* controller)
{
    if (m_lastMainProvider && m_lastMainProvider != controller) {
        WindowController* resigned = m_lastMainProvider;
        m_lastMainProvider = nullptr;
        emit didResignMain(resigned);
    }
    if (providerOf(controller) && m_lastMainProvider != controller) {
        m_lastMainProvider = controller;
        emit didBecomeMain(controller);
    }
}
