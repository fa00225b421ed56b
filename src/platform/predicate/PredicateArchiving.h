#pragma once

namespace platform {

// Adds predicates (class "NSPredicate", a QVariant holding a PredicateRef, kept as its canonical
// format text) and sort descriptors ("NSSortDescriptor": key, ascending, selector) to the
// archiver's classes. Call it before archiving either; calling it again does no harm.
void registerPredicateArchiving();

} // namespace platform
