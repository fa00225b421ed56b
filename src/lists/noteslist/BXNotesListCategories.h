#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>

// What the notes list needs of the sidebar: the categories whose notes it lists (All Notes
// while the search covers every note), and a pause of the sidebar's own reactions while notes
// are deleted. The sidebar's controller implements it; tests hand in a stand-in.
class BXNotesListCategories {
public:
    virtual ~BXNotesListCategories() = default;
    virtual QList<platform::ManagedObjectPtr> selectedCategories() const = 0;
    virtual void setIgnoreObservation(bool ignore) = 0;
    virtual void rearrangeCategories() = 0;
};
