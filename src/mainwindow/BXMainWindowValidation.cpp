#include "mainwindow/BXMainWindowValidation.h"

#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/history/BXMainWindowHistory.h"
#include "mainwindow/history/BXPageController.h"
#include "mainwindow/search/BXMainWindowSearch.h"

#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "ui/ArrayUtilities.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/SharingServices.h"
#include "platform/foundation/Localized.h"

#include <QAction>
#include <QMenu>

#include <cmath>

using platform::Command;
using platform::localized;

namespace {

// The sort items' tags: by title, by creation, by modification.
constexpr int kSortByTitleTag = 0;
constexpr int kSortByCreatedTag = 1;
constexpr int kSortByModifiedTag = 2;

bool is(const Command& command, const char* action)
{
    return command.action == QLatin1String(action);
}

} // namespace

BXMainWindowValidation::BXMainWindowValidation(BXMainWindowController* controller)
    : QObject(controller), m_controller(controller)
{ }

bool BXMainWindowValidation::hasAvailableNotes() const
{
    return !m_controller->notesController()->arrangedObjects().isEmpty();
}

bool BXMainWindowValidation::hasAvailableNotesAndCategorySelected() const
{
    return hasAvailableNotes() && m_controller->categoriesController()->plainCategorySelected();
}

bool BXMainWindowValidation::isNoteSelected() const
{
    return !m_controller->notesController()->selectionIndexes().isEmpty();
}

bool BXMainWindowValidation::isNoteClicked() const
{
    return m_controller->notesController()->clickedRow() != -1;
}

bool BXMainWindowValidation::isNoteClickedAndCategorySelected() const
{
    return isNoteClicked() && m_controller->categoriesController()->plainCategorySelected();
}

QList<QUrl> BXMainWindowValidation::selectedURIsInController(
    const BXManagedObjectsArrayController* controller)
{
    return controller->selectedObjectsIDURIRepresentations();
}

bool BXMainWindowValidation::selectObjects(const QList<platform::ManagedObjectPtr>& objects,
    BXTableManagedObjectsArrayController* controller)
{
    // The list controller's own check takes an empty request as contained.
    if (!ArrayUtilities::containsObjects(controller->arrangedObjects(), objects))
        return false;
    return controller->setSelectedObjects(objects);
}

std::optional<bool> BXMainWindowValidation::validateMenuItem(Command& command) const
{
    const BXNotesArrayController* notes = m_controller->notesController();
    const BXCategoriesArrayController* categories = m_controller->categoriesController();
    const double zoom = m_controller->noteTextView()->zoomFactor();
    if (is(command, "exportSelectedNotes:"))
        return !notes->selectedObjects().isEmpty();
    if (is(command, "exportFoundNotes:"))
        return hasAvailableNotes();
    if (is(command, "deleteSelectedNotes:") || is(command, "deleteFoundNotes:"))
        return notes->canDelete();
    // Listed notes leave a tag only while tags alone are selected: a smart category holds its
    // notes by what they are.
    if (is(command, "unlinkFoundNotes:"))
        return hasAvailableNotesAndCategorySelected();
    if (is(command, "reorderTags:"))
        return command.tag == 0 ? !categories->plainCategories().isEmpty()
                                : !categories->selectedUserCategories().isEmpty();
    if (is(command, "duplicateSelectedNotes:") || is(command, "renameNote:")
        || is(command, "openSelectedNotesInSeparateWindow:")
        || command.action == platform::SharingServices::kShareFromServiceAction)
        return isNoteSelected();
    if (command.action == BXPageController::kNavigateAction
        || command.action == BXPageController::kClearHistoryAction)
        return m_controller->history()->validate(command);
    if (is(command, "toggleShowRecentNotesCategory:")) {
        command.checked = categories->showRecentNotesCategory();
        return true;
    }
    if (is(command, "toggleShowNoCategory:")) {
        command.checked = categories->showNoCategory();
        return true;
    }
    if (is(command, "toggleShowNoteCreatedColumn:")) {
        command.checked = notes->noteCreatedColumnVisible();
        return true;
    }
    if (is(command, "toggleShowNoteModifiedColumn:")) {
        command.checked = notes->noteModifiedColumnVisible();
        return true;
    }
    if (is(command, "toggleLists:"))
        return true;
    if (is(command, "toggleTagsBar:"))
        return !m_controller->listsCollapsed();
    if (is(command, "setNotesSortDescriptors:")) {
        const auto& sort = notes->sortDescriptors();
        if (sort.isEmpty()) {
            command.checked = false;
        } else {
            const QString& key = sort.first().key();
            const int current = key == BXNotesArrayController::NoteCreatedColumn ? kSortByCreatedTag
                : key == BXNotesArrayController::NoteModifiedColumn ? kSortByModifiedTag
                                                                    : kSortByTitleTag;
            command.checked = command.tag == current;
        }
        return true;
    }
    if (is(command, "changeSearchMode:")) {
        command.checked = command.tag == m_controller->search()->searchMode();
        return true;
    }
    if (is(command, "continueSearch:"))
        return !m_controller->searchString().isEmpty() && m_controller->selectedNote() != nullptr;
    if (is(command, "setDefaultStyle:")) {
        const BXMainWindow* window = m_controller->mainWindow();
        return window && window->focusWidget() == m_controller->noteTextView();
    }
    if (is(command, "increaseZoom:"))
        return zoom < BXMainWindowTextDelegate::kMaxZoom;
    if (is(command, "decreaseZoom:"))
        return zoom > BXMainWindowTextDelegate::kMinZoom;
    if (is(command, "resetZoom:"))
        return zoom != 1.0;
    if (is(command, "setZoom:")) {
        // A zoom item's tag is its percentage. The hair keeps factors such as 0.29, whose
        // product with 100 falls just short of 29, at their own percent, as the pop-up does.
        command.checked = command.tag == int(std::floor(zoom * 100.0 + 1e-9));
        return true;
    }
    return std::nullopt;
}

