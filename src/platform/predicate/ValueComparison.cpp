#include "ValueComparison.h"

#include "platform/predicate/ComparisonPredicate.h"
#include "platform/predicate/Expression.h"
#include "platform/predicate/KeyValueCoding.h"
#include "platform/predicate/StringFolding.h"

#include "platform/foundation/VariantKind.h"

#include <QDateTime>

#include <unicode/ucol.h>
#include <unicode/uloc.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace platform {

namespace {

const UChar* uchars(const QString& text)
{
    return reinterpret_cast<const UChar*>(text.utf16());
}

int sign(qint64 value)
{
    return value < 0 ? -1 : (value > 0 ? 1 : 0);
}

bool isFloatingPoint(const QVariant& value)
{
    const int id = value.metaType().id();
    return id == QMetaType::Double || id == QMetaType::Float;
}

bool isUnsigned(const QVariant& value)
{
    const int id = value.metaType().id();
    return id == QMetaType::ULongLong || id == QMetaType::ULong || id == QMetaType::UInt;
}

__int128 integerValue(const QVariant& value)
{
    // The common types are read in place; the variant's own conversion is many times slower,
    // and filters such as "trashFlag = NO" compare one per object.
    const void* data = value.constData();
    switch (value.typeId()) {
    case QMetaType::Bool:
        return *static_cast<const bool*>(data) ? 1 : 0;
    case QMetaType::Int:
        return *static_cast<const int*>(data);
    case QMetaType::UInt:
        return *static_cast<const uint*>(data);
    case QMetaType::LongLong:
        return *static_cast<const qlonglong*>(data);
    case QMetaType::ULongLong:
        return *static_cast<const qulonglong*>(data);
    case QMetaType::Long:
        return *static_cast<const long*>(data);
    case QMetaType::ULong:
        return *static_cast<const ulong*>(data);
    case QMetaType::Short:
        return *static_cast<const short*>(data);
    case QMetaType::UShort:
        return *static_cast<const ushort*>(data);
    default:
        break;
    }
    if (isUnsigned(value))
        return static_cast<__int128>(value.toULongLong());
    return static_cast<__int128>(value.toLongLong());
}

// nullopt when either number is NaN.
std::optional<int> orderNumbers(const QVariant& left, const QVariant& right)
{
    if (isFloatingPoint(left) || isFloatingPoint(right)) {
        const double a = left.toDouble();
        const double b = right.toDouble();
        if (std::isnan(a) || std::isnan(b))
            return std::nullopt;
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    const __int128 a = integerValue(left);
    const __int128 b = integerValue(right);
    return a < b ? -1 : (a > b ? 1 : 0);
}

qint64 instant(const QVariant& value)
{
    return value.toDateTime().toMSecsSinceEpoch();
}

// Predicates compare Booleans with numbers: YES is 1.
bool isNumeric(const QVariant& value)
{
    return VariantKind::isNumber(value) || VariantKind::isBoolean(value);
}

bool isKeyValueRef(const QVariant& value)
{
    return value.metaType() == QMetaType::fromType<KeyValueRef>();
}

// The object a value stands for, when it stands for one: a KeyValueRef, or any handle the
// layers above register a conversion to KeyValueRef for (a fetched object is held by its own
// pointer type). Identity is the object's address, so both forms of one object compare equal.
std::optional<const KeyValueCoding*> objectIdentity(const QVariant& value)
{
    if (isKeyValueRef(value))
        return value.value<KeyValueRef>().get();
    const QMetaType type = value.metaType();
    if (!type.isValid() || type.id() < QMetaType::User
        || !QMetaType::canConvert(type, QMetaType::fromType<KeyValueRef>()))
        return std::nullopt;
    KeyValueRef ref;
    if (!QMetaType::convert(type, value.constData(), QMetaType::fromType<KeyValueRef>(), &ref))
        return std::nullopt;
    return ref.get();
}

struct CollatorDeleter {
    void operator()(UCollator* collator) const { ucol_close(collator); }
};

// One collator per thread and kind: a collator is cheap to keep and costly to open.
UCollator* collator(ValueComparison::Collation collation)
{
    thread_local std::unique_ptr<UCollator, CollatorDeleter> collators[3];
    const int index = collation == ValueComparison::Collation::Localized    ? 0
        : collation == ValueComparison::Collation::LocalizedCaseInsensitive ? 1
                                                                            : 2;
    if (!collators[index]) {
        UErrorCode status = U_ZERO_ERROR;
        // The C and POSIX locales map to a collation in ASCII order; people sorting their
        // notes there still expect the language-neutral order.
        const char* locale = uloc_getDefault();
        if (qstrncmp(locale, "en_US_POSIX", 11) == 0)
            locale = "";
        UCollator* opened = ucol_open(locale, &status);
        if (U_FAILURE(status))
            return nullptr;
        if (index > 0)
            ucol_setStrength(opened, UCOL_SECONDARY);
        if (index == 2)
            ucol_setAttribute(opened, UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
        collators[index].reset(opened);
    }
    return collators[index].get();
}

int sortRank(const QVariant& value)
{
    if (ValueComparison::isNil(value))
        return 0;
    if (isNumeric(value))
        return 1;
    if (ValueComparison::isDate(value))
        return 2;
    if (ValueComparison::isString(value))
        return 3;
    return 4;
}

} // namespace

bool ValueComparison::isNil(const QVariant& value)
{
    if (!value.isValid() || value.metaType().id() == QMetaType::Nullptr)
        return true;
    return isKeyValueRef(value) && !*static_cast<const KeyValueRef*>(value.constData());
}

bool ValueComparison::isString(const QVariant& value)
{
    return value.metaType().id() == QMetaType::QString;
}

bool ValueComparison::isDate(const QVariant& value)
{
    return value.metaType().id() == QMetaType::QDateTime;
}

bool ValueComparison::isEqual(const QVariant& left, const QVariant& right, int options)
{
    const bool leftNil = isNil(left);
    const bool rightNil = isNil(right);
    if (leftNil || rightNil)
        return leftNil && rightNil;
    if (isNumeric(left) && isNumeric(right))
        return orderNumbers(left, right) == 0;
    if (isString(left) && isString(right))
        return fold(left.toString(), options) == fold(right.toString(), options);
    if (isDate(left) && isDate(right))
        return instant(left) == instant(right);
    if (isKeyValueRef(left) || isKeyValueRef(right)) {
        const auto leftObject = objectIdentity(left);
        const auto rightObject = objectIdentity(right);
        if (leftObject && rightObject)
            return *leftObject == *rightObject;
    }
    const auto leftMembers = Expression::collectionValues(left);
    const auto rightMembers = Expression::collectionValues(right);
    if (leftMembers && rightMembers) {
        if (leftMembers->size() != rightMembers->size())
            return false;
        for (qsizetype i = 0; i < leftMembers->size(); ++i) {
            if (!isEqual(leftMembers->at(i), rightMembers->at(i), options))
                return false;
        }
        return true;
    }
    return left.metaType() == right.metaType() && left == right;
}

std::optional<int> ValueComparison::order(const QVariant& left, const QVariant& right, int options)
{
    if (isNumeric(left) && isNumeric(right))
        return orderNumbers(left, right);
    if (isDate(left) && isDate(right))
        return sign(instant(left) - instant(right));
    if (isString(left) && isString(right)) {
        const int result
            = QString::compare(fold(left.toString(), options), fold(right.toString(), options));
        return result < 0 ? -1 : (result > 0 ? 1 : 0);
    }
    return std::nullopt;
}

int ValueComparison::sortOrder(const QVariant& left, const QVariant& right, Collation collation)
{
    const int leftRank = sortRank(left);
    const int rightRank = sortRank(right);
    if (leftRank != rightRank)
        return leftRank < rightRank ? -1 : 1;
    switch (leftRank) {
    case 1: {
        if (const auto result = orderNumbers(left, right))
            return *result;
        // NaN sorts before every other number.
        const bool leftNaN = std::isnan(left.toDouble());
        const bool rightNaN = std::isnan(right.toDouble());
        return leftNaN == rightNaN ? 0 : (leftNaN ? -1 : 1);
    }
    case 2:
        return sign(instant(left) - instant(right));
    case 3:
        return compareStrings(left.toString(), right.toString(), collation);
    default:
        return 0;
    }
}

QString ValueComparison::fold(const QString& text, int options)
{
    thread_local QString buffer;
    return StringFolding::fold(text, options, buffer).toString();
}

bool ValueComparison::contains(const QString& text, const QString& part, int options)
{
    // Searching long note texts is the common case: folding into buffers kept between calls
    // costs no allocation, and plain ASCII folds in one vectorised pass.
    thread_local QString foldedText;
    thread_local QString foldedPart;
    const QStringView needle = StringFolding::fold(part, options, foldedPart);
    constexpr qsizetype kPiece = 256;
    if (text.size() <= 2 * kPiece || needle.isEmpty() || needle.size() > kPiece / 2)
        return StringFolding::fold(text, options, foldedText).contains(needle);
    // A long text is folded a piece at a time, so that a match near its start spares folding
    // the rest. Pieces end before an ASCII unit, where folding carries nothing over, so they
    // fold to the pieces of the whole text's folding; a match across two is looked for in the
    // units around their seam.
    thread_local QString seam;
    seam.clear();
    const qsizetype overlap = needle.size() - 1;
    for (qsizetype start = 0; start < text.size();) {
        qsizetype end = std::min(text.size(), start + kPiece);
        while (end < text.size() && text.at(end).unicode() >= 0x80)
            ++end;
        const QStringView piece = StringFolding::fold(
            QStringView(text).sliced(start, end - start), options, foldedText);
        if (overlap > 0) {
            seam.append(piece.first(std::min(overlap, piece.size())));
            if (seam.contains(needle))
                return true;
        }
        if (piece.contains(needle))
            return true;
        // The last units folded so far, also when this piece folded to fewer.
        seam = piece.size() >= overlap ? piece.last(overlap).toString() : seam.right(overlap);
        start = end;
    }
    return false;
}

bool ValueComparison::like(const QString& text, const QString& pattern)
{
    enum Kind { Literal, One, Any };
    struct Token {
        Kind kind;
        uint c;
    };
    std::vector<Token> tokens;
    const QList<uint> patternChars = pattern.toUcs4();
    for (qsizetype i = 0; i < patternChars.size(); ++i) {
        const uint c = patternChars[i];
        if (c == '\\' && i + 1 < patternChars.size())
            tokens.push_back({ Literal, patternChars[++i] });
        else if (c == '*')
            tokens.push_back({ Any, 0 });
        else if (c == '?')
            tokens.push_back({ One, 0 });
        else
            tokens.push_back({ Literal, c });
    }
    const QList<uint> chars = text.toUcs4();
    // Greedy match that backtracks only to the last star: linear for patterns with one star,
    // at most quadratic otherwise.
    size_t t = 0;
    qsizetype s = 0;
    size_t starToken = size_t(-1);
    qsizetype starText = 0;
    while (s < chars.size()) {
        if (t < tokens.size() && tokens[t].kind == Any) {
            starToken = t++;
            starText = s;
        } else if (t < tokens.size()
            && (tokens[t].kind == One || (tokens[t].kind == Literal && tokens[t].c == chars[s]))) {
            ++t;
            ++s;
        } else if (starToken != size_t(-1)) {
            t = starToken + 1;
            s = ++starText;
        } else {
            return false;
        }
    }
    while (t < tokens.size() && tokens[t].kind == Any)
        ++t;
    return t == tokens.size();
}

int ValueComparison::compareStrings(const QString& left, const QString& right, Collation collation)
{
    int result = 0;
    switch (collation) {
    case Collation::Plain:
        result = QString::compare(left, right);
        break;
    case Collation::CaseInsensitive: {
        thread_local QString foldedLeft;
        thread_local QString foldedRight;
        result = StringFolding::fold(left, ComparisonPredicate::CaseInsensitive, foldedLeft)
                     .compare(StringFolding::fold(
                         right, ComparisonPredicate::CaseInsensitive, foldedRight));
        break;
    }
    default:
        if (UCollator* c = collator(collation)) {
            result = ucol_strcoll(
                c, uchars(left), int32_t(left.size()), uchars(right), int32_t(right.size()));
        } else {
            result = QString::compare(left, right);
        }
        break;
    }
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

QByteArray ValueComparison::sortKey(const QString& text, Collation collation)
{
    const auto codeUnits = [](const QString& units) {
        // Big-endian, so that byte order is code-unit order.
        QByteArray bytes(units.size() * 2, Qt::Uninitialized);
        for (qsizetype i = 0; i < units.size(); ++i) {
            const char16_t unit = units.at(i).unicode();
            bytes[2 * i] = char(unit >> 8);
            bytes[2 * i + 1] = char(unit & 0xff);
        }
        return bytes;
    };
    switch (collation) {
    case Collation::Plain:
        return codeUnits(text);
    case Collation::CaseInsensitive:
        return codeUnits(fold(text, ComparisonPredicate::CaseInsensitive));
    default:
        break;
    }
    UCollator* c = collator(collation);
    if (!c)
        return codeUnits(text);
    QByteArray key(qMax<qsizetype>(32, text.size() * 4), Qt::Uninitialized);
    int32_t length = ucol_getSortKey(c, uchars(text), int32_t(text.size()),
        reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    if (length > key.size()) {
        key.resize(length);
        length = ucol_getSortKey(c, uchars(text), int32_t(text.size()),
            reinterpret_cast<uint8_t*>(key.data()), int32_t(key.size()));
    }
    key.resize(length);
    return key;
}

} // namespace platform
