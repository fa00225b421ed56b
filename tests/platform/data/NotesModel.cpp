#include "NotesModel.h"

#include "support/TestEnvironment.h"

#include <QFile>

using namespace platform;

namespace datatest {

QVariant TestNote::valueForKey(const QString& key) const
{
    if (key == QStringLiteral("identifier"))
        return objectID().URIRepresentation().toString();
    return ManagedObject::valueForKey(key);
}

QVariant TestCategory::valueForKey(const QString& key) const
{
    if (key == QStringLiteral("isPlainCategory"))
        return typeid(*this) == typeid(TestCategory);
    if (key == QStringLiteral("identifier")) {
        const QVariant id = ManagedObject::valueForKey(QStringLiteral("categoryID"));
        return id.isValid() ? id : QVariant(QStringLiteral("Category"));
    }
    return ManagedObject::valueForKey(key);
}

std::shared_ptr<const ManagedObjectModel> notesModel(int version)
{
    using Type = AttributeDescription::Type;
    auto model
        = std::make_shared<ManagedObjectModel>(version, QStringList { QString::number(version) });
    EntityDescription& note = model->addEntity(QStringLiteral("Note"));
    note.setClass<TestNote>();
    note.addAttribute(QStringLiteral("noteName"), Type::String);
    note.addAttribute(QStringLiteral("noteTitle"), Type::String);
    note.addAttribute(QStringLiteral("noteText"), Type::String);
    note.addAttribute(QStringLiteral("noteStyles"), Type::Binary);
    note.addAttribute(QStringLiteral("noteCreated"), Type::Date);
    note.addAttribute(QStringLiteral("noteModified"), Type::Date);
    note.addAttribute(QStringLiteral("trashFlag"), Type::Boolean);
    note.addAttribute(QStringLiteral("label"), Type::Integer64);
    note.addAttribute(QStringLiteral("scratch"), Type::String).setTransient(true);
    note.addRelationship(
        QStringLiteral("categories"), QStringLiteral("Category"), QStringLiteral("notes"), true);
    if (version >= 2)
        note.addAttribute(QStringLiteral("noteColor"), Type::Integer32).setDefaultValue(7);

    EntityDescription& category = model->addEntity(QStringLiteral("Category"));
    category.setClass<TestCategory>();
    category.addAttribute(QStringLiteral("categoryID"), Type::String);
    category.addAttribute(QStringLiteral("categoryName"), Type::String);
    category.addAttribute(QStringLiteral("position"), Type::Integer64);
    category.addRelationship(
        QStringLiteral("notes"), QStringLiteral("Note"), QStringLiteral("categories"), true);

    EntityDescription& fetched
        = model->addEntity(QStringLiteral("FetchedNotesCategory"), QStringLiteral("Category"));
    fetched.setClass<TestFetchedCategory>();
    fetched.addAttribute(QStringLiteral("predicate"), Type::Transformable)
        .setValueTransformerName(QStringLiteral("TestListTransformer"));

    EntityDescription& preference = model->addEntity(QStringLiteral("DocumentPreference"));
    preference.addAttribute(QStringLiteral("prefType"), Type::String);
    preference.addAttribute(QStringLiteral("prefName"), Type::String);
    preference.addAttribute(QStringLiteral("prefBoolean"), Type::Boolean);
    preference.addAttribute(QStringLiteral("prefBlob"), Type::Binary);

    if (version >= 2) {
        EntityDescription& attachment = model->addEntity(QStringLiteral("Attachment"));
        attachment.addAttribute(QStringLiteral("fileName"), Type::String);
    }
    Error error;
    if (!model->finish(&error))
        qFatal("%s", qPrintable(error.toString()));
    return model;
}

QVariantMap storeOptions()
{
    return { { MigratePersistentStoresAutomaticallyOption, true },
        { InferMappingModelAutomaticallyOption, true },
        { SQLitePragmasOption,
            QVariantMap { { QStringLiteral("journal_mode"), QStringLiteral("DELETE") } } } };
}

std::shared_ptr<PersistentStoreCoordinator> openCoordinator(
    const QString& path, Error* error, int modelVersion, QVariantMap options)
{
    auto coordinator = std::make_shared<PersistentStoreCoordinator>(notesModel(modelVersion));
    if (!coordinator->addPersistentStore(
            SQLiteStoreType, QUrl::fromLocalFile(path), options, error))
        return nullptr;
    return coordinator;
}

QString storePath(const QString& name)
{
    return bxtest::makeTempFolder() + QLatin1Char('/') + name;
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

} // namespace datatest
