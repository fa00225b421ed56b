#pragma once

#include "MarkdownTextView.h"

namespace markdown {

// The Markdown text view drawn by the debug layout manager, which outlines every line.
class MarkdownDebugTextView final : public MarkdownTextView {
    Q_OBJECT
public:
    MarkdownDebugTextView(
        const QRect& frame, std::shared_ptr<Styler> styler, QWidget* parent = nullptr);
};

} // namespace markdown
