#include "TokenField.h"

#include "FocusKeys.h"
#include "TokenFieldDelegate.h"
#include "platform/appkit/accessibility/AccessibleTokenField.h"

#include <QApplication>
#include <QClipboard>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>
#include <QScreen>
#include <QStringListModel>

namespace platform {

namespace {

constexpr int kMargin = 4;
constexpr int kSpacing = 3;
constexpr int kTokenPadding = 7;
constexpr int kPlainPadding = 3;
constexpr int kArrowWidth = 12;
constexpr int kVerticalPadding = 2;
constexpr int kCompletionSpacing = 2;

bool isPlainString(const QVariant& entry)
{
    return entry.typeId() == QMetaType::QString;
}

} // namespace

TokenField::TokenField(QWidget* parent)
    : QWidget(parent),
      m_accessibleEvents(this, [this] { return AccessibleTokenField::text(*this); })
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setMouseTracking(true);
    setCursor(Qt::IBeamCursor);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(qApp, &QApplication::focusChanged, this,
        [this](QWidget*, QWidget* now) { focusMoved(now); });
}

TokenField::~TokenField() = default;

QVariantList TokenField::objectValue() const
{
    QVariantList value = m_entries;
    const QString typed = m_text.trimmed();
    if (!typed.isEmpty())
        value.append(typed);
    return value;
}

void TokenField::setObjectValue(const QVariantList& entries)
{
    m_entries = entries;
    entriesChanged();
    m_text.clear();
    m_caret = m_anchor = count();
    m_hovered = -1;
    closeCompletions();
    ensureCaretVisible();
    showChanges();
}

void TokenField::removeEntry(const QVariant& entry)
{
    if (m_entries.removeAll(entry) == 0)
        return;
    entriesChanged();
    m_caret = m_anchor = count() + int(m_text.size());
    m_hovered = -1;
    ensureCaretVisible();
    showChanges();
}

void TokenField::setPlaceholderText(const QString& text)
{
    m_placeholder = text;
    update();
}

bool TokenField::endEditing()
{
    if (m_ending)
        return true;
    m_ending = true;
    const bool ended = finishEdit();
    m_ending = false;
    if (!ended)
        return false;
    if (hasFocus())
        clearFocus();
    return true;
}

void TokenField::abandonEditing()
{
    closeCompletions();
    m_text.clear();
    m_caret = m_anchor = count();
    m_editing = false;
    m_session = false;
    ensureCaretVisible();
    showChanges();
}

bool TokenField::finishEdit()
{
    closeCompletions();
    if (!m_session && !m_editing)
        return true;
    tokenizeText();
    if (m_editing && m_delegate && !m_delegate->textShouldEndEditing(this))
        return false;
    m_editing = false;
    m_session = false;
    emit action();
    return true;
}

QString TokenField::displayString(const QVariant& entry) const
{
    if (m_delegate) {
        if (std::optional<QString> shown
            = m_delegate->displayString(const_cast<TokenField*>(this), entry))
            return *shown;
    }
    return isPlainString(entry) ? entry.toString() : QString();
}

bool TokenField::hasMenu(const QVariant& entry) const
{
    return m_delegate
        && m_delegate->hasMenuForRepresentedObject(const_cast<TokenField*>(this), entry);
}

const QList<TokenField::Shape>& TokenField::shapes() const
{
    if (m_shapesValid)
        return m_shapes;
    const QFontMetrics metrics = fontMetrics();
    m_shapes.clear();
    m_shapes.reserve(m_entries.size());
    for (const QVariant& entry : m_entries) {
        Shape shape;
        shape.text = displayString(entry);
        shape.plain = isPlainString(entry);
        shape.menu = !shape.plain && hasMenu(entry);
        shape.width = metrics.horizontalAdvance(shape.text)
            + 2 * (shape.plain ? kPlainPadding : kTokenPadding) + (shape.menu ? kArrowWidth : 0);
        m_shapes.append(shape);
    }
    m_shapesValid = true;
    return m_shapes;
}

