#pragma once

#include "platform/controllers/ControllerSelection.h"
#include "platform/data/ManagedObject.h"
#include "platform/foundation/NotificationCenter.h"

#include <QList>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <optional>

class BXTableManagedObjectsArrayController;

// The document-level work the lists hand to their delegate, the main window controller. Every
// message is optional: the defaults answer "not implemented" (nullopt, or false for messages
// without a result), and the sender then does what it does without a delegate.
class BXTableManagedObjectsArrayControllerDelegate {
public:
    using Notes = QList<platform::ManagedObjectPtr>;
    using Completion = std::function<void()>;
    // Receives the notes an import made, none when it made none.
    using ImportCompletion = std::function<void(QList<platform::ManagedObjectPtr>)>;

    virtual ~BXTableManagedObjectsArrayControllerDelegate() = default;

    // Whether the selection may be edited; absent: it may.
    virtual std::optional<bool> tableArrayControllerCanEditObject(
        BXTableManagedObjectsArrayController* controller,
        const std::shared_ptr<platform::ControllerSelection>& object);
    // Whether the objects may be deleted; false cancels silently; absent: they may.
    virtual std::optional<bool> tableArrayControllerCanDeleteObjects(
        BXTableManagedObjectsArrayController* controller, const Notes& objects);
    // `contextInfo` holds "DropOperation", "DropExternal" and, when known, "DropCount"; absent:
    // the drop is allowed.
    virtual std::optional<bool> tableArrayControllerCanHandleDropOnRow(
        BXTableManagedObjectsArrayController* controller, int row, const QVariantMap& contextInfo);

    // The messages below answer whether they are implemented.
    // Imports files as notes into `categories` (null: none given); `completion`, when given,
    // runs on the main thread once the import is over, whatever it made.
    virtual bool tableArrayControllerImportNotesAtURLs(
        BXTableManagedObjectsArrayController* controller, const QList<QUrl>& urls,
        const std::optional<Notes>& categories, const ImportCompletion& completion);
    // Copies notes of another document into this document's `categories`.
    virtual bool tableArrayControllerImportNotes(BXTableManagedObjectsArrayController* controller,
        const Notes& notes, const Notes& categories, const Completion& completion);
    // Writes the notes as files into `folder`, adding the written names to `exportedFilesNames`
    // when given.
    virtual bool tableArrayControllerExportNotes(BXTableManagedObjectsArrayController* controller,
        const Notes& notes, const QUrl& folder, QStringList* exportedFilesNames);
    virtual bool deleteNotes(const Notes& notes);
    virtual bool willRemoveNotes(const Notes& notes);
    virtual bool tableArrayControllerObjectDataChanged(
        BXTableManagedObjectsArrayController* controller, const platform::ManagedObjectPtr& object);
    virtual bool tableViewColumnDidMove(const platform::Notification& notification);
    virtual bool tableViewColumnDidResize(const platform::Notification& notification);
};
