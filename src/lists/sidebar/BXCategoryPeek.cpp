#include "lists/sidebar/BXCategoryPeek.h"

#include "document/model/BXFetchedNotesCategory.h"

#include <algorithm>

using namespace platform;

void BXCategoryPeek::setNotes(const std::optional<Objects>& notes)
{
    m_hasNotes = notes.has_value();
    m_notes = notes.value_or(Objects());
}

void BXCategoryPeek::update(const Objects& categories)
{
    m_containing.clear();
    if (!m_hasNotes)
        return;
    QSet<const ManagedObject*> peeked;
    for (const ManagedObjectPtr& note : std::as_const(m_notes))
        peeked.insert(note.get());
    for (const ManagedObjectPtr& object : categories) {
        const auto* category = dynamic_cast<const BXCategory*>(object.get());
        if (!category)
            continue;
        bool holdsAll = true;
        if (const auto* smart = dynamic_cast<const BXFetchedNotesCategory*>(category)) {
            const PredicateRef predicate = smart->fetchPredicate();
            if (!predicate && smart->identifier() != BXCategory::AllNotesCategoryID)
                holdsAll = false;
            for (qsizetype i = 0; holdsAll && predicate && i < m_notes.size(); ++i)
                holdsAll = predicate->evaluateWithObject(KeyValueRef(m_notes.at(i)));
        } else {
            QSet<const ManagedObject*> held;
            for (const ManagedObjectPtr& note : category->notes())
                held.insert(note.get());
            holdsAll = std::all_of(peeked.cbegin(), peeked.cend(),
                [&held](const ManagedObject* note) { return held.contains(note); });
        }
        if (holdsAll)
            m_containing.insert(object.get());
    }
}
