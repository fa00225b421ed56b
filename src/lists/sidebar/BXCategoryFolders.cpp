#include "lists/sidebar/BXCategoryFolders.h"

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
#include "lists/BXTableView.h"
#include "lists/sidebar/BXCategoryKinds.h"
#include "lists/sidebar/BXPasteboardCategoryRow.h"

#include "document/model/BXCategory.h"
#include "document/transfer/BXFileNames.h"

#include "platform/appkit/FilePromise.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UndoManager.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>

#include <cerrno>

using namespace platform;

namespace {

const QString ErrorDomain = QStringLiteral("BXCategoriesErrorDomain");

Error categoryGone()
{
    return Error(ErrorDomain, 1, QStringLiteral("The category no longer exists."));
}

} // namespace

BXCategoryFolders::BXCategoryFolders(
    BXTableManagedObjectsArrayController& list, std::function<ManagedObjectPtr()> newCategory)
    : m_list(list), m_newCategory(std::move(newCategory))
{ }

QMimeData* BXCategoryFolders::mimeDataForRows(
    const IndexSet& rows, const BXPasteboardCategoryRowDelegate* rowDelegate) const
{
    const BXPasteboardCategoryRow row(rows, rowDelegate);
    auto promise = std::make_shared<FilePromise>();
    for (const ManagedObjectID& id : row.row().objectIDs()) {
        const QString name = promisedFileName(id);
        if (name.isEmpty())
            continue;
        promise->addFile(
            name, [list = QPointer(&m_list), this, id](const QString& path, Error* error) {
                if (!list)
                    return Error::set(error, categoryGone());
                return writePromisedFile(id, path, error);
            });
    }
    return row.mimeData(promise);
}

QString BXCategoryFolders::promisedFileName(const ManagedObjectID& objectID) const
{
    ManagedObjectContext* context = m_list.managedObjectContext();
    const BXCategory* category
        = context ? BXCategoryKinds::category(context->objectRegisteredForID(objectID)) : nullptr;
    return category
        ? BXFileNames::safeFileName(category->categoryName(), localized(QStringLiteral("Category")))
        : QString();
}

bool BXCategoryFolders::writePromisedFile(
    const ManagedObjectID& objectID, const QString& path, Error* error) const
{
    ManagedObjectContext* context = m_list.managedObjectContext();
    // The category the drag started with, wherever it stands now.
    const ManagedObjectPtr dragged = context ? context->objectRegisteredForID(objectID) : nullptr;
    if (!dragged || dragged->isDeleted() || !dragged->managedObjectContext())
        return Error::set(error, categoryGone());
    bool exported = false;
    exportNotesInCategory(dragged, path, false, &exported);
    if (!exported)
        return Error::set(
            error, Error(ErrorDomain, 2, QStringLiteral("The notes could not be exported.")));
    return true;
}

QString BXCategoryFolders::exportNotesInCategory(
    const ManagedObjectPtr& object, const QString& folder, bool createFolder, bool* exported) const
{
    if (exported)
        *exported = false;
    const BXCategory* category = BXCategoryKinds::category(object);
    if (!category)
        return {};
    QString name;
    QString target = folder;
    if (createFolder) {
        name = BXFileNames::uniqueFileName(BXFileNames::safeFileName(category->categoryName(),
                                               localized(QStringLiteral("Category"))),
            folder);
        target = QDir(folder).filePath(name);
    }
    if (!QDir().mkpath(target)) {
        log(QStringLiteral("Couldn't create folder “%@” for export, error: %@"),
            name.isEmpty() ? target : name, Error::fromErrno(errno, target).localizedDescription());
        return {};
    }
    const Objects notes = category->notes();
    QStringList written;
    const bool wrote = exportNotes(notes, target, &written);
    if (exported)
        *exported = notes.isEmpty() || (wrote && !written.isEmpty());
    if (!notes.isEmpty() && !wrote)
        log(QStringLiteral("Nothing exported into “%@”: no export for the notes"), target);
    return name;
}

bool BXCategoryFolders::exportNotes(
    const Objects& notes, const QString& folder, QStringList* exportedNames) const
{
    return m_list.delegate()
        && m_list.delegate()->tableArrayControllerExportNotes(
            &m_list, notes, QUrl::fromLocalFile(folder), exportedNames);
}

void BXCategoryFolders::importNotes(const Objects& notes, const Objects& categories)
{
    if (m_list.delegate())
        m_list.delegate()->tableArrayControllerImportNotes(&m_list, notes, categories, {});
}

void BXCategoryFolders::importNotesAtURLs(
    const QList<QUrl>& urls, const std::optional<Objects>& categories)
{
    if (m_list.delegate())
        m_list.delegate()->tableArrayControllerImportNotesAtURLs(&m_list, urls, categories, {});
}

void BXCategoryFolders::importCategoriesAtURLs(const QList<QUrl>& urls)
{
    ManagedObjectContext* context = m_list.managedObjectContext();
    if (!context)
        return;
    context->processPendingChanges();
    UndoManager* undo = context->undoManager();
    if (undo)
        undo->disableUndoRegistration();
    for (const QUrl& url : urls) {
        const ManagedObjectPtr category = m_newCategory();
        if (!category)
            continue;
        BXCategoryKinds::category(category)->setCategoryName(
            QFileInfo(url.toLocalFile()).fileName());
        const auto& coordinator = context->persistentStoreCoordinator();
        if (coordinator && coordinator->hasStore()) {
            Error error;
            if (!context->save(&error)) {
                log(QStringLiteral("error saving context %@"), error.localizedDescription());
                continue;
            }
        }
        importNotesAtURLs({ url }, Objects { category });
    }
    context->processPendingChanges();
    if (undo)
        undo->enableUndoRegistration();
}
