#pragma once

#include "platform/appkit/accessibility/TextViewAccessibleEvents.h"
#include "platform/appkit/textview/FindIndicator.h"
#include "platform/appkit/textview/MimeDataInsertion.h"
#include "platform/appkit/textview/RulerPlacement.h"
#include "platform/appkit/textview/TextEditCommands.h"
#include "platform/appkit/textview/TextInputFilters.h"
#include "platform/appkit/textview/TextInsertionTarget.h"
#include "platform/appkit/textview/TextMirror.h"
#include "platform/appkit/textview/TextViewGeometry.h"
#include "platform/appkit/textview/TextViewLayout.h"
#include "platform/appkit/textview/TextViewPalette.h"
#include "platform/controllers/Responder.h"
#include "platform/controllers/UndoCommands.h"
#include "platform/text/AttributedText.h"
#include "platform/text/SharedTextStorage.h"
#include "platform/text/SpellChecker.h"

#include <QGraphicsView>
#include <QPointer>
#include <QTextCharFormat>
#include <QTextDocument>

#include <memory>

class QGraphicsTextItem;
class QMenu;
class QMimeData;

namespace platform {

class RulerView;
class TextHighlighter;
class TextViewDelegate;
class UndoManager;

// The rich-text view in which a note is written: a QGraphicsView over one QGraphicsTextItem,
// so zoom is a true scale and only exposed areas paint. It shows a mirror of a text storage
// (SharedTextStorage), so several views of one storage keep their own width, zoom, selection
// and marking; the user's edits reach the storage as undo records in the delegate's undo
// manager. The text options run as input filters inside the user's edit. Main thread only;
// emits selectionChanged() and textDidChange().
//
// The view handles events and commands and runs the user's edits; its collaborators in
// textview/ keep the mirror (TextMirror), apply the text options (TextInputFilters), lay the
// text out (TextViewLayout), map characters to points (TextViewGeometry), flash find matches
// (FindIndicator), place the ruler (RulerPlacement), answer the Edit menu (TextEditCommands),
// build the context menu (TextContextMenu), insert pasted data (MimeDataInsertion), colour the
// view (TextViewPalette), change the selection's formats (SelectionFormatting) and tell
// assistive technology what changed (TextViewAccessibleEvents).
class TextView : public QGraphicsView, public Responder, private TextInsertionTarget {
    Q_OBJECT

public:
    using Appearance = TextAppearance;

    using TextOptions = TextViewOptions;

    // Text inset from the view's edges, in points (horizontal, vertical).
    static constexpr double kInsetWidth = TextViewLayout::kInsetWidth;
    static constexpr double kInsetHeight = TextViewLayout::kInsetHeight;

    // `spellChecker` null: the shared checker.
    explicit TextView(QWidget* parent = nullptr, SpellChecker* spellChecker = nullptr);
    ~TextView() override;

    TextViewDelegate* delegate() const { return m_delegate; }
    void setDelegate(TextViewDelegate* delegate) { m_delegate = delegate; }
    UndoManager* undoManager();

    // A storage longer than kLongestEditableLength UTF-16 units, or with a paragraph longer than
    // kLongestEditableParagraph (a paragraph is laid out whole), is too long to lay out and
    // edit at the speed of typing: the view shows its first kShownBeginningLength units, up to
    // kShownParagraphLength of a long paragraph (one word that long takes a second to lay out),
    // read-only under a line that says so, and never writes to the storage. The beginning comes
    // kBeginningSliceLength units a turn, so laying it out never holds the window long.
    static constexpr qsizetype kLongestEditableLength = TextMirror::kLongestEditableLength;
    static constexpr qsizetype kLongestEditableParagraph = TextMirror::kLongestEditableParagraph;
    static constexpr qsizetype kShownBeginningLength = TextMirror::kShownBeginningLength;
    static constexpr qsizetype kShownParagraphLength = TextMirror::kShownParagraphLength;
    static constexpr qsizetype kBeginningSliceLength = TextMirror::kBeginningSliceLength;

    // Shows `storage` through a mirror of its own; nullptr shows an empty text.
    void setTextStorage(QTextDocument* storage);
    QTextDocument* textStorage() const { return m_text.storage(); }
    // The document this view edits and lays out.
    QTextDocument* mirror() const { return m_text.mirror(); }
    TextHighlighter* highlighter() const { return m_highlighter; }
    SpellChecker* spellChecker() const { return m_spellChecker; }
    QGraphicsTextItem* textItem() const { return m_item; }

    // False while the storage is too long to edit, whatever setEditable() asked.
    bool isEditable() const { return m_editable; }
    void setEditable(bool editable);
    bool showsBeginningOnly() const { return m_text.showsBeginningOnly(); }

    // Zoom as the view's scale: 1.0 is 100 %. The text wraps at the viewport width divided
    // by the zoom, less the insets.
    double zoom() const { return m_layout.zoom(); }
    void setZoom(double zoom);

    Appearance appearance() const { return m_appearance; }
    void setAppearance(Appearance appearance);
    TextOptions textOptions() const { return m_filters.options(); }
    void setTextOptions(const TextOptions& options);

