#pragma once

#include "PersistentStore.h"

#include "platform/predicate/Predicate.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

struct sqlite3;

namespace platform {

class ComparisonPredicate;

// The part of a fetch predicate that SQLite can decide, so that a fetch reads only rows that
// may match. Comparisons of a stored attribute with a constant become calls of the SQL
// function bx_compare(), which applies the predicate's own comparison to the column value,
// so both ways agree by construction; text compared with a string constant is folded by the
// same rules, as UTF-8 into a buffer kept between rows, and compared with the constant folded
// once. "SELF IN list" becomes a key list. What cannot be translated is left to the
// evaluation in memory: an exact filter decides alone for rows without unsaved changes, an
// inexact one only narrows the rows down. Owns the state the SQL calls point to, so it must
// outlive the fetch it is used for.
class SqlPredicateFilter final {
public:
    // Whether no object of the entity (or its sub-entities) has unsaved changes.
    using EntityUnchanged = std::function<bool(const EntityDescription* entity)>;

    // Null when nothing of the predicate can be translated. Counts over a to-many relation
    // ("rel.@count", "SUBQUERY(rel, ...).@count") are translated only where `unchanged`
    // tells that the related objects in memory are as saved.
    static std::unique_ptr<SqlPredicateFilter> make(const PredicateRef& predicate,
        const EntityDescription* entity, const PersistentStore& store,
        const EntityUnchanged& unchanged = {});
    ~SqlPredicateFilter();

    const PersistentStore::SqlFilter& filter() const { return m_filter; }
    bool isExact() const { return m_exact; }

    // Makes bx_compare() known to a connection.
    static void registerFunctions(sqlite3* db);

    struct Matcher;

private:
    SqlPredicateFilter() = default;
    struct Translation {
        QString sql;
        bool exact;
    };
    // Leaves the binds as they were when it gives nothing.
    std::optional<Translation> translate(const PredicateRef& predicate);
    std::optional<Translation> translateParts(const PredicateRef& predicate);
    std::optional<Translation> translateComparison(
        const std::shared_ptr<const ComparisonPredicate>& comparison);
    std::optional<Translation> translateRelationCount(
        const std::shared_ptr<const ComparisonPredicate>& comparison);

    const EntityDescription* m_entity = nullptr;
    EntityUnchanged m_unchanged;
    // What key paths start from: the fetched rows ("t"), or inside a SUBQUERY the related
    // rows ("d"), named also by the SUBQUERY's variable.
    const EntityDescription* m_scopeEntity = nullptr;
    QString m_alias = QStringLiteral("t");
    QString m_variable;
    const PersistentStore* m_store = nullptr;
    PersistentStore::SqlFilter m_filter;
    bool m_exact = true;
    std::vector<std::unique_ptr<Matcher>> m_matchers;
};

} // namespace platform
