#include "mainwindow/history/BXMainWindowHistory.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowRecentNotes.h"
#include "mainwindow/history/BXPageController.h"
#include "mainwindow/editor/BXTextView.h"

#include "lists/noteslist/BXNotesArrayController.h"

#include "document/model/BXNote.h"

#include "platform/appkit/UserInput.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"

#include <QChildEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWheelEvent>

#include <cstdlib>

using platform::ManagedObjectPtr;

BXMainWindowHistory::BXMainWindowHistory(BXMainWindowController* controller)
    : QObject(controller),
      m_controller(controller),
      m_pageController(new BXPageController(this, this))
{
    controller->noteTextView()->viewport()->installEventFilter(this);
    if (QWidget* window = controller->mainWindow()) {
        window->installEventFilter(this);
        findHistoryMenu();
    }
}

BXMainWindowHistory::~BXMainWindowHistory() = default;

void BXMainWindowHistory::noteWillShow(const ManagedObjectPtr& note)
{
    if (!note || m_swipeNavigating)
        return;
    const QList<ManagedObjectPtr>& entries = m_pageController->arrangedObjects();
    if (!entries.isEmpty()) {
        if (m_pageController->selectedItem() == note)
            return;
        for (int index = 0; index < entries.size(); ++index) {
            const ManagedObjectPtr& entry = entries.at(index);
            if (entry == note || (entry && entry->objectID() == note->objectID())) {
                m_pageController->setSelectedIndex(index);
                return;
            }
        }
    }
    m_pageController->navigateForwardToObject(note);
}

bool BXMainWindowHistory::itemAvailable(const ManagedObjectPtr& item) const
{
    const auto note = std::dynamic_pointer_cast<BXNote>(item);
    return note && note->objectAvailable();
}

QString BXMainWindowHistory::itemTitle(const ManagedObjectPtr& item) const
{
    const auto note = std::dynamic_pointer_cast<BXNote>(item);
    if (!note)
        return platform::localized(QStringLiteral("<No Selection>"));
    // A deleted note keeps the title it had; its stored values are gone.
    if (note->isDeleted())
        return note->noteTitle().isEmpty() ? QStringLiteral("\u2026") : note->noteTitle();
    const QString title = note->noteTitle();
    if (!title.isEmpty())
        return title;
    return note->trashFlag() ? platform::localized(QStringLiteral("New Note"))
                             : QStringLiteral("\u2026");
}

std::optional<bool> BXMainWindowHistory::canNavigateToPreviousRecent() const
{
    return m_controller->recentNotes()->canNavigateToPreviousRecent();
}

std::optional<bool> BXMainWindowHistory::canNavigateToNextRecent() const
{
    return m_controller->recentNotes()->canNavigateToNextRecent();
}

bool BXMainWindowHistory::navigateToPreviousRecent()
{
    m_controller->recentNotes()->navigateToPreviousRecent();
    return true;
}

bool BXMainWindowHistory::navigateToNextRecent()
{
    m_controller->recentNotes()->navigateToNextRecent();
    return true;
}

void BXMainWindowHistory::pageControllerWillStartLiveTransition()
{
    m_noteTextWasFirstResponderWhileNavigating = m_controller->noteTextView()->hasFocus();
    m_swipeNavigating = true;
}

void BXMainWindowHistory::pageControllerDidTransitionToObject(const ManagedObjectPtr& object)
{
    if (!object || !itemAvailable(object))
        return;
    m_swipeTransitionConfirmed = true;
    if (m_swipeNavigating)
        m_navigationObject = object;
}

void BXMainWindowHistory::pageControllerDidEndLiveTransition()
{
    BXNotesArrayController* notes = m_controller->notesController();
    if (m_swipeTransitionConfirmed) {
        m_swipeTransitionConfirmed = false;
        notes->scrollToSelection();
        if (m_swipeNavigating && m_navigationObject) {
            if (!m_controller->selectNotes({ m_navigationObject }, false)) {
                const auto note = std::dynamic_pointer_cast<BXNote>(m_navigationObject);
                platform::log(QStringLiteral("something wrong, can't navigate to note %@"),
                    note ? note->objectID().URIRepresentation() : QUrl());
                platform::UserInput::current().beep();
                notes->setSelectedObjects({});
            }
            QPointer<BXNotesArrayController> list(notes);
            platform::dispatchAfter(kScrollToSelectionDelay, this, [list] {
                if (list)
                    list->scrollToSelection();
            });
        }
        m_navigationObject.reset();
    }
    m_swipeNavigating = false;
    if (m_noteTextWasFirstResponderWhileNavigating)
        m_controller->noteTextView()->setFocus(Qt::OtherFocusReason);
}

bool BXMainWindowHistory::respondsTo(const QString& action) const
{
    return m_pageController->respondsTo(action);
}

std::optional<bool> BXMainWindowHistory::validate(platform::Command& command) const
{
    return m_pageController->validate(command);
}

void BXMainWindowHistory::perform(const platform::Command& command)
{
    m_pageController->perform(command);
}

bool BXMainWindowHistory::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Wheel && watched == m_controller->noteTextView()->viewport())
        return handleWheel(static_cast<QWheelEvent*>(event));
    // The application gives the window its menu bar once the window is shown.
    if (event->type() == QEvent::ChildAdded && watched == m_controller->mainWindow()
        && qobject_cast<QMenuBar*>(static_cast<QChildEvent*>(event)->child()))
        findHistoryMenu();
    return QObject::eventFilter(watched, event);
}

bool BXMainWindowHistory::handleWheel(const QWheelEvent* event)
{
    const QPoint delta = event->angleDelta();
    const double now = platform::Scheduler::current().now();
    if (event->phase() == Qt::ScrollBegin
        || (event->phase() == Qt::NoScrollPhase && now - m_lastWheelTime > kSwipeRest)) {
        m_swipeAccumulated = 0;
        m_swipedInGesture = false;
    }
    m_lastWheelTime = now;
    if (event->phase() == Qt::ScrollEnd) {
        m_swipeAccumulated = 0;
        m_swipedInGesture = false;
        return false;
    }
    if (std::abs(delta.x()) <= std::abs(delta.y()))
        return false;
    m_swipeAccumulated += delta.x();
    if (!m_swipedInGesture && std::abs(m_swipeAccumulated) >= kSwipeDistance) {
        m_swipedInGesture = true;
        // Fingers moving right scroll left: back, as in a browser.
        m_pageController->swipe(m_swipeAccumulated > 0 ? -1 : 1);
    }
    return true;
}

void BXMainWindowHistory::findHistoryMenu()
{
    QWidget* window = m_controller->mainWindow();
    auto* menu = window ? window->findChild<QMenu*>(kHistoryMenuName) : nullptr;
    if (!menu || menu == m_historyMenu)
        return;
    m_historyMenu = menu;
    m_pageController->attachHistoryMenu(menu);
}
