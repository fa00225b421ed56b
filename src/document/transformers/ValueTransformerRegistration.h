#pragma once

// Registers a new BXPredicateTransformer as "BXPredicateTransformer" and a new
// BXColorValueTransformer as "BXColorValueTransformer", replacing earlier ones; each document
// calls it as it is made, so that the store's transformable attributes and the bindings find
// them by name.
void registerNamedValueTransformers();
