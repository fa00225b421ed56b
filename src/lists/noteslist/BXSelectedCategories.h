#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QString>

class BXNotesListCategories;

// The sidebar's selection as the notes list reads it: the selected categories, the plain ones
// among them, whether nothing but plain ones is selected, and their names. Owned by the notes
// list's controller, which points it at the sidebar (or at nothing); main thread only.
class BXSelectedCategories final {
public:
    BXNotesListCategories* source() const { return m_source; }
    // Not owned; cleared by its owner before it goes.
    void setSource(BXNotesListCategories* source) { m_source = source; }

    // None without a sidebar.
    QList<platform::ManagedObjectPtr> all() const;
    // The selected categories that are not smart ones.
    QList<platform::ManagedObjectPtr> plain() const;
    // Something is selected and none of it is a smart category.
    bool onlyPlain() const;
    // The selected categories' names, joined with ", ".
    QString names() const;

private:
    BXNotesListCategories* m_source = nullptr;
};