void TokenField::entriesChanged()
{
    m_shapesValid = false;
    update();
}

TokenField::Layout TokenField::layout() const
{
    Layout result;
    const int height = fontMetrics().height() + 2 * kVerticalPadding;
    const int top = (this->height() - height) / 2;
    int x = kMargin;
    for (const Shape& shape : shapes()) {
        result.tokens.append(QRect(x, top, shape.width, height));
        x += shape.width + kSpacing;
    }
    result.textX = x;
    return result;
}

QString TokenField::tokenText(int index) const
{
    if (index < 0 || index >= count())
        return {};
    return shapes().at(index).text;
}

QRect TokenField::tokenRect(int index) const
{
    if (index < 0 || index >= count())
        return {};
    return layout().tokens.at(index).translated(-m_scroll, 0);
}

QRect TokenField::arrowRect(const QRect& token) const
{
    return QRect(
        token.right() - kArrowWidth - kTokenPadding / 2, token.top(), kArrowWidth, token.height());
}

int TokenField::tokenAt(const QPoint& point) const
{
    const Layout shape = layout();
    for (int i = 0; i < shape.tokens.size(); ++i) {
        if (shape.tokens.at(i).translated(-m_scroll, 0).contains(point))
            return i;
    }
    return -1;
}

void TokenField::selectToken(int index)
{
    if (index < 0 || index >= count())
        return;
    m_anchor = index;
    m_caret = index + 1;
    ensureCaretVisible();
    showChanges();
}

void TokenField::setSelection(int anchor, int caret)
{
    m_anchor = std::clamp(anchor, 0, count() + int(m_text.size()));
    moveCaret(caret, true);
}

void TokenField::replaceSelection(const QString& text)
{
    if (!text.isEmpty())
        insertText(text);
    else if (m_anchor != m_caret)
        deleteBackward(false);
}

QPair<int, int> TokenField::selectedTokens() const
{
    const int first = std::min({ m_anchor, m_caret, count() });
    const int last = std::min(std::max(m_anchor, m_caret), count());
    return { first, std::max(first, last) };
}

QListView* TokenField::completionList() const
{
    return m_completions && m_completions->isVisible() ? m_completions : nullptr;
}

int TokenField::caretX(const Layout& shape) const
{
    if (m_caret < count())
        return shape.tokens.at(m_caret).left() - 2;
    return shape.textX + fontMetrics().horizontalAdvance(m_text.left(m_caret - count()));
}

void TokenField::ensureCaretVisible()
{
    const Layout shape = layout();
    const int x = caretX(shape);
    const int visible = width() - 2 * kMargin;
    if (x - m_scroll > visible)
        m_scroll = x - visible;
    else if (x - m_scroll < kMargin)
        m_scroll = std::max(0, x - kMargin);
    // Never further than the content needs: a field filled while narrow and widened since
    // shows its first tokens again.
    const int end = shape.textX + fontMetrics().horizontalAdvance(m_text);
    m_scroll = std::clamp(m_scroll, 0, std::max(0, end - visible));
}

QSize TokenField::sizeHint() const
{
    return { 200, fontMetrics().height() + 2 * kVerticalPadding + 2 * kMargin + 2 };
}

QSize TokenField::minimumSizeHint() const
{
    return { 40, sizeHint().height() };
}

