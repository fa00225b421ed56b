#include "mainwindow/editor/BXNoteTextWriter.h"

#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"

#include "platform/documents/Document.h"

bool BXNoteTextWriter::writeBack(
    const QTextDocument& text, BXNote* note, platform::Document* document)
{
    if (!note)
        return false;
    const QByteArray styles = note->noteStyles();
    const QString plain = note->noteText();
    BXManagedObjectUtilities::withoutUndo(
        note->managedObjectContext(), [&] { note->setAttributedString(text); });
    if (note->noteStyles() == styles && note->noteText() == plain)
        return false;
    if (document)
        document->updateChangeCount(platform::Document::ChangeType::Done);
    return true;
}
