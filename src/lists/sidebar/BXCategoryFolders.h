#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/data/ManagedObjectID.h"
#include "platform/foundation/Error.h"
#include "platform/foundation/IndexSet.h"

#include <QList>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class BXPasteboardCategoryRowDelegate;
class BXTableManagedObjectsArrayController;
class QMimeData;

// Categories as folders of files: a category's notes written into a folder (the folder promised
// by a dragged category row too), dropped folders made into categories holding their files, and
// notes copied or imported into categories. Writing and reading notes is the list's delegate's
// (the document's) work; without a delegate nothing is written or read. Owned by the categories
// controller, which `list` is; main thread only.
class BXCategoryFolders final {
public:
    using Objects = QList<platform::ManagedObjectPtr>;

    // `newCategory` makes a category for a folder (added and selected like any new one).
    BXCategoryFolders(BXTableManagedObjectsArrayController& list,
        std::function<platform::ManagedObjectPtr()> newCategory);

    // Dragging out: the drag value of `rows`, promising one folder per category.
    QMimeData* mimeDataForRows(
        const platform::IndexSet& rows, const BXPasteboardCategoryRowDelegate* rowDelegate) const;
    QString promisedFileName(const platform::ManagedObjectID& objectID) const;
    // Writes the notes of the category the drag started with, wherever it stands now, into
    // `path`.
    bool writePromisedFile(const platform::ManagedObjectID& objectID, const QString& path,
        platform::Error* error) const;

    // Writes the category's notes into a folder of its own (`createFolder`, named after it and
    // made unique in `folder`) or into `folder` itself. The folder's name; empty when the folder
    // could not be made (with `createFolder`) or was not asked for. `exported` tells whether
    // the folder exists and the delegate wrote the notes.
    QString exportNotesInCategory(const platform::ManagedObjectPtr& category, const QString& folder,
        bool createFolder, bool* exported) const;
    // The delegate's export; false without one, or when it wrote nothing for some notes.
    bool exportNotes(const Objects& notes, const QString& folder, QStringList* exportedNames) const;

    void importNotes(const Objects& notes, const Objects& categories);
    void importNotesAtURLs(const QList<QUrl>& urls, const std::optional<Objects>& categories);
    // One new category per folder, named after it, holding the folder's files; outside undo.
    void importCategoriesAtURLs(const QList<QUrl>& urls);

private:
    BXTableManagedObjectsArrayController& m_list;
    std::function<platform::ManagedObjectPtr()> m_newCategory;
};
