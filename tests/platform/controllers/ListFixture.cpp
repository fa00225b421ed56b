#include "ListFixture.h"

#include "platform/data/ManagedObjectModel.h"

using namespace platform;

namespace {

std::shared_ptr<const ManagedObjectModel> listModel()
{
    static const std::shared_ptr<const ManagedObjectModel> model = [] {
        using Type = AttributeDescription::Type;
        auto m = std::make_shared<ManagedObjectModel>();
        EntityDescription& note = m->addEntity(QStringLiteral("Note"));
        note.addAttribute(QStringLiteral("title"), Type::String);
        note.addAttribute(QStringLiteral("rank"), Type::Integer64);
        note.addAttribute(QStringLiteral("trashFlag"), Type::Boolean);
        note.addRelationship(QStringLiteral("categories"), QStringLiteral("Category"),
            QStringLiteral("notes"), true);
        EntityDescription& category = m->addEntity(QStringLiteral("Category"));
        category.addAttribute(QStringLiteral("name"), Type::String);
        category.addRelationship(
            QStringLiteral("notes"), QStringLiteral("Note"), QStringLiteral("categories"), true);
        m->finish();
        return m;
    }();
    return model;
}

} // namespace

ListFixture::ListFixture() : coordinator(std::make_shared<PersistentStoreCoordinator>(listModel()))
{
    context.setPersistentStoreCoordinator(coordinator);
}

ManagedObjectPtr ListFixture::makeNote(const QString& title, qint64 rank)
{
    ManagedObjectPtr note = context.insertNewObjectForEntityForName(QStringLiteral("Note"));
    note->setValue(title, QStringLiteral("title"));
    note->setValue(rank, QStringLiteral("rank"));
    note->setValue(false, QStringLiteral("trashFlag"));
    return note;
}

ManagedObjectPtr ListFixture::makeCategory(const QString& name)
{
    ManagedObjectPtr category = context.insertNewObjectForEntityForName(QStringLiteral("Category"));
    category->setValue(name, QStringLiteral("name"));
    return category;
}

QList<ManagedObjectPtr> ListFixture::makeNotes(const QStringList& titles)
{
    QList<ManagedObjectPtr> notes;
    for (const QString& title : titles)
        notes.append(makeNote(title));
    return notes;
}

QStringList ListFixture::titles(const QList<ManagedObjectPtr>& notes)
{
    QStringList result;
    for (const ManagedObjectPtr& note : notes)
        result.append(note->valueForKey(QStringLiteral("title")).toString());
    return result;
}