void TokenField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPalette& colors = palette();
    painter.setPen(colors.color(QPalette::Mid));
    painter.setBrush(colors.color(QPalette::Base));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
    painter.setClipRect(rect().adjusted(1, 1, -1, -1));

    const Layout shape = layout();
    const QPair<int, int> selected = selectedTokens();
    const QColor tokenFill = colors.color(QPalette::Highlight).lighter(185);
    const QColor tokenEdge = colors.color(QPalette::Highlight).lighter(130);
    const QList<Shape>& entries = shapes();
    for (int i = 0; i < shape.tokens.size(); ++i) {
        const QRect token = shape.tokens.at(i).translated(-m_scroll, 0);
        // Long lists scroll: only the tokens in view are drawn.
        if (token.right() < 0 || token.left() > width())
            continue;
        const Shape& entry = entries.at(i);
        const bool isSelected = i >= selected.first && i < selected.second;
        const bool plain = entry.plain;
        QColor textColor = colors.color(QPalette::Text);
        if (isSelected || !plain) {
            const qreal radius = token.height() / 2.0;
            painter.setPen(plain ? Qt::NoPen : QPen(tokenEdge));
            painter.setBrush(isSelected ? colors.color(QPalette::Highlight) : tokenFill);
            painter.drawRoundedRect(QRectF(token).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
            if (isSelected)
                textColor = colors.color(QPalette::HighlightedText);
        }
        painter.setPen(textColor);
        const int padding = plain ? kPlainPadding : kTokenPadding;
        painter.drawText(
            token.adjusted(padding, 0, -padding, 0), Qt::AlignLeft | Qt::AlignVCenter, entry.text);
        if (i == m_hovered && entry.menu) {
            const QRect arrow = arrowRect(token);
            const QPointF centre = QRectF(arrow).center();
            QPainterPath triangle;
            triangle.moveTo(centre.x() - 3.5, centre.y() - 2);
            triangle.lineTo(centre.x() + 3.5, centre.y() - 2);
            triangle.lineTo(centre.x(), centre.y() + 2.5);
            triangle.closeSubpath();
            painter.fillPath(triangle, textColor);
        }
    }

    const QRect textArea(shape.textX - m_scroll, 0, width(), height());
    if (m_entries.isEmpty() && m_text.isEmpty() && !m_placeholder.isEmpty()) {
        painter.setPen(colors.color(QPalette::PlaceholderText));
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, m_placeholder);
    } else {
        painter.setPen(colors.color(QPalette::Text));
        painter.drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter, m_text);
    }
    if (hasFocus() && selected.first == selected.second) {
        const int x = caretX(shape) - m_scroll;
        const int lineHeight = fontMetrics().height();
        painter.setPen(colors.color(QPalette::Text));
        painter.drawLine(x, (height() - lineHeight) / 2, x, (height() + lineHeight) / 2);
    }
}

bool TokenField::beginChange()
{
    if (m_editing)
        return true;
    if (m_delegate && !m_delegate->textShouldBeginEditing(this))
        return false;
    m_editing = true;
    m_session = true;
    return true;
}

void TokenField::appendEntry(const QString& text)
{
    QVariant entry = text;
    if (m_delegate) {
        const std::optional<QVariant> object
            = m_delegate->representedObjectForEditingString(this, text);
        if (object && object->isValid())
            entry = *object;
    }
    m_entries.append(entry);
    entriesChanged();
}

void TokenField::tokenizeText()
{
    const QString typed = m_text.trimmed();
    m_text.clear();
    if (!typed.isEmpty())
        appendEntry(typed);
    m_caret = m_anchor = count();
    closeCompletions();
    ensureCaretVisible();
    showChanges();
}

void TokenField::removeRange(int from, int to)
{
    const int tokens = count();
    const int lastToken = std::min(to, tokens);
    if (from < lastToken) {
        m_entries.remove(from, lastToken - from);
        entriesChanged();
    }
    if (to > tokens) {
        const int textFrom = std::max(from, tokens) - tokens;
        m_text.remove(textFrom, to - tokens - textFrom);
    }
    m_caret = m_anchor = from;
}

