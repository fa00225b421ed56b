#include "BenchNotesStore.h"

#include "document/model/BXDataModel.h"

#include <QUrl>

BenchNotesStore::BenchNotesStore()
    : coordinator(std::make_shared<platform::PersistentStoreCoordinator>(BXDataModel::model()))
{
    platform::Error error;
    if (!coordinator->addPersistentStore(
            platform::SQLiteStoreType, QUrl::fromLocalFile(storePath()), {}, &error))
        qFatal("store: %s", qPrintable(error.toString()));
}
