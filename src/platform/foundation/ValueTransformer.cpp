#include "ValueTransformer.h"

#include <QHash>
#include <QMutex>
#include <QMutexLocker>

namespace platform {

namespace {

struct Registry {
    QMutex mutex;
    QHash<QString, std::shared_ptr<ValueTransformer>> transformers;
};

Registry& registry()
{
    static Registry instance;
    return instance;
}

} // namespace

QVariant ValueTransformer::reverseTransformedValue(const QVariant&) const
{
    return {};
}

bool ValueTransformer::allowsReverseTransformation() const
{
    return false;
}

void ValueTransformer::setValueTransformer(
    std::shared_ptr<ValueTransformer> transformer, const QString& name)
{
    Registry& shared = registry();
    QMutexLocker locker(&shared.mutex);
    if (transformer)
        shared.transformers.insert(name, std::move(transformer));
    else
        shared.transformers.remove(name);
}

std::shared_ptr<ValueTransformer> ValueTransformer::valueTransformerForName(const QString& name)
{
    Registry& shared = registry();
    QMutexLocker locker(&shared.mutex);
    return shared.transformers.value(name);
}

} // namespace platform