void TokenField::insertText(const QString& text)
{
    if (!beginChange())
        return;
    const int from = std::min(m_anchor, m_caret);
    const int to = std::max(m_anchor, m_caret);
    if (from != to)
        removeRange(from, to);
    // Typed text always follows the tokens.
    if (m_caret < count())
        m_caret = count() + int(m_text.size());
    for (const QChar character : text) {
        if (character == QLatin1Char(',')) {
            tokenizeText();
            continue;
        }
        m_text.insert(m_caret - count(), character);
        ++m_caret;
    }
    m_anchor = m_caret;
    ensureCaretVisible();
    updateCompletions();
    showChanges();
}

void TokenField::deleteBackward(bool forward)
{
    int from = std::min(m_anchor, m_caret);
    int to = std::max(m_anchor, m_caret);
    if (from == to) {
        if (forward)
            to = std::min(to + 1, count() + int(m_text.size()));
        else
            from = std::max(from - 1, 0);
    }
    if (from == to || !beginChange())
        return;
    removeRange(from, to);
    ensureCaretVisible();
    updateCompletions();
    showChanges();
}

void TokenField::moveCaret(int position, bool extend)
{
    m_caret = std::clamp(position, 0, count() + int(m_text.size()));
    if (!extend)
        m_anchor = m_caret;
    closeCompletions();
    ensureCaretVisible();
    showChanges();
}

void TokenField::keyPressEvent(QKeyEvent* event)
{
    if (const std::optional<bool> forward = FocusKeys::controlTabDirection(event)) {
        focusNextPrevChild(*forward);
        return;
    }
    const int key = event->key();
    if (completionList()) {
        const int chosen = m_completions->currentIndex().row();
        switch (key) {
        case Qt::Key_Up:
            moveCompletion(-1);
            return;
        case Qt::Key_Down:
            moveCompletion(1);
            return;
        case Qt::Key_Escape:
            closeCompletions();
            return;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (chosen >= 0) {
                acceptCompletion();
                return;
            }
            break;
        default:
            break;
        }
    }
    if (event->matches(QKeySequence::SelectAll)) {
        m_anchor = 0;
        moveCaret(count() + int(m_text.size()), true);
        return;
    }
    if (event->matches(QKeySequence::Copy)) {
        copySelection();
        return;
    }
    if (event->matches(QKeySequence::Cut)) {
        copySelection();
        deleteBackward(false);
        return;
    }
    if (event->matches(QKeySequence::Paste)) {
        paste();
        return;
    }
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    switch (key) {
    case Qt::Key_Left:
        moveCaret(
            !extend && m_anchor != m_caret ? std::min(m_anchor, m_caret) : m_caret - 1, extend);
        return;
    case Qt::Key_Right:
        moveCaret(
            !extend && m_anchor != m_caret ? std::max(m_anchor, m_caret) : m_caret + 1, extend);
        return;
    case Qt::Key_Home:
        moveCaret(0, extend);
        return;
    case Qt::Key_End:
        moveCaret(count() + int(m_text.size()), extend);
        return;
    case Qt::Key_Backspace:
        deleteBackward(false);
        return;
    case Qt::Key_Delete:
        deleteBackward(true);
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        finishEdit();
        return;
    case Qt::Key_Escape:
        event->ignore();
        return;
    default:
        break;
    }
    const QString text = event->text();
    if (!text.isEmpty() && text.at(0).isPrint() && !(event->modifiers() & Qt::ControlModifier)) {
        insertText(text);
        return;
    }
    QWidget::keyPressEvent(event);
}

void TokenField::inputMethodEvent(QInputMethodEvent* event)
{
    if (!event->commitString().isEmpty())
        insertText(event->commitString());
    event->accept();
}

bool TokenField::focusNextPrevChild(bool next)
{
    if (completionList() && m_completions->currentIndex().row() >= 0) {
        acceptCompletion();
        return true;
    }
    if (!finishEdit())
        return true;
    return QWidget::focusNextPrevChild(next);
}

