#include "MarkdownTextView.h"

#include "markdown/Markdown.h"
#include "markdown/styler/Styler.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextDocument>

namespace markdown {

MarkdownTextView::MarkdownTextView(
    const QRect& frame, std::shared_ptr<Styler> styler, QWidget* parent)
    : MarkdownTextView(frame, std::move(styler), std::make_unique<MarkdownLayoutManager>(), parent)
{ }

MarkdownTextView::MarkdownTextView(const QRect& frame, std::shared_ptr<Styler> styler,
    std::unique_ptr<MarkdownLayoutManager> layoutManager, QWidget* parent)
    : QTextEdit(parent), m_styler(std::move(styler)), m_layoutManager(std::move(layoutManager))
{
    setGeometry(frame);
    // Every render replaces the whole text; keeping each one for undo would only cost memory.
    document()->setUndoRedoEnabled(false);
}

MarkdownTextView::~MarkdownTextView() = default;

void MarkdownTextView::setStyler(std::shared_ptr<Styler> styler)
{
    m_styler = std::move(styler);
    render();
}

QString MarkdownTextView::string() const
{
    QString text = document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    return text;
}

void MarkdownTextView::setString(const QString& text)
{
    const QString before = string();
    setPlainText(text);
    if (string().normalized(QString::NormalizationForm_D)
        != before.normalized(QString::NormalizationForm_D))
        render();
}

bool MarkdownTextView::render(platform::Error* error)
{
    const std::optional<platform::MutableAttributedString> styled
        = Markdown(string()).toAttributedString(MarkdownOptions::defaultOptions, *m_styler, error);
    if (!styled)
        return false;
    const std::unique_ptr<QTextDocument> rendered = styled->toTextDocument();
    platform::AttributedText::replaceCharacters(
        *document(), { 0, platform::AttributedText::length(*document()) }, *rendered);
    return true;
}

void MarkdownTextView::paintEvent(QPaintEvent* event)
{
    const QPointF origin(-horizontalScrollBar()->value(), -verticalScrollBar()->value());
    const platform::TextRange range = MarkdownLayoutManager::characterRange(
        *document(), QRectF(event->rect()).translated(-origin));
    {
        QPainter painter(viewport());
        painter.setClipRect(event->rect());
        m_layoutManager->drawBeforeText(&painter, *document(), range, origin);
    }
    QTextEdit::paintEvent(event);
    QPainter painter(viewport());
    painter.setClipRect(event->rect());
    m_layoutManager->drawAfterText(&painter, *document(), range, origin);
}

} // namespace markdown
