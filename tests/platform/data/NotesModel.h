#pragma once

#include "platform/data/ManagedObject.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/data/ManagedObjectModel.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include <QString>

#include <memory>

// A small notes-like model for the store tests: Note (string, date, binary, Boolean, integer
// attributes) and Category with the sub-entity FetchedNotesCategory, joined many-to-many by
// Note.categories / Category.notes, plus DocumentPreference.
namespace datatest {

class TestNote final : public platform::ManagedObject {
    Q_OBJECT

public:
    // Stands for the transient text storage a note keeps beside its stored values.
    QString cachedText;
    int faultCount = 0;
    int insertCount = 0;
    int fetchCount = 0;

    QVariant valueForKey(const QString& key) const override;

protected:
    void awakeFromInsert() override { ++insertCount; }
    void awakeFromFetch() override { ++fetchCount; }
    void didTurnIntoFault() override
    {
        cachedText.clear();
        ++faultCount;
    }
};

class TestCategory : public platform::ManagedObject {
    Q_OBJECT

public:
    QVariant valueForKey(const QString& key) const override;
};

class TestFetchedCategory final : public TestCategory {
    Q_OBJECT
};

// version 1 is the model below; version 2 adds Note.noteColor and the entity Attachment.
std::shared_ptr<const platform::ManagedObjectModel> notesModel(int version = 1);

QVariantMap storeOptions();

// A coordinator with a store at `path` (created when missing); null when it fails.
std::shared_ptr<platform::PersistentStoreCoordinator> openCoordinator(const QString& path,
    platform::Error* error = nullptr, int modelVersion = 1, QVariantMap options = storeOptions());

QString storePath(const QString& name = QStringLiteral("persistentStore"));

QByteArray fileBytes(const QString& path);

} // namespace datatest
