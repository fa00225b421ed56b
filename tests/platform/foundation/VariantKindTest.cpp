#include "platform/foundation/VariantKind.h"

#include <QDateTime>
#include <QUrl>

#include <gtest/gtest.h>

using platform::VariantKind;

TEST(VariantKind, BooleansAreNeverNumbersNorNumbersBooleans)
{
    const struct {
        const char* name;
        QVariant value;
        bool number;
        bool boolean;
    } cases[] = {
        { "bool true", QVariant(true), false, true },
        { "bool false", QVariant(false), false, true },
        { "int", QVariant(1), true, false },
        { "uint", QVariant(1u), true, false },
        { "long long", QVariant(qint64(1) << 40), true, false },
        { "unsigned long long", QVariant(quint64(1)), true, false },
        { "long", QVariant::fromValue(1L), true, false },
        { "short", QVariant::fromValue(short(1)), true, false },
        { "unsigned char", QVariant::fromValue<uchar>(1), true, false },
        { "double", QVariant(1.0), true, false },
        { "float", QVariant(1.0f), true, false },
        { "text of a number", QVariant(QStringLiteral("1")), false, false },
        { "text of a flag", QVariant(QStringLiteral("true")), false, false },
        { "bytes", QVariant(QByteArray("1")), false, false },
        { "date", QVariant(QDateTime::currentDateTimeUtc()), false, false },
        { "url", QVariant(QUrl("x-coredata://S/Note/p1")), false, false },
        { "list", QVariant(QVariantList { 1 }), false, false },
        { "invalid", QVariant(), false, false },
        { "null int", QVariant(QMetaType::fromType<int>()), true, false },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VariantKind::isNumber(c.value), c.number);
        EXPECT_EQ(VariantKind::isBoolean(c.value), c.boolean);
    }
}
