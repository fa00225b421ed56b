#pragma once

#include <QString>
#include <QVariant>

#include <memory>

namespace platform {

// Turns a value into another for display or storage (a predicate into archive data, a count
// into a Boolean), and, when it allows, back. Transformers are found by name in one
// process-wide registry, which stored attributes and bindings name them by. Subclasses must be
// usable from any thread: the registry hands the same instance to every caller.
class ValueTransformer {
public:
    virtual ~ValueTransformer() = default;

    virtual QVariant transformedValue(const QVariant& value) const = 0;
    // The inverse of transformedValue(); by default there is none and the result is invalid.
    virtual QVariant reverseTransformedValue(const QVariant& value) const;
    // Whether reverseTransformedValue() is meaningful; false unless a subclass says so.
    virtual bool allowsReverseTransformation() const;

    // Registers `transformer` under `name`, replacing an earlier one of that name; a null
    // transformer removes the name. Thread-safe.
    static void setValueTransformer(
        std::shared_ptr<ValueTransformer> transformer, const QString& name);
    // The transformer registered under `name`, or null. Thread-safe.
    static std::shared_ptr<ValueTransformer> valueTransformerForName(const QString& name);
};

} // namespace platform
