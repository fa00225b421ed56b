#pragma once

#include "platform/foundation/Error.h"
#include "platform/text/TextEncoding.h"
#include "platform/text/WriteLosses.h"

#include <QByteArray>
#include <QFont>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class BXNote;
class QTextDocument;

// Writing notes as files in the export formats of the text format registry. The writing works
// on snapshots, copies of a note's title, text and stored styles taken on the main thread, so
// an export on a worker never reads a note of the main context. Any thread.
class BXNoteExport final {
public:
    struct Snapshot {
        QString title;
        QString text;
        QByteArray styles;
        // The font new text of the note is typed in: a written file's default font.
        QFont font;
    };

    struct Failure {
        QString title;
        QString reason;
    };

    // A note written without some of what it holds.
    struct Loss {
        QString title;
        platform::WriteLosses losses;
    };

    // What an export tells when it ends: the notes it could not write, and those it wrote
    // without characters the chosen encoding lacks or content the chosen format cannot hold.
    struct Report {
        QList<Failure> failures;
        QList<Loss> losses;
    };

    BXNoteExport() = delete;

    // Main thread.
    static Snapshot snapshotOf(const BXNote& note);
    // What "Auto" writes for a note whose stored styles read as `styled` (null for plain
    // text): RTFD with attachments, RTF without, plain text.
    static QString preferredTypeForText(const QTextDocument* styled);
    // Writes the note to `path` as `type` (a type identifier; "Auto" and empty decide by the
    // content); plain text in `encoding`, "?" for what it cannot hold. *losses, when given, is
    // told what the file could not carry.
    static bool write(const Snapshot& note, const QString& type,
        platform::TextEncoding::Value encoding, const QString& path, platform::Error* error,
        platform::WriteLosses* losses = nullptr);
    // The closing alert of an export that failed for some notes or left something of some
    // out; nothing when all went out whole. Main thread.
    static void report(const Report& report);
};
