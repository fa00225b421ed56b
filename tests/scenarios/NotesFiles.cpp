#include "NotesFiles.h"

#include "ScenarioApp.h"

#include "document/BXDocument.h"
#include "document/BXWrappedPersistentDocument.h"
#include "document/model/BXCategory.h"
#include "document/model/BXNote.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Error.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextListMarkers.h"

#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

namespace scenario {

void writeNotesFile(const QString& path, const QStringList& texts, bool spare,
    const QStringList& tags, const QList<QDateTime>& edited)
{
    BXDocument made;
    QList<platform::ManagedObjectPtr> categories;
    for (qsizetype i = 0; i < tags.size(); ++i) {
        platform::ManagedObjectPtr category
            = made.managedObjectContext()->insertNewObjectForEntityForName(
                BXCategory::entityName());
        category->setValue(tags.at(i), BXCategory::CategoryNameKey);
        category->setValue(qint64(i), BXCategory::PositionKey);
        categories << category;
    }
    const auto add = [&](const QString& text, const QDateTime& date) {
        BXNote::NotePtr note = BXNote::newNoteInManagedObjectContext(made.managedObjectContext(),
            {}, text.isEmpty() ? QList<platform::ManagedObjectPtr> {} : categories);
        std::unique_ptr<QTextDocument> rich = platform::AttributedText::makeDocument();
        rich->setPlainText(text);
        note->setAttributedString(*rich);
        note->setTrashFlag(text.isEmpty());
        if (date.isValid()) {
            note->setValue(date, BXNote::NoteCreatedKey);
            note->setValue(date, BXNote::NoteModifiedKey);
        }
    };
    for (qsizetype i = 0; i < texts.size(); ++i)
        add(texts.at(i), edited.value(i));
    if (spare)
        add(QString(), QDateTime());
    bool saved = false;
    made.saveToURL(QUrl::fromLocalFile(path), BXDocument::NotesDocumentType,
        platform::SaveOperation::SaveAs, [&](const platform::Error& error) {
            EXPECT_TRUE(error.isNull()) << error.toString().toStdString();
            saved = true;
        });
    ASSERT_TRUE(ScenarioApp::waitUntil([&] { return saved; }));
    made.close();
}

void forEachStoredNote(const QString& path, const std::function<void(const BXNote&)>& visit)
{
    BXWrappedPersistentDocument document;
    platform::Error error;
    if (!document.initWithContentsOfURL(
            QUrl::fromLocalFile(path), BXWrappedPersistentDocument::NotesDocumentType, &error)) {
        ADD_FAILURE() << "the saved file does not open: " << error.toString().toStdString();
        return;
    }
    const QList<platform::ManagedObjectPtr> objects
        = document.managedObjectContext()
              ->fetchObjects(platform::FetchRequest(BXNote::entityName()), nullptr)
              .value_or(QList<platform::ManagedObjectPtr> {});
    for (const platform::ManagedObjectPtr& object : objects) {
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (note && !note->trashFlag())
            visit(*note);
    }
    document.close();
}

QList<StoredNote> readNotesFile(const QString& path)
{
    QList<StoredNote> notes;
    forEachStoredNote(path, [&notes](const BXNote& note) {
        StoredNote stored;
        const std::unique_ptr<QTextDocument> text = note.attributedString();
        stored.text = text->toPlainText();
        stored.lists = paragraphLists(*text);
        for (const platform::ManagedObjectPtr& category : note.categories())
            stored.categories << category->valueForKey(BXCategory::CategoryNameKey).toString();
        stored.categories.sort();
        notes << stored;
    });
    std::sort(notes.begin(), notes.end(),
        [](const StoredNote& a, const StoredNote& b) { return a.text < b.text; });
    return notes;
}

QString paragraphLists(const QTextDocument& text)
{
    QStringList styles;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        const QStringList lists = platform::TextListMarkers::itemLists(block);
        styles << (lists.isEmpty() ? QStringLiteral("-") : lists.join(QLatin1Char('/')));
    }
    return styles.join(QLatin1Char(','));
}

QStringList storedTexts(const QString& path)
{
    QStringList texts;
    for (const StoredNote& note : readNotesFile(path))
        texts << note.text;
    return texts;
}

QStringList storedTitles(const QString& path)
{
    QStringList titles;
    forEachStoredNote(path, [&titles](const BXNote& note) { titles << note.noteTitle(); });
    titles.sort();
    return titles;
}

} // namespace scenario
