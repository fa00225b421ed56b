#pragma once

#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"

#include <functional>

class BXDocument;

// The delegate of the main window's notes list and sidebar: hands the document-level work they
// ask for (importing files or another document's notes, exporting, deleting notes) to the
// document, and answers "not done" once there is none. Owned by the window controller; main
// thread only.
class BXMainWindowListsDelegate final : public BXTableManagedObjectsArrayControllerDelegate {
public:
    // `document` answers the window's document, null once it is gone.
    explicit BXMainWindowListsDelegate(std::function<BXDocument*()> document);

    bool tableArrayControllerImportNotesAtURLs(BXTableManagedObjectsArrayController* controller,
        const QList<QUrl>& urls, const std::optional<Notes>& categories,
        const ImportCompletion& completion) override;
    bool tableArrayControllerImportNotes(BXTableManagedObjectsArrayController* controller,
        const Notes& notes, const Notes& categories, const Completion& completion) override;
    bool tableArrayControllerExportNotes(BXTableManagedObjectsArrayController* controller,
        const Notes& notes, const QUrl& folder, QStringList* exportedFilesNames) override;
    bool deleteNotes(const Notes& notes) override;

private:
    std::function<BXDocument*()> m_document;
};
