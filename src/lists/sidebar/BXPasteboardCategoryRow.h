#pragma once

#include "lists/BXPasteboardNoteRow.h"

#include "platform/data/ManagedObjectID.h"

#include <QList>
#include <QStringList>

#include <memory>

class QMimeData;

namespace platform {
class FilePromise;
}

// What a dragged category row asks its sidebar besides the base's questions.
class BXPasteboardCategoryRowDelegate : public BXPasteboardNoteDelegate {
public:
    // The category name at an arranged row; empty out of range.
    virtual QString stringForRow(int row) const = 0;
};

// The drag value of sidebar rows: the row indexes for lists, the names as text (one line per
// category), one promised folder per category, and the categories' object IDs captured when the
// drag starts, so that a drop never takes a row that has moved or gone since. A value; made on
// the main thread.
class BXPasteboardCategoryRow final {
public:
    // The promised items are folders.
    static inline const QString FolderType = QStringLiteral("public.folder");
    static inline const QString PlainTextType = QStringLiteral("text/plain");

    BXPasteboardCategoryRow(
        const platform::IndexSet& rows, const BXPasteboardCategoryRowDelegate* delegate);

    const BXPasteboardNoteRow& row() const { return m_row; }
    QStringList writableTypes() const;
    // The archived rows, or the names; empty for any other type.
    QByteArray pasteboardPropertyListForType(const QString& type) const;
    // The value for a drag, keeping `promise` for the folders.
    QMimeData* mimeData(std::shared_ptr<const platform::FilePromise> promise) const;

private:
    BXPasteboardNoteRow m_row;
    QStringList m_names;
};
