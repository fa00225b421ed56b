#include "AttributedText.h"

#include "platform/text/attributed/CharacterAttributes.h"
#include "platform/text/attributed/ParagraphStyleFormat.h"
#include "platform/text/attributed/TextAttachmentFormat.h"
#include "platform/text/attributed/TextDefaults.h"
#include "platform/text/attributed/TextRangeCopier.h"
#include "platform/text/attributed/TextSegments.h"

#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <vector>

namespace platform {

namespace {

const char* const kDocumentAttributesProperty = "bxDocumentAttributes";

QVariant attributeOf(const QTextDocument& doc, const QString& name, const TextSegment& segment)
{
    if (name == AttributedText::ParagraphStyleAttributeName) {
        const QTextBlockFormat blockFormat = segment.block.blockFormat();
        return ParagraphStyleFormat::hasParagraphStyle(blockFormat)
            ? QVariant::fromValue(ParagraphStyleFormat::paragraphStyle(blockFormat))
            : QVariant();
    }
    return CharacterAttributes::characterAttributes(doc, segment.format).value(name);
}

QVariantMap attributesOf(const QTextDocument& doc, const TextSegment& segment)
{
    QVariantMap result = CharacterAttributes::characterAttributes(doc, segment.format);
    const QTextBlockFormat blockFormat = segment.block.blockFormat();
    if (ParagraphStyleFormat::hasParagraphStyle(blockFormat))
        result.insert(AttributedText::ParagraphStyleAttributeName,
            QVariant::fromValue(ParagraphStyleFormat::paragraphStyle(blockFormat)));
    return result;
}

QTextCursor selection(QTextDocument& doc, TextRange range)
{
    QTextCursor cursor(&doc);
    cursor.setPosition(int(range.location));
    cursor.setPosition(int(range.end()), QTextCursor::KeepAnchor);
    return cursor;
}

// Takes `properties` off every character format in `range`.
void clearProperties(QTextDocument& doc, TextRange range, const QList<int>& properties)
{
    std::vector<TextSegment> segments;
    TextSegments::forEach(doc, range.location, range.end(), [&](const TextSegment& segment) {
        if (std::any_of(properties.begin(), properties.end(),
                [&](int property) { return segment.format.hasProperty(property); }))
            segments.push_back(segment);
        return true;
    });
    for (TextSegment& segment : segments) {
        for (int property : properties)
            segment.format.clearProperty(property);
        selection(doc, { segment.start, segment.length }).setCharFormat(segment.format);
    }
}

// A run's drawn baseline offset depends on its font: laid over a range, a font or an offset
// leaves the share Qt draws by to be worked out again for each run that has one.
void updateDrawnBaselineOffsets(QTextDocument& doc, TextRange range)
{
    std::vector<TextSegment> segments;
    TextSegments::forEach(doc, range.location, range.end(), [&](const TextSegment& segment) {
        if (segment.format.hasProperty(TextAttributeNames::BaselineOffsetProperty))
            segments.push_back(segment);
        return true;
    });
    for (TextSegment& segment : segments) {
        const QTextCharFormat before = segment.format;
        CharacterAttributes::updateDrawnBaselineOffset(segment.format, doc.defaultFont());
        if (segment.format != before)
            selection(doc, { segment.start, segment.length }).setCharFormat(segment.format);
    }
}

} // namespace

std::unique_ptr<QTextDocument> AttributedText::makeDocument()
{
    auto doc = std::make_unique<QTextDocument>();
    doc->setUndoRedoEnabled(false);
    return doc;
}

QString AttributedText::string(const QTextDocument& doc)
{
    QString text = doc.toRawText();
    for (QChar& c : text) {
        if (c == QChar::ParagraphSeparator)
            c = u'\n';
    }
    return text;
}

qsizetype AttributedText::length(const QTextDocument& doc)
{
    return doc.characterCount() - 1;
}

QVariantMap AttributedText::attributes(
    const QTextDocument& doc, qsizetype index, TextRange* effectiveRange)
{
    QVariantMap result;
    TextSegments::forEach(doc, index, index + 1, [&](const TextSegment& segment) {
        result = attributesOf(doc, segment);
        return false;
    });
    if (effectiveRange) {
        *effectiveRange = TextSegments::effectiveRange(
            doc, index, [&](const TextSegment& segment) { return attributesOf(doc, segment); });
    }
    return result;
}

QVariant AttributedText::attribute(
    const QTextDocument& doc, const QString& name, qsizetype index, TextRange* effectiveRange)
{
    const auto valueAt
        = [&](const TextSegment& segment) { return attributeOf(doc, name, segment); };
    QVariant result;
    TextSegments::forEach(doc, index, index + 1, [&](const TextSegment& segment) {
        result = valueAt(segment);
        return false;
    });
    if (effectiveRange)
        *effectiveRange = TextSegments::effectiveRange(doc, index, valueAt);
    return result;
}

void AttributedText::enumerateAttribute(const QTextDocument& doc, const QString& name,
    TextRange range,
    const std::function<void(const QVariant& value, TextRange run, bool* stop)>& visit)
{
    bool stop = false;
    bool open = false;
    QVariant current;
    TextRange run;
    TextSegments::forEach(doc, range.location, range.end(), [&](const TextSegment& segment) {
        const QVariant value = attributeOf(doc, name, segment);
        if (open && value == current) {
            run.length += segment.length;
            return true;
        }
        if (open)
            visit(current, run, &stop);
        current = value;
        run = { segment.start, segment.length };
        open = true;
        return !stop;
    });
    if (open && !stop)
        visit(current, run, &stop);
}

void AttributedText::addAttribute(
    QTextDocument& doc, const QString& name, const QVariant& value, TextRange range)
{
    addAttributes(doc, QVariantMap { { name, value } }, range);
}

QTextCharFormat AttributedText::characterFormat(const QVariantMap& attributes)
{
    return CharacterAttributes::characterFormat(attributes);
}

void AttributedText::addAttributes(
    QTextDocument& doc, const QVariantMap& attributes, TextRange range)
{
    const auto style = attributes.constFind(ParagraphStyleAttributeName);
    if (style != attributes.constEnd()) {
        const ParagraphStyle paragraphStyle = style->value<ParagraphStyle>();
        QTextBlock end = doc.findBlock(int(std::max(range.end() - 1, range.location)));
        for (QTextBlock block = doc.findBlock(int(range.location)); block.isValid();
             block = block.next()) {
            QTextBlockFormat blockFormat = block.blockFormat();
            setParagraphStyle(blockFormat, paragraphStyle);
            QTextCursor(block).setBlockFormat(blockFormat);
            if (block == end)
                break;
        }
    }
    const QTextCharFormat format = characterFormat(attributes);
    // A size adjustment would outweigh the point size of a font laid over it.
    if (attributes.contains(FontAttributeName) && range.length > 0)
        clearProperties(
            doc, range, { QTextFormat::FontPixelSize, QTextFormat::FontSizeAdjustment });
    if (!format.properties().isEmpty() && range.length > 0)
        selection(doc, range).mergeCharFormat(format);
    if (range.length > 0
        && (attributes.contains(FontAttributeName)
            || attributes.contains(BaselineOffsetAttributeName)))
        updateDrawnBaselineOffsets(doc, range);
}

void AttributedText::removeAttribute(QTextDocument& doc, const QString& name, TextRange range)
{
    if (name == ParagraphStyleAttributeName) {
        QTextBlock end = doc.findBlock(int(std::max(range.end() - 1, range.location)));
        for (QTextBlock block = doc.findBlock(int(range.location)); block.isValid();
             block = block.next()) {
            QTextBlockFormat blockFormat;
            QTextCursor(block).setBlockFormat(blockFormat);
            if (block == end)
                break;
        }
        return;
    }
    if (name == AttachmentAttributeName)
        return;
    clearProperties(doc, range, CharacterAttributes::propertiesOf(name));
}

void AttributedText::replaceCharacters(QTextDocument& doc, TextRange range, const QString& text)
{
    QTextCharFormat format;
    const qsizetype from = range.length > 0 ? range.location : range.location - 1;
    TextSegments::forEach(doc, std::max<qsizetype>(from, 0), std::max<qsizetype>(from, 0) + 1,
        [&](const TextSegment& segment) {
            format = segment.format;
            return false;
        });
    if (format.isImageFormat())
        format = QTextCharFormat();
    QTextCursor cursor = selection(doc, range);
    cursor.removeSelectedText();
    cursor.insertText(text, format);
}

void AttributedText::replaceCharacters(
    QTextDocument& doc, TextRange range, const QTextDocument& source)
{
    QTextCursor cursor = selection(doc, range);
    cursor.beginEditBlock();
    cursor.removeSelectedText();
    TextRangeCopier::insert(cursor, source, { 0, length(source) });
    cursor.endEditBlock();
}

std::unique_ptr<QTextDocument> AttributedText::attributedSubstring(
    const QTextDocument& doc, TextRange range)
{
    auto copy = makeDocument();
    copy->setProperty(kDocumentAttributesProperty, doc.property(kDocumentAttributesProperty));
    QTextCursor cursor(copy.get());
    cursor.beginEditBlock();
    TextRangeCopier::insert(cursor, doc, range);
    cursor.endEditBlock();
    return copy;
}

bool AttributedText::containsAttachments(const QTextDocument& doc)
{
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (isAttachment(it.fragment().charFormat()))
                return true;
        }
    }
    return false;
}

