#include "AttributedText.h"

#include <QFontDatabase>
#include <QHash>
#include <QMutex>
#include <QTextBlock>
#include <QTextBoundaryFinder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextImageFormat>
#include <QTextList>
#include <QUrl>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform {

const QString AttributedText::FontAttributeName = QStringLiteral("Font");
const QString AttributedText::ForegroundColorAttributeName = QStringLiteral("ForegroundColor");
const QString AttributedText::BackgroundColorAttributeName = QStringLiteral("BackgroundColor");
const QString AttributedText::UnderlineStyleAttributeName = QStringLiteral("UnderlineStyle");
const QString AttributedText::UnderlineColorAttributeName = QStringLiteral("UnderlineColor");
const QString AttributedText::StrikethroughStyleAttributeName
    = QStringLiteral("StrikethroughStyle");
const QString AttributedText::StrikethroughColorAttributeName
    = QStringLiteral("StrikethroughColor");
const QString AttributedText::LinkAttributeName = QStringLiteral("Link");
const QString AttributedText::BaselineOffsetAttributeName = QStringLiteral("BaselineOffset");
const QString AttributedText::SuperscriptAttributeName = QStringLiteral("Superscript");
const QString AttributedText::ParagraphStyleAttributeName = QStringLiteral("ParagraphStyle");
const QString AttributedText::AttachmentAttributeName = QStringLiteral("Attachment");
const QString AttributedText::KerningAttributeName = QStringLiteral("Kerning");
const QString AttributedText::LetterSpacingAttributeName = QStringLiteral("LetterSpacing");
const QString AttributedText::LigatureAttributeName = QStringLiteral("Ligature");

namespace {

const char* const kDocumentAttributesProperty = "bxDocumentAttributes";

struct CustomRegistry {
    QMutex mutex;
    QHash<QString, int> ids;
    QHash<int, QString> names;
};

CustomRegistry& customRegistry()
{
    static CustomRegistry registry;
    return registry;
}

QHash<int, QString> customAttributeNames()
{
    CustomRegistry& registry = customRegistry();
    QMutexLocker lock(&registry.mutex);
    return registry.names;
}

int customAttributeId(const QString& name)
{
    CustomRegistry& registry = customRegistry();
    QMutexLocker lock(&registry.mutex);
    return registry.ids.value(name, -1);
}

// Paragraphs longer than this (UTF-16 units) are not copied whole for a piece of them shorter
// than their length over kShortPieceShare.
constexpr qsizetype kLongParagraph = qsizetype(1) << 16;
constexpr qsizetype kShortPieceShare = 8;

// A stretch of the document with one character format: part of a fragment, or the paragraph
// separator at the end of a block (whose format is the next block's character format).
struct Segment {
    qsizetype start = 0;
    qsizetype length = 0;
    QTextCharFormat format;
    QTextBlock block;
};

// Calls `visit` for the segments overlapping [from, to), clipped to it, in order.
template <typename Visit>
void forEachSegment(const QTextDocument& doc, qsizetype from, qsizetype to, Visit&& visit)
{
    for (QTextBlock block = doc.findBlock(int(from)); block.isValid() && block.position() < to;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const qsizetype start = std::max<qsizetype>(fragment.position(), from);
            const qsizetype end = std::min<qsizetype>(fragment.position() + fragment.length(), to);
            if (start < end && !visit(Segment { start, end - start, fragment.charFormat(), block }))
                return;
        }
        const QTextBlock next = block.next();
        const qsizetype separator = block.position() + block.length() - 1;
        if (next.isValid() && separator >= from && separator < to
            && !visit(Segment { separator, 1, next.charFormat(), block }))
            return;
    }
}

QVariant attributeOf(const QTextDocument& doc, const QString& name, const QTextCharFormat& format,
    const QTextBlock& block)
{
    if (name == AttributedText::ParagraphStyleAttributeName) {
        const QTextBlockFormat blockFormat = block.blockFormat();
        return AttributedText::hasParagraphStyle(blockFormat)
            ? QVariant::fromValue(AttributedText::paragraphStyle(blockFormat))
            : QVariant();
    }
    return AttributedText::characterAttributes(doc, format).value(name);
}