std::optional<QString> BXMainWindowValidation::titleFor(const Command& command) const
{
    if (is(command, "exportSelectedNotes:"))
        return localized(m_controller->notesController()->selectedObjects().size() < 2
                ? QStringLiteral("Export Note…")
                : QStringLiteral("Export Notes…"));
    if (is(command, "deleteSelectedNotes:"))
        return m_controller->notesController()->titleForDeleteMenu();
    if (is(command, "toggleTagsBar:"))
        return localized(m_controller->bars()->tagsBarVisible() ? QStringLiteral("Hide Tags")
                                                                : QStringLiteral("Show Tags"));
    if (is(command, "toggleLists:"))
        return localized(m_controller->splitView()->isSubviewCollapsed(0)
                ? QStringLiteral("Show Sidebar")
                : QStringLiteral("Hide Sidebar"));
    return std::nullopt;
}

int BXMainWindowValidation::numberOfItemsInMenu(const QMenu* menu) const
{
    if (menu->objectName() == BXMainWindowHistory::kHistoryMenuName)
        return m_controller->history()->pageController()->numberOfItemsInHistoryMenu();
    return int(platform::SharingServices::shared().services().size());
}

bool BXMainWindowValidation::menuUpdateItem(
    QMenu* menu, QAction* item, int index, bool shouldCancel)
{
    if (shouldCancel) {
        const QList<QAction*> items = menu->actions();
        for (qsizetype last = items.size() - 1; last >= index && last >= 0; --last) {
            menu->removeAction(items.at(last));
            if (items.at(last)->parent() == menu)
                delete items.at(last);
        }
        return false;
    }
    if (menu->objectName() == BXMainWindowHistory::kHistoryMenuName) {
        m_controller->history()->pageController()->updateItemInHistoryMenu(item, index);
        return true;
    }
    const auto& services = platform::SharingServices::shared().services();
    if (index < 0 || index >= int(services.size()))
        return false;
    const platform::SharingService& service = *services.at(size_t(index));
    item->setText(service.title());
    item->setIcon(service.icon());
    platform::CommandRouter::setAction(item, platform::SharingServices::kShareFromServiceAction);
    platform::CommandRouter::setRepresentedObject(item, service.identifier());
    platform::CommandRouter::setTarget(item, m_controller);
    return true;
}
