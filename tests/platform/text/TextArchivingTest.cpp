#include "platform/text/TextArchiving.h"
#include "platform/foundation/Archiver.h"
#include "platform/text/Color.h"
#include "platform/text/ParagraphStyle.h"

#include "support/ArchiveEnvelope.h"

#include <gtest/gtest.h>

#include <QCborMap>
#include <QFile>

using namespace platform;

namespace {

const QStringList kEveryClass = { "NSFont", "NSColor", "NSParagraphStyle", "NSURL", "NSString",
    "NSNumber", "NSDate", "NSData", "NSArray", "NSDictionary" };

ParagraphStyle unusualStyle()
{
    ParagraphStyle style;
    style.alignment = TextAlignment::Justified;
    style.lineHeightMultiple = 1.3;
    style.lineSpacing = 2.5;
    style.minimumLineHeight = 10;
    style.maximumLineHeight = 40;
    style.firstLineHeadIndent = 18;
    style.headIndent = 36;
    style.tailIndent = -12;
    style.paragraphSpacing = 6;
    style.paragraphSpacingBefore = 3;
    style.defaultTabInterval = 24;
    style.tabStops = { { TextTabType::Right, 100.25 }, { TextTabType::Decimal, 200 } };
    return style;
}

QFont namedFont()
{
    QFont font(QStringLiteral("DejaVu Serif"), 18, QFont::Bold);
    font.setItalic(true);
    font.setPointSizeF(18.5);
    return font;
}

} // namespace

TEST(TextArchiving, EveryClassRoundTripsWithItsType)
{
    TextArchiving::registerClasses();
    const QVariant values[] = {
        QVariant::fromValue(Color { QColor::fromRgba64(1, 2, 65535, 30000), {} }),
        QVariant::fromValue(Color { QColor(10, 20, 30), QStringLiteral("textColor") }),
        QVariant::fromValue(unusualStyle()),
        QVariant::fromValue(ParagraphStyle {}),
    };
    for (const QVariant& value : values) {
        SCOPED_TRACE(value.typeName());
        Error error;
        const QByteArray data = Archiver::archivedData(value, &error);
        ASSERT_FALSE(data.isEmpty()) << error.toString().toStdString();
        const std::optional<QVariant> back = Archiver::unarchivedObject(data, kEveryClass);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->metaType(), value.metaType());
        EXPECT_EQ(*back, value);
    }
}

// Preferences keep these archives: ones written before must decode to the same values, and
// the same values must archive to the same bytes.
TEST(TextArchiving, ArchivesWrittenBeforeDecodeAndArchiveToTheSameBytes)
{
    TextArchiving::registerClasses();
    const struct {
        const char* file;
        QVariant value;
    } cases[] = {
        { "system-font", QVariant::fromValue(TextArchiving::systemFont(13.0)) },
        { "named-font", QVariant::fromValue(namedFont()) },
        { "rgba-color", QVariant::fromValue(Color { QColor::fromRgba64(1, 2, 65535, 30000), {} }) },
        { "named-color",
            QVariant::fromValue(Color { QColor(10, 20, 30), QStringLiteral("textColor") }) },
        { "default-paragraph-style", QVariant::fromValue(ParagraphStyle {}) },
        { "paragraph-style", QVariant::fromValue(unusualStyle()) },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        QFile file(
            QStringLiteral(BX_TEST_DATA_DIR "/archives/%1.archive").arg(QLatin1String(c.file)));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray stored = file.readAll();
        const std::optional<QVariant> back = Archiver::unarchivedObject(stored, kEveryClass);
        ASSERT_TRUE(back.has_value());
        EXPECT_EQ(back->metaType(), c.value.metaType());
        if (c.value.metaType() == QMetaType::fromType<QFont>()) {
            const QFont font = back->value<QFont>();
            const QFont expected = c.value.value<QFont>();
            EXPECT_EQ(font.pointSizeF(), expected.pointSizeF());
            EXPECT_EQ(font.weight(), expected.weight());
            EXPECT_EQ(font.italic(), expected.italic());
            EXPECT_EQ(font.resolveMask() & QFont::FamilyResolved,
                expected.resolveMask() & QFont::FamilyResolved);
        } else {
            EXPECT_EQ(*back, c.value);
        }
        EXPECT_EQ(Archiver::archivedData(c.value), stored);
    }
}

