#include "AccessibleTokenField.h"

#include "platform/appkit/TokenField.h"

namespace platform {

namespace {

const QString kSeparator = QStringLiteral(", ");

} // namespace

AccessibleTokenField::AccessibleTokenField(TokenField* field)
    : QAccessibleWidget(field, QAccessible::EditableText)
{ }

TokenField* AccessibleTokenField::field() const
{
    return static_cast<TokenField*>(widget());
}

QString AccessibleTokenField::text(const TokenField& field)
{
    QString text;
    for (int i = 0; i < field.count(); ++i)
        text += field.tokenText(i) + kSeparator;
    return text + field.editingText();
}

int AccessibleTokenField::offsetOf(const TokenField& field, int position)
{
    int offset = 0;
    const int tokens = std::min(position, field.count());
    for (int i = 0; i < tokens; ++i)
        offset += int(field.tokenText(i).size() + kSeparator.size());
    return offset + std::max(position - field.count(), 0);
}

int AccessibleTokenField::positionAt(const TokenField& field, int offset, bool after)
{
    int start = 0;
    for (int i = 0; i < field.count(); ++i) {
        const int end = start + int(field.tokenText(i).size() + kSeparator.size());
        if (offset <= start)
            return i;
        if (offset < end)
            return after ? i + 1 : i;
        start = end;
    }
    return field.count() + std::clamp(offset - start, 0, int(field.editingText().size()));
}

QAccessible::State AccessibleTokenField::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.selectableText = true;
    state.focusable = true;
    return state;
}

void* AccessibleTokenField::interface_cast(QAccessible::InterfaceType type)
{
    if (type == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

void AccessibleTokenField::selection(int selectionIndex, int* startOffset, int* endOffset) const
{
    const int anchor = field()->anchorPosition();
    const int caret = field()->caretPosition();
    if (selectionIndex != 0 || anchor == caret) {
        *startOffset = *endOffset = 0;
        return;
    }
    *startOffset = offsetOf(*field(), std::min(anchor, caret));
    *endOffset = offsetOf(*field(), std::max(anchor, caret));
}

int AccessibleTokenField::selectionCount() const
{
    return field()->anchorPosition() != field()->caretPosition() ? 1 : 0;
}

void AccessibleTokenField::addSelection(int startOffset, int endOffset)
{
    // The field has one selection: a new one takes its place.
    setSelection(0, startOffset, endOffset);
}

void AccessibleTokenField::removeSelection(int selectionIndex)
{
    if (selectionIndex == 0)
        field()->setSelection(field()->caretPosition(), field()->caretPosition());
}

void AccessibleTokenField::setSelection(int selectionIndex, int startOffset, int endOffset)
{
    if (selectionIndex != 0)
        return;
    field()->setSelection(positionAt(*field(), std::min(startOffset, endOffset), false),
        positionAt(*field(), std::max(startOffset, endOffset), true));
}

int AccessibleTokenField::cursorPosition() const
{
    return offsetOf(*field(), field()->caretPosition());
}

void AccessibleTokenField::setCursorPosition(int position)
{
    const int caret = positionAt(*field(), position, false);
    field()->setSelection(caret, caret);
}

QString AccessibleTokenField::text(int startOffset, int endOffset) const
{
    const QString all = text(*field());
    const int start = std::clamp(startOffset, 0, int(all.size()));
    return all.mid(start, std::clamp(endOffset, start, int(all.size())) - start);
}

int AccessibleTokenField::characterCount() const
{
    return int(text(*field()).size());
}

QRect AccessibleTokenField::characterRect(int offset) const
{
    const int position = positionAt(*field(), offset, false);
    // Typed text is told as the field: the field alone knows where its letters stand.
    const QRect rect = position < field()->count() ? field()->tokenRect(position) : field()->rect();
    return { field()->mapToGlobal(rect.topLeft()), rect.size() };
}

int AccessibleTokenField::offsetAtPoint(const QPoint& point) const
{
    const QPoint inField = field()->mapFromGlobal(point);
    for (int i = 0; i < field()->count(); ++i) {
        if (field()->tokenRect(i).contains(inField))
            return offsetOf(*field(), i);
    }
    return field()->rect().contains(inField) ? characterCount() : -1;
}

QString AccessibleTokenField::attributes(int offset, int* startOffset, int* endOffset) const
{
    const int count = characterCount();
    const bool inside = offset >= 0 && offset <= count;
    *startOffset = inside ? 0 : -1;
    *endOffset = inside ? count : -1;
    return {};
}

void AccessibleTokenField::deleteText(int startOffset, int endOffset)
{
    replaceText(startOffset, endOffset, QString());
}

void AccessibleTokenField::insertText(int offset, const QString& text)
{
    replaceText(offset, offset, text);
}

void AccessibleTokenField::replaceText(int startOffset, int endOffset, const QString& text)
{
    if (!field()->isEnabled())
        return;
    setSelection(0, startOffset, endOffset);
    field()->replaceSelection(text);
}

} // namespace platform
