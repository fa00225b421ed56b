#include "TextView.h"

#include "CommandRouter.h"
#include "FocusKeys.h"
#include "RulerView.h"
#include "TextFormatCommands.h"
#include "TextViewDelegate.h"
#include "TextViewItem.h"
#include "UrlOpener.h"
#include "UserInput.h"
#include "platform/appkit/textview/SelectionFormatting.h"
#include "platform/appkit/textview/TextContextMenu.h"
#include "platform/foundation/Localized.h"
#include "platform/text/TextHighlighter.h"
#include "platform/text/TextMimeData.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGraphicsTextItem>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>

namespace platform {

TextView::TextView(QWidget* parent, SpellChecker* spellChecker)
    : QGraphicsView(parent),
      m_spellChecker(spellChecker ? spellChecker : &SpellChecker::shared()),
      m_scene(new QGraphicsScene(this)),
      m_item(new TextViewItem),
      m_undoCommands([this] { return undoManager(); }),
      m_editCommands({ [this] { return m_editable; },
          [this] { return m_item->textCursor().hasSelection(); }, [this] { paste(); },
          [this](QKeyEvent& event) { keyPressEvent(&event); }, [this] { return isRulerVisible(); },
          [this](bool visible) { setRulerVisible(visible); } }),
      m_text([self = QPointer<TextView>(this)] { return self ? self->undoManager() : nullptr; }),
      m_layout(*this, *m_item),
      m_geometry(*this, *m_item),
      m_findIndicator(*this, *m_item),
      m_ruler(*this, [this] { return new RulerView(this); },
          { [this] { return viewportMargins(); },
              [this](const QMargins& margins) { setViewportMargins(margins); } }),
      m_filters(*m_item),
      m_insertion(*this),
      m_accessibleEvents(*this)
{
    setScene(m_scene);
    m_scene->addItem(m_item);
    m_scene->setStickyFocus(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    m_item->setPos(
        AttributedText::pointsToPixels(kInsetWidth), AttributedText::pointsToPixels(kInsetHeight));
    m_item->setFlag(QGraphicsItem::ItemIsFocusable);
    m_item->setTextInteractionFlags(Qt::TextEditorInteraction);
    m_scene->setFocusItem(m_item);
    connect(&m_text, &TextMirror::textDidChange, this, &TextView::textDidChange);
    connect(&m_text, &TextMirror::storageDestroyed, this, [this] { setTextStorage(nullptr); });
    setTextStorage(nullptr);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
        [this] { m_layout.updateVisibleBlocks(); });
}

TextView::~TextView()
{
    // The item must not outlive the document it shows.
    m_scene->removeItem(m_item);
    delete m_item;
}

UndoManager* TextView::undoManager()
{
    return m_delegate ? m_delegate->undoManagerForTextView(this) : nullptr;
}

void TextView::setTextStorage(QTextDocument* storage)
{
    if (storage && storage == m_text.storage())
        return;
    breakUndoCoalescing();
    attachMirror(m_text.setStorage(storage));
    m_text.showBeginning();
    setEditable(m_editableAsked);
}

void TextView::attachMirror(std::unique_ptr<QTextDocument> oldMirror)
{
    m_findIndicator.clear();
    QTextDocument* mirror = m_text.mirror();
    // Marked before the text is first laid out: marking laid-out text lays it out again from
    // each marked paragraph to the end, which grows with the square of the note's length.
    m_highlighter = new TextHighlighter(mirror, m_spellChecker.data());
    m_highlighter->setChecksSpelling(m_filters.options().checkSpelling);
    m_highlighter->rehighlight();
    m_layout.setDocument(mirror, m_highlighter);
    m_item->setDocument(mirror);
    // The text control turns the document's own undo stack on; edits are recorded elsewhere.
    mirror->setUndoRedoEnabled(false);
    connect(mirror->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        [this] { m_layout.layoutText(); });
    m_item->setTextCursor(QTextCursor(mirror));
    m_lastPosition = m_lastAnchor = 0;
    applyAppearance();
    m_layout.layoutText();
    oldMirror.reset();
    if (RulerView* ruler = m_ruler.ruler())
        ruler->refresh();
    m_accessibleEvents.setDocument(mirror);
}

void TextView::setEditable(bool editable)
{
    m_editableAsked = editable;
    m_editable = editable && !m_text.showsBeginningOnly();
    m_item->setTextInteractionFlags(m_editable
            ? Qt::TextEditorInteraction
            : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text.mirror()->setUndoRedoEnabled(false);
}

void TextView::setZoom(double zoom)
{
    if (!(zoom > 0))
        return;
    m_layout.setZoom(zoom);
    emit zoomChanged(zoom);
}

void TextView::setAppearance(Appearance appearance)
{
    m_appearance = appearance;
    applyAppearance();
}

void TextView::applyAppearance()
{
    const QPalette palette = TextViewPalette::palette(m_appearance);
    if (m_appearance == Appearance::System)
        setPalette(QPalette());
    else
        setPalette(palette);
    m_scene->setPalette(palette);
    setBackgroundBrush(palette.color(QPalette::Base));
    // Text without a colour of its own takes the palette's.
    m_item->setDefaultTextColor(palette.color(QPalette::Text));
    m_ruler.setSystemAppearance(m_appearance == Appearance::System);
}

void TextView::setTextOptions(const TextOptions& options)
{
    m_filters.setOptions(options);
    m_highlighter->setChecksSpelling(options.checkSpelling);
}

TextRange TextView::selectedRange() const
{
    const QTextCursor cursor = m_item->textCursor();
    return { cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart() };
}

bool TextView::setSelectedRange(TextRange range)
{
    QTextDocument* mirror = m_text.mirror();
    if (range.location < 0 || range.length < 0 || range.end() > AttributedText::length(*mirror))
        return false;
    QTextCursor cursor(mirror);
    cursor.setPosition(int(range.location));
    cursor.setPosition(int(range.end()), QTextCursor::KeepAnchor);
    m_item->setTextCursor(cursor);
    noteEvent(m_text.editCount());
    return true;
}

QTextCharFormat TextView::typingAttributes() const
{
    return m_item->textCursor().charFormat();
}

void TextView::setTypingAttributes(const QTextCharFormat& format)
{
    QTextCursor cursor = m_item->textCursor();
    cursor.clearSelection();
    // A caret placed again (a click, a selection restored) forgets the cursor's look; in an
    // empty text the paragraph's keeps it, so typing there takes it all the same.
    if (m_text.mirror()->isEmpty())
        cursor.setBlockCharFormat(format);
    cursor.setCharFormat(format);
    m_item->setTextCursor(cursor);
}

bool TextView::replaceSelection(
    const QString& text, const QTextCharFormat& format, const QString& actionName)
{
    if (!m_editable)
        return false;
    insertAsUserEdit(
        actionName, [&](QTextCursor& cursor) { cursor.insertText(text, format); }, true);
    return true;
}

void TextView::insertAsUserEdit(const QString& actionName,
    const std::function<void(QTextCursor& cursor)>& insert, bool showCaret)
{
    const int before = m_text.editCount();
    performUserEdit(actionName, [&] {
        QTextCursor cursor = m_item->textCursor();
        insert(cursor);
        m_item->setTextCursor(cursor);
    });
    noteEvent(before);
    if (showCaret)
        m_geometry.ensureCaretVisible();
}

bool TextView::insertPlainText(const QString& text, const QString& actionName)
{
    return replaceSelection(smartInsertText(text), typingAttributes(), actionName);
}

bool TextView::changeParagraphStyles(
    const QString& actionName, const std::function<void(ParagraphStyle&)>& change)
{
    if (!m_editable)
        return false;
    const QTextCursor selection = m_item->textCursor();
    performUserEdit(actionName,
        [&] { SelectionFormatting::changeParagraphStyles(*m_text.mirror(), selection, change); });
    return true;
}

ParagraphStyle TextView::currentParagraphStyle() const
{
    return SelectionFormatting::paragraphStyle(*m_text.mirror(), m_item->textCursor());
}

bool TextView::changeCharacterFormats(
    const QString& actionName, const std::function<void(QTextCharFormat&)>& change)
{
    if (!m_editable)
        return false;
    const QTextCursor selection = m_item->textCursor();
    if (!selection.hasSelection()) {
        QTextCharFormat format = typingAttributes();
        change(format);
        setTypingAttributes(format);
        return true;
    }
    const int before = m_text.editCount();
    performUserEdit(actionName,
        [&] { SelectionFormatting::changeCharacterFormats(*m_text.mirror(), selection, change); });
    noteEvent(before);
    return true;
}

QTextCharFormat TextView::selectedCharacterFormat() const
{
    const QTextCursor selection = m_item->textCursor();
    if (!selection.hasSelection())
        return typingAttributes();
    return SelectionFormatting::firstCharacterFormat(*m_text.mirror(), selection);
}

void TextView::paste()
{
    const QMimeData* pasted = QGuiApplication::clipboard()->mimeData();
    if (!m_editable || !pasted || !insertMimeData(pasted, localized(QStringLiteral("Paste"))))
        UserInput::current().beep();
}

QMenu* TextView::createContextMenu(const QPoint& viewportPoint)
{
    TextContextMenu::Actions actions;
    actions.replaceWord = [this](TextRange word, const QString& guess) {
        if (setSelectedRange(word))
            replaceSelection(guess, typingAttributes(), localized(QStringLiteral("Spelling")));
    };
    actions.perform = [this](const QString& action) { m_editCommands.perform(Command { action }); };
    actions.canPerform = [this](const QString& action) {
        Command command { action };
        return m_editCommands.validate(command).value_or(false);
    };
    return TextContextMenu::create(this, *m_text.mirror(), *m_highlighter, m_spellChecker,
        characterIndexAt(viewportPoint), actions);
}

bool TextView::respondsTo(const QString& action) const
{
    return m_undoCommands.respondsTo(action) || m_editCommands.respondsTo(action)
        || TextFormatCommands::respondsTo(action);
}

std::optional<bool> TextView::validate(Command& command) const
{
    if (m_undoCommands.respondsTo(command.action))
        return m_undoCommands.validate(command);
    if (m_editCommands.respondsTo(command.action))
        return m_editCommands.validate(command);
    if (TextFormatCommands::respondsTo(command.action))
        return TextFormatCommands::validate(*this, command);
    return std::nullopt;
}

void TextView::perform(const Command& command)
{
    if (m_editCommands.respondsTo(command.action)) {
        m_editCommands.perform(command);
        return;
    }
    if (TextFormatCommands::respondsTo(command.action)) {
        TextFormatCommands::perform(*this, command);
        return;
    }
    if (m_undoCommands.respondsTo(command.action)) {
        breakUndoCoalescing();
        m_undoCommands.perform(command);
        m_geometry.ensureCaretVisible();
    }
}

bool TextView::event(QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        if (const std::optional<bool> forward
            = FocusKeys::controlTabDirection(static_cast<QKeyEvent*>(event))) {
            QWidget::focusNextPrevChild(*forward);
            return true;
        }
    }
    // The graphics view hands Tab to its scene before keyPressEvent() sees it, so a typed tab
    // would reach the mirror outside a user edit and never the storage.
    if (event->type() == QEvent::KeyPress && m_editable) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (TextInputFilters::isTabKey(key)) {
            keyPressEvent(key);
            // Spent even where it changed no list's level: passed on, Shift+Tab would take the
            // focus out of the text and the next keys elsewhere.
            key->accept();
            return true;
        }
    }
    return QGraphicsView::event(event);
}

