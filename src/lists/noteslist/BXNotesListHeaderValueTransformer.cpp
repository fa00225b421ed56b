#include "lists/noteslist/BXNotesListHeaderValueTransformer.h"

#include "platform/foundation/Localized.h"

QVariant BXNotesListHeaderValueTransformer::transformedValue(const QVariant& value) const
{
    return platform::formatString(platform::localized(QStringLiteral("Notes (%@)")), { value });
}
