#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QMetaType>
#include <QObject>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <functional>

class BXNote;
class BXSelectedCategories;
class BXTableManagedObjectsArrayController;

namespace platform {
class ProgressPanel;
}

// The notes list's imports and exports: copies of notes (of this or another document) into the
// selected plain categories, handed to the list's delegate or, when it takes none, made here in
// saved batches under the progress panel; files offered for import after the user agrees, the
// notes made of them selected; notes written out as files by the delegate. Owned by the notes
// list's controller; main thread only, but for the batch loop on the panel's worker.
class BXNotesImportExport final : public QObject {
    Q_OBJECT

public:
    // A completion as a task dictionary carries it (key "completionHandler").
    struct ImportCompletion {
        std::function<void()> handler;
    };
    static constexpr double kImportedNotesSelectionDelay = 0.3;

    BXNotesImportExport(
        BXTableManagedObjectsArrayController& list, const BXSelectedCategories& categories);

    // A copy of `note` in the list's context and the selected plain categories.
    platform::ManagedObjectPtr copyNote(const BXNote* note);
    // Copies notes into the selected categories through the delegate, or when it takes no
    // copies, itself: under the progress panel from 16 notes on. `completion` runs on the main
    // thread in every case, also when nothing is copied.
    void importNotes(
        const QList<platform::ManagedObjectPtr>& notes, std::function<void()> completion);
    // The panel's task: "notes", "progressPanel" and "completionHandler" of `dictionary`.
    void importNotesWithDictionary(const QVariantMap& dictionary);
    // The list's own copier: batches of 15, each saved, "Importing note:" on the panel, a stop
    // between notes. Runs on the panel's worker with a panel, else on the main thread; the
    // copies and saves always happen on the main thread.
    void importNotes(const QList<platform::ManagedObjectPtr>& notes, platform::ProgressPanel* panel,
        std::function<void()> completion);
    // Hands the files to the delegate for the selected categories, without a completion.
    void importNotesAtURLs(const QList<QUrl>& urls);
    // Asks whether to import the files, then hands them to the delegate; the notes it made are
    // selected kImportedNotesSelectionDelay seconds after it reports them.
    void askToImportFiles(const QList<QUrl>& urls);
    // Has the delegate write the notes as files into `folder`; false when it takes none.
    bool exportNotes(const QList<platform::ManagedObjectPtr>& notes, const QUrl& folder,
        QStringList* exportedFilesNames);

private:
    // Selects those of `notes` the list shows, scrolling to them.
    void selectImportedNotes(const QList<platform::ManagedObjectPtr>& notes);

    BXTableManagedObjectsArrayController& m_list;
    const BXSelectedCategories& m_categories;
};

Q_DECLARE_METATYPE(BXNotesImportExport::ImportCompletion)
