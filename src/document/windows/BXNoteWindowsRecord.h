#pragma once

#include "document/model/BXNote.h"

#include <QList>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace platform {
class ManagedObjectContext;
class WindowController;
} // namespace platform

// The record of a document's note windows, the preference "Window"/"SubWindows": for each
// window its note, frame, place front to back, whether it is minimised and its zoom. Written
// when the document closes, read when its main window is made, so the note windows reopen
// as they were. Main thread only.
class BXNoteWindowsRecord final {
public:
    // Opens (or finds) the window of `note`, added to the document and not shown; null when
    // it cannot be made.
    using OpenNoteWindow = std::function<platform::WindowController*(const BXNote::NotePtr& note)>;

    BXNoteWindowsRecord() = delete;

    // Records `noteWindows` (the document's windows after the main one) into `prefs`; only
    // the main window open gives an empty record.
    static void save(const QList<platform::WindowController*>& noteWindows,
        platform::ManagedObjectContext* prefs);
    // Reopens the recorded windows, the one that was furthest back first, each at its frame
    // and zoom, minimised when it was. Notes of `notes` deleted since are skipped; a damaged
    // entry is logged and ends the reopening.
    static void reopen(platform::ManagedObjectContext* prefs, platform::ManagedObjectContext* notes,
        const OpenNoteWindow& open);

private:
    // Reopens the window of one entry; false when the entry is damaged.
    static bool reopenWindow(const QVariantMap& entry, platform::ManagedObjectContext* notes,
        const OpenNoteWindow& open, QString* damage);
};
