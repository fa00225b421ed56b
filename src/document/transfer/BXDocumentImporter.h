#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QObject>
#include <QUrl>

#include <functional>
#include <optional>

class BXDocumentHost;

namespace platform {
class Document;
}

// Brings notes into a document: files and folders imported as notes (from the Import… panel,
// opened with the application or dropped on a window) and notes copied from any document.
// Both run under the progress panel from 16 items on, and a document without a store is
// saved first, since there is nothing to import into before. Owned by the document; main
// thread.
class BXDocumentImporter final : public QObject {
    Q_OBJECT

public:
    // Receives the new notes as objects of the main context.
    using Completion = std::function<void(QList<platform::ManagedObjectPtr> newNotes)>;

    // `document` and `host` (not owned) outlive the importer.
    BXDocumentImporter(platform::Document& document, BXDocumentHost& host);
    ~BXDocumentImporter() override;

    // Imports files and folders as notes into `categories`. Categories not saved yet are saved
    // with the main context first. What could not be imported is listed in one closing alert.
    // `completion` runs on the main thread once the notes are in the main context, always,
    // with an empty list when nothing came in.
    void importNotesAtURLs(const QList<QUrl>& urls,
        const QList<platform::ManagedObjectPtr>& categories, Completion completion);
    // Copies notes into `categories` (none given: a note of this document keeps its own).
    // `completion` runs on the main thread with the copies, always.
    void addNotes(const QList<platform::ManagedObjectPtr>& notes,
        const std::optional<QList<platform::ManagedObjectPtr>>& categories, Completion completion);
    // The Import… command: an open panel for files and folders, imported into `categories`.
    void importNotes(const QList<platform::ManagedObjectPtr>& categories);

private:
    // A document without a store saves first and then runs `retry`; false when it has one.
    // A failed save is shown and `completion` gets no notes.
    bool saveFirst(std::function<void()> retry, const Completion& completion);

    platform::Document& m_document;
    BXDocumentHost& m_host;
};
