#include "TextView.h"

#include "CommandRouter.h"
#include "RulerView.h"
#include "TextFormatCommands.h"
#include "TextViewDelegate.h"
#include "TextViewItem.h"
#include "UrlOpener.h"
#include "UserInput.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/RegularExpression.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/HtmlReader.h"
#include "platform/text/SharedTextStorage.h"
#include "platform/text/SpellChecker.h"
#include "platform/text/TextHighlighter.h"
#include "platform/text/TextListEditing.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QGraphicsRectItem>
#include <QGraphicsTextItem>
#include <QHash>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <cmath>
#include <vector>

namespace platform {

namespace {

const QString kPasteAction = QStringLiteral("paste:");
const QString kToggleRulerAction = QStringLiteral("toggleRuler:");
// The Edit menu's commands that the keyboard already performs: the menu sends the same keys.
const QHash<QString, QKeySequence::StandardKey>& keyedActions()
{
    static const QHash<QString, QKeySequence::StandardKey> actions {
        { QStringLiteral("cut:"), QKeySequence::Cut },
        { QStringLiteral("copy:"), QKeySequence::Copy },
        { QStringLiteral("selectAll:"), QKeySequence::SelectAll },
    };
    return actions;
}

double pixels(double points)
{
    return AttributedText::pointsToPixels(points);
}

bool isDeletion(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
}

bool isNewline(const QKeyEvent* event)
{
    return event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
}

// Tab and Backtab without Control or Alt: focus keys to a widget, indentation to a text.
bool isTabKey(const QKeyEvent* event)
{
    return (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab)
        && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

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

TextView::TextView(QWidget* parent, SpellChecker* spellChecker)
    : QGraphicsView(parent),
      m_spellChecker(spellChecker ? spellChecker : &SpellChecker::shared()),
      m_scene(new QGraphicsScene(this)),
      m_item(new TextViewItem),
      m_undoCommands([this] { return undoManager(); })
{
    setScene(m_scene);
    m_scene->addItem(m_item);
    m_scene->setStickyFocus(true);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    m_item->setPos(pixels(kInsetWidth), pixels(kInsetHeight));
    m_item->setFlag(QGraphicsItem::ItemIsFocusable);
    m_item->setTextInteractionFlags(Qt::TextEditorInteraction);
    m_scene->setFocusItem(m_item);
    setTextStorage(nullptr);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, &TextView::updateVisibleBlocks);
}

TextView::~TextView()
{
    Scheduler::current().cancel(m_findIndicatorTask);
    Scheduler::current().cancel(m_beginningSliceTask);
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
    if (storage && storage == m_storage)
        return;
    breakUndoCoalescing();
    if (m_storage)
        disconnect(m_storage, nullptr, this, nullptr);
    if (m_shared)
        disconnect(m_shared, nullptr, this, nullptr);
    m_storage = storage;
    Scheduler::current().cancel(std::exchange(m_beginningSliceTask, 0));
    m_beginningOnly = storage && isTooLongToEdit(*storage);
    m_beginningShown = 0;
    m_beginningLength = m_beginningOnly ? shownBeginningLength(*storage) : 0;
    m_shared = m_beginningOnly ? nullptr : SharedTextStorage::of(storage);
    std::unique_ptr<QTextDocument> mirror;
    if (m_shared) {
        QPointer<TextView> self(this);
        mirror = m_shared->makeMirror([self] { return self ? self->undoManager() : nullptr; });
        connect(m_shared, &SharedTextStorage::userEdited, this, [this](QTextDocument* source) {
            if (source == m_mirror.get())
                ++m_editCount;
            if (!source || source == m_mirror.get())
                emit textDidChange();
        });
    } else if (m_beginningOnly) {
        mirror = beginningOf(*storage);
    } else {
        mirror = AttributedText::makeDocument();
    }
    if (storage)
        connect(storage, &QObject::destroyed, this, [this] { setTextStorage(nullptr); });
    attachMirror(std::move(mirror));
    if (m_beginningOnly)
        showNextBeginningSlice();
    setEditable(m_editableAsked);
}

bool TextView::isTooLongToEdit(const QTextDocument& storage)
{
    if (AttributedText::length(storage) > kLongestEditableLength)
        return true;
    for (QTextBlock block = storage.begin(); block.isValid(); block = block.next()) {
        if (block.length() > kLongestEditableParagraph)
            return true;
    }
    return false;
}

qsizetype TextView::shownBeginningLength(const QTextDocument& storage)
{
    qsizetype shown = std::min(AttributedText::length(storage), kShownBeginningLength);
    for (QTextBlock block = storage.begin(); block.isValid() && block.position() < shown;
         block = block.next()) {
        if (block.length() > kShownParagraphLength)
            shown = std::min(shown, block.position() + kShownParagraphLength);
    }
    return shown;
}

std::unique_ptr<QTextDocument> TextView::beginningOf(const QTextDocument& storage)
{
    std::unique_ptr<QTextDocument> beginning = AttributedText::makeDocument();
    beginning->setDefaultFont(storage.defaultFont());
    QTextCursor cursor(beginning.get());
    QTextCharFormat notice;
    notice.setFontItalic(true);
    cursor.insertText(localizedFormat(QStringLiteral("This note is too long to edit here (%@ "
                                                     "characters): its beginning is shown, "
                                                     "read-only. Its whole text is kept."),
                          QLocale().toString(AttributedText::length(storage))),
        notice);
    cursor.insertBlock(QTextBlockFormat(), QTextCharFormat());
    return beginning;
}

void TextView::showNextBeginningSlice()
{
    m_beginningSliceTask = 0;
    if (!m_storage || !m_mirror)
        return;
    const qsizetype length = std::min(kBeginningSliceLength, m_beginningLength - m_beginningShown);
    const std::unique_ptr<QTextDocument> slice
        = AttributedText::attributedSubstring(*m_storage, { m_beginningShown, length });
    // Added at the end, the slice alone is laid out and marked.
    const qsizetype end = AttributedText::length(*m_mirror);
    AttributedText::replaceCharacters(*m_mirror, { end, 0 }, *slice);
    m_beginningShown += length;
    if (m_beginningShown < m_beginningLength)
        m_beginningSliceTask = dispatchAfter(0, this, [this] { showNextBeginningSlice(); });
}

void TextView::attachMirror(std::unique_ptr<QTextDocument> mirror)
{
    delete std::exchange(m_findIndicator, nullptr);
    std::unique_ptr<QTextDocument> old = std::move(m_mirror);
    m_mirror = std::move(mirror);
    // Marked before the text is first laid out: marking laid-out text lays it out again from
    // each marked paragraph to the end, which grows with the square of the note's length.
    m_highlighter = new TextHighlighter(m_mirror.get(), m_spellChecker.data());
    m_highlighter->setChecksSpelling(m_options.checkSpelling);
    m_highlighter->rehighlight();
    m_item->setDocument(m_mirror.get());
    // The text control turns the document's own undo stack on; edits are recorded elsewhere.
    m_mirror->setUndoRedoEnabled(false);
    connect(m_mirror->documentLayout(), &QAbstractTextDocumentLayout::documentSizeChanged, this,
        &TextView::layoutText);
    m_item->setTextCursor(QTextCursor(m_mirror.get()));
    m_lastPosition = m_lastAnchor = 0;
    applyAppearance();
    layoutText();
    old.reset();
    if (m_ruler)
        m_ruler->refresh();
}

void TextView::setEditable(bool editable)
{
    m_editableAsked = editable;
    m_editable = editable && !m_beginningOnly;
    m_item->setTextInteractionFlags(m_editable
            ? Qt::TextEditorInteraction
            : Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_mirror->setUndoRedoEnabled(false);
}

void TextView::setZoom(double zoom)
{
    if (!(zoom > 0))
        return;
    m_zoom = zoom;
    setTransform(QTransform::fromScale(zoom, zoom));
    layoutText();
    emit zoomChanged(zoom);
}

void TextView::layoutText()
{
    // A new width reports the new size from inside setTextWidth(): this call reads it after.
    if (m_layingOut)
        return;
    const QScopedValueRollback<bool> layingOut(m_layingOut, true);
    const double visibleWidth = viewport()->width() / m_zoom;
    // Setting a width lays the whole document out again, even the same width: only a new
    // width may (this runs on every change of the text's height).
    const double textWidth = std::max(visibleWidth - 2 * pixels(kInsetWidth), 1.0);
    const double oldWidth = m_item->textWidth();
    const double oldHeight = m_scene->sceneRect().height();
    if (oldWidth != textWidth)
        m_item->setTextWidth(textWidth);
    double height = m_item->boundingRect().height() + 2 * pixels(kInsetHeight);
    // Narrower text can be shorter (a tall word at a line's end wraps into a taller line). When
    // the scroll bar made it narrow and it now fits, letting the bar go would widen the text
    // so that it needs the bar again, resizing the view for ever: the bar stays.
    if (verticalScrollBar()->isVisible() && textWidth < oldWidth && height < oldHeight
        && height * m_zoom <= viewport()->height())
        height = oldHeight;
    const QRectF rect(0, 0, visibleWidth, height);
    if (m_scene->sceneRect() != rect)
        m_scene->setSceneRect(rect);
    updateVisibleBlocks();
}

void TextView::updateVisibleBlocks()
{
    if (!m_highlighter || !m_mirror)
        return;
    const QRectF shown = m_item->mapRectFromScene(mapToScene(viewport()->rect()).boundingRect());
    QAbstractTextDocumentLayout* layout = m_mirror->documentLayout();
    const auto blockAt = [&](QPointF point) {
        return m_mirror->findBlock(std::max(layout->hitTest(point, Qt::FuzzyHit), 0)).blockNumber();
    };
    m_highlighter->setVisibleBlocks(blockAt(shown.topLeft()), blockAt(shown.bottomLeft()));
}

void TextView::setAppearance(Appearance appearance)
{
    m_appearance = appearance;
    applyAppearance();
}

void TextView::applyAppearance()
{
    QPalette palette = QApplication::palette();
    if (m_appearance == Appearance::Light) {
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Text, Qt::black);
        palette.setColor(QPalette::Highlight, QColor(179, 215, 255));
        palette.setColor(QPalette::HighlightedText, Qt::black);
    } else if (m_appearance == Appearance::Dark) {
        palette.setColor(QPalette::Base, QColor(30, 30, 30));
        palette.setColor(QPalette::Text, QColor(230, 230, 230));
        palette.setColor(QPalette::Highlight, QColor(63, 99, 139));
        palette.setColor(QPalette::HighlightedText, Qt::white);
    }
    if (m_appearance == Appearance::System)
        setPalette(QPalette());
    else
        setPalette(palette);
    m_scene->setPalette(palette);
    setBackgroundBrush(palette.color(QPalette::Base));
    // Text without a colour of its own takes the palette's.
    m_item->setDefaultTextColor(palette.color(QPalette::Text));
    updateRulerAppearance();
}

void TextView::updateRulerAppearance()
{
    if (!m_ruler)
        return;
    if (m_appearance == Appearance::System) {
        m_ruler->setPalette(QPalette());
    } else {
        // The ruler in the colours of the text it measures.
        QPalette palette = m_ruler->palette();
        palette.setColor(QPalette::Window, this->palette().color(QPalette::Base));
        palette.setColor(QPalette::WindowText, this->palette().color(QPalette::Text));
        m_ruler->setPalette(palette);
    }
    m_ruler->update();
}

void TextView::setTextOptions(const TextOptions& options)
{
    m_options = options;
    m_highlighter->setChecksSpelling(options.checkSpelling);
}

TextRange TextView::selectedRange() const
{
    const QTextCursor cursor = m_item->textCursor();
    return { cursor.selectionStart(), cursor.selectionEnd() - cursor.selectionStart() };
}

bool TextView::setSelectedRange(TextRange range)
{
    if (range.location < 0 || range.length < 0 || range.end() > AttributedText::length(*m_mirror))
        return false;
    QTextCursor cursor(m_mirror.get());
    cursor.setPosition(int(range.location));
    cursor.setPosition(int(range.end()), QTextCursor::KeepAnchor);
    m_item->setTextCursor(cursor);
    noteEvent(m_editCount);
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
    if (m_mirror->isEmpty())
        cursor.setBlockCharFormat(format);
    cursor.setCharFormat(format);
    m_item->setTextCursor(cursor);
}

int TextView::characterIndexAt(const QPoint& viewportPoint) const
{
    const QPointF local = m_item->mapFromScene(mapToScene(viewportPoint));
    return m_mirror->documentLayout()->hitTest(local, Qt::FuzzyHit);
}

QUrl TextView::linkAt(const QPoint& viewportPoint) const
{
    const QPointF local = m_item->mapFromScene(mapToScene(viewportPoint));
    return QUrl(m_mirror->documentLayout()->anchorAt(local));
}

namespace {

QRectF rectAtPosition(const QTextDocument& doc, int position)
{
    const QTextBlock block = doc.findBlock(position);
    if (!block.isValid())
        return {};
    const QTextLayout* layout = block.layout();
    const int offset = position - block.position();
    const QTextLine line = layout->lineForTextPosition(offset);
    if (!line.isValid())
        return doc.documentLayout()->blockBoundingRect(block);
    const QPointF origin = layout->position();
    return { origin.x() + line.cursorToX(offset), origin.y() + line.y(), 1, line.height() };
}

} // namespace

QRectF TextView::caretRect() const
{
    return m_item->mapRectToScene(rectAtPosition(*m_mirror, m_item->textCursor().position()));
}

QRect TextView::characterRect(int index) const
{
    if (index < 0 || index >= AttributedText::length(*m_mirror))
        return {};
    const QRectF start = rectAtPosition(*m_mirror, index);
    const QRectF end = rectAtPosition(*m_mirror, index + 1);
    // A character that ends its line: its width is unknown, the start's line stands for it.
    const QRectF rect = qFuzzyCompare(start.top(), end.top())
        ? QRectF(start.topLeft(), QPointF(end.left(), std::max(start.bottom(), end.bottom())))
        : start;
    return mapFromScene(m_item->mapRectToScene(rect)).boundingRect();
}

void TextView::scrollRangeToVisible(TextRange range)
{
    const int position
        = int(std::clamp<qsizetype>(range.location, 0, AttributedText::length(*m_mirror)));
    ensureVisible(m_item->mapRectToScene(rectAtPosition(*m_mirror, position)), 0, 0);
}

void TextView::showFindIndicator(TextRange range)
{
    delete std::exchange(m_findIndicator, nullptr);
    Scheduler::current().cancel(m_findIndicatorTask);
    const qsizetype length = AttributedText::length(*m_mirror);
    if (range.location < 0 || range.length <= 0 || range.end() > length)
        return;
    const QRectF first = rectAtPosition(*m_mirror, int(range.location));
    const QRectF last = rectAtPosition(*m_mirror, int(range.end()));
    QRectF area = first.united(last);
    // A range over several lines lights up their whole width.
    if (!qFuzzyCompare(first.top(), last.top()))
        area = QRectF(0, first.top(), m_item->textWidth(), last.bottom() - first.top());
    auto* indicator = new QGraphicsRectItem(area.adjusted(-2, -1, 2, 1), m_item);
    indicator->setBrush(QColor(255, 230, 0, 150));
    indicator->setPen(Qt::NoPen);
    m_findIndicator = indicator;
    ensureVisible(m_item->mapRectToScene(area), 8, 8);
    QPointer<TextView> self(this);
    m_findIndicatorTask = dispatchAfter(1.0, this, [self] {
        if (self)
            delete std::exchange(self->m_findIndicator, nullptr);
    });
}

QPointF TextView::visibleOrigin() const
{
    return mapToScene(QPoint(0, 0));
}

void TextView::scrollToPoint(const QPointF& scenePoint)
{
    horizontalScrollBar()->setValue(qRound(scenePoint.x() * m_zoom));
    verticalScrollBar()->setValue(qRound(scenePoint.y() * m_zoom));
}

void TextView::ensureCaretVisible()
{
    ensureVisible(caretRect(), 4, 4);
}

bool TextView::isCoalescingTyping() const
{
    return m_shared && m_shared->isCoalescingTyping(m_mirror.get());
}

void TextView::breakUndoCoalescing()
{
    if (m_shared && m_mirror)
        m_shared->breakCoalescing(m_mirror.get());
}

void TextView::performUserEdit(const QString& actionName, const std::function<void()>& edit)
{
    if (m_shared)
        m_shared->performUserEdit(m_mirror.get(), actionName, false, edit);
    else
        edit();
}

bool TextView::replaceSelection(
    const QString& text, const QTextCharFormat& format, const QString& actionName)
{
    if (!m_editable)
        return false;
    const int before = m_editCount;
    performUserEdit(actionName, [&] {
        QTextCursor cursor = m_item->textCursor();
        cursor.insertText(text, format);
        m_item->setTextCursor(cursor);
    });
    noteEvent(before);
    ensureCaretVisible();
    return true;
}

bool TextView::changeParagraphStyles(
    const QString& actionName, const std::function<void(ParagraphStyle&)>& change)
{
    if (!m_editable)
        return false;
    const QTextCursor selection = m_item->textCursor();
    const int start = selection.selectionStart();
    // A selection that ends where a paragraph begins leaves that paragraph alone.
    const int last = selection.hasSelection() ? selection.selectionEnd() - 1 : start;
    performUserEdit(actionName, [&] {
        for (QTextBlock block = m_mirror->findBlock(start);
             block.isValid() && block.position() <= last; block = block.next()) {
            QTextBlockFormat format = block.blockFormat();
            ParagraphStyle style = AttributedText::paragraphStyle(format);
            change(style);
            AttributedText::setParagraphStyle(format, style);
            QTextCursor(block).setBlockFormat(format);
        }
    });
    return true;
}

ParagraphStyle TextView::currentParagraphStyle() const
{
    const QTextBlock block = m_mirror->findBlock(m_item->textCursor().selectionStart());
    return AttributedText::paragraphStyle(
        block.isValid() ? block.blockFormat() : QTextBlockFormat());
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
    const int start = selection.selectionStart();
    const int end = selection.selectionEnd();
    struct Run {
        int from;
        int to;
        QTextCharFormat format;
    };
    // Gathered first: changing a run merges and splits the fragments being walked.
    std::vector<Run> runs;
    for (QTextBlock block = m_mirror->findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int from = std::max(fragment.position(), start);
            const int to = std::min(fragment.position() + fragment.length(), end);
            if (from < to)
                runs.push_back({ from, to, fragment.charFormat() });
        }
    }
    const int before = m_editCount;
    performUserEdit(actionName, [&] {
        for (Run& run : runs) {
            change(run.format);
            QTextCursor cursor(m_mirror.get());
            cursor.setPosition(run.from);
            cursor.setPosition(run.to, QTextCursor::KeepAnchor);
            cursor.setCharFormat(run.format);
        }
    });
    noteEvent(before);
    return true;
}

QTextCharFormat TextView::selectedCharacterFormat() const
{
    const QTextCursor selection = m_item->textCursor();
    if (!selection.hasSelection())
        return typingAttributes();
    // A cursor's format is that of the character before it.
    QTextCursor first(m_mirror.get());
    first.setPosition(selection.selectionStart() + 1);
    return first.charFormat();
}

bool TextView::isRulerVisible() const
{
    return m_ruler && !m_ruler->isHidden();
}

void TextView::setRulerVisible(bool visible)
{
    if (visible == isRulerVisible())
        return;
    if (!m_ruler) {
        m_ruler = new RulerView(this);
        updateRulerAppearance();
    }
    m_ruler->setVisible(visible);
    placeRuler();
}

void TextView::setRulerMeasurementUnits(const QString& units)
{
    if (!m_ruler) {
        m_ruler = new RulerView(this);
        m_ruler->hide();
        updateRulerAppearance();
    }
    m_ruler->setMeasurementUnits(units);
}

void TextView::placeRuler()
{
    const bool shown = isRulerVisible();
    // Setting margins lays the viewport out again even when they stay: from a resize, that
    // would resize the viewport inside its own resize.
    const QMargins margins(0, shown ? RulerView::kHeight : 0, 0, 0);
    if (viewportMargins() != margins)
        setViewportMargins(margins);
    if (!shown)
        return;
    const QRect frame = contentsRect();
    m_ruler->setGeometry(frame.left(), frame.top(), frame.width(), RulerView::kHeight);
    m_ruler->refresh();
}

void TextView::paste()
{
    const QMimeData* pasted = QGuiApplication::clipboard()->mimeData();
    if (!m_editable || !pasted || !insertMimeData(pasted, localized(QStringLiteral("Paste"))))
        UserInput::current().beep();
}

bool TextView::insertMimeData(const QMimeData* source, const QString& actionName)
{
    QImage image;
    if (source->hasImage())
        image = qvariant_cast<QImage>(source->imageData());
    for (const char* type : { "image/png", "image/tiff" }) {
        if (image.isNull() && source->hasFormat(QLatin1String(type)))
            image = QImage::fromData(source->data(QLatin1String(type)));
    }
    if (!image.isNull())
        return insertImage(image, actionName);
    if (source->hasHtml()) {
        // Through the readers' own HTML import, with its nesting limit.
        const QTextDocumentFragment fragment(HtmlReader::fromHtml(source->html()).get());
        if (fragment.isEmpty())
            return false;
        const int before = m_editCount;
        performUserEdit(actionName, [&] {
            QTextCursor cursor = m_item->textCursor();
            cursor.insertFragment(fragment);
            m_item->setTextCursor(cursor);
        });
        noteEvent(before);
        ensureCaretVisible();
        return true;
    }
    const QString text = source->text();
    if (text.isEmpty())
        return false;
    return replaceSelection(smartInsertText(text), typingAttributes(), actionName);
}

QString TextView::smartInsertText(const QString& text) const
{
    if (!m_options.smartCopyPaste || text.isEmpty())
        return text;
    const TextRange selection = selectedRange();
    QString result = text;
    if (characterAt(int(selection.location) - 1).isLetterOrNumber()
        && result.front().isLetterOrNumber())
        result.prepend(u' ');
    if (characterAt(int(selection.end())).isLetterOrNumber() && result.back().isLetterOrNumber())
        result.append(u' ');
    return result;
}

bool TextView::insertImage(const QImage& image, const QString& actionName)
{
    if (!m_editable || image.isNull())
        return false;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG"))
        return false;
    const TextAttachment attachment { png, QStringLiteral("image.png"), QSizeF(image.size()) };
    const int before = m_editCount;
    performUserEdit(actionName, [&] {
        QTextCursor cursor = m_item->textCursor();
        cursor.removeSelectedText();
        AttributedText::insertAttachment(cursor, attachment);
        m_item->setTextCursor(cursor);
    });
    noteEvent(before);
    return true;
}

QMenu* TextView::createContextMenu(const QPoint& viewportPoint)
{
    auto* menu = new QMenu(this);
    const int index = characterIndexAt(viewportPoint);
    int start = 0;
    int length = 0;
    const bool misspelled = m_highlighter->misspelledWordAt(index, &start, &length)
        || (index > 0 && m_highlighter->misspelledWordAt(index - 1, &start, &length));
    if (misspelled && m_spellChecker) {
        QTextCursor word(m_mirror.get());
        word.setPosition(start);
        word.setPosition(start + length, QTextCursor::KeepAnchor);
        const QString text = word.selectedText();
        const QStringList guesses = m_spellChecker->suggestions(text).mid(0, 8);
        for (const QString& guess : guesses) {
            connect(
                menu->addAction(guess), &QAction::triggered, this, [this, start, length, guess] {
                    if (!setSelectedRange({ start, length }))
                        return;
                    replaceSelection(
                        guess, typingAttributes(), localized(QStringLiteral("Spelling")));
                });
        }
        if (guesses.isEmpty())
            menu->addAction(localized(QStringLiteral("No Guesses Found")))->setEnabled(false);
        menu->addSeparator();
        QPointer<SpellChecker> checker = m_spellChecker;
        connect(menu->addAction(localized(QStringLiteral("Ignore Spelling"))), &QAction::triggered,
            this, [checker, text] {
                if (checker)
                    checker->ignoreWord(text);
            });
        connect(menu->addAction(localized(QStringLiteral("Learn Spelling"))), &QAction::triggered,
            this, [checker, text] {
                if (checker)
                    checker->learnWord(text);
            });
        menu->addSeparator();
    }
    QAction* paste = menu->addAction(localized(QStringLiteral("Paste")));
    paste->setEnabled(m_editable);
    connect(paste, &QAction::triggered, this, &TextView::paste);
    return menu;
}

bool TextView::respondsTo(const QString& action) const
{
    return m_undoCommands.respondsTo(action) || action == kPasteAction
        || action == kToggleRulerAction || keyedActions().contains(action)
        || TextFormatCommands::respondsTo(action);
}

std::optional<bool> TextView::validate(Command& command) const
{
    if (m_undoCommands.respondsTo(command.action))
        return m_undoCommands.validate(command);
    if (command.action == kPasteAction)
        return m_editable;
    if (const auto keyed = keyedActions().constFind(command.action);
        keyed != keyedActions().cend()) {
        const bool selected = m_item->textCursor().hasSelection();
        if (*keyed == QKeySequence::Cut)
            return m_editable && selected;
        return *keyed == QKeySequence::SelectAll || selected;
    }
    if (command.action == kToggleRulerAction) {
        command.checked = isRulerVisible();
        return true;
    }
    if (TextFormatCommands::respondsTo(command.action))
        return TextFormatCommands::validate(*this, command);
    return std::nullopt;
}

void TextView::perform(const Command& command)
{
    if (command.action == kPasteAction) {
        paste();
        return;
    }
    if (const auto keyed = keyedActions().constFind(command.action);
        keyed != keyedActions().cend()) {
        const QKeyCombination key = QKeySequence(*keyed)[0];
        QKeyEvent event(QEvent::KeyPress, key.key(), key.keyboardModifiers());
        keyPressEvent(&event);
        return;
    }
    if (command.action == kToggleRulerAction) {
        setRulerVisible(!isRulerVisible());
        return;
    }
    if (TextFormatCommands::respondsTo(command.action)) {
        TextFormatCommands::perform(*this, command);
        return;
    }
    if (m_undoCommands.respondsTo(command.action)) {
        breakUndoCoalescing();
        m_undoCommands.perform(command);
        ensureCaretVisible();
    }
}

std::optional<QString> TextView::titleFor(const Command& command) const
{
    return m_undoCommands.titleFor(command);
}

QChar TextView::characterAt(int position) const
{
    if (position < 0 || position >= AttributedText::length(*m_mirror))
        return {};
    return m_mirror->characterAt(position);
}

bool TextView::filterTypedText(const QString& text)
{
    QTextCursor cursor = m_item->textCursor();
    if (m_options.smartQuotes && (text == u"\"" || text == u"'")) {
        const QChar before = characterAt(cursor.selectionStart() - 1);
        const bool opening = before.isNull() || before.isSpace()
            || QStringLiteral("([{<\u2014\u2013\u201C\u2018").contains(before);
        const bool isDouble = text == u"\"";
        cursor.insertText(isDouble ? (opening ? u"\u201C"_qs : u"\u201D"_qs)
                                   : (opening ? u"\u2018"_qs : u"\u2019"_qs));
        m_item->setTextCursor(cursor);
        return true;
    }
    if (m_options.smartDashes && text == u"-" && !cursor.hasSelection()
        && characterAt(cursor.position() - 1) == u'-') {
        cursor.beginEditBlock();
        cursor.deletePreviousChar();
        cursor.insertText(QStringLiteral("\u2014"));
        cursor.endEditBlock();
        m_item->setTextCursor(cursor);
        return true;
    }
    return false;
}

void TextView::removeSpaceLeftByDeletion()
{
    QTextCursor cursor = m_item->textCursor();
    const int position = cursor.position();
    const QChar after = characterAt(position);
    const bool spaceBefore = characterAt(position - 1) == u' ';
    if (spaceBefore && (after == u' ' || isTrailingPunctuation(after)))
        cursor.deletePreviousChar();
    else if (after == u' ' && (position == 0 || characterAt(position - 1).isSpace()))
        cursor.deleteChar();
    else
        return;
    m_item->setTextCursor(cursor);
}

void TextView::detectLinkBefore(int position)
{
    int start = position;
    while (start > 0 && !characterAt(start - 1).isSpace())
        --start;
    while (position > start && isTrailingPunctuation(characterAt(position - 1)))
        --position;
    if (start == position)
        return;
    QTextCursor cursor(m_mirror.get());
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
        || AttributedText::attribute(*m_mirror, AttributedText::LinkAttributeName, start).toUrl()
            == QUrl(href))
        return;
    AttributedText::addAttribute(
        *m_mirror, AttributedText::LinkAttributeName, QUrl(href), { start, position - start });
}

