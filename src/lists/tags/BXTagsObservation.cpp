#include "lists/tags/BXTagsObservation.h"

#include "lists/tags/BXTagsCategories.h"

#include "document/model/BXNote.h"

#include "platform/controllers/ArrayController.h"
#include "platform/foundation/NotificationCenter.h"

using platform::ManagedObjectPtr;

BXTagsObservation::BXTagsObservation(Hooks hooks) : m_hooks(std::move(hooks)) { }

BXTagsObservation::~BXTagsObservation()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    removeNotesObservation();
    disconnect(m_notesSelectionObservation);
    disconnect(m_categoriesSelectionObservation);
}

void BXTagsObservation::observeCategoryNames()
{
    platform::NotificationCenter::defaultCenter().addObserver(this,
        BXTagsCategories::CategoryNameChangedNotification, nullptr,
        [this](const platform::Notification& notification) {
            m_hooks.categoryNameChanged(notification);
        });
}

void BXTagsObservation::observeNotesSelection(platform::ArrayController* notes)
{
    m_notesSelectionObservation = connect(notes, &platform::ArrayController::selectionChanged, this,
        [this] { m_hooks.selectionChanged(); });
}

void BXTagsObservation::observeCategoriesSelection(BXTagsCategories* categories)
{
    disconnect(m_categoriesSelectionObservation);
    if (categories)
        m_categoriesSelectionObservation
            = categories->observeSelection(this, [this] { m_hooks.selectionChanged(); });
}

void BXTagsObservation::observeNotes(const QList<ManagedObjectPtr>& notes)
{
    if (notes == m_observedNotes && !m_noteObservations.isEmpty())
        return;
    removeNotesObservation();
    m_observedNotes = notes;
    m_noteObservations.reserve(notes.size());
    for (const ManagedObjectPtr& note : notes) {
        m_noteObservations.append(connect(
            note.get(), &platform::ManagedObject::valueChanged, this, [this](const QString& key) {
                if (key == BXNote::CategoriesKey)
                    m_hooks.tagsChanged();
            }));
    }
}

void BXTagsObservation::removeNotesObservation()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_noteObservations))
        disconnect(connection);
    m_noteObservations.clear();
    m_observedNotes.clear();
}
