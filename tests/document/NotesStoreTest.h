#pragma once

#include "document/model/BXDataModel.h"
#include "support/TestEnvironment.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include <gtest/gtest.h>

#include <QUrl>

#include <memory>

// A fixture holding one main context on a real notes store in a fresh folder, which the test
// can save and open again in a new context to see what the file really holds.
class NotesStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        storeURL = QUrl::fromLocalFile(bxtest::makeTempFolder() + "/persistentStore");
        open();
    }

    void open()
    {
        context = std::make_unique<platform::ManagedObjectContext>();
        auto coordinator
            = std::make_shared<platform::PersistentStoreCoordinator>(BXDataModel::model());
        platform::Error error;
        ASSERT_TRUE(
            coordinator->addPersistentStore(platform::SQLiteStoreType, storeURL, {}, &error))
            << error.toString().toStdString();
        context->setPersistentStoreCoordinator(coordinator);
    }

    void saveAndReopen()
    {
        platform::Error error;
        ASSERT_TRUE(context->save(&error)) << error.toString().toStdString();
        open();
    }

    QUrl storeURL;
    std::unique_ptr<platform::ManagedObjectContext> context;
};
