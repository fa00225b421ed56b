#pragma once

#include "ParagraphStyle.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringView>
#include <QTextBlockFormat>
#include <QTextCharFormat>

#include <optional>

namespace platform {

// The character and paragraph properties a word-processor file states for a style or a run,
// each one possibly unstated: styles inherit, so only what a level states overrides what it
// inherits (merge). Readers of DOCX, WordML and OpenDocument resolve a run's or paragraph's
// chain of styles into one of these and turn it into Qt formats. Value type.
struct ImportedTextStyle {
    // Character properties; lengths in points.
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<bool> strikethrough;
    // An underline style mask of AttributedText (0 none, 1 single, 2 thick, 9 double).
    std::optional<int> underline;
    std::optional<QString> fontFamily;
    std::optional<double> fontSize;
    // An invalid colour states "automatic": the theme's text colour.
    std::optional<QColor> color;
    std::optional<QColor> background;
    // 1 superscript, -1 subscript, 0 neither.
    std::optional<int> superscript;

    // Paragraph properties; lengths in points, the first-line indent relative to the paragraph.
    std::optional<TextAlignment> alignment;
    std::optional<double> lineHeightMultiple;
    std::optional<double> spacingBefore;
    std::optional<double> spacingAfter;
    std::optional<double> leftIndent;
    std::optional<double> rightIndent;
    std::optional<double> firstLineIndent;
    std::optional<QList<TextTab>> tabStops;

    // Takes every property `over` states.
    void merge(const ImportedTextStyle& over);
    QTextCharFormat charFormat() const;
    // Null when no paragraph property is stated.
    std::optional<QTextBlockFormat> blockFormat() const;
    // Lengths clamped to what a page can hold, so that damaged files cannot make absurd ones.
    static double clampLength(double points);
    // A length in twentieths of a point, as word-processor XML gives most lengths; null when
    // the value is no number.
    static std::optional<double> twips(QStringView value);
    // A colour given as six hex digits; "auto" or nothing is automatic (an invalid colour).
    static std::optional<QColor> hexColor(QStringView value);
};

} // namespace platform
