// Parser of predicate format strings: any text must parse or fail cleanly, and whatever parses
// must print as text that reads back as an equal predicate and evaluate without crashing.
#include "platform/predicate/Predicate.h"

#include <QDateTime>
#include <QString>
#include <QVariantList>
#include <QVariantMap>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace platform;
    const QString format = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    // Arguments of every kind a format may take, all of them printable as literals.
    static const QVariantList args {
        QStringLiteral("name"),
        QVariantList { 1, QStringLiteral("x"), QVariant() },
        42,
        2.5,
        QDateTime::fromMSecsSinceEpoch(1700000000123, Qt::UTC),
        QStringLiteral("tags"),
        true,
        QVariant(),
    };
    Error error;
    const auto predicate = Predicate::predicateWithFormat(format, args, &error);
    if (!predicate)
        return 0;
    const QString canonical = predicate->predicateFormat();
    const auto reparsed = Predicate::predicateWithFormat(canonical, {}, &error);
    if (!reparsed || !reparsed->isEqual(*predicate) || reparsed->predicateFormat() != canonical) {
        fprintf(stderr, "canonical text does not read back: %s\n", canonical.toUtf8().constData());
        abort();
    }
    static const QVariantMap object {
        { QStringLiteral("name"), QStringLiteral("Crème") },
        { QStringLiteral("count"), 3 },
        { QStringLiteral("tags"), QStringList { QStringLiteral("a"), QStringLiteral("B") } },
        { QStringLiteral("child"),
            QVariantMap { { QStringLiteral("name"), QStringLiteral("c") } } },
    };
    predicate->evaluateWithObject(object, { { QStringLiteral("x"), 1 } }, &error);
    predicate->predicateWithSubstitutionVariables({ { QStringLiteral("x"), QStringLiteral("v") } })
        ->predicateFormat();
    return 0;
}