void TextView::keyPressEvent(QKeyEvent* event)
{
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        Command command;
        command.action = event->matches(QKeySequence::Undo) ? UndoCommands::UndoAction
                                                            : UndoCommands::RedoAction;
        CommandRouter::shared().sendAction(command);
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        paste();
        return;
    }
    const bool cuts = event->matches(QKeySequence::Cut);
    if (event->matches(QKeySequence::Copy) || cuts) {
        if (m_item->textCursor().hasSelection() && (m_editable || !cuts)) {
            const auto copied
                = AttributedText::attributedSubstring(*m_text.mirror(), selectedRange());
            QGuiApplication::clipboard()->setMimeData(TextMimeData::make(*copied).release());
        }
        if (!cuts || !m_editable)
            return;
    }
    const int before = m_text.editCount();
    if (!m_editable) {
        QGraphicsView::keyPressEvent(event);
        noteEvent(before);
        return;
    }
    const int from = m_item->textCursor().position();
    const QString text = cuts ? QString() : event->text();
    const bool typed = !text.isEmpty() && (text.at(0).isPrint() || text == u"\t");
    const bool typing = !cuts
        && (typed || TextInputFilters::isDeletion(event) || TextInputFilters::isNewline(event)
            || TextInputFilters::isTabKey(event));
    QString name;
    if (typing)
        name = localized(QStringLiteral("Typing"));
    else if (cuts)
        name = localized(QStringLiteral("Cut"));
    const bool deletesSelection
        = m_item->textCursor().hasSelection() && (TextInputFilters::isDeletion(event) || cuts);
    if (cuts) {
        // Already on the clipboard, with its styles.
        m_text.performUserEdit(name, false, [&] {
            m_item->textCursor().removeSelectedText();
            m_filters.afterKey(text, deletesSelection);
        });
    } else if (m_text.isShared()) {
        m_text.performUserEdit(name, typing, [&] {
            if (m_filters.editList(event) || m_filters.insertParagraph(event))
                return;
            if (!(typed && m_filters.filterTypedText(text)))
                QGraphicsView::keyPressEvent(event);
            m_filters.afterKey(text, deletesSelection);
        });
    } else {
        QGraphicsView::keyPressEvent(event);
    }
    if (m_text.editCount() == before)
        m_filters.placeCaret(from, event);
    noteEvent(before);
    m_geometry.ensureCaretVisible();
}