bool TextView::editList(const QKeyEvent* event)
{
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    QTextCursor cursor = m_item->textCursor();
    bool edited = false;
    if (isNewline(event) && modifiers == Qt::NoModifier)
        edited = TextListEditing::insertParagraph(cursor);
    else if (event->key() == Qt::Key_Backspace && modifiers == Qt::NoModifier)
        edited = TextListEditing::deleteBackward(cursor);
    else if (event->key() == Qt::Key_Tab && modifiers == Qt::NoModifier)
        edited = TextListEditing::changeLevel(cursor, 1);
    else if (isTabKey(event) && (modifiers & ~Qt::ShiftModifier) == Qt::NoModifier)
        edited = TextListEditing::changeLevel(cursor, -1);
    if (edited)
        m_item->setTextCursor(cursor);
    return edited;
}

bool TextView::event(QEvent* event)
{
    // The graphics view hands Tab to its scene before keyPressEvent() sees it, so a typed tab
    // would reach the mirror outside a user edit and never the storage.
    if (event->type() == QEvent::KeyPress && m_editable) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (isTabKey(key)) {
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
    const int before = m_editCount;
    if (!m_editable) {
        QGraphicsView::keyPressEvent(event);
        noteEvent(before);
        return;
    }
    const QString text = event->text();
    const bool typed = !text.isEmpty() && (text.at(0).isPrint() || text == u"\t");
    const bool typing = typed || isDeletion(event) || isNewline(event) || isTabKey(event);
    QString name;
    if (typing)
        name = localized(QStringLiteral("Typing"));
    else if (event->matches(QKeySequence::Cut))
        name = localized(QStringLiteral("Cut"));
    const bool deletesSelection = m_item->textCursor().hasSelection()
        && (isDeletion(event) || event->matches(QKeySequence::Cut));
    if (m_shared) {
        m_shared->performUserEdit(m_mirror.get(), name, typing, [&] {
            if (editList(event))
                return;
            if (!(typed && filterTypedText(text)))
                QGraphicsView::keyPressEvent(event);
            if (deletesSelection && m_options.smartCopyPaste)
                removeSpaceLeftByDeletion();
            if (typed && m_options.smartLinks && text.size() == 1 && endsLinkCandidate(text.at(0)))
                detectLinkBefore(m_item->textCursor().position() - 1);
        });
    } else {
        QGraphicsView::keyPressEvent(event);
    }
    noteEvent(before);
    ensureCaretVisible();
}

void TextView::inputMethodEvent(QInputMethodEvent* event)
{
    const int before = m_editCount;
    if (m_shared && m_editable) {
        m_shared->performUserEdit(m_mirror.get(), localized(QStringLiteral("Typing")), true,
            [&] { QGraphicsView::inputMethodEvent(event); });
    } else {
        QGraphicsView::inputMethodEvent(event);
    }
    noteEvent(before);
}

void TextView::mousePressEvent(QMouseEvent* event)
{
    const int before = m_editCount;
    // Below or beside the text there is no item to take the click: it still places the caret.
    if (event->button() == Qt::LeftButton && !itemAt(event->position().toPoint())) {
        QTextCursor cursor = m_item->textCursor();
        cursor.setPosition(characterIndexAt(event->position().toPoint()));
        m_item->setTextCursor(cursor);
        m_scene->setFocusItem(m_item);
        setFocus(Qt::MouseFocusReason);
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
    const int before = m_editCount;
    QGraphicsView::mouseMoveEvent(event);
    noteEvent(before);
    if (event->buttons() != Qt::NoButton)
        return;
    const int index = characterIndexAt(event->position().toPoint());
    const QTextBlock block = m_mirror->findBlock(index);
    const bool overHashtag = block.isValid()
        && TextHighlighter::hashtagAt(block.text(), index - block.position()).has_value();
    const bool overLink = !linkAt(event->position().toPoint()).isEmpty();
    viewport()->setCursor(overHashtag || overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void TextView::mouseReleaseEvent(QMouseEvent* event)
{
    const int before = m_editCount;
    QGraphicsView::mouseReleaseEvent(event);
    noteEvent(before);
}

void TextView::dropEvent(QDropEvent* event)
{
    const int before = m_editCount;
    performUserEdit(localized(QStringLiteral("Drop")), [&] { QGraphicsView::dropEvent(event); });
    noteEvent(before);
}

void TextView::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu* menu = createContextMenu(event->pos());
    menu->exec(event->globalPos());
    menu->deleteLater();
}

void TextView::focusOutEvent(QFocusEvent* event)
{
    breakUndoCoalescing();
    QGraphicsView::focusOutEvent(event);
}

void TextView::resizeEvent(QResizeEvent* event)
{
    QGraphicsView::resizeEvent(event);
    layoutText();
    if (isRulerVisible())
        placeRuler();
}

void TextView::noteEvent(int editsBefore)
{
    const QTextCursor cursor = m_item->textCursor();
    if (cursor.position() == m_lastPosition && cursor.anchor() == m_lastAnchor)
        return;
    m_lastPosition = cursor.position();
    m_lastAnchor = cursor.anchor();
    // A caret moved by anything but an edit ends the typing that undo gathers.
    if (m_editCount == editsBefore)
        breakUndoCoalescing();
    emit selectionChanged();
}

} // namespace platform
