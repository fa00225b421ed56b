#pragma once

#include "platform/foundation/Error.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

class BXNote;
class QMimeData;

// The drag value of a note dragged out of its own window: the note promised as one file in the
// export type, and the note's object-ID URI archived under the row-indexes type (where list
// rows put an index set). The delegate names and writes the file when a drop asks for it.
// A value; main thread.
class BXPasteboardNote final {
public:
    class Delegate {
    public:
        virtual ~Delegate() = default;
        // The promised file's type, taken when the drag starts.
        virtual QString fileType() const = 0;
        // The promised file's name, extension included.
        virtual QString promisedFileName(const BXPasteboardNote& note) const = 0;
        // Writes the note as one file at `path`; false with `error` filled when it could not.
        virtual bool writePromisedFile(
            const BXPasteboardNote& note, const QString& path, platform::Error* error)
            = 0;
    };

    BXPasteboardNote(const BXNote& note, Delegate* delegate);

    QUrl noteIdUri() const { return m_noteIdUri; }
    void setNoteIdUri(const QUrl& uri) { m_noteIdUri = uri; }
    QString fileType() const { return m_fileType; }
    Delegate* delegate() const { return m_delegate; }

    // The promised file's type first, the row-indexes type last.
    QStringList writableTypes() const;
    // The archived URI for the row-indexes type; empty for any other type.
    QByteArray pasteboardPropertyListForType(const QString& type) const;
    // The drag's data, owned by the caller.
    QMimeData* makeMimeData() const;

private:
    QUrl m_noteIdUri;
    Delegate* m_delegate;
    QString m_fileType;
};
