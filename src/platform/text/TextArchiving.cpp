#include "TextArchiving.h"

#include "Color.h"
#include "ParagraphStyle.h"
#include "platform/foundation/ArchiveFields.h"
#include "platform/foundation/Archiver.h"

#include <QCborArray>
#include <QCborMap>

#include <cmath>
#include <mutex>

namespace platform {

namespace {

// --- NSFont ---

bool encodeFont(const QVariant& value, QCborMap& fields, Archiver::Encoder&)
{
    const QFont font = value.value<QFont>();
    const double size = font.pointSizeF();
    if (!(size > 0) || !std::isfinite(size))
        return false;
    const bool system = !(font.resolveMask() & (QFont::FamilyResolved | QFont::FamiliesResolved));
    if (system)
        fields.insert(QStringLiteral("system"), true);
    else
        fields.insert(QStringLiteral("family"), font.family());
    fields.insert(QStringLiteral("size"), size);
    fields.insert(QStringLiteral("weight"), font.weight());
    fields.insert(QStringLiteral("italic"), font.italic());
    return true;
}

std::optional<QVariant> decodeFont(const QCborMap& fields, Archiver::Decoder&)
{
    const std::optional<double> size = ArchiveFields::finite(fields, QStringLiteral("size"));
    const std::optional<qint64> weight
        = ArchiveFields::integer(fields, QStringLiteral("weight"), 1, 1000);
    const std::optional<bool> italic = ArchiveFields::boolean(fields, QStringLiteral("italic"));
    if (!size || *size <= 0 || *size > 10000 || !weight || !italic)
        return std::nullopt;
    QFont font;
    if (fields.contains(QStringLiteral("system"))) {
        if (fields.value(QStringLiteral("system")) != QCborValue(true))
            return std::nullopt;
    } else {
        const std::optional<QString> family
            = ArchiveFields::string(fields, QStringLiteral("family"));
        if (!family)
            return std::nullopt;
        font.setFamily(*family);
    }
    font.setPointSizeF(*size);
    font.setWeight(QFont::Weight(*weight));
    font.setItalic(*italic);
    return QVariant::fromValue(font);
}

// --- NSColor ---

bool encodeColor(const QVariant& value, QCborMap& fields, Archiver::Encoder&)
{
    const Color color = value.value<Color>();
    const QRgba64 rgba = color.rgba.rgba64();
    fields.insert(QStringLiteral("red"), rgba.red());
    fields.insert(QStringLiteral("green"), rgba.green());
    fields.insert(QStringLiteral("blue"), rgba.blue());
    fields.insert(QStringLiteral("alpha"), rgba.alpha());
    if (color.isNamed())
        fields.insert(QStringLiteral("name"), color.name);
    return true;
}

std::optional<QVariant> decodeColor(const QCborMap& fields, Archiver::Decoder&)
{
    const auto component = [&](const char* key) {
        return ArchiveFields::integer(fields, QString::fromLatin1(key), 0, 65535);
    };
    const auto red = component("red");
    const auto green = component("green");
    const auto blue = component("blue");
    const auto alpha = component("alpha");
    if (!red || !green || !blue || !alpha)
        return std::nullopt;
    Color color;
    color.rgba
        = QColor::fromRgba64(quint16(*red), quint16(*green), quint16(*blue), quint16(*alpha));
    if (fields.contains(QStringLiteral("name"))) {
        const std::optional<QString> name = ArchiveFields::string(fields, QStringLiteral("name"));
        if (!name || name->isEmpty())
            return std::nullopt;
        color.name = *name;
    }
    return QVariant::fromValue(color);
}

// --- NSParagraphStyle ---

struct LengthField {
    const char* key;
    double ParagraphStyle::*member;
};

const LengthField kParagraphLengths[] = {
    { "lineHeightMultiple", &ParagraphStyle::lineHeightMultiple },
    { "lineSpacing", &ParagraphStyle::lineSpacing },
    { "minimumLineHeight", &ParagraphStyle::minimumLineHeight },
    { "maximumLineHeight", &ParagraphStyle::maximumLineHeight },
    { "firstLineHeadIndent", &ParagraphStyle::firstLineHeadIndent },
    { "headIndent", &ParagraphStyle::headIndent },
    { "tailIndent", &ParagraphStyle::tailIndent },
    { "paragraphSpacing", &ParagraphStyle::paragraphSpacing },
    { "paragraphSpacingBefore", &ParagraphStyle::paragraphSpacingBefore },
    { "defaultTabInterval", &ParagraphStyle::defaultTabInterval },
};

bool encodeParagraphStyle(const QVariant& value, QCborMap& fields, Archiver::Encoder&)
{
    const ParagraphStyle style = value.value<ParagraphStyle>();
    fields.insert(QStringLiteral("alignment"), int(style.alignment));
    for (const LengthField& field : kParagraphLengths) {
        const double length = style.*field.member;
        if (!std::isfinite(length))
            return false;
        fields.insert(QString::fromLatin1(field.key), length);
    }
    QCborArray tabs;
    for (const TextTab& tab : style.tabStops) {
        if (!std::isfinite(tab.location))
            return false;
        QCborMap entry;
        entry.insert(QStringLiteral("type"), int(tab.type));
        entry.insert(QStringLiteral("location"), tab.location);
        tabs.append(entry);
    }
    fields.insert(QStringLiteral("tabStops"), tabs);
    // Written only when set, so archives of natural paragraphs stay as they always were.
    if (style.baseWritingDirection != WritingDirection::Natural)
        fields.insert(QStringLiteral("baseWritingDirection"), int(style.baseWritingDirection));
    return true;
}

std::optional<QVariant> decodeParagraphStyle(const QCborMap& fields, Archiver::Decoder&)
{
    ParagraphStyle style;
    const std::optional<qint64> alignment = ArchiveFields::integer(fields,
        QStringLiteral("alignment"), qint64(TextAlignment::Left), qint64(TextAlignment::Natural));
    if (!alignment)
        return std::nullopt;
    style.alignment = TextAlignment(*alignment);
    for (const LengthField& field : kParagraphLengths) {
        const std::optional<double> length
            = ArchiveFields::finite(fields, QString::fromLatin1(field.key));
        if (!length)
            return std::nullopt;
        style.*field.member = *length;
    }
    const QCborValue tabs = fields.value(QStringLiteral("tabStops"));
    if (!tabs.isArray())
        return std::nullopt;
    style.tabStops.clear();
    for (const QCborValue& entry : tabs.toArray()) {
        if (!entry.isMap())
            return std::nullopt;
        const QCborMap tab = entry.toMap();
        const std::optional<qint64> type = ArchiveFields::integer(
            tab, QStringLiteral("type"), qint64(TextTabType::Left), qint64(TextTabType::Decimal));
        const std::optional<double> location
            = ArchiveFields::finite(tab, QStringLiteral("location"));
        if (!type || !location)
            return std::nullopt;
        style.tabStops.append({ TextTabType(*type), *location });
    }
    if (fields.contains(QStringLiteral("baseWritingDirection"))) {
        const std::optional<qint64> direction
            = ArchiveFields::integer(fields, QStringLiteral("baseWritingDirection"),
                qint64(WritingDirection::Natural), qint64(WritingDirection::RightToLeft));
        if (!direction)
            return std::nullopt;
        style.baseWritingDirection = WritingDirection(*direction);
    }
    return QVariant::fromValue(style);
}

// Whatever links this file (every caller of registerClasses() or systemFont() does) finds the
// classes registered before main(), as it did when the archiver itself knew them: values
// archived at start-up, before any caller ran, must not fail.
[[maybe_unused]] const bool registeredAtStart = (TextArchiving::registerClasses(), true);

} // namespace

void TextArchiving::registerClasses()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Archiver::registerClass(QStringLiteral("NSFont"), QMetaType::QFont, encodeFont, decodeFont);
        Archiver::registerClass(
            QStringLiteral("NSColor"), QMetaType::fromType<Color>().id(), encodeColor, decodeColor);
        Archiver::registerClass(QStringLiteral("NSParagraphStyle"),
            QMetaType::fromType<ParagraphStyle>().id(), encodeParagraphStyle, decodeParagraphStyle);
    });
}

QFont TextArchiving::systemFont(double pointSize)
{
    QFont font;
    font.setPointSizeF(pointSize);
    return font;
}

} // namespace platform
