#include "document/windows/BXNoteWindowsRecord.h"

#include "document/BXNoteDataProvider.h"
#include "document/model/BXDocumentPreference.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/documents/WindowTracker.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Log.h"

#include <algorithm>

using platform::ManagedObjectContext;
using platform::WindowController;

namespace {

// The keys of one note window's entry.
const QString NoteIDKey = QStringLiteral("noteID");
const QString WindowFrameKey = QStringLiteral("windowFrame");
const QString WindowOrderKey = QStringLiteral("windowOrder");
const QString WindowMinimizedKey = QStringLiteral("windowMinimized");
const QString ZoomFactorKey = QStringLiteral("zoomFactor");

const QStringList& recordClasses()
{
    static const QStringList classes { QStringLiteral("NSArray"), QStringLiteral("NSDictionary"),
        QStringLiteral("NSURL"), QStringLiteral("NSString"), QStringLiteral("NSNumber") };
    return classes;
}

} // namespace

void BXNoteWindowsRecord::save(
    const QList<WindowController*>& noteWindows, ManagedObjectContext* prefs)
{
    const QList<WindowController*> order
        = platform::WindowTracker::current().orderedWindowControllers();
    QVariantList windows;
    for (WindowController* controller : noteWindows) {
        auto* provider = dynamic_cast<BXNoteDataProvider*>(controller);
        const BXNote::NotePtr note = provider ? provider->noteItem() : nullptr;
        if (!note)
            continue;
        QVariantMap entry;
        entry.insert(NoteIDKey, note->objectID().URIRepresentation());
        entry.insert(WindowFrameKey, controller->windowFrameString());
        entry.insert(WindowOrderKey, qint64(order.indexOf(controller)));
        entry.insert(WindowMinimizedKey, controller->isWindowMinimized());
        entry.insert(ZoomFactorKey, provider->noteTextZoomFactor());
        windows.append(entry);
    }
    platform::Error error;
    const QByteArray data = platform::Archiver::archivedData(windows, &error);
    if (data.isEmpty())
        platform::log("failed to archive the note windows: %@", error);
    BXDocumentPreference::setPrefBlob(
        data, BXDocumentPreference::WindowType, BXDocumentPreference::SubWindowsName, prefs);
}

void BXNoteWindowsRecord::reopen(
    ManagedObjectContext* prefs, ManagedObjectContext* notes, const OpenNoteWindow& open)
{
    const QByteArray data = BXDocumentPreference::prefBlobForType(BXDocumentPreference::WindowType,
        BXDocumentPreference::SubWindowsName, QByteArray(), prefs);
    if (data.isEmpty())
        return;
    platform::Error error;
    const std::optional<QVariantList> windows
        = platform::Archiver::unarchived<QVariantList>(data, recordClasses(), &error);
    if (!windows) {
        platform::log("Error processing windows data. %@", error.toString());
        return;
    }
    QList<QVariantMap> entries;
    for (const QVariant& window : *windows)
        entries.append(window.toMap());
    std::stable_sort(
        entries.begin(), entries.end(), [](const QVariantMap& a, const QVariantMap& b) {
            return a.value(WindowOrderKey).toLongLong() < b.value(WindowOrderKey).toLongLong();
        });
    for (const QVariantMap& entry : std::as_const(entries)) {
        QString damage;
        if (!reopenWindow(entry, notes, open, &damage)) {
            // The rest of a damaged record is not trusted either.
            platform::log("Error processing windows data. %@", damage);
            return;
        }
    }
}

bool BXNoteWindowsRecord::reopenWindow(const QVariantMap& entry, ManagedObjectContext* notes,
    const OpenNoteWindow& open, QString* damage)
{
    const QUrl uri = entry.value(NoteIDKey).toUrl();
    if (entry.value(NoteIDKey).metaType() != QMetaType::fromType<QUrl>() || !uri.isValid()) {
        *damage = QStringLiteral("a window without a note");
        return false;
    }
    const platform::ManagedObjectID id
        = notes->persistentStoreCoordinator()->managedObjectIDForURIRepresentation(uri);
    platform::Error error;
    const auto note = std::dynamic_pointer_cast<BXNote>(
        id.isNull() ? nullptr : notes->existingObjectWithID(id, &error));
    if (!note) {
        // Deleted since: its window is not missed.
        if (!error.isNull())
            platform::log("Could not retrieve a note by ID. %@", error.localizedDescription());
        return true;
    }
    WindowController* controller = open(note);
    if (!controller)
        return true;
    controller->setWindowFrameString(entry.value(WindowFrameKey).toString());
    controller->showWindow();
    if (entry.value(WindowMinimizedKey).toBool())
        controller->minimizeWindow();
    if (entry.contains(ZoomFactorKey))
        if (auto* provider = dynamic_cast<BXNoteDataProvider*>(controller))
            provider->zoomToFactor(entry.value(ZoomFactorKey).toDouble());
    return true;
}
