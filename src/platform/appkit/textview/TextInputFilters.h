#pragma once

#include "TextViewOptions.h"

#include "platform/text/TextRange.h"

#include <QString>

class QGraphicsTextItem;
class QKeyEvent;

namespace platform {

// The text options at work inside the user's typed edit of a text view: list keys (Return,
// Tab, Shift+Tab, Backspace and Delete about a list item; a caret kept out of its marker),
// Return elsewhere, smart quotes and dashes, the
// space a deleted word takes along, and typed addresses that become links once a space follows;
// also the spaces smart paste adds. Works on the item's cursor and document; owned by its text
// view, main thread only.
class TextInputFilters final {
public:
    explicit TextInputFilters(QGraphicsTextItem& item) : m_item(item) { }

    const TextViewOptions& options() const { return m_options; }
    void setOptions(const TextViewOptions& options) { m_options = options; }

    // Tab and Backtab without Control or Alt: focus keys to a widget, indentation to a text.
    static bool isTabKey(const QKeyEvent* event);
    static bool isDeletion(const QKeyEvent* event);
    static bool isNewline(const QKeyEvent* event);

    // A list key in a list item, done; answers whether the key was one.
    bool editList(const QKeyEvent* event);
    // After the caret moved from `from` by `event` (a key; null for the mouse): out of a list
    // marker it landed in, to the item's text, or going left to the line before.
    void placeCaret(int from, const QKeyEvent* event);
    // Return outside a list: a new paragraph in the look of the one it ends, done; answers
    // whether the key was Return.
    bool insertParagraph(const QKeyEvent* event);
    // Typed `text` replaced by its smart form (quotes, a dash for two hyphens); answers
    // whether it was replaced.
    bool filterTypedText(const QString& text);
    // After a key that typed `text`, or deleted a selection: the space left by a deleted word
    // goes, and an address that a typed space ends becomes a link.
    void afterKey(const QString& text, bool deletedSelection);
    // With smart copy and paste on, `text` with a space added where it would otherwise run
    // into a word on either side of `selection`.
    QString smartInsertText(const QString& text, TextRange selection) const;

private:
    QChar characterAt(int position) const;
    void removeSpaceLeftByDeletion();
    void detectLinkBefore(int position);

    QGraphicsTextItem& m_item;
    TextViewOptions m_options;
};

} // namespace platform
