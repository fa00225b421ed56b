#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>

#include <memory>

class BXFetchedNotesCategory;

namespace platform {
class ManagedObjectContext;
struct Notification;
} // namespace platform

// The three built-in smart categories of a document (All Notes, Recent Notes, No Category),
// found in its store or made there the first time, and the sidebar's content read with them.
// Owned by the categories controller; main thread only.
class BXSmartCategories final {
public:
    // Finds or inserts the smart categories, turns categories still marked as the old default
    // category into plain ones, and answers every category to list. A store holding several of
    // one smart kind lists the one in use only. Turning undo registration off is the caller's.
    QList<platform::ManagedObjectPtr> loadContent(platform::ManagedObjectContext* context);

    // After a change of the context's objects that inserted or deleted notes, the smart
    // categories among `selected` read their notes again. True when there was one; its notes are
    // fetched anew by whoever reads them, also when the store had nothing to read yet.
    static bool refreshAfterChange(const platform::Notification& objectsDidChange,
        const QList<platform::ManagedObjectPtr>& selected);

    const std::shared_ptr<BXFetchedNotesCategory>& allNotes() const { return m_allNotes; }
    const std::shared_ptr<BXFetchedNotesCategory>& recentNotes() const { return m_recentNotes; }
    const std::shared_ptr<BXFetchedNotesCategory>& noCategory() const { return m_noCategory; }

private:
    static std::shared_ptr<BXFetchedNotesCategory> smartCategory(
        platform::ManagedObjectContext* context, const QString& identifier, const QString& name,
        const QString& predicateFormat);

    std::shared_ptr<BXFetchedNotesCategory> m_allNotes;
    std::shared_ptr<BXFetchedNotesCategory> m_recentNotes;
    std::shared_ptr<BXFetchedNotesCategory> m_noCategory;
};
