#include "lists/tags/BXSetTagsStep.h"

#include "lists/tags/BXCategoryToken.h"
#include "lists/tags/BXTagLookup.h"
#include "lists/tags/BXTagsCategories.h"

#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>

#include <algorithm>

using platform::ManagedObjectPtr;

namespace {

platform::UndoManager* undoManagerOf(const BXTagsCategories* categories)
{
    platform::ManagedObjectContext* context
        = categories ? categories->managedObjectContext() : nullptr;
    return context ? context->undoManager() : nullptr;
}

} // namespace

BXSetTagsStep::BXSetTagsStep(const BXTagLookup& lookup,
    std::function<BXTagsCategories*()> categories, std::function<void()> refresh)
    : m_lookup(lookup), m_categories(std::move(categories)), m_refresh(std::move(refresh))
{ }

void BXSetTagsStep::apply(const QVariantList& list, const QList<ManagedObjectPtr>& notes)
{
    if (!m_categories())
        return;
    QList<ManagedObjectPtr> categories;
    for (const QVariant& entry : list) {
        const std::optional<BXCategoryToken> token = BXCategoryToken::fromVariant(entry);
        const ManagedObjectPtr category = token ? m_lookup.categoryFromToken(*token) : nullptr;
        if (category && !categories.contains(category))
            categories.append(category);
    }
    // A tag typed again that the notes already have leaves every note as it was: no step.
    const auto holds = [&categories](const ManagedObjectPtr& note) {
        const QList<ManagedObjectPtr> held = note->relatedObjects(BXNote::CategoriesKey);
        return !BXManagedObjectUtilities::objectAvailable(*note)
            || (held.size() == categories.size()
                && std::all_of(
                    held.cbegin(), held.cend(), [&categories](const ManagedObjectPtr& tag) {
                        return categories.contains(tag);
                    }));
    };
    if (std::all_of(notes.cbegin(), notes.cend(), holds)) {
        // The field drops the repeated token.
        m_refresh();
        return;
    }
    if (platform::UndoManager* undo = undoManagerOf(m_categories()))
        undo->setActionName(platform::localized(QStringLiteral("Set Tags")));
    // The sidebar and the tokens react once after all the notes changed, not once per note;
    // undo and redo replay the changes between the same two marks.
    registerBulkMark(false);
    beginBulkChange();
    for (const ManagedObjectPtr& note : notes) {
        if (BXManagedObjectUtilities::objectAvailable(*note))
            note->setRelatedObjects(BXNote::CategoriesKey, categories);
    }
    endBulkChange();
    registerBulkMark(true);
}

void BXSetTagsStep::beginBulkChange()
{
    BXTagsCategories* source = m_categories();
    m_sidebarWasIgnoring = source && source->ignoreObservation();
    if (source)
        source->setIgnoreObservation(true);
    m_applying = true;
}

void BXSetTagsStep::endBulkChange()
{
    m_applying = false;
    if (BXTagsCategories* source = m_categories()) {
        source->setIgnoreObservation(m_sidebarWasIgnoring);
        if (!m_sidebarWasIgnoring)
            source->categoriesChangedInBulk();
    }
    m_refresh();
}

void BXSetTagsStep::registerBulkMark(bool opening)
{
    platform::UndoManager* undo = undoManagerOf(m_categories());
    if (!undo)
        return;
    // Undo runs a step's actions last to first: the mark registered after the changes opens
    // the replay, the one registered before them closes it. Each registers its counterpart
    // for the way back.
    QPointer<BXSetTagsStep> self(this);
    undo->registerUndo(this, [self, opening] {
        if (!self)
            return;
        if (opening)
            self->beginBulkChange();
        else
            self->endBulkChange();
        self->registerBulkMark(!opening);
    });
}
