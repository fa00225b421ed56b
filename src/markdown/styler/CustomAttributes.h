#pragma once

#include "BlockBackgroundColorAttribute.h"
#include "QuoteStripeAttribute.h"
#include "ThematicBreakAttribute.h"

#include <QString>
#include <QVariant>

#include <memory>

namespace markdown {

// The attribute names of the decorations that plain text attributes cannot express, and the
// boxing of their records. A record is stored as a shared pointer to a const record, so two
// values are the same attribute value only when they are the same stored object; a reader gets
// a record back only when the value holds one of the requested type.
class CustomAttributes final {
public:
    CustomAttributes() = delete;

    static const QString blockBackgroundColor;
    static const QString quoteStripe;
    static const QString thematicBreak;

    template <typename Record> static QVariant box(Record record)
    {
        return QVariant::fromValue(std::make_shared<const Record>(std::move(record)));
    }

    // The record in `value`, or null when it holds anything else.
    template <typename Record> static std::shared_ptr<const Record> unbox(const QVariant& value)
    {
        using Boxed = std::shared_ptr<const Record>;
        if (value.metaType() != QMetaType::fromType<Boxed>())
            return nullptr;
        return value.value<Boxed>();
    }
};

} // namespace markdown