std::unique_ptr<QTextDocument> AttributedText::copyRemovingAttachments(const QTextDocument& doc)
{
    auto copy = attributedSubstring(doc, { 0, length(doc) });
    std::vector<TextRange> attachments;
    TextSegments::forEach(*copy, 0, length(*copy), [&](const TextSegment& segment) {
        if (isAttachment(segment.format))
            attachments.push_back({ segment.start, segment.length });
        return true;
    });
    for (auto it = attachments.rbegin(); it != attachments.rend(); ++it)
        selection(*copy, *it).removeSelectedText();
    return copy;
}

void AttributedText::enumerateParagraphs(const QTextDocument& doc,
    const std::function<void(TextRange paragraph, TextRange enclosing, bool* stop)>& visit)
{
    bool stop = false;
    for (QTextBlock block = doc.begin(); block.isValid() && !stop; block = block.next()) {
        const qsizetype length = block.length() - 1;
        const bool last = !block.next().isValid();
        if (last && length == 0 && block != doc.begin())
            break;
        visit(
            { block.position(), length }, { block.position(), last ? length : length + 1 }, &stop);
    }
}

void AttributedText::enumerateWords(
    const QTextDocument& doc, const std::function<void(TextRange word, bool* stop)>& visit)
{
    const QString text = string(doc);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Word, text);
    bool stop = false;
    qsizetype start = 0;
    while (!stop && finder.toNextBoundary() >= 0) {
        const qsizetype end = finder.position();
        bool isWord = false;
        for (qsizetype i = start; i < end && !isWord; ++i)
            isWord = text.at(i).isLetterOrNumber();
        if (isWord)
            visit({ start, end - start }, &stop);
        start = end;
    }
}