QVariantMap attributesOf(const QTextDocument& doc, const Segment& segment)
{
    QVariantMap result = AttributedText::characterAttributes(doc, segment.format);
    const QTextBlockFormat blockFormat = segment.block.blockFormat();
    if (AttributedText::hasParagraphStyle(blockFormat))
        result.insert(AttributedText::ParagraphStyleAttributeName,
            QVariant::fromValue(AttributedText::paragraphStyle(blockFormat)));
    return result;
}

// The segments of the blocks from `block` back to the start, last first, until `visit` stops.
template <typename Visit>
void forEachSegmentBackwards(const QTextDocument& doc, qsizetype before, Visit&& visit)
{
    for (QTextBlock block = doc.findBlock(int(std::max<qsizetype>(before - 1, 0))); block.isValid();
         block = block.previous()) {
        std::vector<Segment> segments;
        forEachSegment(doc, block.position(),
            std::min<qsizetype>(before, block.position() + block.length()),
            [&](const Segment& segment) {
                if (segment.block == block)
                    segments.push_back(segment);
                return true;
            });
        for (auto it = segments.rbegin(); it != segments.rend(); ++it) {
            if (!visit(*it))
                return;
        }
    }
}

template <typename Value>
TextRange effectiveRangeOf(const QTextDocument& doc, qsizetype index, const Value& valueAt)
{
    const auto value = [&] {
        decltype(valueAt(Segment {})) found {};
        forEachSegment(doc, index, index + 1, [&](const Segment& segment) {
            found = valueAt(segment);
            return false;
        });
        return found;
    }();
    qsizetype start = index;
    qsizetype end = index;
    forEachSegment(doc, index, AttributedText::length(doc), [&](const Segment& segment) {
        if (valueAt(segment) != value)
            return false;
        end = segment.start + segment.length;
        return true;
    });
    forEachSegmentBackwards(doc, index, [&](const Segment& segment) {
        if (valueAt(segment) != value)
            return false;
        start = segment.start;
        return true;
    });
    return { start, end - start };
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
    std::vector<Segment> segments;
    forEachSegment(doc, range.location, range.end(), [&](const Segment& segment) {
        if (std::any_of(properties.begin(), properties.end(),
                [&](int property) { return segment.format.hasProperty(property); }))
            segments.push_back(segment);
        return true;
    });
    for (Segment& segment : segments) {
        for (int property : properties)
            segment.format.clearProperty(property);
        selection(doc, { segment.start, segment.length }).setCharFormat(segment.format);
    }
}

