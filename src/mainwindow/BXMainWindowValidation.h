#pragma once

#include "platform/controllers/Command.h"
#include "platform/data/ManagedObject.h"

#include <QList>
#include <QObject>
#include <QUrl>

#include <optional>

class BXMainWindowController;
class BXManagedObjectsArrayController;
class BXTableManagedObjectsArrayController;
class QAction;
class QMenu;

// Which of the main window's commands may be sent now, with which title and check mark; the
// questions about the notes list that this and the toolbar ask; selections by object-ID URI;
// and the items of the History menu and of share menus. Actions without a row here are left
// to whoever answers them. Owned by the window controller; main thread only.
class BXMainWindowValidation final : public QObject {
    Q_OBJECT

public:
    explicit BXMainWindowValidation(BXMainWindowController* controller);

    bool hasAvailableNotes() const;
    bool hasAvailableNotesAndCategorySelected() const;
    bool isNoteSelected() const;
    bool isNoteClicked() const;
    bool isNoteClickedAndCategorySelected() const;

    static QList<QUrl> selectedURIsInController(const BXManagedObjectsArrayController* controller);
    // Selects `objects` only when the list shows every one of them (an empty request never);
    // otherwise the selection stays and the answer is false.
    static bool selectObjects(const QList<platform::ManagedObjectPtr>& objects,
        BXTableManagedObjectsArrayController* controller);

    // The answer of the command's row, setting its check mark where the row has one; nothing
    // for an action without a row.
    std::optional<bool> validateMenuItem(platform::Command& command) const;
    // The title of the command's row in the current state; nothing when the row keeps the
    // item's own.
    std::optional<QString> titleFor(const platform::Command& command) const;

    // As delegate of the History menu and of share menus: how many items the menu holds, and
    // the item at `index` brought up to date. A cancelled update drops the items from `index`
    // on and answers false.
    int numberOfItemsInMenu(const QMenu* menu) const;
    bool menuUpdateItem(QMenu* menu, QAction* item, int index, bool shouldCancel);

private:
    BXMainWindowController* m_controller;
};
