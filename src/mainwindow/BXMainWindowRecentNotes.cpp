#include "mainwindow/BXMainWindowRecentNotes.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesArrayController.h"

#include "document/model/BXFetchedNotesCategory.h"
#include "document/model/BXNote.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/MenuAccessKeys.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/Document.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"

#include <QAction>
#include <QChildEvent>
#include <QMenu>
#include <QMenuBar>

using platform::CommandRouter;
using platform::FetchRequest;
using platform::ManagedObjectPtr;

BXMainWindowRecentNotes::BXMainWindowRecentNotes(BXMainWindowController* controller)
    : QObject(controller), m_controller(controller)
{
    if (QWidget* window = controller->mainWindow()) {
        window->installEventFilter(this);
        findRecentNotesMenu();
    }
}

BXMainWindowRecentNotes::~BXMainWindowRecentNotes() = default;

QList<ManagedObjectPtr> BXMainWindowRecentNotes::fetchSortedRecentNotes() const
{
    const std::shared_ptr<BXFetchedNotesCategory>& recent
        = m_controller->categoriesController()->recentNotesCategory();
    platform::Document* document = m_controller->document();
    if (!recent || !document || !document->managedObjectContext())
        return {};
    return fetchSortedRecentNotes(*document->managedObjectContext(), *recent,
        m_controller->notesController()->sortDescriptors());
}

QList<ManagedObjectPtr> BXMainWindowRecentNotes::fetchSortedRecentNotes(
    platform::ManagedObjectContext& context, const BXFetchedNotesCategory& recent,
    const QList<platform::SortDescriptor>& sort, QDateTime* latest)
{
    QDateTime reference = BXFetchedNotesCategory::latestModification(context);
    if (latest)
        *latest = reference;
    if (!reference.isValid())
        reference = QDateTime::currentDateTime();

    const platform::PredicateRef stored = recent.predicate();
    if (!stored)
        return {};
    FetchRequest request(BXNote::entityName());
    request.setPredicate(stored->predicateWithSubstitutionVariables(
        { { BXFetchedNotesCategory::DateBeforeNowVariable,
            BXFetchedNotesCategory::recentNotesCutOff(reference) } }));
    request.setSortDescriptors(sort);
    // Only list keys: every recent note's text would be read and kept for nothing.
    request.setPropertiesToFetch(BXFetchedNotesCategory::listedNoteKeys());
    platform::Error error;
    std::optional<QList<ManagedObjectPtr>> notes = context.fetchObjects(request, &error);
    if (!notes) {
        platform::log(QStringLiteral("Error fetching recent notes: %@"), error);
        return {};
    }
    // The spare empty note waits to become the next new note: it lists nothing worth going to.
    notes->removeIf([](const ManagedObjectPtr& object) {
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        return !note || note->trashFlag();
    });
    return *notes;
}

void BXMainWindowRecentNotes::buildRecentsMenu(QMenu* menu)
{
    if (!menu)
        return;
    menu->clear();
    const QList<ManagedObjectPtr> notes = fetchSortedRecentNotes();
    for (const ManagedObjectPtr& object : notes) {
        const auto note = std::static_pointer_cast<BXNote>(object);
        const QString title = note->noteTitle();
        QAction* item
            = menu->addAction(title.isEmpty() ? platform::localized(QStringLiteral("Untitled"))
                                              : platform::MenuAccessKeys::literal(title));
        // Straight to this window, whichever window's menu shows the item.
        CommandRouter::setRepresentedObject(item, QVariant::fromValue(object));
        const std::weak_ptr<platform::ManagedObject> weak = object;
        connect(item, &QAction::triggered, this, [this, weak] { selectNoteFromMenu(weak.lock()); });
    }
    if (notes.isEmpty())
        menu->addAction(platform::localized(QStringLiteral("No Recent Notes")))->setEnabled(false);
}

void BXMainWindowRecentNotes::selectNoteFromMenu(const ManagedObjectPtr& note)
{
    if (note)
        m_controller->notesController()->selectObjects({ note }, true);
}

void BXMainWindowRecentNotes::navigateToPreviousRecent()
{
    step(-1);
}

void BXMainWindowRecentNotes::navigateToNextRecent()
{
    step(1);
}

bool BXMainWindowRecentNotes::canNavigateToPreviousRecent() const
{
    return recentNotesCount() >= 2;
}

bool BXMainWindowRecentNotes::canNavigateToNextRecent() const
{
    return recentNotesCount() >= 2;
}

qsizetype BXMainWindowRecentNotes::recentNotesCount() const
{
    platform::Document* document = m_controller->document();
    return m_recentCounter.count(document ? document->managedObjectContext() : nullptr,
        m_controller->categoriesController()->recentNotesCategory());
}

void BXMainWindowRecentNotes::step(int direction)
{
    const QList<ManagedObjectPtr> notes = fetchSortedRecentNotes();
    if (notes.isEmpty())
        return;
    // The list shows the recent notes, so the chosen one can be selected there.
    if (const std::shared_ptr<BXFetchedNotesCategory>& recent
        = m_controller->categoriesController()->recentNotesCategory())
        m_controller->categoriesController()->selectObjects({ recent }, true);
    BXNotesArrayController* list = m_controller->notesController();
    const QList<ManagedObjectPtr> selected = list->selectedObjects();
    const qsizetype current = selected.isEmpty() ? -1 : notes.indexOf(selected.first());
    const qsizetype count = notes.size();
    qsizetype next = 0;
    if (direction < 0)
        next = (current <= 0 ? count : current) - 1;
    else if (current >= 0 && current < count - 1)
        next = current + 1;
    list->selectObjects({ notes.at(next) }, true);
}

bool BXMainWindowRecentNotes::eventFilter(QObject* watched, QEvent* event)
{
    // The application gives the window its menu bar once the window is shown.
    if (event->type() == QEvent::ChildAdded && watched == m_controller->mainWindow()
        && qobject_cast<QMenuBar*>(static_cast<QChildEvent*>(event)->child()))
        findRecentNotesMenu();
    return QObject::eventFilter(watched, event);
}

void BXMainWindowRecentNotes::findRecentNotesMenu()
{
    QWidget* window = m_controller->mainWindow();
    auto* menu = window ? window->findChild<QMenu*>(kRecentNotesMenuName) : nullptr;
    if (!menu || menu == m_recentNotesMenu)
        return;
    m_recentNotesMenu = menu;
    // Each window has its own menu bar: its Recents menu lists this document's notes.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { buildRecentsMenu(menu); });
}
