#pragma once

#include "MarkdownLayoutManager.h"
#include "platform/foundation/Error.h"

#include <QTextEdit>

#include <memory>

namespace markdown {

class Styler;

// A text view that shows Markdown as styled text: whenever its text is set to something new or
// its styler is replaced, it parses its current text and replaces the whole content with the
// styled result. Its layout manager draws code-block backgrounds, quote stripes and rules around
// the text. The view holds no copy of the source: after a render the text is the rendered text.
// Main thread.
class MarkdownTextView : public QTextEdit {
    Q_OBJECT
public:
    // Starts empty, drawing with a MarkdownLayoutManager.
    MarkdownTextView(const QRect& frame, std::shared_ptr<Styler> styler, QWidget* parent = nullptr);
    MarkdownTextView(const QRect& frame, std::shared_ptr<Styler> styler,
        std::unique_ptr<MarkdownLayoutManager> layoutManager, QWidget* parent = nullptr);
    ~MarkdownTextView() override;

    const std::shared_ptr<Styler>& styler() const { return m_styler; }
    // Replaces the styler and renders the current text again; a failed render is ignored.
    void setStyler(std::shared_ptr<Styler> styler);

    // The text, with "\n" for each paragraph break.
    QString string() const;
    // Stores `text` as plain text and renders it when it differs from the text before
    // (canonically equivalent texts count as equal); a failed render is ignored.
    void setString(const QString& text);

    // Parses the current text as Markdown and replaces the content with the styled result. On
    // failure sets `error` and leaves the content as it was.
    bool render(platform::Error* error = nullptr);

    const MarkdownLayoutManager& layoutManager() const { return *m_layoutManager; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::shared_ptr<Styler> m_styler;
    std::unique_ptr<MarkdownLayoutManager> m_layoutManager;
};

} // namespace markdown
