#pragma once

#include "RtfListLevel.h"

#include <QString>
#include <QStringList>
#include <QTextCharFormat>
#include <QTextListFormat>

class QTextBlock;
class QTextDocument;

namespace platform {

struct ParagraphStyle;

// Lists as stored text keeps them: an item is a paragraph whose style names its lists
// (ParagraphStyle::textLists, outermost first) and whose text starts with its marker run, a
// tab, the marker and a tab; its style stands the marker and the text on two tab stops, wrapped
// lines indented to the text. Readers make such items, writers turn them into their format's
// lists. Stateless; any thread, on documents the caller owns.
class TextListMarkers final {
public:
    TextListMarkers() = delete;

    static constexpr int MaximumLevels = RtfListLevel::MaximumLevels;
    // Longer runs between an item's first tabs are text.
    static constexpr int MaximumMarkerLength = 12;
    static constexpr double TextLocation = RtfListLevel::LevelIndent / 20.0; // points
    static constexpr double MarkerLocation
        = (RtfListLevel::LevelIndent - RtfListLevel::MarkerAdvance) / 20.0;
    // Where the text of an item at `level` (0 = outermost) starts, and its marker.
    static double textLocation(int level) { return TextLocation * (level + 1); }
    static double markerLocation(int level)
    {
        return textLocation(level) - (TextLocation - MarkerLocation);
    }

    // The marker of item `number` (from 1): a bullet, or the number in the style's digits
    // followed by "."; empty for ListStyleUndefined.
    static QString marker(QTextListFormat::Style style, int number);
    // "\t" + marker + "\t" for item `number` of a list with `markerFormat`.
    static QString markerRun(const QString& markerFormat, int number);
    // How many characters of `paragraph` are a marker prefix ("\t•\t"); 0 for none.
    static int prefixLength(const QString& paragraph);
    // The lists `block` is an item of; empty when it is no item.
    static QStringList itemLists(const QTextBlock& block);
    // The look of an item's marker: that of the paragraph's first character.
    static QTextCharFormat markerLook(const QTextBlock& block);
    // Replaces the first `length` characters of `block` with the marker run `run`, in the
    // marker's look.
    static void replacePrefix(const QTextBlock& block, int length, const QString& run);
    // The marker format a list nested in one with `markerFormat` starts with: bullets change
    // their shape by level, numbers keep theirs.
    static QString nestedMarkerFormat(const QString& markerFormat);

    // Puts an item's head indent and tab stops for `level` into `style`, or takes them out.
    static void addItemGeometry(ParagraphStyle& style, int level);
    static void removeItemGeometry(ParagraphStyle& style, int level);

    // Makes `block` an item of `lists` with its marker run and geometry, replacing the marker
    // it had; empty `lists` make it a plain paragraph. Numbers come from renumber().
    static void setLists(const QTextBlock& block, const QStringList& lists);
    // Makes each paragraph that [start, end] touches an item of a `style` list;
    // ListStyleUndefined makes them plain paragraphs again; a paragraph that already is what
    // `style` asks is left untouched. Changes `doc` through cursors, so a view's user edit can
    // record it.
    static void apply(QTextDocument& doc, int start, int end, QTextListFormat::Style style);
    // Numbers the items of the run of items around `position` (or, when that paragraph is no
    // item, of the run after it) in order, each level counting from 1 under its parent item.
    static void renumber(QTextDocument& doc, int position);
};

} // namespace platform
