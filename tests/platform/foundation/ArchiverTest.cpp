#include "platform/foundation/Archiver.h"

#include "support/ArchiveEnvelope.h"

#include <gtest/gtest.h>

#include <QCborArray>
#include <QCryptographicHash>
#include <QDateTime>
#include <QPoint>
#include <QUrl>

#include <limits>

using namespace platform;

namespace {

const QStringList kEveryClass
    = { "NSURL", "NSString", "NSNumber", "NSDate", "NSData", "NSArray", "NSDictionary" };

QCborMap stringObject(const QString& text)
{
    QCborMap map = bxtest::archiveObject("NSString");
    map.insert(QStringLiteral("string"), text);
    return map;
}

QCborValue nestedArrays(int depth)
{
    QCborValue value = stringObject("leaf");
    for (int i = 0; i < depth - 1; ++i) {
        QCborMap array = bxtest::archiveObject("NSArray");
        array.insert(QStringLiteral("items"), QCborArray { value });
        value = array;
    }
    return value;
}

QVariant nestedLists(int depth)
{
    QVariant value = QStringLiteral("leaf");
    for (int i = 0; i < depth - 1; ++i)
        value = QVariantList { value };
    return value;
}

QByteArray sampleArchive()
{
    const QVariantMap root {
        { "name", QStringLiteral("Café ☕") },
        { "urls",
            QVariantList { QUrl("x-coredata://8C1E/Note/p12"), QUrl("file:///tmp/a b.rtf") } },
        { "count", 3 },
        { "when", QVariantList { QDateTime::fromMSecsSinceEpoch(1733561234567), 1.3, -12.0 } },
    };
    return Archiver::archivedData(root);
}

} // namespace

TEST(Archiver, EveryClassRoundTripsWithItsType)
{
    const QVariant values[] = {
        QVariant(QUrl("x-coredata://8C1E-44F0/Category/p3")),
        QVariant(QUrl("file:///home/u/Notes%20%C3%A9.bxnotes")),
        QVariant(QUrl("https://example.org/feed?x=1&y=%2F#top")),
        QVariant(QString()),
        QVariant(QStringLiteral("line\nbreak, emoji 😀, nul \u0000 inside")),
        QVariant(true),
        QVariant(false),
        QVariant(-5),
        QVariant(4u),
        QVariant(qint64(1) << 53),
        QVariant(std::numeric_limits<quint64>::max()),
        QVariant(72.0f),
        QVariant(0.1),
        QVariant(QDateTime::fromMSecsSinceEpoch(1733561234567)),
        QVariant(QByteArray("\x00\x01\xff binary", 10)),
        QVariant(QByteArray()),
        QVariant(QVariantList {}),
        QVariant(QVariantList { 1, QStringLiteral("two"), QVariantList { 3.5, false } }),
        QVariant(QVariantMap {}),
        QVariant(QVariantMap { { "a", QVariantMap { { "b", QByteArray("c") } } }, { "", 1 } }),
    };
    for (const QVariant& value : values) {
        SCOPED_TRACE(value.toString().toStdString() + " / " + value.typeName());
        Error error;
        const QByteArray data = Archiver::archivedData(value, &error);
        ASSERT_FALSE(data.isEmpty()) << error.toString().toStdString();
        const std::optional<QVariant> back = Archiver::unarchivedObject(data, kEveryClass);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->metaType(), value.metaType());
        EXPECT_EQ(*back, value);
    }
}

TEST(Archiver, NestedValuesKeepTheirKinds)
{
    const QVariantList list { true, 1, 1u, qint64(1), 1.0f, 1.0 };
    const auto back = Archiver::unarchived<QVariantList>(
        Archiver::archivedData(list), { "NSArray", "NSNumber" });
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), list.size());
    for (int i = 0; i < list.size(); ++i)
        EXPECT_EQ(back->at(i).metaType(), list.at(i).metaType()) << i;
}

