#include "NoteTextFixture.h"

#include "document/BXDefaults.h"

#include "platform/text/AttributedText.h"

#include <QTextDocument>

void NoteTextFixture::SetUp()
{
    BXDefaults::registerDefaults();
}

BXNote::NotePtr NoteTextFixture::makeNote(const QString& text)
{
    BXNote::NotePtr note
        = BXNote::newNoteInManagedObjectContext(document.managedObjectContext(), {}, {});
    std::unique_ptr<QTextDocument> rich = platform::AttributedText::makeDocument();
    rich->setPlainText(text);
    note->setAttributedString(*rich);
    return note;
}