QString newAttachmentName()
{
    return QStringLiteral("attachment:") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

QTextCharFormat::UnderlineStyle qtUnderlineStyle(int mask)
{
    if (mask == 0)
        return QTextCharFormat::NoUnderline;
    switch (mask & 0x0F00) {
    case 0x0100:
        return QTextCharFormat::DotLine;
    case 0x0200:
        return QTextCharFormat::DashUnderline;
    case 0x0300:
        return QTextCharFormat::DashDotLine;
    case 0x0400:
        return QTextCharFormat::DashDotDotLine;
    default:
        return QTextCharFormat::SingleUnderline;
    }
}

// Copies `range` of `source` to the cursor; the first paragraph's style is taken along only
// when it lands at the start of a paragraph.
void insertRange(QTextCursor& cursor, const QTextDocument& source, TextRange range)
{
    QTextDocument* target = cursor.document();
    const auto copyResource = [&](const QTextCharFormat& format) {
        if (!format.isImageFormat())
            return format;
        QTextImageFormat image = format.toImageFormat();
        const QVariant bytes = source.resource(QTextDocument::ImageResource, QUrl(image.name()));
        const QString name = newAttachmentName();
        target->addResource(QTextDocument::ImageResource, QUrl(name), bytes);
        image.setName(name);
        return QTextCharFormat(image);
    };
    // A block format names its list by an index into its own document: lists are made anew in
    // the target, one for each source list, and the items join them there.
    QHash<const QTextList*, QTextList*> lists;
    const auto joinList = [&](const QTextBlock& from) {
        const QTextList* list = from.textList();
        if (!list)
            return;
        QTextList*& copy = lists[list];
        if (copy)
            copy->add(cursor.block());
        else
            copy = cursor.createList(list->format());
    };
    const auto ownFormat = [](const QTextBlock& block) {
        QTextBlockFormat format = block.blockFormat();
        format.clearProperty(QTextFormat::ObjectIndex);
        return format;
    };
    bool first = true;
    QTextBlock textBlock;
    QString blockText;
    const auto segmentText = [&](const Segment& segment) {
        // A short piece of a long paragraph is read a character at a time: the paragraph's
        // whole text costs its length (megabytes for a file of one line), and a cursor would
        // lay the paragraph out.
        if (segment.block.length() > kLongParagraph
            && segment.length * kShortPieceShare < segment.block.length()) {
            QString text(segment.length, Qt::Uninitialized);
            for (qsizetype i = 0; i < segment.length; ++i)
                text[i] = source.characterAt(int(segment.start + i));
            return text;
        }
        // Else a block's text is made once a block, not once a fragment, or a long paragraph
        // of many styles copies in quadratic time.
        if (segment.block != textBlock) {
            textBlock = segment.block;
            blockText = textBlock.text();
        }
        return QStringView(blockText)
            .sliced(segment.start - textBlock.position(), segment.length)
            .toString();
    };
    forEachSegment(source, range.location, range.end(), [&](const Segment& segment) {
        if (first && cursor.atBlockStart()
            && AttributedText::hasParagraphStyle(segment.block.blockFormat()))
            cursor.setBlockFormat(ownFormat(segment.block));
        if (first && cursor.atBlockStart() && segment.start == segment.block.position())
            joinList(segment.block);
        first = false;
        const QTextBlock next = segment.block.next();
        const bool isSeparator = next.isValid()
            && segment.start == segment.block.position() + segment.block.length() - 1;
        if (isSeparator) {
            cursor.insertBlock(ownFormat(next), segment.format);
            joinList(next);
        } else {
            cursor.insertText(segmentText(segment), copyResource(segment.format));
        }
        return true;
    });
}

} // namespace

int AttributedText::registerAttribute(const QString& name)
{
    CustomRegistry& registry = customRegistry();
    QMutexLocker lock(&registry.mutex);
    const auto found = registry.ids.constFind(name);
    if (found != registry.ids.constEnd())
        return *found;
    const int id = FirstCustomProperty + int(registry.ids.size());
    registry.ids.insert(name, id);
    registry.names.insert(id, name);
    return id;
}

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
    forEachSegment(doc, index, index + 1, [&](const Segment& segment) {
        result = attributesOf(doc, segment);
        return false;
    });
    if (effectiveRange) {
        *effectiveRange = effectiveRangeOf(
            doc, index, [&](const Segment& segment) { return attributesOf(doc, segment); });
    }
    return result;
}