QFont AttributedText::systemFont()
{
    return TextDefaults::systemFont();
}

ParagraphStyle AttributedText::defaultParagraphStyle()
{
    return TextDefaults::defaultParagraphStyle();
}

QVariantMap AttributedText::defaultAttributes()
{
    return TextDefaults::defaultAttributes();
}

bool AttributedText::hasParagraphStyle(const QTextBlockFormat& format)
{
    return ParagraphStyleFormat::hasParagraphStyle(format);
}

ParagraphStyle AttributedText::paragraphStyle(const QTextBlockFormat& format)
{
    return ParagraphStyleFormat::paragraphStyle(format);
}

void AttributedText::setParagraphStyle(QTextBlockFormat& format, const ParagraphStyle& style)
{
    ParagraphStyleFormat::setParagraphStyle(format, style);
}

bool AttributedText::isAttachment(const QTextCharFormat& format)
{
    return TextAttachmentFormat::isAttachment(format);
}

TextAttachment AttributedText::attachment(const QTextDocument& doc, const QTextCharFormat& format)
{
    return TextAttachmentFormat::attachment(doc, format);
}

void AttributedText::insertAttachment(QTextCursor& cursor, const TextAttachment& attachment)
{
    TextAttachmentFormat::insertAttachment(cursor, attachment);
}

DocumentAttributes AttributedText::documentAttributes(const QTextDocument& doc)
{
    return doc.property(kDocumentAttributesProperty).value<DocumentAttributes>();
}

void AttributedText::setDocumentAttributes(QTextDocument& doc, const DocumentAttributes& attributes)
{
    doc.setProperty(kDocumentAttributesProperty, QVariant::fromValue(attributes));
}

QVariantMap AttributedText::characterAttributes(
    const QTextDocument& doc, const QTextCharFormat& format)
{
    return CharacterAttributes::characterAttributes(doc, format);
}

double AttributedText::fontPointSize(const QTextCharFormat& format)
{
    return CharacterAttributes::fontPointSize(format);
}

int AttributedText::underlineStyle(const QTextCharFormat& format)
{
    return CharacterAttributes::underlineStyle(format);
}

int AttributedText::strikethroughStyle(const QTextCharFormat& format)
{
    return CharacterAttributes::strikethroughStyle(format);
}

double AttributedText::letterSpacing(const QTextCharFormat& format)
{
    return CharacterAttributes::letterSpacing(format);
}

void AttributedText::setLetterSpacing(QTextCharFormat& format, double points)
{
    CharacterAttributes::setLetterSpacing(format, points);
}

void AttributedText::setBaselineOffset(QTextCharFormat& format, double points, const QFont& base)
{
    CharacterAttributes::setBaselineOffset(format, points, base);
}

void AttributedText::updateDrawnBaselineOffset(QTextCharFormat& format, const QFont& base)
{
    CharacterAttributes::updateDrawnBaselineOffset(format, base);
}

int AttributedText::ligature(const QTextCharFormat& format)
{
    return CharacterAttributes::ligature(format);
}

void AttributedText::setLigature(QTextCharFormat& format, int level)
{
    CharacterAttributes::setLigature(format, level);
}

} // namespace platform
