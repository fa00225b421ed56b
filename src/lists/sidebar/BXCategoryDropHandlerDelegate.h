#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/foundation/IndexSet.h"

#include <QList>
#include <QUrl>

#include <optional>

// What the category drop handler asks of its sidebar to carry a drop out: the category that
// takes every note, new categories, moves, and the imports of notes and folders.
class BXCategoryDropHandlerDelegate {
public:
    using Objects = QList<platform::ManagedObjectPtr>;

    virtual ~BXCategoryDropHandlerDelegate() = default;

    virtual bool isAllNotesCategory(const platform::ManagedObjectPtr& category) const = 0;
    // A new category, added and selected.
    virtual platform::ManagedObjectPtr newCategory() = 0;
    // Moves the user categories at arranged `indexes` to arranged `row`.
    virtual void moveCategoriesAtIndexes(const platform::IndexSet& indexes, int row, bool group)
        = 0;
    // Copies notes of another document into `categories`.
    virtual void importNotes(const Objects& notes, const Objects& categories) = 0;
    virtual void importNotesAtURLs(
        const QList<QUrl>& urls, const std::optional<Objects>& categories)
        = 0;
    // One new category per folder, holding the folder's files.
    virtual void importCategoriesAtURLs(const QList<QUrl>& urls) = 0;
};
