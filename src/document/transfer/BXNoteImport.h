#pragma once

#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectID.h"
#include "platform/documents/AlertPresenter.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QUrl>

#include <memory>
#include <optional>

class QTextDocument;

namespace platform {
class PersistentStoreCoordinator;
class ProgressPanel;
} // namespace platform

// One import of files as notes: made on the main thread with the files, the categories and the
// text style of plain text, then run on any thread in a private context of its own and saved in
// one transaction, so the import lands whole or not at all. Every file becomes a whole note or
// none; what is left out is kept with its reason for the one closing report, since a silent
// skip hides lost work.
class BXNoteImport final {
public:
    struct Skip {
        QString path;
        QString reason;
    };

    // The files of chosen files and folders, in order, and what could not be taken.
    struct Files {
        QStringList paths;
        QList<Skip> skipped;
    };

    struct Outcome {
        // The saved notes, in the order of their files.
        QList<platform::ManagedObjectID> noteIDs;
        QList<Skip> skipped;
        // Files that came in without some of their pictures, with what was left out.
        QList<Skip> shortened;
        // Notes read but never saved, because the last save failed.
        int lostCount = 0;
        QString lostReason;
    };

    // From this many files, or this many bytes of them, on, an import runs under the progress
    // panel, off the main thread.
    static constexpr int PanelThreshold = 16;
    static constexpr qint64 PanelBytes = 128 * 1024;

    // `categories` are object IDs of saved categories; main thread.
    BXNoteImport(std::shared_ptr<platform::PersistentStoreCoordinator> coordinator,
        QStringList paths, QList<platform::ManagedObjectID> categories);

    // Folders are walked without following links: hidden items, symbolic links (aliases) and
    // items that are neither folders nor regular files are left out; package folders (RTFD,
    // notes files) count as files. A given item that is missing, not a regular file or a folder
    // that cannot be read is reported.
    static Files flattenURLs(const QList<QUrl>& urls);
    // Whether importing `paths` takes long enough to need the progress panel.
    static bool needsPanel(const QStringList& paths);

    // The text of one file, whole, or null with the reason. Markdown ("md", "markdown") must
    // be UTF-8, takes the font of `plain` for its text and brings the pictures its images name
    // (HtmlImageLoader, relative to the file); everything else goes through the text system's
    // readers, and plain text takes `plain` (the default style, without a colour of its own).
    // A file that is not regular is refused before it is opened, so a pipe cannot hang the
    // import. Pictures are read within HtmlImageLoader's bounds, Markdown's as the file's bytes
    // arrive, and `leftOut` says what the bounds left out; a Markdown page holds no more text
    // than an HTML page may (HtmlReader), or is refused while it is read.
    static std::unique_ptr<QTextDocument> readFile(const QString& path,
        const QTextCharFormat& plain, const QTextBlockFormat& block, QString* reason,
        QStringList* leftOut = nullptr);

    // Runs the import and saves it once; with a panel, shows the progress and stops between
    // files when asked, saving the notes made until then. A failed save loses them all, and the
    // outcome says how many.
    Outcome run(platform::ProgressPanel* panel);

    // The closing report of an import that left files or pictures out or lost notes; nothing
    // when all went in.
    static std::optional<platform::Alert> report(const QList<Skip>& skipped,
        const QList<Skip>& shortened, int lostCount, const QString& lostReason);

private:
    std::shared_ptr<platform::PersistentStoreCoordinator> m_coordinator;
    QStringList m_paths;
    QList<platform::ManagedObjectID> m_categories;
    QTextCharFormat m_plainCharacters;
    QTextBlockFormat m_plainParagraph;
};
