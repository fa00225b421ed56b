#include "AccessibleTextView.h"

#include "platform/appkit/TextView.h"
#include "platform/foundation/Localized.h"
#include "platform/text/AttributedText.h"

#include <QGraphicsTextItem>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>

namespace platform {

AccessibleTextView::AccessibleTextView(TextView* view)
    : QAccessibleWidget(view, QAccessible::EditableText)
{ }

TextView* AccessibleTextView::view() const
{
    return static_cast<TextView*>(widget());
}

QTextDocument& AccessibleTextView::document() const
{
    return *view()->mirror();
}

QString AccessibleTextView::text(const QTextDocument& document, int start, int end)
{
    const int length = int(AttributedText::length(document));
    start = std::clamp(start, 0, length);
    end = std::clamp(end, start, length);
    QTextCursor cursor(const_cast<QTextDocument*>(&document));
    cursor.setPosition(start);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    QString text = cursor.selectedText();
    for (QChar& character : text) {
        if (character == QChar::ParagraphSeparator)
            character = u'\n';
    }
    return text;
}

QAccessible::State AccessibleTextView::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = view()->isEditable();
    state.readOnly = !view()->isEditable();
    state.multiLine = true;
    state.selectableText = true;
    state.focusable = true;
    return state;
}

void* AccessibleTextView::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void AccessibleTextView::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    const TextRange selected = view()->selectedRange();
    if (selectionIndex != 0 || selected.length == 0) {
        *startOffset = *endOffset = 0;
        return;
    }
    *startOffset = int(selected.location);
    *endOffset = int(selected.end());
}

int AccessibleTextView::selectionCount() const
{
    return view()->selectedRange().length > 0 ? 1 : 0;
}

void AccessibleTextView::addSelection(int startOffset, int endOffset)
{
    // The view has one selection: a new one takes its place.
    setSelection(0, startOffset, endOffset);
}

void AccessibleTextView::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        setCursorPosition(cursorPosition());
}

void AccessibleTextView::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    const int count = characterCount();
    const int start = std::clamp(std::min(startOffset, endOffset), 0, count);
    const int end = std::clamp(std::max(startOffset, endOffset), 0, count);
    view()->setSelectedRange({ start, end - start });
}

int AccessibleTextView::cursorPosition() const
{
    return view()->textItem()->textCursor().position();
}

void AccessibleTextView::setCursorPosition(int position)
{
    view()->setSelectedRange({ std::clamp(position, 0, characterCount()), 0 });
}

QString AccessibleTextView::text(int startOffset, int endOffset) const
{
    return text(document(), startOffset, endOffset);
}

int AccessibleTextView::characterCount() const
{
    return int(AttributedText::length(document()));
}

std::pair<int, int> AccessibleTextView::lineAround(int offset) const
{
    const QTextBlock block = document().findBlock(offset);
    const int blockStart = block.position();
    const bool breaks = block.next().isValid();
    const int blockEnd = blockStart + block.length() - 1;
    const QTextLayout* layout = block.layout();
    if (!layout || layout->lineCount() == 0)
        return { blockStart, blockEnd + (breaks ? 1 : 0) };
    const QTextLine line = layout->lineForTextPosition(offset - blockStart);
    if (!line.isValid())
        return { blockStart, blockEnd + (breaks ? 1 : 0) };
    const int start = blockStart + line.textStart();
    const int end = std::min(start + line.textLength(), blockEnd);
    return { start, end == blockEnd && breaks ? end + 1 : end };
}

QString AccessibleTextView::textBeforeOffset(
    int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset, int* endOffset) const
{
    const int count = characterCount();
    *startOffset = *endOffset = -1;
    // Qt's own search never ends for an offset outside the text.
    if (offset < 0 || offset > count)
        return {};
    if (boundaryType != QAccessible::LineBoundary || count == 0)
        return QAccessibleTextInterface::textBeforeOffset(
            offset, boundaryType, startOffset, endOffset);
    const int lineStart = lineAround(offset).first;
    if (lineStart == 0)
        return {};
    std::tie(*startOffset, *endOffset) = lineAround(lineStart - 1);
    return text(*startOffset, *endOffset);
}

