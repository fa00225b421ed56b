#pragma once

class QGraphicsTextItem;
class QGraphicsView;
class QTextDocument;

namespace platform {

class TextHighlighter;

// Lays a text view's text out: it wraps at the viewport's width over the zoom, less the
// insets, the scene is as tall as the text, and the highlighter learns which paragraphs are
// on screen. Zoom is the view's scale. Owned by its text view; main thread only.
class TextViewLayout final {
public:
    // Text inset from the view's edges, in points (horizontal, vertical).
    static constexpr double kInsetWidth = 5;
    static constexpr double kInsetHeight = 8;

    TextViewLayout(QGraphicsView& view, QGraphicsTextItem& item) : m_view(view), m_item(item) { }

    // The document shown and its highlighter, both owned elsewhere.
    void setDocument(QTextDocument* document, TextHighlighter* highlighter);

    double zoom() const { return m_zoom; }
    // 1.0 is 100 %; lays the text out at the new width.
    void setZoom(double zoom);
    // Lays the text out again where the view or the text changed size.
    void layoutText();
    void updateVisibleBlocks();

private:
    QGraphicsView& m_view;
    QGraphicsTextItem& m_item;
    QTextDocument* m_document = nullptr;
    TextHighlighter* m_highlighter = nullptr;
    double m_zoom = 1.0;
    bool m_layingOut = false;
};

} // namespace platform
