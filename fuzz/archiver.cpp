// Feeds arbitrary bytes to the archive decoder, which must refuse what it cannot read without
// crashing. Inputs whose first byte is odd are sealed in a valid envelope first, so the fuzzer
// also reaches the object decoders behind the digest check.
#include "platform/foundation/Archiver.h"
#include "platform/predicate/PredicateArchiving.h"
#include "platform/text/TextArchiving.h"

#include <QCborMap>
#include <QCryptographicHash>
#include <QGuiApplication>

#include <cstddef>
#include <cstdint>

namespace {

QByteArray sealed(const QByteArray& objects)
{
    QCborMap archive;
    archive.insert(QStringLiteral("$archiver"), QStringLiteral("BXArchiver"));
    archive.insert(QStringLiteral("$version"), 1);
    archive.insert(QStringLiteral("$objects"), objects);
    archive.insert(
        QStringLiteral("$sha256"), QCryptographicHash::hash(objects, QCryptographicHash::Sha256));
    return archive.toCborValue().toCbor();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    // Fonts need a GUI application.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication application(*argc, *argv);
    platform::TextArchiving::registerClasses();
    platform::registerPredicateArchiving();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    const QByteArray input = (data[0] & 1) ? sealed(rest) : rest;
    static const QStringList everyClass
        = { "NSFont", "NSColor", "NSParagraphStyle", "NSURL", "NSString", "NSNumber", "NSDate",
              "NSData", "NSArray", "NSDictionary", "NSPredicate", "NSSortDescriptor" };
    platform::Archiver::unarchivedObject(input, everyClass);
    return 0;
}