QString AccessibleTextView::textAfterOffset(
    int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset, int* endOffset) const
{
    const int count = characterCount();
    *startOffset = *endOffset = -1;
    // Qt's own search never ends for an offset outside the text.
    if (offset < 0 || offset > count)
        return {};
    if (boundaryType != QAccessible::LineBoundary || count == 0)
        return QAccessibleTextInterface::textAfterOffset(
            offset, boundaryType, startOffset, endOffset);
    const int lineEnd = lineAround(offset).second;
    if (lineEnd >= count && !text(count - 1, count).endsWith(u'\n'))
        return {};
    std::tie(*startOffset, *endOffset) = lineAround(lineEnd);
    return text(*startOffset, *endOffset);
}

QString AccessibleTextView::textAtOffset(
    int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset, int* endOffset) const
{
    const int count = characterCount();
    *startOffset = *endOffset = -1;
    // Qt's own search never ends for an offset outside the text.
    if (offset < 0 || offset > count)
        return {};
    if (boundaryType != QAccessible::LineBoundary || count == 0)
        return QAccessibleTextInterface::textAtOffset(offset, boundaryType, startOffset, endOffset);
    std::tie(*startOffset, *endOffset) = lineAround(offset);
    return text(*startOffset, *endOffset);
}

QRect AccessibleTextView::characterRect(int offset) const
{
    const QRect rect = view()->characterRect(offset);
    if (rect.isEmpty())
        return {};
    return { view()->viewport()->mapToGlobal(rect.topLeft()), rect.size() };
}

int AccessibleTextView::offsetAtPoint(const QPoint& point) const
{
    const QPoint inViewport = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(inViewport))
        return -1;
    return view()->characterIndexAt(inViewport);
}

void AccessibleTextView::scrollToSubstring(int startIndex, int endIndex)
{
    const int count = characterCount();
    const int start = std::clamp(startIndex, 0, count);
    view()->scrollRangeToVisible({ start, std::clamp(endIndex, start, count) - start });
}

QString AccessibleTextView::attributes(int offset, int* startOffset, int* endOffset) const
{
    *startOffset = *endOffset = -1;
    if (offset < 0 || offset > characterCount())
        return {};
    const QTextBlock block = document().findBlock(offset);
    QTextCharFormat format = block.charFormat();
    *startOffset = *endOffset = offset;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.contains(offset)) {
            format = fragment.charFormat();
            *startOffset = fragment.position();
            *endOffset = fragment.position() + fragment.length();
            break;
        }
    }
    QString attributes = QStringLiteral("font-family:%1;").arg(format.font().family());
    if (const double size = AttributedText::fontPointSize(format); size > 0)
        attributes += QStringLiteral("font-size:%1pt;").arg(size);
    attributes += QStringLiteral("font-weight:%1;")
                      .arg(format.fontWeight() >= QFont::Bold ? QStringLiteral("bold")
                                                              : QStringLiteral("normal"));
    attributes
        += QStringLiteral("font-style:%1;")
               .arg(format.fontItalic() ? QStringLiteral("italic") : QStringLiteral("normal"));
    attributes += QStringLiteral("text-underline-style:%1;")
                      .arg(AttributedText::underlineStyle(format) != 0 ? QStringLiteral("solid")
                                                                       : QStringLiteral("none"));
    return attributes;
}

void AccessibleTextView::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void AccessibleTextView::insertText(int offset, const QString& text)
{
    replaceText(offset, offset, text);
}

void AccessibleTextView::replaceText(int startOffset, int endOffset, const QString& text)
{
    const int count = characterCount();
    const int start = std::clamp(std::min(startOffset, endOffset), 0, count);
    const int end = std::clamp(std::max(startOffset, endOffset), 0, count);
    if (!view()->isEditable() || (start == end && text.isEmpty()))
        return;
    if (!view()->setSelectedRange({ start, end - start }))
        return;
    view()->replaceSelection(text, view()->typingAttributes(), localized(QStringLiteral("Typing")));
}

} // namespace platform
