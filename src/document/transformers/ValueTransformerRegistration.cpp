#include "document/transformers/ValueTransformerRegistration.h"

#include "document/transformers/BXColorValueTransformer.h"
#include "document/transformers/BXPredicateTransformer.h"

void registerNamedValueTransformers()
{
    platform::ValueTransformer::setValueTransformer(
        std::make_shared<BXPredicateTransformer>(), QStringLiteral("BXPredicateTransformer"));
    platform::ValueTransformer::setValueTransformer(
        std::make_shared<BXColorValueTransformer>(), QStringLiteral("BXColorValueTransformer"));
}