    TextRange selectedRange() const;
    // False, selecting nothing, when the range lies outside the text.
    bool setSelectedRange(TextRange range);
    QTextCharFormat typingAttributes() const;
    void setTypingAttributes(const QTextCharFormat& format);
    // The character index for insertion at a point of the viewport.
    int characterIndexAt(const QPoint& viewportPoint) const
    {
        return m_geometry.characterIndexAt(viewportPoint);
    }
    // The target of the link drawn at a point of the viewport; empty where there is none.
    QUrl linkAt(const QPoint& viewportPoint) const { return m_geometry.linkAt(viewportPoint); }
    // The caret's rectangle, in scene coordinates.
    QRectF caretRect() const { return m_geometry.caretRect(); }
    // Where the character at `index` shows, in viewport coordinates; empty past the text.
    QRect characterRect(int index) const { return m_geometry.characterRect(index); }
    virtual void scrollRangeToVisible(TextRange range) { m_geometry.scrollRangeToVisible(range); }
    // The scene point at the viewport's top left, and scrolling to put one there.
    QPointF visibleOrigin() const { return m_geometry.visibleOrigin(); }
    void scrollToPoint(const QPointF& scenePoint)
    {
        m_geometry.scrollToPoint(scenePoint, m_layout.zoom());
    }

    // What a printed page of this view carries at its top when page headers are on; null for
    // none.
    virtual std::unique_ptr<QTextDocument> pageHeader() const { return nullptr; }

    // Flashes a yellow highlight over `range` for one second, as find does for a match.
    void showFindIndicator(TextRange range) { m_findIndicator.show(range); }
    bool isShowingFindIndicator() const { return m_findIndicator.isShowing(); }

    // Typing is being gathered into one undo step.
    bool isCoalescingTyping() const { return m_text.isCoalescingTyping(); }
    void breakUndoCoalescing() { m_text.breakCoalescing(); }

    // Runs `edit` (changes to mirror() through cursors) as one user edit named `actionName`.
    void performUserEdit(const QString& actionName, const std::function<void()>& edit)
    {
        m_text.performUserEdit(actionName, false, edit);
    }
    // Replaces the selection with `text` in `format`, as one user edit; answers false
    // (changing nothing) when the view is not editable.
    bool replaceSelection(
        const QString& text, const QTextCharFormat& format, const QString& actionName);

    // Changes the paragraph style of every paragraph the selection touches (the caret's one
    // when nothing is selected) as one user edit; false when the view is not editable.
    bool changeParagraphStyles(
        const QString& actionName, const std::function<void(ParagraphStyle&)>& change);
    // The style of the paragraph where the selection starts.
    ParagraphStyle currentParagraphStyle() const;
    // Changes the character format of every run of the selection as one user edit (with
    // nothing selected, the typing attributes, recording nothing); false when the view is not
    // editable. Pictures keep their image formats: `change` should only add or clear.
    bool changeCharacterFormats(
        const QString& actionName, const std::function<void(QTextCharFormat&)>& change);
    // The format of the selection's first character; the typing attributes without one.
    QTextCharFormat selectedCharacterFormat() const;

    // The ruler over the text, made when first shown ("toggleRuler:" toggles it).
    bool isRulerVisible() const { return m_ruler.isVisible(); }
    void setRulerVisible(bool visible) { m_ruler.setVisible(visible); }
    // Null until the ruler was first shown or given units.
    RulerView* rulerView() const { return m_ruler.ruler(); }
    // The ruler takes the colours of the text it measures; the system's with the system look.
    void updateRulerAppearance() { m_ruler.updateAppearance(); }
    // The ruler's units (see RulerView::setMeasurementUnits), making it, hidden, if need be.
    void setRulerMeasurementUnits(const QString& units) { m_ruler.setMeasurementUnits(units); }

    // With smart copy and paste on, `text` with a space added where it would otherwise run
    // into a word on either side of the selection.
    QString smartInsertText(const QString& text) const
    {
        return m_filters.smartInsertText(text, selectedRange());
    }
    // Pastes from the clipboard: images as PNG attachments, else rich text with its styles,
    // else plain text.
    virtual void paste();
    // The context menu for a viewport point: spelling items over a misspelled word, then the
    // edit items.
    QMenu* createContextMenu(const QPoint& viewportPoint);

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(Command& command) const override;
    void perform(const Command& command) override;
    // "Undo Typing" and the like, after the step undo would take back.
    std::optional<QString> titleFor(const Command& command) const override
    {
        return m_undoCommands.titleFor(command);
    }

signals:
    void selectionChanged();
    void zoomChanged(double zoom);
    // A user edit of this view, or the undo or redo of one, reached the storage.
    void textDidChange();

protected:
    // Inserts mime data at the selection as the user's edit; answers whether it found
    // anything usable.
    bool insertMimeData(const QMimeData* source, const QString& actionName)
    {
        return m_insertion.insertMimeData(source, actionName);
    }
    bool insertImage(const QImage& image, const QString& actionName)
    {
        return m_insertion.insertImage(image, actionName);
    }
    void applyAppearance();

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    bool acceptsInsertion() const override { return m_editable; }
    void insertAsUserEdit(const QString& actionName,
        const std::function<void(QTextCursor& cursor)>& insert, bool showCaret) override;
    bool insertPlainText(const QString& text, const QString& actionName) override;

    // The selection on the clipboard with its styles, for a paste here to keep them.
    void attachMirror(std::unique_ptr<QTextDocument> oldMirror);
    void noteEvent(int editsBefore);

    TextViewDelegate* m_delegate = nullptr;
    QPointer<SpellChecker> m_spellChecker;
    QGraphicsScene* m_scene;
    QGraphicsTextItem* m_item;
    UndoCommands m_undoCommands;
    TextEditCommands m_editCommands;
    TextMirror m_text;
    TextHighlighter* m_highlighter = nullptr;
    TextViewLayout m_layout;
    TextViewGeometry m_geometry;
    FindIndicator m_findIndicator;
    RulerPlacement m_ruler;
    TextInputFilters m_filters;
    MimeDataInsertion m_insertion;
    TextViewAccessibleEvents m_accessibleEvents;
    bool m_editable = true;
    bool m_editableAsked = true;
    Appearance m_appearance = Appearance::System;
    int m_lastPosition = 0;
    int m_lastAnchor = 0;
};

} // namespace platform
