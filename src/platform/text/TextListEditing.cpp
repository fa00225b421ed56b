#include "TextListEditing.h"

#include "TextListMarkers.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace platform {

namespace {

// The marker run's length when the cursor sits in an item at or before its text, else 0.
int itemStart(const QTextCursor& cursor)
{
    if (cursor.hasSelection() || TextListMarkers::itemLists(cursor.block()).isEmpty())
        return 0;
    const int prefix = TextListMarkers::prefixLength(cursor.block().text());
    return cursor.positionInBlock() <= prefix ? prefix : 0;
}

// The look typed text takes in an item: that of its text, or the paragraph's own when it has
// none (a new item's is what was typed before Return).
QTextCharFormat textLook(const QTextBlock& block)
{
    const int prefix = TextListMarkers::prefixLength(block.text());
    if (block.length() - 1 <= prefix)
        return block.charFormat();
    QTextCursor look(block);
    look.setPosition(block.position() + prefix + 1);
    return look.charFormat();
}

void endItem(QTextCursor& cursor)
{
    const QTextBlock block = cursor.block();
    const QTextCharFormat look = textLook(block);
    const int position = block.position();
    TextListMarkers::setLists(block, {});
    TextListMarkers::renumber(*cursor.document(), position);
    cursor.setPosition(position);
    cursor.setCharFormat(look);
}

} // namespace

bool TextListEditing::insertParagraph(QTextCursor& cursor)
{
    const QTextBlock block = cursor.block();
    const QStringList lists = TextListMarkers::itemLists(block);
    const int prefix = TextListMarkers::prefixLength(block.text());
    if (cursor.hasSelection() || lists.isEmpty() || cursor.positionInBlock() < prefix)
        return false;
    if (block.length() - 1 == prefix) {
        endItem(cursor);
        return true;
    }
    const QTextCharFormat typing = cursor.charFormat();
    const QTextCharFormat marker = TextListMarkers::markerLook(block);
    cursor.beginEditBlock();
    cursor.insertBlock(block.blockFormat(), typing);
    cursor.insertText(TextListMarkers::markerRun(lists.last(), 1), marker);
    TextListMarkers::renumber(*cursor.document(), cursor.block().position());
    cursor.setPosition(
        cursor.block().position() + TextListMarkers::prefixLength(cursor.block().text()));
    cursor.setCharFormat(typing);
    cursor.endEditBlock();
    return true;
}

bool TextListEditing::changeLevel(QTextCursor& cursor, int delta)
{
    if (itemStart(cursor) == 0)
        return false;
    const QTextBlock block = cursor.block();
    QStringList lists = TextListMarkers::itemLists(block);
    if (delta > 0 && lists.size() < TextListMarkers::MaximumLevels)
        lists.append(TextListMarkers::nestedMarkerFormat(lists.last()));
    else if (delta < 0 && lists.size() > 1)
        lists.removeLast();
    else
        return true;
    const QTextCharFormat look = textLook(block);
    cursor.beginEditBlock();
    TextListMarkers::setLists(block, lists);
    TextListMarkers::renumber(*cursor.document(), block.position());
    cursor.setPosition(block.position() + TextListMarkers::prefixLength(block.text()));
    cursor.setCharFormat(look);
    cursor.endEditBlock();
    return true;
}

bool TextListEditing::deleteBackward(QTextCursor& cursor)
{
    const int prefix = itemStart(cursor);
    if (prefix == 0 || cursor.positionInBlock() != prefix)
        return false;
    cursor.beginEditBlock();
    endItem(cursor);
    cursor.endEditBlock();
    return true;
}

bool TextListEditing::deleteForward(QTextCursor& cursor)
{
    if (cursor.hasSelection() || !cursor.atBlockEnd())
        return false;
    const QTextBlock next = cursor.block().next();
    if (!next.isValid() || TextListMarkers::itemLists(next).isEmpty())
        return false;
    const int prefix = TextListMarkers::prefixLength(next.text());
    const int position = cursor.position();
    cursor.beginEditBlock();
    if (cursor.block().length() == 1) {
        // An empty line before the item goes, and the item stays as it was.
        cursor.setBlockFormat(next.blockFormat());
        cursor.deleteChar();
        cursor.setPosition(position + prefix);
    } else {
        cursor.setPosition(next.position() + prefix, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
    TextListMarkers::renumber(*cursor.document(), position);
    cursor.endEditBlock();
    return true;
}

bool TextListEditing::placeCaret(QTextCursor& cursor, int from, bool backward)
{
    const QTextBlock block = cursor.block();
    if (TextListMarkers::itemLists(block).isEmpty())
        return false;
    const int textStart = block.position() + TextListMarkers::prefixLength(block.text());
    if (cursor.position() >= textStart)
        return false;
    int target = textStart;
    if (backward && from == textStart && block.position() > 0)
        target = block.position() - 1;
    if (cursor.hasSelection()) {
        const int anchor = cursor.anchor();
        cursor.setPosition(anchor);
        cursor.setPosition(target, QTextCursor::KeepAnchor);
    } else {
        cursor.setPosition(target);
    }
    return true;
}

} // namespace platform
