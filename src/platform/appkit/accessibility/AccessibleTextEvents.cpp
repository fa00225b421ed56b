#include "AccessibleTextEvents.h"

#include <QAccessible>

namespace platform {

namespace {

AccessibleTextEvents::Sink s_sink = &QAccessible::updateAccessibility;

} // namespace

AccessibleTextEvents::Sink AccessibleTextEvents::setSink(Sink sink)
{
    return std::exchange(s_sink, sink);
}

AccessibleTextEvents::AccessibleTextEvents(QObject* target, std::function<QString()> text)
    : m_target(target), m_text(std::move(text))
{
    QAccessible::installActivationObserver(this);
}

AccessibleTextEvents::~AccessibleTextEvents()
{
    QAccessible::removeActivationObserver(this);
}

void AccessibleTextEvents::accessibilityActiveChanged(bool active)
{
    m_active = active;
    if (active)
        m_known = m_text();
    else
        isListening();
}

bool AccessibleTextEvents::isListening()
{
    if (m_active)
        return true;
    m_known.reset();
    m_caret = m_selectionStart = m_selectionEnd = -1;
    return false;
}

void AccessibleTextEvents::textReplaced(
    int from, int removed, const QString& inserted, qsizetype length)
{
    if (!isListening())
        return;
    if (!m_known) {
        m_known = m_text();
        // What went is unknown: told as a change to the text that came, as Qt's edits do.
        QAccessibleTextUpdateEvent event(m_target, from, QString(), inserted);
        s_sink(&event);
        return;
    }
    if (from < 0 || from > m_known->size()) {
        textChanged();
        return;
    }
    // A change that reaches the end of a text document counts its closing paragraph too.
    removed = std::min<int>(removed, int(m_known->size()) - from);
    const QString before = m_known->mid(from, removed);
    if (m_known->size() - removed + inserted.size() != length) {
        textChanged();
        return;
    }
    m_known->replace(from, removed, inserted);
    // Restyling alone reports its range as replaced by itself.
    if (before != inserted)
        send(from, before, inserted);
}

void AccessibleTextEvents::textChanged()
{
    if (!isListening())
        return;
    const QString now = m_text();
    if (!m_known) {
        m_known = now;
        return;
    }
    const QString& was = *m_known;
    qsizetype start = 0;
    const qsizetype shorter = std::min(was.size(), now.size());
    while (start < shorter && was.at(start) == now.at(start))
        ++start;
    qsizetype end = 0;
    while (end < shorter - start && was.at(was.size() - 1 - end) == now.at(now.size() - 1 - end))
        ++end;
    const QString removed = was.mid(start, was.size() - start - end);
    const QString inserted = now.mid(start, now.size() - start - end);
    m_known = now;
    if (!removed.isEmpty() || !inserted.isEmpty())
        send(int(start), removed, inserted);
}

void AccessibleTextEvents::caretMoved(int caret, int selectionStart, int selectionEnd)
{
    if (!isListening())
        return;
    if (!m_known)
        m_known = m_text();
    const bool selected = selectionStart != selectionEnd;
    const bool wasSelected = m_selectionStart != m_selectionEnd;
    if ((selected || wasSelected)
        && (selectionStart != m_selectionStart || selectionEnd != m_selectionEnd)) {
        QAccessibleTextSelectionEvent event(m_target, selectionStart, selectionEnd);
        event.setCursorPosition(caret);
        s_sink(&event);
    }
    if (caret != m_caret) {
        QAccessibleTextCursorEvent event(m_target, caret);
        s_sink(&event);
    }
    m_caret = caret;
    m_selectionStart = selectionStart;
    m_selectionEnd = selectionEnd;
}

void AccessibleTextEvents::send(int from, const QString& removed, const QString& inserted)
{
    if (removed.isEmpty()) {
        QAccessibleTextInsertEvent event(m_target, from, inserted);
        s_sink(&event);
    } else if (inserted.isEmpty()) {
        QAccessibleTextRemoveEvent event(m_target, from, removed);
        s_sink(&event);
    } else {
        QAccessibleTextUpdateEvent event(m_target, from, removed, inserted);
        s_sink(&event);
    }
}

} // namespace platform
