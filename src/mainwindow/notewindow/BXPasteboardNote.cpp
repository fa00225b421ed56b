#include "mainwindow/notewindow/BXPasteboardNote.h"

#include "lists/BXPasteboardNoteRow.h"

#include "document/model/BXNote.h"

#include "platform/appkit/FilePromiseMimeData.h"
#include "platform/foundation/Archiver.h"

#include <QPointer>

#include <memory>

BXPasteboardNote::BXPasteboardNote(const BXNote& note, Delegate* delegate)
    : m_noteIdUri(note.objectID().URIRepresentation()),
      m_delegate(delegate),
      m_fileType(delegate ? delegate->fileType() : QString())
{ }

QStringList BXPasteboardNote::writableTypes() const
{
    return { QStringLiteral("text/uri-list"), BXPasteboardNoteRow::RowIndexesType };
}

QByteArray BXPasteboardNote::pasteboardPropertyListForType(const QString& type) const
{
    if (type != BXPasteboardNoteRow::RowIndexesType)
        return {};
    return platform::Archiver::archivedData(m_noteIdUri);
}

QMimeData* BXPasteboardNote::makeMimeData() const
{
    auto promise = std::make_shared<platform::FilePromise>();
    if (m_delegate) {
        // The drag holds a copy of this value, and a drop may ask after the window closed.
        QPointer<QObject> object(dynamic_cast<QObject*>(m_delegate));
        const bool guarded = !object.isNull();
        promise->addFile(m_delegate->promisedFileName(*this),
            [copy = *this, object, guarded](const QString& path, platform::Error* error) {
                if (guarded && object.isNull()) {
                    platform::Error::set(error,
                        platform::Error(QStringLiteral("BXNotesErrorDomain"), 1,
                            QStringLiteral("The note's window is closed.")));
                    return false;
                }
                return copy.m_delegate->writePromisedFile(copy, path, error);
            });
    }
    auto* data = new platform::FilePromiseMimeData(std::move(promise));
    const QByteArray uri = pasteboardPropertyListForType(BXPasteboardNoteRow::RowIndexesType);
    if (!uri.isEmpty())
        data->setData(BXPasteboardNoteRow::RowIndexesType, uri);
    return data;
}
