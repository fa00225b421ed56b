#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QSet>

#include <optional>

// The tag peek: which categories hold every one of the notes peeked at. A smart category answers
// by its fetch predicate (All Notes holds every note), any other by its notes. Owned by the
// categories controller; main thread only.
class BXCategoryPeek final {
public:
    using Objects = QList<platform::ManagedObjectPtr>;

    bool hasNotes() const { return m_hasNotes; }
    const Objects& notes() const { return m_notes; }
    // The notes to peek at; nullopt ends the peek. The answers stay until update().
    void setNotes(const std::optional<Objects>& notes);
    // Works out anew which of `categories` hold every peeked note; none without a peek.
    void update(const Objects& categories);
    // As the latest update() found.
    bool holdsEveryNote(const platform::ManagedObject* category) const
    {
        return m_hasNotes && m_containing.contains(category);
    }

private:
    bool m_hasNotes = false;
    Objects m_notes;
    QSet<const platform::ManagedObject*> m_containing;
};
