#include "document/BXDefaultTextAttributes.h"

#include "document/BXDefaults.h"

#include "platform/documents/DocumentController.h"
#include "platform/foundation/Archiver.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/AttributedText.h"
#include "platform/text/Color.h"
#include "platform/text/TextArchiving.h"

#include <QColor>
#include <QFont>
#include <QTextCharFormat>

#include <optional>

namespace {

// The stored value of `key` as `className`; an undecodable one is logged and replaced by the
// registered value.
template <typename T>
std::optional<T> storedOrRegistered(
    const platform::UserDefaults& defaults, const QString& key, const QString& className)
{
    const QByteArray stored = defaults.dataForKey(key);
    if (auto value = platform::Archiver::unarchived<T>(stored, { className }))
        return value;
    if (!stored.isEmpty())
        platform::log(QStringLiteral("%@ cannot be read; the registered value is used"), key);
    return platform::Archiver::unarchived<T>(
        BXDefaults::registrationDictionary().value(key).toByteArray(), { className });
}

} // namespace

platform::StringAttributes BXDefaultTextAttributes::current()
{
    if (const platform::DocumentController* controller = platform::DocumentController::shared())
        return controller->defaultStringAttributes();
    return fromDefaults(platform::UserDefaults::standard());
}

platform::StringAttributes BXDefaultTextAttributes::fromDefaults(
    const platform::UserDefaults& defaults)
{
    platform::TextArchiving::registerClasses();
    platform::StringAttributes attributes;
    setFont(attributes.characters,
        storedOrRegistered<QFont>(defaults, DefaultFont, QStringLiteral("NSFont"))
            .value_or(platform::AttributedText::systemFont()));
    // The named text colour follows the palette, so it is left to the palette.
    const std::optional<platform::Color> color = storedOrRegistered<platform::Color>(
        defaults, DefaultFontColor, QStringLiteral("NSColor"));
    if (color && color->name != QLatin1String("textColor"))
        attributes.characters.setForeground(color->rgba);
    std::optional<platform::ParagraphStyle> style
        = platform::Archiver::unarchived<platform::ParagraphStyle>(
            defaults.dataForKey(DefaultParagraphStyle), { QStringLiteral("NSParagraphStyle") });
    if (!style) {
        style = platform::AttributedText::defaultParagraphStyle();
        style->lineHeightMultiple = 1.3;
    }
    platform::AttributedText::setParagraphStyle(attributes.paragraph, *style);
    return attributes;
}

platform::StringAttributes BXDefaultTextAttributes::changed(
    platform::StringAttributes attributes, const QVariantMap& announcement)
{
    const QVariant font = announcement.value(platform::AttributedText::FontAttributeName);
    if (font.canConvert<QFont>())
        setFont(attributes.characters, font.value<QFont>());
    const QVariant color
        = announcement.value(platform::AttributedText::ForegroundColorAttributeName);
    if (color.canConvert<QColor>() && color.value<QColor>().isValid())
        attributes.characters.setForeground(color.value<QColor>());
    else if (color.isValid())
        attributes.characters.clearForeground();
    return attributes;
}

void BXDefaultTextAttributes::setFont(QTextCharFormat& characters, const QFont& font)
{
    characters.setFontFamilies(QStringList { font.family() });
    characters.setFontPointSize(font.pointSizeF());
    characters.setFontWeight(font.bold() ? QFont::Bold : QFont::Normal);
    characters.setFontItalic(font.italic());
}
