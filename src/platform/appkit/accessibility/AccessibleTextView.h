#pragma once

#include <QAccessibleWidget>

class QTextDocument;

namespace platform {

class TextView;

// What assistive technology sees of a text view: an editable text whose offsets are the
// view's UTF-16 character indexes (an attachment is its U+FFFC, a paragraph break "\n").
// Edits made through it run as the user's typing does, so they are recorded for undo and
// reach the note's storage. Made by Qt's accessibility cache for each view; main thread only.
class AccessibleTextView final : public QAccessibleWidget,
                                 public QAccessibleTextInterface,
                                 public QAccessibleEditableTextInterface {
public:
    explicit AccessibleTextView(TextView* view);

    // The text of `document` between two character indexes, paragraph breaks as "\n".
    static QString text(const QTextDocument& document, int start, int end);

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
    // Lines are the lines the view shows; the other boundaries are Qt's.
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
        int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
        int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
        int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    TextView* view() const;
    QTextDocument& document() const;
    // The shown line around `offset`, as [start, end) with its line break.
    std::pair<int, int> lineAround(int offset) const;
};

} // namespace platform
