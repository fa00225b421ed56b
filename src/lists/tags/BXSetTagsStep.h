#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QObject>
#include <QVariant>

#include <functional>

class BXTagLookup;
class BXTagsCategories;

// Gives notes exactly the categories of a token list as one undoable "Set Tags" step. The
// sidebar and the tag editor's tokens hold still while the notes change and react once after
// the last; undo and redo replay the change between the same two marks, which have this object
// as their target. Owned by the tag editor; main thread only.
class BXSetTagsStep final : public QObject {
    Q_OBJECT

public:
    // `categories` answers the categories while their object lives, else null; `refresh`
    // rebuilds the tag editor's tokens from the notes.
    BXSetTagsStep(const BXTagLookup& lookup, std::function<BXTagsCategories*()> categories,
        std::function<void()> refresh);

    // True while the notes change, so that their tags' changes are known as the step's own.
    bool isApplying() const { return m_applying; }
    // Tokens whose category is gone and plain strings are left out. Notes that already hold
    // the list make no step; the tokens are rebuilt to drop a repeated one.
    void apply(const QVariantList& list, const QList<platform::ManagedObjectPtr>& notes);

private:
    void beginBulkChange();
    void endBulkChange();
    void registerBulkMark(bool opening);

    const BXTagLookup& m_lookup;
    std::function<BXTagsCategories*()> m_categories;
    std::function<void()> m_refresh;
    bool m_applying = false;
    bool m_sidebarWasIgnoring = false;
};
