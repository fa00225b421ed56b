#pragma once

#include "platform/appkit/TextView.h"
#include "platform/controllers/Editor.h"

#include <QFont>

#include <memory>
#include <optional>

class BXTextViewDelegate;

// The view a note is written in, in the main window and in note windows: the platform text
// view plus hashtag clicks sent to the delegate, paste as plain text in the typing style, zoom
// by a factor announced with "MagnifyTextView", the printed page header, selection saving and
// the editor protocol answered through the delegate. Main thread only.
class BXTextView : public platform::TextView, public platform::Editor {
    Q_OBJECT

public:
    static const QString MagnifyTextViewNotification;

    explicit BXTextView(QWidget* parent = nullptr, platform::SpellChecker* spellChecker = nullptr);

    BXTextViewDelegate* bxDelegate() const { return m_bxDelegate; }
    void setDelegate(BXTextViewDelegate* delegate);

    double zoomFactor() const { return m_zoomFactor; }
    double oldScaleFactor() const { return m_oldScaleFactor; }
    bool isZooming() const { return m_zooming; }
    // Scales the view to `factor` cut to whole percents (not positive, or NaN: 10 %) and
    // posts MagnifyTextViewNotification with the requested factor.
    void zoomToFactor(double factor);
    // A pinch adds its magnification to the current factor.
    void magnify(double magnification);

    // The view's font and colour for pasted text when the typing style has no font.
    std::optional<QFont> textFont() const { return m_textFont; }
    void setTextFont(const std::optional<QFont>& font) { m_textFont = font; }
    std::optional<QColor> textColor() const { return m_textColor; }
    void setTextColor(const std::optional<QColor>& color) { m_textColor = color; }

    void paste() override;

    void saveSelection();
    void loadSelection();
    platform::TextRange lastSelectedRange() const { return m_lastSelectedRange; }
    QPointF lastScrollPoint() const { return m_lastScrollPoint; }
    void setAttributedString(const QTextDocument& text);
    // Replaces the font and colour of every run in `range` with those in `attributes`
    // (removed where it has none). Nothing when the range ends past the text.
    void setTextAttributes(const QVariantMap& attributes, platform::TextRange range);
    void setSelectedTextAttributes(const QVariantMap& attributes);
    // "<note name>\t\t<today, long date>" in the view's font.
    std::unique_ptr<QTextDocument> pageHeader() const;

    bool becomeFirstResponder();
    bool resignFirstResponder();
    bool endEditing();
    bool commitEditing() override;
    void discardEditing() override;

protected:
    QString commitFailureReason() const override;
    void mousePressEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    BXTextViewDelegate* m_bxDelegate = nullptr;
    double m_zoomFactor = 1.0;
    double m_oldScaleFactor = 0.0;
    bool m_zooming = false;
    platform::TextRange m_lastSelectedRange;
    QPointF m_lastScrollPoint;
    std::optional<QFont> m_textFont;
    std::optional<QColor> m_textColor;
};