TEST(TextArchiving, FontsRoundTripAndTheSystemFontStaysTheSystemFont)
{
    TextArchiving::registerClasses();
    QFont named(QStringLiteral("DejaVu Serif"));
    named.setPointSizeF(12.5);
    named.setBold(true);
    named.setItalic(true);
    const auto back = Archiver::unarchived<QFont>(
        Archiver::archivedData(QVariant::fromValue(named)), { "NSFont" });
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->family(), QStringLiteral("DejaVu Serif"));
    EXPECT_EQ(back->pointSizeF(), 12.5);
    EXPECT_TRUE(back->bold());
    EXPECT_TRUE(back->italic());
    EXPECT_TRUE(back->resolveMask() & (QFont::FamilyResolved | QFont::FamiliesResolved));

    const QFont system = TextArchiving::systemFont(13.0);
    const auto systemBack = Archiver::unarchived<QFont>(
        Archiver::archivedData(QVariant::fromValue(system)), { "NSFont" });
    ASSERT_TRUE(systemBack.has_value());
    EXPECT_EQ(systemBack->pointSizeF(), 13.0);
    EXPECT_FALSE(systemBack->bold());
    EXPECT_FALSE(systemBack->italic());
    EXPECT_FALSE(systemBack->resolveMask() & (QFont::FamilyResolved | QFont::FamiliesResolved));
    EXPECT_EQ(systemBack->family(), QFont().family());
}

TEST(TextArchiving, PixelSizedFontsFailToArchive)
{
    TextArchiving::registerClasses();
    QFont pixelFont;
    pixelFont.setPixelSize(12);
    Error error;
    EXPECT_TRUE(Archiver::archivedData(QVariant::fromValue(pixelFont), &error).isEmpty());
    EXPECT_TRUE(error.is(kCocoaErrorDomain, CoderInvalidValueError));
}

TEST(TextArchiving, ClassesOutsideTheAllowListAreRefusedAtAnyDepth)
{
    TextArchiving::registerClasses();
    const QByteArray string = Archiver::archivedData(QStringLiteral("text"));
    const QByteArray fontInArray = Archiver::archivedData(
        QVariantList { QStringLiteral("a"), QVariant::fromValue(TextArchiving::systemFont(12)) });
    const QByteArray colorInDictionary = Archiver::archivedData(
        QVariantMap { { "c", QVariant::fromValue(Color { Qt::red, {} }) } });
    struct Case {
        const char* name;
        QByteArray data;
        QStringList allowed;
    } cases[] = {
        { "top level", string, { "NSFont" } },
        { "empty allow-list", string, {} },
        { "element of an array", fontInArray, { "NSArray", "NSString" } },
        { "value of a dictionary", colorInDictionary, { "NSDictionary", "NSString" } },
        { "container itself", fontInArray, { "NSString", "NSFont" } },
        { "unknown class", bxtest::archiveEnvelope(bxtest::archiveObject("NSWindow")),
            { "NSWindow" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Error error;
        EXPECT_FALSE(Archiver::unarchivedObject(c.data, c.allowed, &error).has_value());
        EXPECT_TRUE(error.is(kCocoaErrorDomain, CoderReadCorruptError));
    }
    EXPECT_TRUE(Archiver::unarchivedObject(fontInArray, { "NSArray", "NSString", "NSFont" }));
    EXPECT_FALSE(Archiver::unarchived<QFont>(string, { "NSString", "NSFont" }).has_value());
}

TEST(TextArchiving, MistypedOrOutOfRangeFieldsAreRefused)
{
    TextArchiving::registerClasses();
    const auto with = [](QCborMap map, const QString& key, const QCborValue& value) {
        map.insert(key, value);
        return map;
    };
    QCborMap font = bxtest::archiveObject("NSFont");
    font.insert(QStringLiteral("family"), QStringLiteral("DejaVu Sans"));
    font.insert(QStringLiteral("size"), 12.0);
    font.insert(QStringLiteral("weight"), 400);
    font.insert(QStringLiteral("italic"), false);
    QCborMap color = bxtest::archiveObject("NSColor");
    for (const char* key : { "red", "green", "blue", "alpha" })
        color.insert(QString::fromLatin1(key), 65535);
    for (const QCborMap& good : { font, color })
        ASSERT_TRUE(Archiver::unarchivedObject(bxtest::archiveEnvelope(good), kEveryClass));

    struct Case {
        const char* name;
        QCborValue root;
    } cases[] = {
        { "font size as text", with(font, "size", QStringLiteral("12")) },
        { "font size negative", with(font, "size", -3.0) },
        { "font size infinite", with(font, "size", qInf()) },
        { "font weight zero", with(font, "weight", 0) },
        { "font italic as number", with(font, "italic", 1) },
        { "font family missing",
            [&] {
                QCborMap m = font;
                m.remove(QStringLiteral("family"));
                return m;
            }() },
        { "font system flag false", with(font, "system", false) },
        { "color component too big", with(color, "red", 65536) },
        { "color component double", with(color, "alpha", 1.0) },
        { "color name empty", with(color, "name", QString()) },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(
            Archiver::unarchivedObject(bxtest::archiveEnvelope(c.root), kEveryClass).has_value());
    }
}