QVariant AttributedText::attribute(
    const QTextDocument& doc, const QString& name, qsizetype index, TextRange* effectiveRange)
{
    const auto valueAt = [&](const Segment& segment) {
        return attributeOf(doc, name, segment.format, segment.block);
    };
    QVariant result;
    forEachSegment(doc, index, index + 1, [&](const Segment& segment) {
        result = valueAt(segment);
        return false;
    });
    if (effectiveRange)
        *effectiveRange = effectiveRangeOf(doc, index, valueAt);
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
    forEachSegment(doc, range.location, range.end(), [&](const Segment& segment) {
        const QVariant value = attributeOf(doc, name, segment.format, segment.block);
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
    QTextCharFormat format;
    for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it) {
        const QString& name = it.key();
        const QVariant& value = it.value();
        if (name == FontAttributeName) {
            const QFont font = value.value<QFont>();
            if (!font.family().isEmpty())
                format.setFontFamilies(QStringList { font.family() });
            if (font.pointSizeF() > 0)
                format.setFontPointSize(font.pointSizeF());
            format.setFontWeight(font.bold() ? QFont::Bold : QFont::Normal);
            format.setFontItalic(font.italic());
        } else if (name == ForegroundColorAttributeName) {
            format.setForeground(value.value<QColor>());
        } else if (name == BackgroundColorAttributeName) {
            format.setBackground(value.value<QColor>());
        } else if (name == UnderlineStyleAttributeName) {
            format.setProperty(UnderlineMaskProperty, value.toInt());
            format.setUnderlineStyle(qtUnderlineStyle(value.toInt()));
        } else if (name == UnderlineColorAttributeName) {
            format.setUnderlineColor(value.value<QColor>());
        } else if (name == StrikethroughStyleAttributeName) {
            format.setProperty(StrikethroughMaskProperty, value.toInt());
            format.setFontStrikeOut(value.toInt() != 0);
        } else if (name == StrikethroughColorAttributeName) {
            format.setProperty(StrikethroughColorProperty, value.value<QColor>());
        } else if (name == LinkAttributeName) {
            format.setAnchor(true);
            format.setAnchorHref(value.toUrl().toString());
        } else if (name == BaselineOffsetAttributeName) {
            format.setProperty(BaselineOffsetProperty, value.toDouble());
        } else if (name == SuperscriptAttributeName) {
            const int level = value.toInt();
            format.setVerticalAlignment(level > 0 ? QTextCharFormat::AlignSuperScript
                    : level < 0                   ? QTextCharFormat::AlignSubScript
                                                  : QTextCharFormat::AlignNormal);
        } else if (name == KerningAttributeName) {
            format.setFontKerning(value.toBool());
        } else if (name == LetterSpacingAttributeName) {
            setLetterSpacing(format, value.toDouble());
        } else if (name == LigatureAttributeName) {
            setLigature(format, value.toInt());
        } else if (name != ParagraphStyleAttributeName && name != AttachmentAttributeName) {
            // Attachments are made with insertAttachment(); they cannot be laid over text.
            format.setProperty(registerAttribute(name), value);
        }
    }
    return format;
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
    QList<int> properties;
    if (name == FontAttributeName)
        properties = { QTextFormat::FontFamilies, QTextFormat::FontFamily,
            QTextFormat::FontPointSize, QTextFormat::FontPixelSize, QTextFormat::FontSizeAdjustment,
            QTextFormat::FontWeight, QTextFormat::FontItalic };
    else if (name == ForegroundColorAttributeName)
        properties = { QTextFormat::ForegroundBrush };
    else if (name == BackgroundColorAttributeName)
        properties = { QTextFormat::BackgroundBrush };
    else if (name == UnderlineStyleAttributeName)
        properties = { UnderlineMaskProperty, QTextFormat::TextUnderlineStyle,
            QTextFormat::FontUnderline };
    else if (name == UnderlineColorAttributeName)
        properties = { QTextFormat::TextUnderlineColor };
    else if (name == StrikethroughStyleAttributeName)
        properties = { StrikethroughMaskProperty, QTextFormat::FontStrikeOut };
    else if (name == StrikethroughColorAttributeName)
        properties = { StrikethroughColorProperty };
    else if (name == LinkAttributeName)
        properties = { QTextFormat::IsAnchor, QTextFormat::AnchorHref };
    else if (name == BaselineOffsetAttributeName)
        properties = { BaselineOffsetProperty };
    else if (name == SuperscriptAttributeName)
        properties = { QTextFormat::TextVerticalAlignment };
    else if (name == KerningAttributeName)
        properties = { QTextFormat::FontKerning };
    else if (name == LetterSpacingAttributeName)
        properties = { QTextFormat::FontLetterSpacing, QTextFormat::FontLetterSpacingType };
    else if (name == LigatureAttributeName)
        properties = { QTextFormat::FontStyleStrategy };
    else if (name == AttachmentAttributeName)
        return;
    else if (const int id = customAttributeId(name); id >= 0)
        properties = { id };
    clearProperties(doc, range, properties);
}

void AttributedText::replaceCharacters(QTextDocument& doc, TextRange range, const QString& text)
{
    QTextCharFormat format;
    const qsizetype from = range.length > 0 ? range.location : range.location - 1;
    forEachSegment(doc, std::max<qsizetype>(from, 0), std::max<qsizetype>(from, 0) + 1,
        [&](const Segment& segment) {
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
    insertRange(cursor, source, { 0, length(source) });
    cursor.endEditBlock();
}

std::unique_ptr<QTextDocument> AttributedText::attributedSubstring(
    const QTextDocument& doc, TextRange range)
{
    auto copy = makeDocument();
    copy->setProperty(kDocumentAttributesProperty, doc.property(kDocumentAttributesProperty));
    QTextCursor cursor(copy.get());
    cursor.beginEditBlock();
    insertRange(cursor, doc, range);
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
    forEachSegment(*copy, 0, length(*copy), [&](const Segment& segment) {
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
    static const QFont font = [] {
        const QFont system = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        QFont result;
        result.setFamilies(QStringList { system.family() });
        result.setPointSizeF(system.pointSizeF() > 0 ? system.pointSizeF() : 13.0);
        return result;
    }();
    return font;
}

ParagraphStyle AttributedText::defaultParagraphStyle()
{
    ParagraphStyle style;
    style.lineHeightMultiple = 1.3;
    return style;
}

QVariantMap AttributedText::defaultAttributes()
{
    return { { FontAttributeName, systemFont() },
        { ParagraphStyleAttributeName, QVariant::fromValue(defaultParagraphStyle()) } };
}

double AttributedText::pixelsToPoints(double pixels)
{
    return std::round(pixels * 72.0 / 96.0 * 10000.0) / 10000.0;
}

bool AttributedText::hasParagraphStyle(const QTextBlockFormat& format)
{
    return format.boolProperty(ParagraphStyleSetProperty);
}

ParagraphStyle AttributedText::paragraphStyle(const QTextBlockFormat& format)
{
    ParagraphStyle style;
    const Qt::Alignment alignment = format.alignment();
    if (alignment & Qt::AlignJustify)
        style.alignment = TextAlignment::Justified;
    else if (alignment & Qt::AlignHCenter)
        style.alignment = TextAlignment::Center;
    else if (alignment & Qt::AlignRight)
        style.alignment = TextAlignment::Right;
    else if (alignment & Qt::AlignAbsolute)
        style.alignment = TextAlignment::Left;
    else
        style.alignment = TextAlignment::Natural;
    if (format.lineHeightType() == QTextBlockFormat::ProportionalHeight)
        style.lineHeightMultiple = std::round(format.lineHeight() * 10000.0) / 1000000.0;
    style.lineSpacing = format.doubleProperty(LineSpacingProperty);
    style.minimumLineHeight = format.doubleProperty(MinimumLineHeightProperty);
    style.maximumLineHeight = format.doubleProperty(MaximumLineHeightProperty);
    style.headIndent = pixelsToPoints(format.leftMargin());
    const double firstLineStart = format.leftMargin() + format.textIndent();
    style.firstLineHeadIndent = pixelsToPoints(firstLineStart);
    style.tailIndent = format.hasProperty(TailIndentProperty)
        ? format.doubleProperty(TailIndentProperty)
        : -pixelsToPoints(format.rightMargin());
    style.paragraphSpacingBefore = pixelsToPoints(format.topMargin());
    style.paragraphSpacing = pixelsToPoints(format.bottomMargin());
    style.defaultTabInterval = format.doubleProperty(DefaultTabIntervalProperty);
    style.textLists = format.property(TextListsProperty).toStringList();
    if (format.hasProperty(QTextFormat::LayoutDirection)) {
        if (format.layoutDirection() == Qt::RightToLeft)
            style.baseWritingDirection = WritingDirection::RightToLeft;
        else if (format.layoutDirection() == Qt::LeftToRight)
            style.baseWritingDirection = WritingDirection::LeftToRight;
    }
    style.tabStops.clear();
    for (const QTextOption::Tab& tab : format.tabPositions()) {
        TextTab stop;
        stop.location = pixelsToPoints(firstLineStart + tab.position);
        switch (tab.type) {
        case QTextOption::RightTab:
            stop.type = TextTabType::Right;
            break;
        case QTextOption::CenterTab:
            stop.type = TextTabType::Center;
            break;
        case QTextOption::DelimiterTab:
            stop.type = TextTabType::Decimal;
            break;
        default:
            stop.type = TextTabType::Left;
            break;
        }
        style.tabStops.append(stop);
    }
    return style;
}

void AttributedText::setParagraphStyle(QTextBlockFormat& format, const ParagraphStyle& style)
{
    format.setProperty(ParagraphStyleSetProperty, true);
    switch (style.alignment) {
    case TextAlignment::Left:
        format.setAlignment(Qt::AlignLeft | Qt::AlignAbsolute);
        break;
    case TextAlignment::Right:
        format.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
        break;
    case TextAlignment::Center:
        format.setAlignment(Qt::AlignHCenter);
        break;
    case TextAlignment::Justified:
        format.setAlignment(Qt::AlignJustify);
        break;
    case TextAlignment::Natural:
        format.setAlignment(Qt::AlignLeading);
        break;
    }
    if (style.lineHeightMultiple > 0) {
        format.setLineHeight(
            style.lineHeightMultiple * 100.0, QTextBlockFormat::ProportionalHeight);
    } else if (style.minimumLineHeight > 0 && style.minimumLineHeight == style.maximumLineHeight) {
        format.setLineHeight(
            pointsToPixels(style.minimumLineHeight), QTextBlockFormat::FixedHeight);
    } else if (style.minimumLineHeight > 0) {
        format.setLineHeight(
            pointsToPixels(style.minimumLineHeight), QTextBlockFormat::MinimumHeight);
    } else {
        format.clearProperty(QTextFormat::LineHeight);
        format.clearProperty(QTextFormat::LineHeightType);
    }
    const auto setOrClear = [&](int property, double value) {
        if (value != 0)
            format.setProperty(property, value);
        else
            format.clearProperty(property);
    };
    setOrClear(LineSpacingProperty, style.lineSpacing);
    setOrClear(MinimumLineHeightProperty, style.minimumLineHeight);
    setOrClear(MaximumLineHeightProperty, style.maximumLineHeight);
    setOrClear(DefaultTabIntervalProperty, style.defaultTabInterval);
    if (style.textLists.isEmpty())
        format.clearProperty(TextListsProperty);
    else
        format.setProperty(TextListsProperty, style.textLists);
    switch (style.baseWritingDirection) {
    case WritingDirection::Natural:
        format.clearProperty(QTextFormat::LayoutDirection);
        break;
    case WritingDirection::LeftToRight:
        format.setLayoutDirection(Qt::LeftToRight);
        break;
    case WritingDirection::RightToLeft:
        format.setLayoutDirection(Qt::RightToLeft);
        break;
    }
    format.setLeftMargin(pointsToPixels(style.headIndent));
    format.setTextIndent(pointsToPixels(style.firstLineHeadIndent - style.headIndent));
    // A positive tail indent counts from the leading margin, which Qt cannot express.
    if (style.tailIndent > 0) {
        format.setProperty(TailIndentProperty, style.tailIndent);
        format.setRightMargin(0);
    } else {
        format.clearProperty(TailIndentProperty);
        format.setRightMargin(pointsToPixels(-style.tailIndent));
    }
    format.setTopMargin(pointsToPixels(style.paragraphSpacingBefore));
    format.setBottomMargin(pointsToPixels(style.paragraphSpacing));
    // Tab stops count from the leading margin; Qt counts them from where the first line starts.
    QList<QTextOption::Tab> tabs;
    tabs.reserve(style.tabStops.size());
    for (const TextTab& stop : style.tabStops) {
        QTextOption::Tab tab;
        tab.position = pointsToPixels(stop.location - style.firstLineHeadIndent);
        switch (stop.type) {
        case TextTabType::Left:
            tab.type = QTextOption::LeftTab;
            break;
        case TextTabType::Right:
            tab.type = QTextOption::RightTab;
            break;
        case TextTabType::Center:
            tab.type = QTextOption::CenterTab;
            break;
        case TextTabType::Decimal:
            tab.type = QTextOption::DelimiterTab;
            tab.delimiter = u'.';
            break;
        }
        tabs.append(tab);
    }
    format.setTabPositions(tabs);
}

bool AttributedText::isAttachment(const QTextCharFormat& format)
{
    return format.isImageFormat() && format.hasProperty(AttachmentFileNameProperty);
}

TextAttachment AttributedText::attachment(const QTextDocument& doc, const QTextCharFormat& format)
{
    const QTextImageFormat image = format.toImageFormat();
    TextAttachment result;
    result.fileName = image.stringProperty(AttachmentFileNameProperty);
    result.contents = doc.resource(QTextDocument::ImageResource, QUrl(image.name())).toByteArray();
    if (image.hasProperty(QTextFormat::ImageWidth) || image.hasProperty(QTextFormat::ImageHeight))
        result.size = QSizeF(pixelsToPoints(image.width()), pixelsToPoints(image.height()));
    return result;
}

void AttributedText::insertAttachment(QTextCursor& cursor, const TextAttachment& attachment)
{
    QTextImageFormat image;
    image.merge(cursor.charFormat());
    image.clearProperty(QTextFormat::ObjectType);
    image.setObjectType(QTextFormat::ImageObject);
    const QString name = newAttachmentName();
    image.setName(name);
    image.setProperty(AttachmentFileNameProperty, attachment.fileName);
    if (attachment.size.isValid()) {
        image.setWidth(pointsToPixels(attachment.size.width()));
        image.setHeight(pointsToPixels(attachment.size.height()));
    }
    cursor.document()->addResource(QTextDocument::ImageResource, QUrl(name), attachment.contents);
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), image);
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
    QVariantMap result;
    const QMap<int, QVariant> properties = format.properties();
    if (properties.isEmpty())
        return result;
    const double pointSize = fontPointSize(format);
    if (format.hasProperty(QTextFormat::FontFamilies) || pointSize > 0
        || format.hasProperty(QTextFormat::FontWeight)
        || format.hasProperty(QTextFormat::FontItalic)) {
        QFont font;
        const QStringList families = format.fontFamilies().toStringList();
        if (!families.isEmpty())
            font.setFamilies(families);
        if (pointSize > 0)
            font.setPointSizeF(pointSize);
        if (format.hasProperty(QTextFormat::FontWeight))
            font.setBold(format.fontWeight() >= QFont::DemiBold);
        if (format.hasProperty(QTextFormat::FontItalic))
            font.setItalic(format.fontItalic());
        result.insert(FontAttributeName, font);
    }
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        result.insert(ForegroundColorAttributeName, format.foreground().color());
    if (format.hasProperty(QTextFormat::BackgroundBrush))
        result.insert(BackgroundColorAttributeName, format.background().color());
    if (const int mask = underlineStyle(format); mask != 0)
        result.insert(UnderlineStyleAttributeName, mask);
    if (format.hasProperty(QTextFormat::TextUnderlineColor))
        result.insert(UnderlineColorAttributeName, format.underlineColor());
    if (const int mask = strikethroughStyle(format); mask != 0)
        result.insert(StrikethroughStyleAttributeName, mask);
    if (format.hasProperty(StrikethroughColorProperty))
        result.insert(StrikethroughColorAttributeName,
            format.property(StrikethroughColorProperty).value<QColor>());
    if (format.isAnchor() && !format.anchorHref().isEmpty())
        result.insert(LinkAttributeName, QUrl(format.anchorHref()));
    if (format.hasProperty(BaselineOffsetProperty))
        result.insert(BaselineOffsetAttributeName, format.doubleProperty(BaselineOffsetProperty));
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        result.insert(SuperscriptAttributeName, 1);
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        result.insert(SuperscriptAttributeName, -1);
    if (format.hasProperty(QTextFormat::FontKerning))
        result.insert(KerningAttributeName, format.fontKerning());
    if (const double spacing = letterSpacing(format); spacing != 0)
        result.insert(LetterSpacingAttributeName, spacing);
    if (const int level = ligature(format); level != 1)
        result.insert(LigatureAttributeName, level);
    if (isAttachment(format))
        result.insert(AttachmentAttributeName, QVariant::fromValue(attachment(doc, format)));
    if (properties.lastKey() >= FirstCustomProperty) {
        const QHash<int, QString> names = customAttributeNames();
        for (auto it = properties.lowerBound(FirstCustomProperty); it != properties.end(); ++it) {
            const auto name = names.constFind(it.key());
            if (name != names.constEnd())
                result.insert(*name, it.value());
        }
    }
    return result;
}

double AttributedText::fontPointSize(const QTextCharFormat& format)
{
    if (format.hasProperty(QTextFormat::FontSizeAdjustment)) {
        // Qt shows the default size scaled by these steps, whatever size the format names.
        static constexpr double steps[] = { 0.7, 0.8, 1.0, 1.2, 1.5, 2.0, 2.4 };
        const int step = std::clamp(format.intProperty(QTextFormat::FontSizeAdjustment) + 2, 0, 6);
        return std::round(systemFont().pointSizeF() * steps[step] * 1000.0) / 1000.0;
    }
    if (format.hasProperty(QTextFormat::FontPointSize))
        return format.fontPointSize();
    if (format.hasProperty(QTextFormat::FontPixelSize))
        return pixelsToPoints(format.intProperty(QTextFormat::FontPixelSize));
    return 0;
}

int AttributedText::underlineStyle(const QTextCharFormat& format)
{
    if (const int mask = format.intProperty(UnderlineMaskProperty); mask != 0)
        return mask;
    switch (format.underlineStyle()) {
    case QTextCharFormat::NoUnderline:
        // Qt's older flag counts only where no style overrides it.
        return !format.hasProperty(QTextFormat::TextUnderlineStyle)
                && format.boolProperty(QTextFormat::FontUnderline)
            ? 0x01
            : 0;
    case QTextCharFormat::DotLine:
        return 0x0101;
    case QTextCharFormat::DashUnderline:
        return 0x0201;
    case QTextCharFormat::DashDotLine:
        return 0x0301;
    case QTextCharFormat::DashDotDotLine:
        return 0x0401;
    default:
        return 0x01;
    }
}

int AttributedText::strikethroughStyle(const QTextCharFormat& format)
{
    if (const int mask = format.intProperty(StrikethroughMaskProperty); mask != 0)
        return mask;
    return format.fontStrikeOut() ? 0x01 : 0;
}

double AttributedText::letterSpacing(const QTextCharFormat& format)
{
    if (!format.hasProperty(QTextFormat::FontLetterSpacing)
        || format.fontLetterSpacingType() != QFont::AbsoluteSpacing)
        return 0;
    return pixelsToPoints(format.fontLetterSpacing());
}

void AttributedText::setLetterSpacing(QTextCharFormat& format, double points)
{
    if (points == 0 || !std::isfinite(points)) {
        format.clearProperty(QTextFormat::FontLetterSpacing);
        format.clearProperty(QTextFormat::FontLetterSpacingType);
        return;
    }
    format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    format.setFontLetterSpacing(pointsToPixels(points));
}

int AttributedText::ligature(const QTextCharFormat& format)
{
    return format.intProperty(QTextFormat::FontStyleStrategy) & QFont::PreferNoShaping ? 0 : 1;
}

void AttributedText::setLigature(QTextCharFormat& format, int level)
{
    // Qt can only leave ligatures out by not shaping at all; every other level is its default.
    const int strategy
        = format.intProperty(QTextFormat::FontStyleStrategy) & ~QFont::PreferNoShaping;
    if (level == 0)
        format.setFontStyleStrategy(QFont::StyleStrategy(strategy | QFont::PreferNoShaping));
    else if (strategy != 0)
        format.setFontStyleStrategy(QFont::StyleStrategy(strategy));
    else
        format.clearProperty(QTextFormat::FontStyleStrategy);
}

} // namespace platform
