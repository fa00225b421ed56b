#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QMetaObject>
#include <QObject>

#include <functional>

class BXTagsCategories;

namespace platform {
class ArrayController;
struct Notification;
} // namespace platform

// Tells the tag editor at once when what it shows may have changed: the notes list's or the
// sidebar's selection, the tags of a shown note, or the name of a category. Owned by the tag
// editor; every observation ends with this object. Main thread only.
class BXTagsObservation final : public QObject {
    Q_OBJECT

public:
    struct Hooks {
        std::function<void()> selectionChanged;
        // The categories of a shown note changed.
        std::function<void()> tagsChanged;
        std::function<void(const platform::Notification&)> categoryNameChanged;
    };

    explicit BXTagsObservation(Hooks hooks);
    ~BXTagsObservation() override;

    void observeCategoryNames();
    void observeNotesSelection(platform::ArrayController* notes);
    // In place of the sidebar observed so far; null observes none.
    void observeCategoriesSelection(BXTagsCategories* categories);
    // Observes the tags of `notes` alone; the notes observed already change nothing.
    void observeNotes(const QList<platform::ManagedObjectPtr>& notes);
    void removeNotesObservation();
    const QList<platform::ManagedObjectPtr>& observedNotes() const { return m_observedNotes; }

private:
    Hooks m_hooks;
    QList<platform::ManagedObjectPtr> m_observedNotes;
    QList<QMetaObject::Connection> m_noteObservations;
    QMetaObject::Connection m_notesSelectionObservation;
    QMetaObject::Connection m_categoriesSelectionObservation;
};
