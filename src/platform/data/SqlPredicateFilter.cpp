#include "SqlPredicateFilter.h"

#include "ManagedObject.h"

#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/CompoundPredicate.h"
#include "platform/predicate/ConstantPredicate.h"
#include "platform/predicate/Expression.h"
#include "platform/predicate/StringFolding.h"
#include "platform/predicate/ValueComparison.h"

#include <QDateTime>

#include <sqlite3.h>

#include <string>
#include <string_view>

namespace platform {

struct SqlPredicateFilter::Matcher {
    std::shared_ptr<const ComparisonPredicate> comparison;
    const AttributeDescription* attribute = nullptr;
    // Set when the operator compares text with a non-empty string constant: the constant
    // folded by the comparison's options, as the stored text is folded before comparing.
    std::optional<QString> foldedNeedle;
    // Its UTF-8 bytes, unless it holds an unpaired surrogate, which UTF-8 cannot carry: the
    // stored text is folded and compared as UTF-8 then, without decoding it.
    std::optional<std::string> utf8Needle;
    // Set for an ordering or equality test of a date attribute against a valid date: the
    // date's instant, which stored numbers are compared with as memory compares dates.
    std::optional<qint64> instant;
};

namespace {

const char* const kMatcherType = "bx_matcher";

template <typename Char>
bool compareFolded(ComparisonPredicate::Operator op, std::basic_string_view<Char> subject,
    std::basic_string_view<Char> needle)
{
    switch (op) {
    case ComparisonPredicate::Operator::Contains:
        return subject.find(needle) != subject.npos;
    case ComparisonPredicate::Operator::BeginsWith:
        return subject.starts_with(needle);
    case ComparisonPredicate::Operator::EndsWith:
        return subject.ends_with(needle);
    case ComparisonPredicate::Operator::EqualTo:
        return subject == needle;
    case ComparisonPredicate::Operator::NotEqualTo:
        return subject != needle;
    default:
        return false;
    }
}

bool foldedCompare(const SqlPredicateFilter::Matcher& matcher, std::string_view text)
{
    const int options = matcher.comparison->options();
    const ComparisonPredicate::Operator op = matcher.comparison->predicateOperatorType();
    // Buffers kept between rows: a search reads every note.
    thread_local std::string foldedBytes;
    if (matcher.utf8Needle) {
        if (const auto folded = StringFolding::foldUtf8(text, options, foldedBytes))
            return compareFolded(op, *folded, std::string_view(*matcher.utf8Needle));
    }
    thread_local QString folded;
    const QString decoded = QString::fromUtf8(text.data(), qsizetype(text.size()));
    const QStringView subject = StringFolding::fold(decoded, options, folded);
    const QStringView needle = *matcher.foldedNeedle;
    return compareFolded(op, std::u16string_view(subject.utf16(), size_t(subject.size())),
        std::u16string_view(needle.utf16(), size_t(needle.size())));
}

bool orderMatches(const SqlPredicateFilter::Matcher& matcher, qint64 instant)
{
    const qint64 other = *matcher.instant;
    switch (matcher.comparison->predicateOperatorType()) {
    case ComparisonPredicate::Operator::LessThan:
        return instant < other;
    case ComparisonPredicate::Operator::LessThanOrEqualTo:
        return instant <= other;
    case ComparisonPredicate::Operator::GreaterThan:
        return instant > other;
    case ComparisonPredicate::Operator::GreaterThanOrEqualTo:
        return instant >= other;
    case ComparisonPredicate::Operator::EqualTo:
        return instant == other;
    case ComparisonPredicate::Operator::NotEqualTo:
        return instant != other;
    default:
        return false;
    }
}

QVariant sqlValue(sqlite3_value* value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return qint64(sqlite3_value_int64(value));
    case SQLITE_FLOAT:
        return sqlite3_value_double(value);
    case SQLITE_TEXT:
        return QString::fromUtf8(
            reinterpret_cast<const char*>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
    case SQLITE_BLOB:
        return QByteArray(
            static_cast<const char*>(sqlite3_value_blob(value)), sqlite3_value_bytes(value));
    default:
        return {};
    }
}

void compareFunction(sqlite3_context* context, int, sqlite3_value** arguments)
{
    const auto* matcher = static_cast<const SqlPredicateFilter::Matcher*>(
        sqlite3_value_pointer(arguments[0], kMatcherType));
    if (!matcher) {
        sqlite3_result_error(context, "bx_compare without a comparison", -1);
        return;
    }
    sqlite3_value* column = arguments[1];
    const int columnType = sqlite3_value_type(column);
    if (matcher->instant && (columnType == SQLITE_INTEGER || columnType == SQLITE_FLOAT)) {
        const QDateTime date = AttributeDescription::dateFromStored(sqlite3_value_double(column));
        if (date.isValid()) {
            sqlite3_result_int(context, orderMatches(*matcher, date.toMSecsSinceEpoch()) ? 1 : 0);
            return;
        }
    }
    if (matcher->foldedNeedle && columnType == SQLITE_TEXT) {
        const std::string_view text(reinterpret_cast<const char*>(sqlite3_value_text(column)),
            size_t(sqlite3_value_bytes(column)));
        sqlite3_result_int(context, foldedCompare(*matcher, text) ? 1 : 0);
        return;
    }
    const QVariantMap row { { matcher->attribute->name(),
        matcher->attribute->fromStored(sqlValue(column)) } };
    Error error;
    const bool result = matcher->comparison->evaluate(row, {}, &error);
    if (!error.isNull()) {
        sqlite3_result_error(context, error.toString().toUtf8().constData(), -1);
        return;
    }
    sqlite3_result_int(context, result ? 1 : 0);
}

} // namespace

SqlPredicateFilter::~SqlPredicateFilter() = default;

void SqlPredicateFilter::registerFunctions(sqlite3* db)
{
    sqlite3_create_function_v2(db, "bx_compare", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr,
        compareFunction, nullptr, nullptr, nullptr);
}

std::unique_ptr<SqlPredicateFilter> SqlPredicateFilter::make(const PredicateRef& predicate,
    const EntityDescription* entity, const PersistentStore& store, const EntityUnchanged& unchanged)
{
    if (!predicate)
        return nullptr;
    std::unique_ptr<SqlPredicateFilter> filter(new SqlPredicateFilter());
    filter->m_entity = entity;
    filter->m_scopeEntity = entity;
    filter->m_unchanged = unchanged;
    filter->m_store = &store;
    const std::optional<Translation> translation = filter->translate(predicate);
    if (!translation)
        return nullptr;
    filter->m_filter.condition = translation->sql;
    filter->m_exact = translation->exact;
    return filter;
}

std::optional<SqlPredicateFilter::Translation> SqlPredicateFilter::translate(
    const PredicateRef& predicate)
{
    // A part given up on may have bound values already; the placeholders of later parts must
    // not take them.
    const qsizetype binds = m_filter.binds.size();
    std::optional<Translation> translation = translateParts(predicate);
    if (!translation)
        m_filter.binds.resize(binds);
    return translation;
}

std::optional<SqlPredicateFilter::Translation> SqlPredicateFilter::translateParts(
    const PredicateRef& predicate)
{
    switch (predicate->kind()) {
    case Predicate::Kind::Constant:
        return Translation { static_cast<const ConstantPredicate&>(*predicate).value()
                ? QStringLiteral("1")
                : QStringLiteral("0"),
            true };
    case Predicate::Kind::Comparison:
        return translateComparison(std::static_pointer_cast<const ComparisonPredicate>(predicate));
    case Predicate::Kind::Compound:
        break;
    }
    const auto& compound = static_cast<const CompoundPredicate&>(*predicate);
    const QList<PredicateRef>& parts = compound.subpredicates();
    QStringList sql;
    bool exact = true;
    switch (compound.compoundPredicateType()) {
    case CompoundPredicate::Type::Not: {
        const std::optional<Translation> inner
            = parts.isEmpty() ? std::nullopt : translate(parts[0]);
        if (!inner || !inner->exact)
            return std::nullopt;
        return Translation { QStringLiteral("NOT (%1)").arg(inner->sql), true };
    }
    case CompoundPredicate::Type::And:
        // Leaving a part out only widens the rows read; memory decides the rest.
        for (const PredicateRef& part : parts) {
            const std::optional<Translation> translated = translate(part);
            if (!translated) {
                exact = false;
                continue;
            }
            sql << QLatin1Char('(') + translated->sql + QLatin1Char(')');
            exact = exact && translated->exact;
        }
        if (sql.isEmpty())
            return parts.isEmpty() ? std::optional(Translation { QStringLiteral("1"), true })
                                   : std::nullopt;
        return Translation { sql.join(QStringLiteral(" AND ")), exact };
    case CompoundPredicate::Type::Or:
        for (const PredicateRef& part : parts) {
            const std::optional<Translation> translated = translate(part);
            if (!translated)
                return std::nullopt;
            sql << QLatin1Char('(') + translated->sql + QLatin1Char(')');
            exact = exact && translated->exact;
        }
        if (sql.isEmpty())
            return Translation { QStringLiteral("0"), true };
        return Translation { sql.join(QStringLiteral(" OR ")), exact };
    }
    return std::nullopt;
}

std::optional<SqlPredicateFilter::Translation> SqlPredicateFilter::translateComparison(
    const std::shared_ptr<const ComparisonPredicate>& comparison)
{
    const ExpressionRef& left = comparison->leftExpression();
    const ExpressionRef& right = comparison->rightExpression();
    if (comparison->comparisonPredicateModifier() != ComparisonPredicate::Modifier::Direct
        || right->type() != Expression::Type::Constant)
        return std::nullopt;
    const QVariant& constant = right->constantValue();
    const bool top = m_variable.isEmpty();

    if (top && left->type() == Expression::Type::KeyPath
        && left->keyPath().endsWith(QLatin1String("@count")))
        return translateRelationCount(comparison);

    if (top && left->type() == Expression::Type::EvaluatedObject
        && comparison->predicateOperatorType() == ComparisonPredicate::Operator::In) {
        // SELF IN list: saved members by key; unsaved ones are pending inserts, which memory
        // evaluates anyway.
        const std::optional<QVariantList> members = Expression::collectionValues(constant);
        if (!members)
            return std::nullopt;
        QStringList keys;
        for (const QVariant& member : *members) {
            // Members come wrapped as KeyValueRef or as the objects a fetch hands out.
            std::shared_ptr<const ManagedObject> object;
            if (member.metaType() == QMetaType::fromType<ManagedObjectPtr>())
                object = member.value<ManagedObjectPtr>();
            else if (member.metaType() == QMetaType::fromType<KeyValueRef>())
                object
                    = std::dynamic_pointer_cast<const ManagedObject>(member.value<KeyValueRef>());
            if (!object || !object->entity() || object->objectID().isTemporaryID()
                || object->objectID().storeUUID() != m_store->identifier()
                || !object->entity()->isKindOfEntity(m_entity->rootEntity()))
                continue;
            keys << QString::number(object->objectID().primaryKey());
        }
        return Translation { keys.isEmpty() ? QStringLiteral("0")
                                            : QStringLiteral("t.Z_PK IN (%1)").arg(keys.join(',')),
            true };
    }

    if (left->type() != Expression::Type::KeyPath)
        return std::nullopt;
    // Inside a SUBQUERY both SELF and its variable stand for the related object.
    const bool onVariable = !top && left->operand()
        && left->operand()->type() == Expression::Type::Variable
        && left->operand()->variable() == m_variable;
    if (left->operand() && left->operand()->type() != Expression::Type::EvaluatedObject
        && !onVariable)
        return std::nullopt;
    const AttributeDescription* attribute = m_scopeEntity->attribute(left->keyPath());
    if (!attribute || attribute->isTransient()
        || attribute->type() == AttributeDescription::Type::Transformable)
        return std::nullopt;
    const QString column = m_store->columnName(attribute);
    if (column.isEmpty())
        return std::nullopt;
    // Only NULL reads back as nil for the types handled here.
    if (ValueComparison::isNil(constant)
        && (comparison->predicateOperatorType() == ComparisonPredicate::Operator::EqualTo
            || comparison->predicateOperatorType() == ComparisonPredicate::Operator::NotEqualTo))
        return Translation { QStringLiteral("%1.%2 IS %3NULL")
                                 .arg(m_alias, column,
                                     comparison->predicateOperatorType()
                                             == ComparisonPredicate::Operator::NotEqualTo
                                         ? QStringLiteral("NOT ")
                                         : QString()),
            true };

    auto matcher = std::make_unique<Matcher>();
    matcher->comparison = comparison;
    if (onVariable) {
        // bx_compare() evaluates on the row's value alone, which has no variables.
        matcher->comparison = ComparisonPredicate::create(Expression::keyPath(left->keyPath()),
            right, comparison->predicateOperatorType(), comparison->options(),
            comparison->comparisonPredicateModifier());
        if (!matcher->comparison)
            return std::nullopt;
    }
    matcher->attribute = attribute;
    using Op = ComparisonPredicate::Operator;
    const Op op = comparison->predicateOperatorType();
    if (attribute->type() == AttributeDescription::Type::String
        && (op == Op::Contains || op == Op::BeginsWith || op == Op::EndsWith || op == Op::EqualTo
            || op == Op::NotEqualTo)
        && ValueComparison::isString(constant)) {
        const QString needle = ValueComparison::fold(constant.toString(), comparison->options());
        if (!needle.isEmpty()) {
            matcher->foldedNeedle = needle;
            if (needle.isValidUtf16())
                matcher->utf8Needle = needle.toStdString();
        }
    }
    if (attribute->type() == AttributeDescription::Type::Date && ValueComparison::isDate(constant)
        && constant.toDateTime().isValid()
        && (op == Op::LessThan || op == Op::LessThanOrEqualTo || op == Op::GreaterThan
            || op == Op::GreaterThanOrEqualTo || op == Op::EqualTo || op == Op::NotEqualTo))
        matcher->instant = constant.toDateTime().toMSecsSinceEpoch();
    m_filter.binds << QVariant::fromValue(static_cast<void*>(matcher.get()));
    m_matchers.push_back(std::move(matcher));
    return Translation { QStringLiteral("bx_compare(?, %1.%2)").arg(m_alias, column), true };
}

std::optional<SqlPredicateFilter::Translation> SqlPredicateFilter::translateRelationCount(
    const std::shared_ptr<const ComparisonPredicate>& comparison)
{
    // "rel.@count" or "SUBQUERY(rel, $x, ...).@count", compared with a whole number.
    const ExpressionRef& left = comparison->leftExpression();
    QString relationName;
    std::shared_ptr<const Expression> subquery;
    if (!left->operand()) {
        const QStringList keys = left->keyPath().split(QLatin1Char('.'));
        if (keys.size() != 2)
            return std::nullopt;
        relationName = keys[0];
    } else if (left->keyPath() == QLatin1String("@count")
        && left->operand()->type() == Expression::Type::Subquery) {
        subquery = left->operand();
        const ExpressionRef& collection = subquery->operand();
        if (!collection || collection->type() != Expression::Type::KeyPath || collection->operand()
            || collection->keyPath().contains(QLatin1Char('.')) || !subquery->predicate()
            || subquery->variable().isEmpty())
            return std::nullopt;
        relationName = collection->keyPath();
    } else {
        return std::nullopt;
    }

    using Op = ComparisonPredicate::Operator;
    QString op;
    switch (comparison->predicateOperatorType()) {
    case Op::LessThan:
        op = QStringLiteral("<");
        break;
    case Op::LessThanOrEqualTo:
        op = QStringLiteral("<=");
        break;
    case Op::GreaterThan:
        op = QStringLiteral(">");
        break;
    case Op::GreaterThanOrEqualTo:
        op = QStringLiteral(">=");
        break;
    case Op::EqualTo:
        op = QStringLiteral("=");
        break;
    case Op::NotEqualTo:
        op = QStringLiteral("!=");
        break;
    default:
        return std::nullopt;
    }
    const QVariant& constant = comparison->rightExpression()->constantValue();
    switch (constant.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
        break;
    default:
        return std::nullopt;
    }

    const RelationshipDescription* relationship = m_entity->relationship(relationName);
    if (!relationship || !relationship->isToMany() || !m_unchanged
        || !m_unchanged(relationship->destinationEntity()))
        return std::nullopt;
    QString owner;
    const QString rows = m_store->relatedRowsClause(relationship, QStringLiteral("d"), owner);
    if (rows.isEmpty())
        return std::nullopt;
    QString condition;
    if (subquery) {
        m_scopeEntity = relationship->destinationEntity();
        m_alias = QStringLiteral("d");
        m_variable = subquery->variable();
        const std::optional<Translation> inner = translate(subquery->predicate());
        m_scopeEntity = m_entity;
        m_alias = QStringLiteral("t");
        m_variable.clear();
        if (!inner || !inner->exact)
            return std::nullopt;
        condition = QStringLiteral(" AND (") + inner->sql + QLatin1Char(')');
    }
    const qint64 number = constant.toLongLong();
    // Whether any related row qualifies is decided over all owners at once.
    const bool none = number == 0 && (op == QLatin1String("=") || op == QLatin1String("<="));
    const bool some = (number == 0 && (op == QLatin1String(">") || op == QLatin1String("!=")))
        || (number == 1 && op == QLatin1String(">="));
    if (none || some)
        return Translation { QStringLiteral("t.Z_PK %1 (SELECT %2 %3%4)")
                                 .arg(none ? QStringLiteral("NOT IN") : QStringLiteral("IN"), owner,
                                     rows, condition),
            true };
    return Translation { QStringLiteral("(SELECT COUNT(*) %1 AND %2 = t.Z_PK%3) %4 %5")
                             .arg(rows, owner, condition, op, QString::number(number)),
        true };
}

} // namespace platform
