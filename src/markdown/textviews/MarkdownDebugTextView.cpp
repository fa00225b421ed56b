#include "MarkdownDebugTextView.h"

#include "MarkdownDebugLayoutManager.h"

namespace markdown {

MarkdownDebugTextView::MarkdownDebugTextView(
    const QRect& frame, std::shared_ptr<Styler> styler, QWidget* parent)
    : MarkdownTextView(
        frame, std::move(styler), std::make_unique<MarkdownDebugLayoutManager>(), parent)
{ }

} // namespace markdown
