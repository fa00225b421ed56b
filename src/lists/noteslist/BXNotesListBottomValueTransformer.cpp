#include "lists/noteslist/BXNotesListBottomValueTransformer.h"

#include "lists/noteslist/BXNotesListHeaderValueTransformer.h"

#include "platform/foundation/Localized.h"

QVariant BXNotesListBottomValueTransformer::transformedValue(const QVariant& value) const
{
    bool ok = false;
    const qint64 count = value.toLongLong(&ok);
    if (!ok || count < 0)
        return {};
    if (count == 0)
        return platform::localized(QStringLiteral("no notes"));
    return platform::formatString(
        platform::localized(count == 1 ? QStringLiteral("%@ note") : QStringLiteral("%@ notes")),
        { value });
}

void BXNotesListBottomValueTransformer::registerNotesListTransformers()
{
    platform::ValueTransformer::setValueTransformer(
        std::make_shared<BXNotesListHeaderValueTransformer>(),
        QStringLiteral("BXNotesListHeaderValueTransformer"));
    platform::ValueTransformer::setValueTransformer(
        std::make_shared<BXNotesListBottomValueTransformer>(),
        QStringLiteral("BXNotesListBottomValueTransformer"));
}
