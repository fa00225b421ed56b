#include "document/transfer/BXDocumentExporter.h"

#include "document/BXDefaults.h"
#include "document/BXDocumentHost.h"
#include "document/model/BXNote.h"
#include "document/transfer/BXFileNames.h"
#include "document/transfer/BXNoteCopier.h"
#include "document/transfer/BXNoteExport.h"

#include "platform/documents/AlertPresenter.h"
#include "platform/documents/ProgressPanel.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/SafeWrite.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QTextDocument>

using platform::ManagedObjectPtr;
using platform::TypeIdentifier;

namespace {

BXDocumentExporter::SaveAccessoryMaker& installedAccessoryMaker()
{
    static BXDocumentExporter::SaveAccessoryMaker maker;
    return maker;
}

QList<BXNote*> notesOf(const QList<ManagedObjectPtr>& objects)
{
    QList<BXNote*> notes;
    for (const ManagedObjectPtr& object : objects) {
        if (auto* note = dynamic_cast<BXNote*>(object.get()))
            notes << note;
    }
    return notes;
}

// Why a note could not be written, as the closing report names it.
QString failureReason(const platform::Error& error)
{
    return error.localizedFailureReason().isEmpty() ? error.localizedDescription()
                                                    : error.localizedFailureReason();
}

} // namespace

void BXDocumentExporter::setSaveAccessoryMaker(SaveAccessoryMaker maker)
{
    installedAccessoryMaker() = std::move(maker);
}

BXDocumentExporter::BXDocumentExporter(BXDocumentHost& host) : m_host(host)
{
    resetExportSettings();
    connect(&platform::UserDefaults::standard(), &platform::UserDefaults::valueChanged, this,
        &BXDocumentExporter::userDefaultChanged);
}

BXDocumentExporter::~BXDocumentExporter() = default;

void BXDocumentExporter::userDefaultChanged(const QString& key)
{
    if (key == ExportFileType)
        m_formatForExport = platform::UserDefaults::standard().stringForKey(ExportFileType);
    else if (key == ExportFileEncoding)
        m_encodingForExport
            = platform::UserDefaults::standard().unsignedIntegerForKey(ExportFileEncoding);
}

void BXDocumentExporter::resetExportSettings()
{
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    m_formatForExport = defaults.stringForKey(ExportFileType);
    m_encodingForExport = defaults.unsignedIntegerForKey(ExportFileEncoding);
}

QString BXDocumentExporter::preferredExportTypeForNote(const BXNote& note)
{
    // Readable stored styles are what make a note rich; without them it exports its plain text.
    return BXNoteExport::preferredTypeForText(note.textStyle().get());
}

QString BXDocumentExporter::exportTypeForNote(const BXNote& note, const QString& type)
{
    return type.isEmpty() || type == QStringLiteral("Auto") ? preferredExportTypeForNote(note)
                                                            : type;
}

QStringList BXDocumentExporter::exportFileNames(
    const QList<const BXNote*>& notes, const QString& type, const QString& folderPath)
{
    const QString fallback = platform::localized(QStringLiteral("Note"));
    QStringList names;
    for (const BXNote* note : notes) {
        const QString extension
            = TypeIdentifier::preferredExtension(exportTypeForNote(*note, type));
        names << BXFileNames::uniqueFileName(
            BXFileNames::safeFileName(note->noteTitle(), fallback, extension), folderPath,
            extension, names);
    }
    return names;
}

std::optional<QString> BXDocumentExporter::exportNote(const BXNote& note, const QUrl& url,
    const QString& type, platform::Error* error, platform::WriteLosses* losses)
{
    const QString path = url.toLocalFile();
    const QFileInfo info(path);
    QString target = path;
    QString name = info.fileName();
    // An RTFD target is a folder too, but one that is written, not written into.
    if (info.isDir() && info.suffix().compare(QLatin1String("rtfd"), Qt::CaseInsensitive) != 0) {
        name = exportFileNames({ &note }, type, path).value(0);
        target = QDir(path).filePath(name);
    }
    platform::Error writeError;
    if (!BXNoteExport::write(BXNoteExport::snapshotOf(note), type, m_encodingForExport, target,
            &writeError, losses)) {
        platform::log(
            QStringLiteral("Failed to export note:'%@' to URL: %@"), name, url.toString());
        platform::Error::set(error, writeError);
        return std::nullopt;
    }
    return name;
}

