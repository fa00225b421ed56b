#include "NotesFixture.h"

#include "document/model/BXDataModel.h"

using namespace platform;

NotesFixture::NotesFixture()
    : coordinator(std::make_shared<PersistentStoreCoordinator>(BXDataModel::model()))
{
    context.setPersistentStoreCoordinator(coordinator);
}

ManagedObjectPtr NotesFixture::makeNote(const QString& title)
{
    ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    note->setValue(title, QStringLiteral("noteTitle"));
    return note;
}

QList<ManagedObjectPtr> NotesFixture::makeNotes(const QStringList& titles)
{
    QList<ManagedObjectPtr> notes;
    for (const QString& title : titles)
        notes.append(makeNote(title));
    return notes;
}

ManagedObjectPtr NotesFixture::makeCategory(const QString& name)
{
    ManagedObjectPtr category = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
    category->setValue(name, QStringLiteral("categoryName"));
    return category;
}

QStringList NotesFixture::titles(const QList<ManagedObjectPtr>& notes)
{
    QStringList result;
    for (const ManagedObjectPtr& note : notes)
        result.append(note->valueForKey(QStringLiteral("noteTitle")).toString());
    return result;
}
