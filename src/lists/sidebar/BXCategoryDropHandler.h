#pragma once

#include "platform/controllers/DropInfo.h"
#include "platform/controllers/DropValidation.h"
#include "platform/data/ManagedObject.h"

#include <QList>
#include <QStringList>
#include <QUrl>

class BXCategoryDropHandlerDelegate;
class BXManagedObjectsArrayController;
class BXTableManagedObjectsArrayController;

// Drops on the categories sidebar, in arranged rows (-1 is the list as a whole): categories of
// the same sidebar are reordered, notes of the same document join a category, notes and
// categories of another document are copied in, files are imported into a category and
// folders become categories. Each drop is one named undo step, and the list's delegate may
// refuse any of them. Owned by the categories controller, which `list` is; main thread only.
class BXCategoryDropHandler final {
public:
    using Objects = QList<platform::ManagedObjectPtr>;

    BXCategoryDropHandler(
        BXTableManagedObjectsArrayController& list, BXCategoryDropHandlerDelegate& delegate);

    platform::DropValidation validateDrop(const platform::DropInfo& info) const;
    bool acceptDrop(const platform::DropInfo& info);

    // True when at least one existing path was seen and all of them are folders; a document
    // package counts as a file.
    static bool onlyFoldersInFilePaths(const QStringList& paths);

private:
    platform::ManagedObjectPtr categoryAt(int row) const;
    bool askDelegate(int row, platform::DropPosition position, bool external, int count) const;
    bool acceptDroppedIndexes(const Objects& dropped, BXManagedObjectsArrayController* source,
        int row, platform::DropPosition position, Qt::KeyboardModifiers modifiers);
    bool acceptDroppedUrls(const QList<QUrl>& urls, int row, platform::DropPosition position);
    void setActionName(const QString& one, const QString& more, qsizetype count);

    BXTableManagedObjectsArrayController& m_list;
    BXCategoryDropHandlerDelegate& m_delegate;
};