void BXDocumentExporter::exportNotes(
    const QList<ManagedObjectPtr>& objects, const QUrl& folder, QStringList* exportedFilesNames)
{
    // The copies below must hold the edit in progress; a refused edit stops the export.
    if (!m_host.endMainWindowEditing()) {
        resetExportSettings();
        return;
    }
    const QList<BXNote*> notes = notesOf(objects);
    const QString folderPath = folder.toLocalFile();
    const QString format = m_formatForExport;
    const platform::TextEncoding::Value encoding = m_encodingForExport;
    const QStringList names
        = exportFileNames(QList<const BXNote*>(notes.begin(), notes.end()), format, folderPath);
    // Copies taken here: the writing may run on a worker, which never reads a note.
    QList<BXNoteExport::Snapshot> snapshots;
    for (const BXNote* note : notes)
        snapshots << BXNoteExport::snapshotOf(*note);
    resetExportSettings();

    auto writeAll = [snapshots, names, format, encoding, folderPath](
                        platform::ProgressPanel* panel, QStringList* written) {
        // Each file is still replaced in one step; the disk is flushed once for them all.
        const platform::SafeWrite::BatchScope batch;
        BXNoteExport::Report report;
        qsizetype exported = 0;
        for (qsizetype i = 0; i < snapshots.size(); ++i) {
            platform::Error error;
            platform::WriteLosses losses;
            if (!BXNoteExport::write(snapshots.at(i), format, encoding,
                    QDir(folderPath).filePath(names.at(i)), &error, &losses)) {
                platform::log(QStringLiteral("Failed to export note:'%@' to URL: %@"), names.at(i),
                    QUrl::fromLocalFile(folderPath).toString());
                report.failures.append({ snapshots.at(i).title, failureReason(error) });
                continue;
            }
            if (!losses.isEmpty())
                report.losses.append({ snapshots.at(i).title, losses });
            ++exported;
            if (written)
                written->append(names.at(i));
            if (panel) {
                panel->postProgress(
                    platform::ProgressPanel::percentOf(exported, snapshots.size()), names.at(i));
                if (panel->stopped())
                    break;
            }
        }
        return report;
    };
    platform::ProgressPanel::Ref panel
        = notes.size() >= BXNoteCopier::PanelThreshold ? platform::ProgressPanel::make() : nullptr;
    if (!panel) {
        BXNoteExport::report(writeAll(nullptr, exportedFilesNames));
        return;
    }
    panel->runWithWindow(m_host.sheetWindow(),
        [writeAll](const QVariantMap& dictionary) {
            const platform::ProgressPanel::Ref running
                = platform::ProgressPanel::fromDictionary(dictionary);
            running->postWindowTitle(platform::localized(QStringLiteral("Export")));
            running->postMessage(platform::localized(QStringLiteral("Exporting to file:")));
            const BXNoteExport::Report report = writeAll(running.get(), nullptr);
            running->endProgress();
            platform::dispatchAsyncMain([report] { BXNoteExport::report(report); });
        },
        {});
}

QString BXDocumentExporter::exportFolder()
{
    const QString last = platform::UserDefaults::standard().stringForKey(LastExportFolder);
    return !last.isEmpty() && QFileInfo(last).isDir() ? last : QDir::homePath();
}

void BXDocumentExporter::rememberExportFolder(const QString& folder)
{
    platform::UserDefaults::standard().setString(LastExportFolder, folder);
}

