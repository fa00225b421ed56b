#include "document/model/BXDocumentPreference.h"

#include "document/model/BXNote.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/VariantKind.h"

#include <QBuffer>

using platform::ManagedObjectContext;

namespace {

const QString kNoteID = QStringLiteral("noteID");
const QString kWindowFrame = QStringLiteral("windowFrame");
const QString kWindowOrder = QStringLiteral("windowOrder");
const QString kWindowMinimized = QStringLiteral("windowMinimized");
const QString kZoomFactor = QStringLiteral("zoomFactor");

const QStringList kNoteWindowClasses { QStringLiteral("NSArray"), QStringLiteral("NSDictionary"),
    QStringLiteral("NSURL"), QStringLiteral("NSString"), QStringLiteral("NSNumber") };

} // namespace

QString BXDocumentPreference::entityName()
{
    return QStringLiteral("DocumentPreference");
}

QList<platform::SortDescriptor> BXDocumentPreference::defaultNotesSortDescriptors()
{
    return { platform::SortDescriptor(
                 BXNote::NoteTitleKey, true, QStringLiteral("localizedCaseInsensitiveCompare:")),
        platform::SortDescriptor(BXNote::NoteCreatedKey, true),
        platform::SortDescriptor(BXNote::NoteModifiedKey, true) };
}

QByteArray BXDocumentPreference::archivedNoteWindows(
    const QList<NoteWindowRecord>& windows, platform::Error* error)
{
    QVariantList list;
    for (const NoteWindowRecord& window : windows) {
        list << QVariantMap { { kNoteID, window.noteID }, { kWindowFrame, window.windowFrame },
            { kWindowOrder, window.windowOrder }, { kWindowMinimized, window.windowMinimized },
            { kZoomFactor, window.zoomFactor } };
    }
    return platform::Archiver::archivedData(list, error);
}

std::optional<QList<BXDocumentPreference::NoteWindowRecord>>
BXDocumentPreference::noteWindowsFromArchive(const QByteArray& data, platform::Error* error)
{
    const std::optional<QVariant> root
        = platform::Archiver::unarchivedObject(data, kNoteWindowClasses, error);
    if (!root)
        return std::nullopt;
    if (root->typeId() != QMetaType::QVariantList) {
        if (error) {
            *error = platform::Error(platform::kCocoaErrorDomain, platform::CoderReadCorruptError,
                QStringLiteral("The note windows are not a list."));
        }
        return std::nullopt;
    }
    QList<NoteWindowRecord> windows;
    for (const QVariant& entry : root->toList()) {
        const QVariantMap map = entry.toMap();
        const QVariant noteID = map.value(kNoteID);
        if (noteID.typeId() != QMetaType::QUrl || !noteID.toUrl().isValid())
            continue;
        NoteWindowRecord window;
        window.noteID = noteID.toUrl();
        window.windowFrame = map.value(kWindowFrame).toString();
        // A value of the wrong kind keeps the default: a flag is no order, a number no flag.
        if (const QVariant order = map.value(kWindowOrder); platform::VariantKind::isNumber(order))
            window.windowOrder = order.toULongLong();
        if (const QVariant minimized = map.value(kWindowMinimized);
            platform::VariantKind::isBoolean(minimized))
            window.windowMinimized = minimized.toBool();
        if (const QVariant zoom = map.value(kZoomFactor); platform::VariantKind::isNumber(zoom))
            window.zoomFactor = zoom.toDouble();
        windows << window;
    }
    return windows;
}

