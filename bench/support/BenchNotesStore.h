#pragma once

#include "platform/data/PersistentStoreCoordinator.h"

#include <QString>
#include <QTemporaryDir>

#include <memory>

// An empty notes store in a folder of its own that lasts as long as the value: the notes file a
// benchmark fills once and reads in many iterations. Ends the run when the store cannot open.
struct BenchNotesStore {
    BenchNotesStore();

    QString storePath() const { return folder.filePath(QStringLiteral("persistentStore")); }

    QTemporaryDir folder;
    std::shared_ptr<platform::PersistentStoreCoordinator> coordinator;
};
