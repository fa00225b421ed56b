#pragma once

#include "markdown/styler/MarkdownStylerConfiguration.h"
#include "markdown/styler/StaticColorCollection.h"
#include "markdown/styler/StaticFontCollection.h"
#include "markdown/styler/StaticParagraphStyleCollection.h"

#include <QFont>
#include <QFontMetricsF>

// A configuration on the DejaVu faces the tests install, with a distinct colour per role so
// that every attribute can be traced back to its source.
inline QFont dejaVu(const QString& family, double size, bool bold = false)
{
    QFont font(family);
    font.setPointSizeF(size);
    font.setBold(bold);
    return font;
}

// Whether the face the font matcher picks for `font` draws every character the same width: what
// a reader of code sees, whatever the font database says of the family.
inline bool drawsMonospaced(const QFont& font)
{
    const QFontMetricsF metrics(font);
    return metrics.horizontalAdvance(QStringLiteral("iiii"))
        == metrics.horizontalAdvance(QStringLiteral("WWWW"));
}

inline markdown::MarkdownStylerConfiguration dejaVuConfiguration()
{
    using namespace markdown;
    const QString sans = QStringLiteral("DejaVu Sans");
    const QString serif = QStringLiteral("DejaVu Serif");
    return MarkdownStylerConfiguration {
        StaticFontCollection(dejaVu(serif, 24, true), dejaVu(serif, 20, true), dejaVu(serif, 18),
            dejaVu(serif, 16), dejaVu(serif, 14), dejaVu(serif, 13), dejaVu(sans, 12),
            dejaVu(QStringLiteral("DejaVu Sans Mono"), 11), dejaVu(sans, 10)),
        StaticColorCollection(QColor(1, 0, 0), QColor(2, 0, 0), QColor(3, 0, 0), QColor(4, 0, 0),
            QColor(5, 0, 0), QColor(6, 0, 0), QColor(0, 1, 0), QColor(0, 2, 0), QColor(0, 3, 0),
            QColor(0, 4, 0), QColor(0, 5, 0), QColor(0, 6, 0), QColor(0, 7, 0), QColor(0, 8, 0)),
        StaticParagraphStyleCollection(),
        ListItemOptions { 2, 8, 4, 6, platform::TextAlignment::Natural },
        QuoteStripeOptions { 3, 5 },
        ThematicBreakOptions { 2, 10 },
        CodeBlockOptions { 6 },
    };
}
