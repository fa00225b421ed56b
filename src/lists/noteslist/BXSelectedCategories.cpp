#include "lists/noteslist/BXSelectedCategories.h"

#include "lists/noteslist/BXNotesListCategories.h"

#include "document/model/BXCategory.h"

#include <QStringList>

using namespace platform;

QList<ManagedObjectPtr> BXSelectedCategories::all() const
{
    return m_source ? m_source->selectedCategories() : QList<ManagedObjectPtr>();
}

QList<ManagedObjectPtr> BXSelectedCategories::plain() const
{
    QList<ManagedObjectPtr> plain;
    for (const ManagedObjectPtr& object : all()) {
        const auto category = std::dynamic_pointer_cast<BXCategory>(object);
        if (category && category->isPlainCategory())
            plain << object;
    }
    return plain;
}

bool BXSelectedCategories::onlyPlain() const
{
    const QList<ManagedObjectPtr> selected = all();
    return !selected.isEmpty() && plain().size() == selected.size();
}

QString BXSelectedCategories::names() const
{
    QStringList names;
    for (const ManagedObjectPtr& object : all()) {
        if (const auto category = std::dynamic_pointer_cast<BXCategory>(object))
            names << category->categoryName();
    }
    return names.join(QStringLiteral(", "));
}
