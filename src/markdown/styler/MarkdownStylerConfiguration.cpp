#include "MarkdownStylerConfiguration.h"

#include "StaticColorCollection.h"
#include "StaticFontCollection.h"
#include "StaticParagraphStyleCollection.h"

#include <QFontDatabase>

namespace markdown {

namespace {

QFont scaled(const QFont& body, double factor, bool bold)
{
    QFont font = body;
    font.setPointSizeF(body.pointSizeF() * factor);
    font.setBold(bold);
    return font;
}

} // namespace

MarkdownStylerConfiguration MarkdownStylerConfiguration::defaultConfiguration()
{
    QFont body = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    if (body.pointSizeF() <= 0)
        body.setPointSizeF(12);
    QFont code = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    code.setPointSizeF(body.pointSizeF());
    const QColor text(0x1D, 0x1D, 0x1F);
    const QColor secondary(0x6E, 0x6E, 0x73);
    return MarkdownStylerConfiguration {
        StaticFontCollection(scaled(body, 2.0, true), scaled(body, 1.6, true),
            scaled(body, 1.35, true), scaled(body, 1.2, true), scaled(body, 1.1, true),
            scaled(body, 1.0, true), body, code, body),
        StaticColorCollection(text, text, text, text, text, text, text, QColor(0xA3, 0x1D, 0x52),
            QColor(0x0A, 0x5F, 0xC2), secondary, QColor(0xC7, 0xC7, 0xCC), QColor(0xD1, 0xD1, 0xD6),
            secondary, QColor(0xF2, 0xF2, 0xF4)),
        StaticParagraphStyleCollection(),
        ListItemOptions { 2, 8, 4, 4, platform::TextAlignment::Natural },
        QuoteStripeOptions { 3, 10 },
        ThematicBreakOptions { 1, 0 },
        CodeBlockOptions { 8 },
    };
}

} // namespace markdown