void TextView::inputMethodEvent(QInputMethodEvent* event)
{
    const int before = m_text.editCount();
    if (m_text.isShared() && m_editable) {
        m_text.performUserEdit(localized(QStringLiteral("Typing")), true,
            [&] { QGraphicsView::inputMethodEvent(event); });
    } else {
        QGraphicsView::inputMethodEvent(event);
    }
    noteEvent(before);
}

void TextView::mousePressEvent(QMouseEvent* event)
{
    const int before = m_text.editCount();
    // Below or beside the text there is no item to take the click: it still places the caret.
    if (event->button() == Qt::LeftButton && !itemAt(event->position().toPoint())) {
        m_geometry.placeCaretAt(event->position().toPoint());
        noteEvent(before);
        return;
    }
    // A plain click on a link follows it, as a click in a page would.
    if (event->button() == Qt::LeftButton && event->modifiers() == Qt::NoModifier) {
        if (const QUrl link = linkAt(event->position().toPoint()); !link.isEmpty()) {
            event->accept();
            UrlOpener::current().openUrl(link);
            return;
        }
    }
    QGraphicsView::mousePressEvent(event);
    noteEvent(before);
}

void TextView::mouseMoveEvent(QMouseEvent* event)
{
    const int before = m_text.editCount();
    QGraphicsView::mouseMoveEvent(event);
    noteEvent(before);
    if (event->buttons() != Qt::NoButton)
        return;
    viewport()->setCursor(m_geometry.pointerShapeAt(event->position().toPoint()));
}