TEST(Archiver, UnsupportedValuesFailToArchiveWithAnError)
{
    struct Case {
        const char* name;
        QVariant value;
    } cases[] = {
        { "nil", QVariant() },
        { "point", QVariant(QPoint(1, 2)) },
        { "nil inside an array", QVariant(QVariantList { 1, QVariant() }) },
        { "invalid date", QVariant(QDateTime()) },
        { "invalid url", QVariant(QUrl()) },
        { "too deep", nestedLists(Archiver::kMaximumDepth + 1) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Error error;
        EXPECT_TRUE(Archiver::archivedData(c.value, &error).isEmpty());
        EXPECT_TRUE(error.is(kCocoaErrorDomain, CoderInvalidValueError));
    }
    EXPECT_FALSE(Archiver::archivedData(nestedLists(Archiver::kMaximumDepth)).isEmpty());
}

TEST(Archiver, EveryTruncationAndTrailingBytesAreRefused)
{
    const QByteArray data = sampleArchive();
    ASSERT_TRUE(Archiver::unarchivedObject(data, kEveryClass).has_value());
    for (qsizetype length = 0; length < data.size(); ++length)
        EXPECT_FALSE(Archiver::unarchivedObject(data.left(length), kEveryClass)) << length;
    EXPECT_FALSE(Archiver::unarchivedObject(data + '\0', kEveryClass));
    EXPECT_FALSE(Archiver::unarchivedObject(data + data, kEveryClass));
}

TEST(Archiver, EveryFlippedBitIsRefused)
{
    const QByteArray data = sampleArchive();
    for (qsizetype i = 0; i < data.size(); ++i) {
        for (int bit = 0; bit < 8; ++bit) {
            QByteArray damaged = data;
            damaged[i] = char(damaged[i] ^ (1 << bit));
            EXPECT_FALSE(Archiver::unarchivedObject(damaged, kEveryClass))
                << "byte " << i << " bit " << bit;
        }
    }
}

TEST(Archiver, NestingIsBoundedWhenDecoding)
{
    EXPECT_TRUE(Archiver::unarchivedObject(
        bxtest::archiveEnvelope(nestedArrays(Archiver::kMaximumDepth)), kEveryClass));
    EXPECT_FALSE(Archiver::unarchivedObject(
        bxtest::archiveEnvelope(nestedArrays(Archiver::kMaximumDepth + 1)), kEveryClass));
    EXPECT_FALSE(
        Archiver::unarchivedObject(bxtest::archiveEnvelope(nestedArrays(5000)), kEveryClass));
}

TEST(Archiver, MistypedOrOutOfRangeFieldsAreRefused)
{
    const auto with = [](QCborMap map, const QString& key, const QCborValue& value) {
        map.insert(key, value);
        return map;
    };
    QCborMap number = bxtest::archiveObject("NSNumber");
    number.insert(QStringLiteral("kind"), QStringLiteral("int"));
    number.insert(QStringLiteral("value"), 7);
    QCborMap entries;
    entries.insert(QStringLiteral("k"), stringObject("one"));
    QCborMap dictionary = with(bxtest::archiveObject("NSDictionary"), "entries", entries);
    // Sanity: the well-formed objects decode.
    for (const QCborMap& good : { number, dictionary })
        ASSERT_TRUE(Archiver::unarchivedObject(bxtest::archiveEnvelope(good), kEveryClass));

    struct Case {
        const char* name;
        QCborValue root;
    } cases[] = {
        { "number beyond int", with(number, "value", qint64(1) << 40) },
        { "number of unknown kind", with(number, "kind", QStringLiteral("char")) },
        { "negative uint", with(with(number, "kind", QStringLiteral("uint")), "value", -1) },
        { "float out of range",
            with(with(number, "kind", QStringLiteral("float")), "value", 1e300) },
        { "bool as integer", with(with(number, "kind", QStringLiteral("bool")), "value", 1) },
        { "string of bytes", with(bxtest::archiveObject("NSString"), "string", QByteArray("x")) },
        { "url not strict",
            with(bxtest::archiveObject("NSURL"), "string", QStringLiteral("http://a b/%zz")) },
        { "data as text", with(bxtest::archiveObject("NSData"), "bytes", QStringLiteral("x")) },
        { "date far away",
            with(bxtest::archiveObject("NSDate"), "msecs", std::numeric_limits<qint64>::max()) },
        { "array items as map", with(bxtest::archiveObject("NSArray"), "items", QCborMap {}) },
        { "array of bare values",
            with(bxtest::archiveObject("NSArray"), "items", QCborArray { 1, 2 }) },
        { "dictionary entries as array",
            with(bxtest::archiveObject("NSDictionary"), "entries", QCborArray {}) },
        { "class tag as number", with(stringObject("x"), "$class", 5) },
        { "root not an object", QCborValue(QStringLiteral("bare")) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(
            Archiver::unarchivedObject(bxtest::archiveEnvelope(c.root), kEveryClass).has_value());
    }

    // Maps that repeat a key cannot come out of QCborMap::insert; write them by hand.
    const auto dictionaryOfTwo = [](const QString& first, const QString& second) {
        QByteArray bytes = QCborValue(bxtest::archiveObject("NSDictionary")).toCbor();
        bytes[0] = char(0xa2); // the object map now has two pairs
        bytes += QCborValue(QStringLiteral("entries")).toCbor();
        bytes += char(0xa2);
        for (const QString& key : { first, second }) {
            bytes += QCborValue(key).toCbor();
            bytes += QCborValue(stringObject("v")).toCbor();
        }
        return bxtest::archiveEnvelope(QCborValue::fromCbor(bytes));
    };
    EXPECT_TRUE(Archiver::unarchivedObject(dictionaryOfTwo("k", "l"), kEveryClass));
    EXPECT_FALSE(Archiver::unarchivedObject(dictionaryOfTwo("k", "k"), kEveryClass));
}

TEST(Archiver, EnvelopeMustBeOurs)
{
    const QCborValue root = stringObject("x");
    const QByteArray objects = root.toCbor();
    QCborMap wrongVersion;
    wrongVersion.insert(QStringLiteral("$archiver"), QStringLiteral("BXArchiver"));
    wrongVersion.insert(QStringLiteral("$version"), 2);
    wrongVersion.insert(QStringLiteral("$objects"), objects);
    wrongVersion.insert(
        QStringLiteral("$sha256"), QCryptographicHash::hash(objects, QCryptographicHash::Sha256));
    QCborMap badDigest = QCborValue::fromCbor(bxtest::archiveEnvelope(root)).toMap();
    badDigest.insert(QStringLiteral("$sha256"), QByteArray(32, 'x'));
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("bplist00"),
        objects,
        wrongVersion.toCborValue().toCbor(),
        badDigest.toCborValue().toCbor(),
        bxtest::archiveEnvelope(QCborValue(QCborValue::fromCbor(objects).toCbor() + '\0')),
    };
    for (const QByteArray& data : cases)
        EXPECT_FALSE(Archiver::unarchivedObject(data, kEveryClass)) << data.toHex().constData();
    EXPECT_TRUE(Archiver::unarchivedObject(bxtest::archiveEnvelope(root), kEveryClass));
}

namespace {

struct Span {
    int from = 0;
    int length = 0;
    bool operator==(const Span&) const = default;
};

} // namespace

TEST(Archiver, RegisteredClassesArchiveAndDecodeTheirNestedObjects)
{
    Archiver::registerClass(
        QStringLiteral("TestSpan"), QMetaType::fromType<Span>().id(),
        [](const QVariant& value, QCborMap& fields, Archiver::Encoder& encoder) {
            const Span span = value.value<Span>();
            const auto from = encoder.encode(span.from);
            const auto length = encoder.encode(span.length);
            if (!from || !length)
                return false;
            fields.insert(QStringLiteral("from"), *from);
            fields.insert(QStringLiteral("length"), *length);
            return true;
        },
        [](const QCborMap& fields, Archiver::Decoder& decoder) -> std::optional<QVariant> {
            const auto from = decoder.decode(fields.value(QStringLiteral("from")), { "NSNumber" });
            const auto length
                = decoder.decode(fields.value(QStringLiteral("length")), { "NSNumber" });
            if (!from || !length)
                return std::nullopt;
            return QVariant::fromValue(Span { from->toInt(), length->toInt() });
        });
    const QByteArray data
        = Archiver::archivedData(QVariantList { QVariant::fromValue(Span { 3, 4 }) });
    // NSNumber is missing from the caller's list: the class's own list governs its members.
    const auto back = Archiver::unarchived<QVariantList>(data, { "NSArray", "TestSpan" });
    ASSERT_TRUE(back.has_value());
    ASSERT_EQ(back->size(), 1);
    EXPECT_EQ(back->first().value<Span>(), (Span { 3, 4 }));
    EXPECT_FALSE(Archiver::unarchivedObject(data, { "NSArray" }));
}
