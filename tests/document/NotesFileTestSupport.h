#pragma once

#include "document/model/BXNote.h"
#include "document/BXWrappedPersistentDocument.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <memory>

// Helpers for tests of notes files on disk.
namespace notesfiletest {

using NotesFile = BXWrappedPersistentDocument;

// Saves synchronously; the error is null on success.
platform::Error save(NotesFile& document, const QUrl& url, platform::SaveOperation operation);
// nullptr with `error` set when the file does not open.
std::unique_ptr<NotesFile> open(const QUrl& url, platform::Error* error = nullptr);
BXNote::NotePtr addNote(NotesFile& document, const QString& text);
// The titles of every note, sorted.
QStringList titles(NotesFile& document);
QByteArray fileBytes(const QString& path);
QUrl packageURL(const QString& folder, const QString& name);
// Every file below `path` with its bytes, for "nothing changed" checks.
QMap<QString, QByteArray> snapshot(const QString& path);
// Makes `paths` read-only the way a locked volume is (immutable, which binds the superuser
// too), or writable again; false when they stay writable.
bool setReadOnly(const QStringList& paths, bool readOnly);

} // namespace notesfiletest