void TextView::mouseReleaseEvent(QMouseEvent* event)
{
    const int before = m_text.editCount();
    QGraphicsView::mouseReleaseEvent(event);
    // A click on an item's marker puts the caret where its text starts.
    if (m_editable && !m_item->textCursor().hasSelection())
        m_filters.placeCaret(m_lastPosition, nullptr);
    noteEvent(before);
}

void TextView::dropEvent(QDropEvent* event)
{
    const int before = m_text.editCount();
    performUserEdit(localized(QStringLiteral("Drop")), [&] { QGraphicsView::dropEvent(event); });
    noteEvent(before);
}

void TextView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu(event->pos());
    menu->exec(event->globalPos());
    menu->deleteLater();
}

void TextView::focusInEvent(QFocusEvent* event)
{
    QGraphicsView::focusInEvent(event);
    // The scene gives the focus back only to the item it saw focused last: a focus that left
    // twice in a row (to a menu, then to the menu bar) leaves it none, and typing reached no text.
    if (!m_item->hasFocus())
        m_item->setFocus(event->reason());
}

void TextView::focusOutEvent(QFocusEvent* event)
{
    breakUndoCoalescing();
    QGraphicsView::focusOutEvent(event);
}

void TextView::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    m_layout.layoutText();
    if (isRulerVisible())
        m_ruler.place();
}

void TextView::noteEvent(int editsBefore)
{
    const QTextCursor cursor = m_item->textCursor();
    if (cursor.position() == m_lastPosition && cursor.anchor() == m_lastAnchor)
        return;
    m_lastPosition = cursor.position();
    m_lastAnchor = cursor.anchor();
    // A caret moved by anything but an edit ends the typing that undo gathers.
    if (m_text.editCount() == editsBefore)
        breakUndoCoalescing();
    emit selectionChanged();
}

} // namespace platform
