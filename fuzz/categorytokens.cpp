// Feeds arbitrary bytes to the tag editor's paste: as the archive of copied category tokens and
// as the text beside it. Whatever arrives must be refused or resolved against the open store,
// never crash. Inputs whose first byte is odd are sealed in a valid envelope first, so the
// fuzzer reaches the token decoder behind the digest check; the store UUID placeholder of the
// seeds is swapped for the real one, so their URIs can name real categories.
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/tags/BXCategoryToken.h"
#include "lists/tags/BXTagsController.h"

#include "document/model/BXDataModel.h"
#include "document/BXDefaults.h"
#include "document/transformers/ValueTransformerRegistration.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"

#include <QApplication>
#include <QCborMap>
#include <QCryptographicHash>
#include <QMimeData>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

namespace {

const QByteArray kPlaceholderUUID("00000000-0000-0000-0000-000000000000");

struct Store {
    QTemporaryDir folder;
    platform::ManagedObjectContext context;
    BXCategoriesArrayController categories;
    BXTagsController tags;
    QByteArray uuid;
};

Store* store = nullptr;

QByteArray sealed(const QByteArray& objects)
{
    QCborMap archive;
    archive.insert(QStringLiteral("$archiver"), QStringLiteral("BXArchiver"));
    archive.insert(QStringLiteral("$version"), 1);
    archive.insert(QStringLiteral("$objects"), objects);
    archive.insert(
        QStringLiteral("$sha256"), QCryptographicHash::hash(objects, QCryptographicHash::Sha256));
    return archive.toCborValue().toCbor();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    BXDefaults::registerDefaults();
    registerNamedValueTransformers();
    store = new Store;
    auto coordinator = std::make_shared<platform::PersistentStoreCoordinator>(BXDataModel::model());
    platform::Error error;
    if (!coordinator->addPersistentStore(platform::SQLiteStoreType,
            QUrl::fromLocalFile(store->folder.filePath(QStringLiteral("persistentStore"))), {},
            &error))
        qFatal("store: %s", qPrintable(error.toString()));
    store->context.setPersistentStoreCoordinator(coordinator);
    store->categories.setManagedObjectContext(&store->context);
    store->categories.prepareContent();
    for (const char* name : { "Work", "Home", "Ideas" })
        store->categories.newCategoryWithName(QString::fromLatin1(name), false);
    if (!store->context.save(&error))
        qFatal("save: %s", qPrintable(error.toString()));
    // A deleted category, whose URI stays well formed.
    platform::ManagedObjectPtr gone = store->categories.newCategoryWithName("Gone", false);
    store->context.save(&error);
    store->context.deleteObject(gone);
    store->context.save(&error);
    store->uuid = coordinator->persistentStore()->identifier().toLatin1();
    store->tags.setCategoriesController(&store->categories);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    QByteArray rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    rest.replace(kPlaceholderUUID, store->uuid);
    QMimeData mime;
    mime.setData(BXCategoryToken::PasteboardType, (data[0] & 1) ? sealed(rest) : rest);
    mime.setText(QString::fromUtf8(rest));
    store->tags.readFromPasteboard(nullptr, mime);
    return 0;
}
