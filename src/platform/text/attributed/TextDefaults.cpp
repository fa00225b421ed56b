#include "TextDefaults.h"

#include "TextAttributeNames.h"

#include <QFontDatabase>

namespace platform {

QFont TextDefaults::systemFont()
{
    static const QFont font = [] {
        const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        QFont result;
        result.setFamilies(QStringList { system.family() });
        result.setPointSizeF(system.pointSizeF() > 0 ? system.pointSizeF() : 13.0);
        return result;
    }();
    return font;
}

ParagraphStyle TextDefaults::defaultParagraphStyle()
{
    ParagraphStyle style;
    style.lineHeightMultiple = 1.3;
    return style;
}

QVariantMap TextDefaults::defaultAttributes()
{
    return { { TextAttributeNames::FontAttributeName, systemFont() },
        { TextAttributeNames::ParagraphStyleAttributeName,
            QVariant::fromValue(defaultParagraphStyle()) } };
}

} // namespace platform
