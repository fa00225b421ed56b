#pragma once

#include "DocumentAttributes.h"
#include "TextAttachment.h"
#include "platform/text/ParagraphStyle.h"
#include "platform/text/TextRange.h"
#include "platform/text/attributed/TextAttributeNames.h"
#include "platform/text/attributed/TextUnits.h"

#include <QFont>
#include <QString>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QVariantMap>

#include <functional>
#include <memory>

class QTextCursor;
class QTextDocument;

namespace platform {

// Attributed-string operations on a QTextDocument, the rich text of a note. Positions count
// UTF-16 units of the plain string, in which every paragraph break is "\n" and every attachment
// one U+FFFC. Attributes are named; their values are:
//   FontAttributeName              QFont (family, point size, bold, italic)
//   ForegroundColorAttributeName,
//   BackgroundColorAttributeName,
//   UnderlineColorAttributeName,
//   StrikethroughColorAttributeName QColor
//   UnderlineStyleAttributeName,
//   StrikethroughStyleAttributeName int style mask (1 single, 2 thick, 9 double; | 0x100 dot,
//                                   0x200 dash, 0x300 dash-dot, 0x400 dash-dot-dot; | 0x8000
//                                   by word)
//   LinkAttributeName              QUrl
//   BaselineOffsetAttributeName    double, points
//   SuperscriptAttributeName       int, 1 superscript, -1 subscript
//   ParagraphStyleAttributeName    platform::ParagraphStyle (whole paragraphs)
//   AttachmentAttributeName        platform::TextAttachment (on its U+FFFC only)
//   KerningAttributeName           bool; false: no pair kerning (absent: the font's own)
//   LetterSpacingAttributeName     double, points added after each character
//   LigatureAttributeName          int, 0 none (no shaping at all), 1 default; Qt knows no
//                                  "all", which reads as 1
// and any name given to registerAttribute(), whose values are stored as that user property.
// All functions are reentrant: they touch only the documents passed in and use no GUI
// objects, so worker threads may use them on documents they own. Ranges, attribute runs and
// editing are done here; the names come from TextAttributeNames, and formats, paragraph styles,
// attachments and copies of ranges are converted by the classes in attributed/.
class AttributedText final : public TextAttributeNames {
public:
    // A new empty document set up for use as attributed text (no undo stack).
    static std::unique_ptr<QTextDocument> makeDocument();

    static QString string(const QTextDocument& doc);
    static qsizetype length(const QTextDocument& doc);

    // Attributes of the character at `index`; `effectiveRange` gets the longest range around
    // it with the same attributes.
    static QVariantMap attributes(
        const QTextDocument& doc, qsizetype index, TextRange* effectiveRange = nullptr);
    // One attribute at `index` (invalid when absent) and the range over which it is the same.
    static QVariant attribute(const QTextDocument& doc, const QString& name, qsizetype index,
        TextRange* effectiveRange = nullptr);
    // Calls `visit` for each run of equal values of `name` within `range` (absent values as
    // an invalid QVariant); setting *stop ends the enumeration.
    static void enumerateAttribute(const QTextDocument& doc, const QString& name, TextRange range,
        const std::function<void(const QVariant& value, TextRange run, bool* stop)>& visit);

    static void addAttribute(
        QTextDocument& doc, const QString& name, const QVariant& value, TextRange range);
    static void addAttributes(QTextDocument& doc, const QVariantMap& attributes, TextRange range);
    static void removeAttribute(QTextDocument& doc, const QString& name, TextRange range);
    // The character format that carries `attributes` (paragraph style and attachment left
    // out: they belong to blocks and to insertAttachment()).
    static QTextCharFormat characterFormat(const QVariantMap& attributes);

    // Replaces `range` with `text`, which takes the attributes of the first replaced character
    // (or of the character before an empty range).
    static void replaceCharacters(QTextDocument& doc, TextRange range, const QString& text);
    // Replaces `range` with the whole of `source`, attributes and attachments included.
    static void replaceCharacters(QTextDocument& doc, TextRange range, const QTextDocument& source);
    static std::unique_ptr<QTextDocument> attributedSubstring(
        const QTextDocument& doc, TextRange range);

    static bool containsAttachments(const QTextDocument& doc);
    static std::unique_ptr<QTextDocument> copyRemovingAttachments(const QTextDocument& doc);

    // Each paragraph's range without and with its terminating "\n".
    static void enumerateParagraphs(const QTextDocument& doc,
        const std::function<void(TextRange paragraph, TextRange enclosing, bool* stop)>& visit);
    // Each word's range, by the Unicode word-boundary rules (punctuation and spaces skipped).
    static void enumerateWords(
        const QTextDocument& doc, const std::function<void(TextRange word, bool* stop)>& visit);

    // System font at the system size, no colour (the theme's label colour shows), and a
    // paragraph style with line-height multiple 1.3.
    static QVariantMap defaultAttributes();
    static QFont systemFont();
    static ParagraphStyle defaultParagraphStyle();

    // Paragraph styles on block formats; lengths become Qt's pixels there.
    static bool hasParagraphStyle(const QTextBlockFormat& format);
    static ParagraphStyle paragraphStyle(const QTextBlockFormat& format);
    static void setParagraphStyle(QTextBlockFormat& format, const ParagraphStyle& style);

    // Attachments: the image format of a U+FFFC and the bytes it names.
    static bool isAttachment(const QTextCharFormat& format);
    static TextAttachment attachment(const QTextDocument& doc, const QTextCharFormat& format);
    // Inserts one U+FFFC for `attachment` at the cursor with the cursor's character format.
    static void insertAttachment(QTextCursor& cursor, const TextAttachment& attachment);

    static DocumentAttributes documentAttributes(const QTextDocument& doc);
    static void setDocumentAttributes(QTextDocument& doc, const DocumentAttributes& attributes);

    // Qt lays text out in pixels at 96 per inch; the attribute set counts points. Points read
    // back are rounded to 1/10000 so that lengths survive the trip unchanged.
    static double pointsToPixels(double points) { return TextUnits::pointsToPixels(points); }
    static double pixelsToPoints(double pixels) { return TextUnits::pixelsToPoints(pixels); }

    // The named attributes of a character format (paragraph style excluded).
    static QVariantMap characterAttributes(const QTextDocument& doc, const QTextCharFormat& format);
    // What a character format shows, however it says so: the size in points (a relative size
    // adjustment, as HTML headings get, scales the system size; 0 when the format sets no
    // size), and the underline and strikethrough style masks (0 for none).
    static double fontPointSize(const QTextCharFormat& format);
    static int underlineStyle(const QTextCharFormat& format);
    static int strikethroughStyle(const QTextCharFormat& format);
    // Letter spacing in points (0 for none) and the ligature level, read and set on a format;
    // 0 spacing and level 1 clear what the format said.
    static double letterSpacing(const QTextCharFormat& format);
    static void setLetterSpacing(QTextCharFormat& format, double points);
    static int ligature(const QTextCharFormat& format);
    static void setLigature(QTextCharFormat& format, int level);
    // The baseline offset in points set on a format (0 clears it), and the share of the font's
    // height by which Qt draws it kept in step with the format's font over `base`; see
    // CharacterAttributes.
    static void setBaselineOffset(QTextCharFormat& format, double points, const QFont& base = {});
    static void updateDrawnBaselineOffset(QTextCharFormat& format, const QFont& base = {});
};

} // namespace platform