void TokenField::mousePressEvent(QMouseEvent* event)
{
    setFocus(Qt::MouseFocusReason);
    closeCompletions();
    const QPoint point = event->position().toPoint();
    const int token = tokenAt(point);
    if (token >= 0) {
        const bool withMenu = shapes().at(token).menu;
        if (withMenu
            && (event->button() == Qt::RightButton
                || arrowRect(tokenRect(token)).contains(point))) {
            selectToken(token);
            openMenuForToken(token);
            return;
        }
        selectToken(token);
        return;
    }
    // Between tokens or in the text: the nearest caret place.
    const Layout shape = layout();
    const int x = point.x() + m_scroll;
    int position = count() + int(m_text.size());
    if (x < shape.textX) {
        position = count();
        for (int i = 0; i < shape.tokens.size(); ++i) {
            if (x < shape.tokens.at(i).center().x()) {
                position = i;
                break;
            }
        }
    } else {
        const QFontMetrics metrics = fontMetrics();
        for (int i = 0; i <= m_text.size(); ++i) {
            if (shape.textX + metrics.horizontalAdvance(m_text.left(i)) >= x) {
                position = count() + i;
                break;
            }
        }
    }
    moveCaret(position, event->modifiers() & Qt::ShiftModifier);
}

void TokenField::mouseMoveEvent(QMouseEvent* event)
{
    const int token = tokenAt(event->position().toPoint());
    if (token != m_hovered) {
        m_hovered = token;
        update();
    }
}

void TokenField::leaveEvent(QEvent*)
{
    m_hovered = -1;
    update();
}

void TokenField::focusInEvent(QFocusEvent* event)
{
    QWidget::focusInEvent(event);
    // Taking the focus opens an edit, which sends the action when it ends even unchanged.
    m_session = true;
    update();
}

void TokenField::focusOutEvent(QFocusEvent* event)
{
    QWidget::focusOutEvent(event);
    // A token menu opening or another window turning active leaves the edit open; so does the
    // menu bar taking the keys while its menus are browsed, until another view takes them.
    if (event->reason() == Qt::MenuBarFocusReason)
        m_keysAtMenuBar = true;
    else if (event->reason() != Qt::PopupFocusReason
        && event->reason() != Qt::ActiveWindowFocusReason)
        finishEdit();
    update();
}

void TokenField::focusMoved(QWidget* now)
{
    if (!m_keysAtMenuBar || !now || qobject_cast<QMenuBar*>(now))
        return;
    m_keysAtMenuBar = false;
    if (now != this)
        finishEdit();
}

void TokenField::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    ensureCaretVisible();
}

void TokenField::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        entriesChanged();
}

void TokenField::copySelection()
{
    const QPair<int, int> selected = selectedTokens();
    if (selected.first == selected.second)
        return;
    const QVariantList objects = m_entries.mid(selected.first, selected.second - selected.first);
    QStringList names;
    for (const QVariant& entry : objects)
        names.append(displayString(entry));
    auto* mime = new QMimeData;
    mime->setText(names.join(QLatin1Char('\n')));
    if (m_delegate)
        m_delegate->writeRepresentedObjects(this, objects, *mime);
    QApplication::clipboard()->setMimeData(mime);
}

void TokenField::paste()
{
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime || !beginChange())
        return;
    const int from = std::min(m_anchor, m_caret);
    const int to = std::max(m_anchor, m_caret);
    if (from != to)
        removeRange(from, to);
    QVariantList inserted;
    const std::optional<QVariantList> answer
        = m_delegate ? m_delegate->readFromPasteboard(this, *mime) : std::nullopt;
    if (answer) {
        inserted = *answer;
    } else {
        static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
        const QVariantList before = m_entries;
        m_entries.clear();
        for (const QString& line : mime->text().split(lineBreak, Qt::SkipEmptyParts)) {
            if (!line.trimmed().isEmpty())
                appendEntry(line.trimmed());
        }
        inserted = m_entries;
        m_entries = before;
    }
    const int at = std::min(m_caret, count());
    for (int i = 0; i < inserted.size(); ++i)
        m_entries.insert(at + i, inserted.at(i));
    entriesChanged();
    m_caret = m_anchor = at + int(inserted.size());
    ensureCaretVisible();
    showChanges();
}

