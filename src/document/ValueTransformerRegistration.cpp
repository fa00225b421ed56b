#include "ValueTransformerRegistration.h"

#include "BXColorValueTransformer.h"
#include "BXPredicateTransformer.h"

void registerNamedValueTransformers()
{
    platform::ValueTransformer::setValueTransformer(
        std::make_shared<BXPredicateTransformer>(), QStringLiteral("BXPredicateTransformer"));
    platform::ValueTransformer::setValueTransformer(
        std::make_shared<BXColorValueTransformer>(), QStringLiteral("BXColorValueTransformer"));
}
