// Opens arbitrary bytes as the store of a notes file, as opening a document does, and reads
// everything a document shows: every object and each of its stored values, the notes' rich
// text and window strings, the smart categories' predicates and the preference records with
// their archives and pictures. Opening may fail with an error; nothing may crash.
#include "OffscreenApplication.h"
#include "document/model/BXCategory.h"
#include "document/BXDocument.h"
#include "document/model/BXDocumentPreference.h"
#include "document/model/BXFetchedNotesCategory.h"
#include "document/model/BXNote.h"
#include "platform/data/AttributeDescription.h"
#include "platform/data/EntityDescription.h"
#include "platform/data/FetchRequest.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Archiver.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QUrl>

namespace {

void readEveryValue(const platform::ManagedObjectPtr& object)
{
    for (const platform::AttributeDescription* attribute : object->entity()->attributes())
        static_cast<void>(object->valueForKey(attribute->name()));
}

void readPreference(const platform::ManagedObjectPtr& preference)
{
    using Pref = BXDocumentPreference;
    const QByteArray blob = preference->valueForKey(Pref::PrefBlobKey).toByteArray();
    static_cast<void>(Pref::noteWindowsFromArchive(blob));
    static_cast<void>(platform::Archiver::unarchived<QVariantList>(blob,
        { QStringLiteral("NSArray"), QStringLiteral("NSURL"), QStringLiteral("NSSortDescriptor"),
            QStringLiteral("NSString") }));
    static_cast<void>(
        QImage::fromData(preference->valueForKey(Pref::PrefPictKey).toByteArray()).size());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir folder;
    const QString package = folder.path() + QStringLiteral("/input.brindlex");
    QDir(package).removeRecursively();
    QDir().mkpath(package + QStringLiteral("/StoreContent"));
    QFile store(package + QStringLiteral("/StoreContent/persistentStore"));
    if (!store.open(QIODevice::WriteOnly))
        return 0;
    store.write(reinterpret_cast<const char*>(data), qint64(size));
    store.close();

    BXDocument document;
    platform::Error error;
    if (!document.initWithContentsOfURL(
            QUrl::fromLocalFile(package), BXDocument::NotesDocumentType, &error))
        return 0;
    platform::ManagedObjectContext* context = document.managedObjectContext();
    for (const QString& entity : { BXNote::entityName(), BXCategory::entityName(),
             BXDocumentPreference::entityName() }) {
        const auto objects = context->fetchObjects(platform::FetchRequest(entity), &error);
        if (!objects)
            continue;
        for (const platform::ManagedObjectPtr& object : *objects) {
            readEveryValue(object);
            if (auto note = std::dynamic_pointer_cast<BXNote>(object)) {
                static_cast<void>(note->attributedString());
                static_cast<void>(note->selectedRange());
                static_cast<void>(note->windowFrame());
            } else if (auto smart = std::dynamic_pointer_cast<BXFetchedNotesCategory>(object)) {
                static_cast<void>(smart->predicate());
                static_cast<void>(smart->fetchedNotes());
            } else if (auto category = std::dynamic_pointer_cast<BXCategory>(object)) {
                static_cast<void>(category->notes());
            } else {
                readPreference(object);
            }
        }
    }
    document.close();
    return 0;
}
