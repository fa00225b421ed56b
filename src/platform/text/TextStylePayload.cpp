#include "TextStylePayload.h"

#include "AttributedText.h"
#include "RtfReader.h"
#include "RtfWriter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

double bounded(double value, double low, double high)
{
    return std::isfinite(value) ? std::clamp(value, low, high) : 0.0;
}

// The attributes a style may carry, with their sizes where text can show them.
QTextCharFormat styleFormat(const QTextDocument& doc, const QTextCharFormat& format)
{
    QVariantMap attributes = AttributedText::characterAttributes(doc, format);
    attributes.remove(AttributedText::LinkAttributeName);
    attributes.remove(AttributedText::AttachmentAttributeName);
    if (auto font = attributes.find(AttributedText::FontAttributeName); font != attributes.end()) {
        QFont value = font->value<QFont>();
        if (value.pointSizeF() > 0)
            value.setPointSizeF(bounded(value.pointSizeF(), 1, 1000));
        *font = value;
    }
    for (const QString& name : { AttributedText::LetterSpacingAttributeName,
             AttributedText::BaselineOffsetAttributeName }) {
        if (auto value = attributes.find(name); value != attributes.end())
            *value = bounded(value->toDouble(), -100, 100);
    }
    return AttributedText::characterFormat(attributes);
}

ParagraphStyle saneStyle(ParagraphStyle style)
{
    constexpr double limit = TextStylePayload::MaximumLength;
    for (double* length : { &style.firstLineHeadIndent, &style.headIndent, &style.paragraphSpacing,
             &style.paragraphSpacingBefore, &style.defaultTabInterval, &style.minimumLineHeight,
             &style.maximumLineHeight, &style.lineSpacing })
        *length = bounded(*length, 0, limit);
    style.tailIndent = bounded(style.tailIndent, -limit, limit);
    style.lineHeightMultiple = bounded(style.lineHeightMultiple, 0, 100);
    if (style.tabStops.size() > TextStylePayload::MaximumTabStops)
        style.tabStops.resize(TextStylePayload::MaximumTabStops);
    for (TextTab& tab : style.tabStops)
        tab.location = bounded(tab.location, 0, limit);
    std::stable_sort(style.tabStops.begin(), style.tabStops.end(),
        [](const TextTab& a, const TextTab& b) { return a.location < b.location; });
    return style;
}

} // namespace

QByteArray TextStylePayload::encode(const StringAttributes& style)
{
    const auto doc = AttributedText::makeDocument();
    QTextCursor cursor(doc.get());
    QTextBlockFormat paragraph;
    AttributedText::setParagraphStyle(paragraph,
        saneStyle(AttributedText::hasParagraphStyle(style.paragraph)
                ? AttributedText::paragraphStyle(style.paragraph)
                : AttributedText::defaultParagraphStyle()));
    cursor.setBlockFormat(paragraph);
    cursor.insertText(QStringLiteral("x"), styleFormat(*doc, style.characters));
    return RtfWriter::write(*doc);
}

std::optional<StringAttributes> TextStylePayload::decode(QByteArrayView data)
{
    if (data.size() > MaximumSize)
        return std::nullopt;
    const auto doc = RtfReader::read(data);
    if (!doc || AttributedText::length(*doc) == 0)
        return std::nullopt;
    const QTextBlock block = doc->begin();
    const QTextCharFormat first
        = block.begin().atEnd() ? block.charFormat() : block.begin().fragment().charFormat();
    StringAttributes style;
    style.characters = styleFormat(*doc, first);
    AttributedText::setParagraphStyle(style.paragraph,
        saneStyle(AttributedText::hasParagraphStyle(block.blockFormat())
                ? AttributedText::paragraphStyle(block.blockFormat())
                : AttributedText::defaultParagraphStyle()));
    return style;
}

} // namespace platform