BXDocumentPreference::PreferencePtr BXDocumentPreference::fetchPrefForType(
    const QString& type, const QString& name, bool createIfNeeded, ManagedObjectContext* context)
{
    if (!context)
        return nullptr;
    platform::FetchRequest request(entityName());
    request.setPredicate(platform::Predicate::predicateWithFormat(
        QStringLiteral("%K = %@ AND %K = %@"), { PrefTypeKey, type, PrefNameKey, name }));
    platform::Error error;
    const std::optional<QList<platform::ManagedObjectPtr>> results
        = context->fetchObjects(request, &error);
    if (!results) {
        platform::log("Error on fetching prefType %@ with name %@:%@", type, name, error);
        return nullptr;
    }
    if (!results->isEmpty())
        return std::dynamic_pointer_cast<BXDocumentPreference>(results->first());
    if (!createIfNeeded)
        return nullptr;
    auto preference = std::dynamic_pointer_cast<BXDocumentPreference>(
        context->insertNewObjectForEntityForName(entityName()));
    if (!preference)
        return nullptr;
    preference->setValue(type, PrefTypeKey);
    preference->setValue(name, PrefNameKey);
    return preference;
}

void BXDocumentPreference::setPrefValue(const QVariant& value, const QString& key,
    const QString& type, const QString& name, ManagedObjectContext* context)
{
    if (const PreferencePtr preference = fetchPrefForType(type, name, true, context))
        preference->setValue(value, key);
}

QVariant BXDocumentPreference::prefValueForKey(const QString& key, const QString& type,
    const QString& name, const QVariant& defaultValue, ManagedObjectContext* context)
{
    const PreferencePtr preference = fetchPrefForType(type, name, false, context);
    if (!preference)
        return defaultValue;
    const QVariant value = preference->valueForKey(key);
    return value.isValid() && !value.isNull() ? value : defaultValue;
}

void BXDocumentPreference::setPrefString(
    const QString& value, const QString& type, const QString& name, ManagedObjectContext* context)
{
    setPrefValue(value.isNull() ? QStringLiteral("") : value, PrefStringKey, type, name, context);
}

QString BXDocumentPreference::prefStringForType(const QString& type, const QString& name,
    const QString& defaultValue, ManagedObjectContext* context)
{
    return prefValueForKey(PrefStringKey, type, name, defaultValue, context).toString();
}

void BXDocumentPreference::setPrefInteger(
    qint64 value, const QString& type, const QString& name, ManagedObjectContext* context)
{
    setPrefValue(value, PrefIntegerKey, type, name, context);
}

qint64 BXDocumentPreference::prefIntegerForType(
    const QString& type, const QString& name, qint64 defaultValue, ManagedObjectContext* context)
{
    return prefValueForKey(PrefIntegerKey, type, name, defaultValue, context).toLongLong();
}

void BXDocumentPreference::setPrefBoolean(
    bool value, const QString& type, const QString& name, ManagedObjectContext* context)
{
    setPrefValue(value, PrefBooleanKey, type, name, context);
}

bool BXDocumentPreference::prefBooleanForType(
    const QString& type, const QString& name, bool defaultValue, ManagedObjectContext* context)
{
    return prefValueForKey(PrefBooleanKey, type, name, defaultValue, context).toBool();
}

void BXDocumentPreference::setPrefPict(
    const QImage& image, const QString& type, const QString& name, ManagedObjectContext* context)
{
    QByteArray data;
    if (!image.isNull()) {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        if (!image.save(&buffer, "TIFF"))
            data.clear();
    }
    setPrefValue(data.isEmpty() ? QVariant() : QVariant(data), PrefPictKey, type, name, context);
}

QImage BXDocumentPreference::prefPictForType(const QString& type, const QString& name,
    const QImage& defaultValue, ManagedObjectContext* context)
{
    const QByteArray data = prefValueForKey(PrefPictKey, type, name, {}, context).toByteArray();
    if (data.isEmpty())
        return defaultValue;
    const QImage image = QImage::fromData(data, "TIFF");
    return image.isNull() ? defaultValue : image;
}

void BXDocumentPreference::setPrefBlob(
    const QByteArray& data, const QString& type, const QString& name, ManagedObjectContext* context)
{
    setPrefValue(data.isNull() ? QVariant() : QVariant(data), PrefBlobKey, type, name, context);
}

QByteArray BXDocumentPreference::prefBlobForType(const QString& type, const QString& name,
    const QByteArray& defaultValue, ManagedObjectContext* context)
{
    return prefValueForKey(PrefBlobKey, type, name, defaultValue, context).toByteArray();
}
