#pragma once

#include <QAccessibleWidget>

namespace platform {

class TokenField;

// What assistive technology sees of a token field: an editable line of text in which each
// token reads as its name followed by ", ", and the text being typed follows the tokens. A
// range that touches a token takes the whole token. Edits made through it run as typed ones,
// asking the field's delegate and turning text at a comma into a token. Made by Qt's
// accessibility cache for each field; main thread only.
class AccessibleTokenField final : public QAccessibleWidget,
                                   public QAccessibleTextInterface,
                                   public QAccessibleEditableTextInterface {
public:
    explicit AccessibleTokenField(TokenField* field);

    static QString text(const TokenField& field);
    // The text offset of a caret position of the field.
    static int offsetOf(const TokenField& field, int position);
    // The caret position at a text offset: inside a token, the one before it, or after it
    // with `after`.
    static int positionAt(const TokenField& field, int offset, bool after);

    QAccessible::State state() const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    // The field keeps its caret in view and has nothing else to scroll.
    void scrollToSubstring(int, int) override { }
    // Tokens and text carry no styles.
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    TokenField* field() const;
};

} // namespace platform
