#include "TextViewAccessibleEvents.h"

#include "AccessibleTextView.h"
#include "platform/appkit/TextView.h"
#include "platform/text/AttributedText.h"

#include <QGraphicsTextItem>
#include <QTextCursor>
#include <QTextDocument>

namespace platform {

TextViewAccessibleEvents::TextViewAccessibleEvents(TextView& view)
    : m_view(view), m_events(&view, [this] {
          return m_document
              ? AccessibleTextView::text(*m_document, 0, int(AttributedText::length(*m_document)))
              : QString();
      })
{
    connect(&view, &TextView::selectionChanged, this, &TextViewAccessibleEvents::selectionChanged);
}

void TextViewAccessibleEvents::setDocument(QTextDocument* document)
{
    if (m_document)
        disconnect(m_document, nullptr, this, nullptr);
    m_document = document;
    if (!document)
        return;
    connect(
        document, &QTextDocument::contentsChange, this, &TextViewAccessibleEvents::contentsChanged);
    m_events.textChanged();
    selectionChanged();
}

void TextViewAccessibleEvents::contentsChanged(int from, int removed, int added)
{
    if (!m_events.isListening())
        return;
    m_events.textReplaced(from, removed, AccessibleTextView::text(*m_document, from, from + added),
        AttributedText::length(*m_document));
}

void TextViewAccessibleEvents::selectionChanged()
{
    const TextRange selected = m_view.selectedRange();
    m_events.caretMoved(
        m_view.textItem()->textCursor().position(), int(selected.location), int(selected.end()));
}

} // namespace platform
