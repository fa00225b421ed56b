#include "document/transformers/BXAddEllipsisValueTransformer.h"

#include "platform/foundation/Format.h"

QVariant BXAddEllipsisValueTransformer::transformedValue(const QVariant& value) const
{
    if (!value.isValid())
        return {};
    return platform::formatString(QStringLiteral("%@\u2026"), { value });
}
