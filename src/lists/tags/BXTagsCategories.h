#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QMetaObject>
#include <QString>

#include <functional>

class QObject;

namespace platform {
class ManagedObjectContext;
}

// What the tag editor needs of a document's categories: their context, the categories to match
// typed names against, a new category for a confirmed name, news of the selected categories,
// and a pause of the sidebar's reactions while many notes change at once. The sidebar's
// controller implements it; main thread only.
class BXTagsCategories {
public:
    // Posted with the category whenever a category's name changes (undo and redo included).
    static inline const QString CategoryNameChangedNotification
        = QStringLiteral("BXCategoryNameChanged");

    virtual ~BXTagsCategories() = default;

    // The object the categories belong to: they may be used while it lives.
    virtual QObject* categoriesObject() = 0;
    virtual platform::ManagedObjectContext* managedObjectContext() const = 0;
    // Every category, hidden ones too.
    virtual const QList<platform::ManagedObjectPtr>& allCategories() const = 0;
    // The plain categories in sidebar order.
    virtual QList<platform::ManagedObjectPtr> plainCategories() const = 0;
    virtual platform::ManagedObjectPtr newCategoryWithName(const QString& name, bool selectIt) = 0;
    // Calls `changed` after every change of the selected categories, until `receiver` goes.
    virtual QMetaObject::Connection observeSelection(
        QObject* receiver, const std::function<void()>& changed)
        = 0;

    // While set, changes of the categories cause nothing in the sidebar.
    virtual bool ignoreObservation() const = 0;
    virtual void setIgnoreObservation(bool ignore) = 0;
    // After many category changes made with observation ignored: their reactions, once.
    virtual void categoriesChangedInBulk() = 0;
};