void BXDocumentExporter::exportNotes(const QList<ManagedObjectPtr>& objects)
{
    resetExportSettings();
    const QList<BXNote*> notes = notesOf(objects);
    if (notes.isEmpty())
        return;
    auto panel = std::make_shared<platform::FilePanel>();
    QPointer<BXDocumentExporter> guard(this);
    auto formatChanged = [guard](const QString& format) {
        if (guard)
            guard->m_formatForExport = format;
    };
    auto encodingChanged = [guard](quint32 encoding) {
        if (guard)
            guard->m_encodingForExport = encoding;
    };
    std::shared_ptr<QWidget> accessory;
    if (notes.size() == 1) {
        BXNote* note = notes.first();
        const QString autoType = preferredExportTypeForNote(*note);
        const QString format = m_formatForExport;
        panel->mode = platform::FilePanel::Mode::Save;
        panel->title = platform::localized(QStringLiteral("Export Note"));
        QString extension;
        if (TypeIdentifier::conformsTo(format, TypeIdentifier::PlainText)) {
            const bool addExtension
                = platform::UserDefaults::standard().boolForKey(ExportAddExtension);
            panel->allowsOtherFileTypes = addExtension;
            if (addExtension)
                extension = TypeIdentifier::preferredExtension(TypeIdentifier::PlainText);
        } else {
            extension = TypeIdentifier::preferredExtension(
                format == QLatin1String("Auto") ? autoType : format);
        }
        if (!extension.isEmpty())
            panel->allowedFileTypes = { extension };
        panel->nameFieldStringValue = BXFileNames::safeFileName(
            note->noteTitle(), platform::localized(QStringLiteral("Note")), extension);
        panel->directory = exportFolder();
        if (installedAccessoryMaker())
            accessory = installedAccessoryMaker()(
                format, autoType, formatChanged, encodingChanged, *panel);
        panel->accessoryView = accessory.get();
        const ManagedObjectPtr kept = note->shared_from_this();
        platform::AlertPresenter::current().beginPanelSheet(*panel, m_host.sheetWindow(),
            [guard, panel, accessory, kept](const platform::FilePanelResponse& response) {
                if (!guard)
                    return;
                const auto* chosen = static_cast<const BXNote*>(kept.get());
                if (response.accepted && !response.urls.isEmpty()
                    && guard->m_host.endMainWindowEditing()) {
                    rememberExportFolder(QFileInfo(response.urls.first().toLocalFile()).path());
                    platform::Error error;
                    platform::WriteLosses losses;
                    BXNoteExport::Report report;
                    if (!guard->exportNote(*chosen, response.urls.first(), guard->m_formatForExport,
                            &error, &losses))
                        report.failures.append({ chosen->noteTitle(), failureReason(error) });
                    else if (!losses.isEmpty())
                        report.losses.append({ chosen->noteTitle(), losses });
                    BXNoteExport::report(report);
                }
                guard->resetExportSettings();
            });
        return;
    }
    panel->mode = platform::FilePanel::Mode::Open;
    panel->canChooseFiles = false;
    panel->canChooseDirectories = true;
    panel->canCreateDirectories = true;
    panel->prompt = platform::localized(QStringLiteral("Export"));
    panel->message = platform::localized(
        QStringLiteral("Choose a folder destination for the exported pages."));
    panel->directory = exportFolder();
    if (installedAccessoryMaker())
        accessory = installedAccessoryMaker()(
            m_formatForExport, QString(), formatChanged, encodingChanged, *panel);
    panel->accessoryView = accessory.get();
    platform::AlertPresenter::current().beginPanelSheet(*panel, m_host.sheetWindow(),
        [guard, panel, accessory, objects](const platform::FilePanelResponse& response) {
            if (!guard)
                return;
            if (response.accepted && !response.urls.isEmpty()) {
                rememberExportFolder(response.urls.first().toLocalFile());
                guard->exportNotes(objects, response.urls.first(), nullptr);
            } else
                guard->resetExportSettings();
        });
}
