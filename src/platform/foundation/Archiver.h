#pragma once

#include "Error.h"

#include <QByteArray>
#include <QCborMap>
#include <QCborValue>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <optional>

namespace platform {

// Error codes of archiving failures, in kCocoaErrorDomain.
enum ArchiverErrorCode : int {
    CoderReadCorruptError = 4864,
    CoderInvalidValueError = 4866,
};

// Typed archives of values: the form in which fonts, colours, paragraph styles, URLs and
// property-list values are kept in user defaults, document preferences and pasteboards.
//
// An archive is CBOR: an envelope {"$archiver": "BXArchiver", "$version": 1, "$objects":
// bytes, "$sha256": digest of the bytes}, the bytes being the CBOR of the root object; the
// digest makes damage that still parses a refusal too. Every object is a map with its class
// tag under "$class" ("NSFont", "NSColor", "NSParagraphStyle", "NSURL", "NSString", "NSNumber",
// "NSDate", "NSData", "NSArray", "NSDictionary") plus the fields of that class. Decoding names the
// classes it expects and gives nothing at all, never a substitute, for any object outside
// them (the elements of arrays and dictionaries included), for damaged or truncated data,
// trailing bytes, fields of the wrong type, or nesting deeper than kMaximumDepth.
//
// Built-in mapping (QVariant type <-> tag):
//   QUrl <-> NSURL, QString <-> NSString, QDateTime <-> NSDate (millisecond instant, decoded
//   as local time), QByteArray <-> NSData, QVariantList <-> NSArray (a QStringList is archived
//   as an array and decodes as a QVariantList), QVariantMap <-> NSDictionary.
//   NSNumber keeps its kind: bool, int, uint, qint64, quint64, float and double decode as the
//   type they were archived from. platform::IndexSet <-> NSIndexSet (its runs).
//
// Further classes are added with registerClass() by the layers that own their types: fonts,
// colours and paragraph styles by platform::TextArchiving, sort descriptors and predicates by
// registerPredicateArchiving(). All static functions are thread-safe.
class Archiver final {
public:
    static constexpr int kMaximumDepth = 64;

    // Handed to a class's encoder to archive the objects it holds.
    class Encoder {
    public:
        // The archived form of a nested object; nullopt when it (or something inside it)
        // cannot be archived, which fails the whole archive.
        std::optional<QCborValue> encode(const QVariant& value);

    private:
        friend class Archiver;
        Encoder() = default;
        int m_depth = 0;
        QString m_failure;
    };

    // Handed to a class's decoder to read the objects it holds back, under the same checks.
    class Decoder {
    public:
        // A nested object whose class must be one the caller allowed at the top level.
        std::optional<QVariant> decode(const QCborValue& value);
        // A nested object whose class must be one of `allowedClasses`; that list, not the
        // caller's, then applies to everything inside it.
        std::optional<QVariant> decode(const QCborValue& value, const QStringList& allowedClasses);

    private:
        friend class Archiver;
        explicit Decoder(QStringList allowed) : m_allowed(std::move(allowed)) { }
        QStringList m_allowed;
        int m_depth = 0;
    };

    // Writes the fields of `value` (whose type is the registered one) into `fields`; the
    // "$class" entry is added by the archiver. False when the value cannot be archived.
    using EncodeFn = std::function<bool(const QVariant& value, QCborMap& fields, Encoder& encoder)>;
    // Makes the object back from its fields; nullopt for missing or mistyped fields.
    using DecodeFn
        = std::function<std::optional<QVariant>(const QCborMap& fields, Decoder& decoder)>;

    // Adds (or replaces) the class `tag` for values of the QMetaType `metaTypeId`.
    static void registerClass(const QString& tag, int metaTypeId, EncodeFn encode, DecodeFn decode);

    // The archive of `root`; empty with `error` set when some object in it has a type no
    // class is registered for, holds invalid values, or nests deeper than kMaximumDepth.
    static QByteArray archivedData(const QVariant& root, Error* error = nullptr);

    // The root object of `data` when it and every object inside it belong to
    // `allowedClasses` (class tags, see above); nullopt with `error` set otherwise.
    static std::optional<QVariant> unarchivedObject(
        const QByteArray& data, const QStringList& allowedClasses, Error* error = nullptr);

    // unarchivedObject() for a root that must be a T.
    template <typename T>
    static std::optional<T> unarchived(
        const QByteArray& data, const QStringList& allowedClasses, Error* error = nullptr)
    {
        const std::optional<QVariant> object = unarchivedObject(data, allowedClasses, error);
        if (!object)
            return std::nullopt;
        if (object->metaType() != QMetaType::fromType<T>()) {
            Error::set(error, corruptError(QStringLiteral("unexpected root object")));
            return std::nullopt;
        }
        return object->value<T>();
    }

private:
    static Error corruptError(const QString& reason);
};

} // namespace platform