void TokenField::showChanges()
{
    update();
    if (!m_accessibleEvents.isListening())
        return;
    m_accessibleEvents.textChanged();
    m_accessibleEvents.caretMoved(AccessibleTokenField::offsetOf(*this, m_caret),
        AccessibleTokenField::offsetOf(*this, std::min(m_anchor, m_caret)),
        AccessibleTokenField::offsetOf(*this, std::max(m_anchor, m_caret)));
}

void TokenField::openMenuForToken(int index)
{
    QMenu* menu
        = m_delegate ? m_delegate->menuForRepresentedObject(this, m_entries.at(index)) : nullptr;
    if (!menu)
        return;
    m_openMenu = menu;
    menu->popup(mapToGlobal(tokenRect(index).bottomLeft()));
}

void TokenField::updateCompletions()
{
    const std::optional<QStringList> names = m_delegate && !m_text.trimmed().isEmpty()
        ? m_delegate->completions(this, m_text.trimmed(), count())
        : std::nullopt;
    if (!names || names->isEmpty()) {
        closeCompletions();
        return;
    }
    if (!m_completions) {
        // A tool tip window never takes the focus, so typing goes on in the field.
        m_completions = new QListView(this);
        m_completions->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
        m_completions->setFocusPolicy(Qt::NoFocus);
        m_completions->setAttribute(Qt::WA_ShowWithoutActivating);
        m_completions->setUniformItemSizes(true);
        m_completions->setSpacing(kCompletionSpacing);
        m_completions->setEditTriggers(QAbstractItemView::NoEditTriggers);
        m_completionNames = new QStringListModel(m_completions);
        m_completions->setModel(m_completionNames);
        connect(m_completions, &QListView::clicked, this, [this](const QModelIndex& index) {
            m_completions->setCurrentIndex(index);
            acceptCompletion();
        });
    }
    m_completionNames->setStringList(*names);
    m_completions->setCurrentIndex(QModelIndex());
    const int rows = std::min(int(names->size()), 8);
    const int rowHeight = m_completions->sizeHintForRow(0);
    // The width of the first names, which are the ones in view.
    int listWidth = 0;
    for (const QString& name : names->mid(0, 40))
        listWidth = std::max(listWidth, fontMetrics().horizontalAdvance(name));
    m_completions->resize(std::max(listWidth + 36, 140),
        rows * (rowHeight + 2 * kCompletionSpacing) + 2 * m_completions->frameWidth());
    const int x = std::max(0, layout().textX - m_scroll - kMargin);
    QPoint place = mapToGlobal(QPoint(x, height()));
    // Above the field when the screen has no room under it.
    const QRect available = screen() ? screen()->availableGeometry() : QRect();
    if (available.isValid() && place.y() + m_completions->height() > available.bottom())
        place = mapToGlobal(QPoint(x, -m_completions->height()));
    m_completions->move(place);
    m_completions->show();
}

void TokenField::closeCompletions()
{
    if (m_completions)
        m_completions->hide();
}

void TokenField::moveCompletion(int step)
{
    const int rows = m_completionNames->rowCount();
    const int row = m_completions->currentIndex().row();
    m_completions->setCurrentIndex(m_completionNames->index(
        row < 0 ? (step > 0 ? 0 : rows - 1) : std::clamp(row + step, 0, rows - 1)));
}

void TokenField::acceptCompletion()
{
    const QModelIndex chosen = m_completions->currentIndex();
    if (!chosen.isValid())
        return;
    m_text = chosen.data().toString();
    tokenizeText();
}

} // namespace platform
