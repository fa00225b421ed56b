#include "lists/noteslist/BXNotesArraySortDescriptor.h"

#include "document/model/BXNote.h"
#include "platform/data/AttributeReader.h"
#include "platform/foundation/Archiver.h"

#include <QCborMap>
#include <mutex>

using namespace platform;

namespace {

const QString kClassTag = QStringLiteral("BXNotesArraySortDescriptor");

} // namespace

int BXNotesArraySortDescriptor::trashRank(const ManagedObject& note)
{
    // Read for every note of each arrangement: the attribute in place.
    thread_local AttributeReader trashFlag(BXNote::TrashFlagKey);
    const QVariant* value = trashFlag(note);
    return value && value->toBool() ? 1 : 0;
}

int BXNotesArraySortDescriptor::compare(const ManagedObject& left, const ManagedObject& right) const
{
    if (const int order = trashRank(left) - trashRank(right))
        return order;
    return m_descriptor.compareValues(
        left.valueForKey(m_descriptor.key()), right.valueForKey(m_descriptor.key()));
}

QList<SortDescriptor> BXNotesArraySortDescriptor::defaultSortDescriptors()
{
    return { SortDescriptor(
                 BXNote::NoteTitleKey, true, QStringLiteral("localizedCaseInsensitiveCompare:")),
        SortDescriptor(BXNote::NoteCreatedKey), SortDescriptor(BXNote::NoteModifiedKey) };
}

void BXNotesArraySortDescriptor::registerArchiving()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Archiver::registerClass(
            kClassTag, qMetaTypeId<BXNotesArraySortDescriptor>(),
            [](const QVariant& value, QCborMap& fields, Archiver::Encoder&) {
                const SortDescriptor descriptor
                    = value.value<BXNotesArraySortDescriptor>().descriptor();
                fields.insert(QStringLiteral("key"), descriptor.key());
                fields.insert(QStringLiteral("ascending"), descriptor.ascending());
                fields.insert(QStringLiteral("selector"), descriptor.selector());
                return true;
            },
            [](const QCborMap& fields, Archiver::Decoder&) -> std::optional<QVariant> {
                const QCborValue key = fields.value(QStringLiteral("key"));
                const QCborValue ascending = fields.value(QStringLiteral("ascending"));
                const QCborValue selector = fields.value(QStringLiteral("selector"));
                if (!key.isString() || !ascending.isBool() || !selector.isString())
                    return std::nullopt;
                return QVariant::fromValue(BXNotesArraySortDescriptor(
                    SortDescriptor(key.toString(), ascending.toBool(), selector.toString())));
            });
    });
}

QByteArray BXNotesArraySortDescriptor::archivedData(const QList<SortDescriptor>& descriptors)
{
    registerArchiving();
    QVariantList list;
    for (const SortDescriptor& descriptor : descriptors)
        list << QVariant::fromValue(BXNotesArraySortDescriptor(descriptor));
    return Archiver::archivedData(list);
}

QList<SortDescriptor> BXNotesArraySortDescriptor::unarchivedSortDescriptors(const QByteArray& data)
{
    registerArchiving();
    const auto root = Archiver::unarchivedObject(data, { kClassTag, QStringLiteral("NSArray") });
    QList<SortDescriptor> descriptors;
    if (root && root->metaType().id() == QMetaType::QVariantList) {
        for (const QVariant& element : root->toList()) {
            if (element.metaType() != QMetaType::fromType<BXNotesArraySortDescriptor>())
                return defaultSortDescriptors();
            descriptors << element.value<BXNotesArraySortDescriptor>().descriptor();
        }
    }
    return descriptors.isEmpty() ? defaultSortDescriptors() : descriptors;
}
