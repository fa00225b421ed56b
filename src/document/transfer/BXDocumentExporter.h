#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/foundation/Error.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>

class BXDocumentHost;
class BXNote;
class QWidget;

namespace platform {
struct FilePanel;
class WriteLosses;
} // namespace platform

// Writes a document's notes out as files: one note through a save panel, several into a
// folder chosen in an open panel, and notes handed over with a folder (file promises). The
// format and the encoding of plain text follow the user defaults "ExportFileType" and
// "ExportFileEncoding"; the panel's accessory changes them for one export, and every export
// ends by reading them back. Owned by the document; main thread.
class BXDocumentExporter final : public QObject {
    Q_OBJECT

public:
    // Builds the accessory of an export panel: the formats and encodings pop-ups, which report
    // their choices through the two callbacks and follow the open panel through `panel`'s
    // handle. The user interface installs it; without one the panels have no accessory.
    using SaveAccessoryMaker = std::function<std::shared_ptr<QWidget>(const QString& selectedFormat,
        const QString& preferredFormat, std::function<void(const QString& format)> formatChanged,
        std::function<void(quint32 encoding)> encodingChanged, platform::FilePanel& panel)>;
    static void setSaveAccessoryMaker(SaveAccessoryMaker maker);

    // `host` (not owned) outlives the exporter.
    explicit BXDocumentExporter(BXDocumentHost& host);
    ~BXDocumentExporter() override;

    QString formatForExport() const { return m_formatForExport; }
    void setFormatForExport(const QString& format) { m_formatForExport = format; }
    quint64 encodingForExport() const { return m_encodingForExport; }
    void setEncodingForExport(quint64 encoding) { m_encodingForExport = encoding; }

    // What "Auto" exports `note` as: rich text with attachments RTFD, other rich text RTF,
    // plain text plain text.
    static QString preferredExportTypeForNote(const BXNote& note);
    // The type `note` is exported as under the setting `type`: "Auto" (or none) decided for
    // the note, any other type as it is.
    static QString exportTypeForNote(const BXNote& note, const QString& type);
    // The names `notes` get when exported together as `type` into `folderPath`: each title
    // made safe ("Note" when blank) with the type's extension, unique in the folder and among
    // the notes.
    static QStringList exportFileNames(
        const QList<const BXNote*>& notes, const QString& type, const QString& folderPath);

    // Writes `note` as `type` to `url`: into it, under a unique name made from the title, when
    // it is a folder, else to it. The name written, or nothing when the write failed;
    // *losses is told what the file could not carry (characters, pictures, links).
    std::optional<QString> exportNote(const BXNote& note, const QUrl& url, const QString& type,
        platform::Error* error, platform::WriteLosses* losses = nullptr);
    // Writes the notes into a folder in the current format, under the progress panel from 16
    // notes on; the names written go to `exportedFilesNames` on the direct path. Notes that
    // failed or lost something on the way are named in one closing alert.
    void exportNotes(const QList<platform::ManagedObjectPtr>& notes, const QUrl& folder,
        QStringList* exportedFilesNames);
    // The Export… command: a save panel for one note, a folder panel for several, both
    // starting in the folder of the last export (the home folder before one).
    void exportNotes(const QList<platform::ManagedObjectPtr>& notes);

private:
    static QString exportFolder();
    static void rememberExportFolder(const QString& folder);
    void userDefaultChanged(const QString& key);
    // Reads the export settings back from the defaults, ending the accessory's choice.
    void resetExportSettings();

    BXDocumentHost& m_host;
    QString m_formatForExport;
    quint64 m_encodingForExport = 0;
};
