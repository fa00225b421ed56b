#include "TextInputFilters.h"

#include "platform/foundation/RegularExpression.h"
#include "platform/text/AttributedText.h"
#include "platform/text/TextListEditing.h"

#include <QGraphicsTextItem>
#include <QKeyEvent>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

namespace platform {

namespace {

// A typed URL or mail address becomes a link once a space follows it; punctuation at its end
// stays outside the link.
bool endsLinkCandidate(QChar c)
{
    return c == u' ' || c == u'\t';
}

bool isTrailingPunctuation(QChar c)
{
    return QStringLiteral(".,;:!?)").contains(c);
}

const RegularExpression& urlExpression()
{
    static const auto expression
        = RegularExpression::compile(QStringLiteral("^(?:(?:https?|ftp)://|www\\.)\\S+$"), true);
    return *expression;
}

const RegularExpression& mailExpression()
{
    static const auto expression
        = RegularExpression::compile(QStringLiteral("^[\\w.+-]+@[\\w-]+(?:\\.[\\w-]+)+$"));
    return *expression;
}

} // namespace

bool TextInputFilters::isDeletion(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
}

bool TextInputFilters::isNewline(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

bool TextInputFilters::isTabKey(const QKeyEvent* event)
{
    return (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

QChar TextInputFilters::characterAt(int position) const
{
    const QTextDocument& document = *m_item.document();
    if (position < 0 || position >= AttributedText::length(document))
        return {};
    return document.characterAt(position);
}

bool TextInputFilters::editList(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    QTextCursor cursor = m_item.textCursor();
    bool edited = false;
    if (isNewline(event) && modifiers == Qt::NoModifier)
        edited = TextListEditing::insertParagraph(cursor);
    else if (event->key() == Qt::Key_Backspace && modifiers == Qt::NoModifier)
        edited = TextListEditing::deleteBackward(cursor);
    else if (event->key() == Qt::Key_Delete && modifiers == Qt::NoModifier)
        edited = TextListEditing::deleteForward(cursor);
    else if (event->key() == Qt::Key_Tab && modifiers == Qt::NoModifier)
        edited = TextListEditing::changeLevel(cursor, 1);
    else if (isTabKey(event) && (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier)
        edited = TextListEditing::changeLevel(cursor, -1);
    if (edited)
        m_item.setTextCursor(cursor);
    return edited;
}

void TextInputFilters::placeCaret(int from, const QKeyEvent* event)
{
    const bool backward = event
        && (event->matches(QKeySequence::MoveToPreviousChar)
            || event->matches(QKeySequence::SelectPreviousChar)
            || event->matches(QKeySequence::MoveToPreviousWord)
            || event->matches(QKeySequence::SelectPreviousWord));
    QTextCursor cursor = m_item.textCursor();
    if (TextListEditing::placeCaret(cursor, from, backward))
        m_item.setTextCursor(cursor);
}

bool TextInputFilters::insertParagraph(const QKeyEvent* event)
{
    if (!event->matches(QKeySequence::InsertParagraphSeparator))
        return false;
    // The text engine's own Return starts over in the document's plain look after an empty
    // paragraph, and on a styled empty one only drops the style instead of adding a line: a
    // blank line would be swallowed and the text after it shrink to the default size.
    QTextCursor cursor = m_item.textCursor();
    cursor.insertBlock(cursor.blockFormat(), cursor.charFormat());
    m_item.setTextCursor(cursor);
    return true;
}

bool TextInputFilters::filterTypedText(const QString& text)
{
    QTextCursor cursor = m_item.textCursor();
    if (m_options.smartQuotes && (text == u"\"" || text == u"'")) {
        const QChar before = characterAt(cursor.selectionStart() - 1);
        const bool opening = before.isNull() || before.isSpace()
            || QStringLiteral("([{<\u2014\u2013\u201C\u2018").contains(before);
        const bool isDouble = text == u"\"";
        cursor.insertText(isDouble ? (opening ? u"\u201C"_qs : u"\u201D"_qs)
                                   : (opening ? u"\u2018"_qs : u"\u2019"_qs));
        m_item.setTextCursor(cursor);
        return true;
    }
    if (m_options.smartDashes && text == u"-" && !cursor.hasSelection()
        && characterAt(cursor.position() - 1) == u'-') {
        cursor.beginEditBlock();
        cursor.deletePreviousChar();
        cursor.insertText(QStringLiteral("\u2014"));
        cursor.endEditBlock();
        m_item.setTextCursor(cursor);
        return true;
    }
    return false;
}

void TextInputFilters::afterKey(const QString& text, bool deletedSelection)
{
    if (deletedSelection && m_options.smartCopyPaste)
        removeSpaceLeftByDeletion();
    if (m_options.smartLinks && text.size() == 1 && endsLinkCandidate(text.at(0)))
        detectLinkBefore(m_item.textCursor().position() - 1);
}

void TextInputFilters::removeSpaceLeftByDeletion()
{
    QTextCursor cursor = m_item.textCursor();
    const int position = cursor.position();
    const QChar after = characterAt(position);
    const bool spaceBefore = characterAt(position - 1) == u' ';
    if (spaceBefore && (after == u' ' || isTrailingPunctuation(after)))
        cursor.deletePreviousChar();
    else if (after == u' ' && (position == 0 || characterAt(position - 1).isSpace()))
        cursor.deleteChar();
    else
        return;
    m_item.setTextCursor(cursor);
}

void TextInputFilters::detectLinkBefore(int position)
{
    int start = position;
    while (start > 0 && !characterAt(start - 1).isSpace())
        --start;
    while (position > start && isTrailingPunctuation(characterAt(position - 1)))
        --position;
    if (start == position)
        return;
    QTextDocument& document = *m_item.document();
    QTextCursor cursor(&document);
    cursor.setPosition(start);
    cursor.setPosition(position, QTextCursor::KeepAnchor);
    const QString token = cursor.selectedText();
    QString href;
    if (urlExpression().matchesWholeString(token))
        href = token.startsWith(u"www.", Qt::CaseInsensitive) ? QStringLiteral("http://") + token
                                                              : token;
    else if (mailExpression().matchesWholeString(token))
        href = QStringLiteral("mailto:") + token;
    if (href.isEmpty()
        || AttributedText::attribute(document, AttributedText::LinkAttributeName, start).toUrl()
            == QUrl(href))
        return;
    AttributedText::addAttribute(
        document, AttributedText::LinkAttributeName, QUrl(href), { start, position - start });
}

QString TextInputFilters::smartInsertText(const QString& text, TextRange selection) const
{
    if (!m_options.smartCopyPaste || text.isEmpty())
        return text;
    QString result = text;
    if (characterAt(int(selection.location) - 1).isLetterOrNumber()
        && result.front().isLetterOrNumber())
        result.prepend(u' ');
    if (characterAt(int(selection.end())).isLetterOrNumber() && result.back().isLetterOrNumber())
        result.append(u' ');
    return result;
}

} // namespace platform
