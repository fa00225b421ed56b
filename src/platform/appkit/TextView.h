#pragma once

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
class TextView : public QGraphicsView, public Responder {
    Q_OBJECT

public:
    enum class Appearance { System, Light, Dark };

    struct TextOptions {
        bool smartCopyPaste = true;
        bool smartQuotes = true;
        bool smartDashes = true;
        bool smartLinks = true;
        bool checkSpelling = true;
    };

    // Text inset from the view's edges, in points (horizontal, vertical).
    static constexpr double kInsetWidth = 5;
    static constexpr double kInsetHeight = 8;

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
    static constexpr qsizetype kLongestEditableLength = qsizetype(1) << 20;
    static constexpr qsizetype kLongestEditableParagraph = qsizetype(1) << 16;
    static constexpr qsizetype kShownBeginningLength = qsizetype(1) << 18;
    static constexpr qsizetype kShownParagraphLength = qsizetype(1) << 14;
    static constexpr qsizetype kBeginningSliceLength = qsizetype(1) << 15;

    // Shows `storage` through a mirror of its own; nullptr shows an empty text.
    void setTextStorage(QTextDocument* storage);
    QTextDocument* textStorage() const { return m_storage; }
    // The document this view edits and lays out.
    QTextDocument* mirror() const { return m_mirror.get(); }
    TextHighlighter* highlighter() const { return m_highlighter; }
    SpellChecker* spellChecker() const { return m_spellChecker; }
    QGraphicsTextItem* textItem() const { return m_item; }

    // False while the storage is too long to edit, whatever setEditable() asked.
    bool isEditable() const { return m_editable; }
    void setEditable(bool editable);
    bool showsBeginningOnly() const { return m_beginningOnly; }

    // Zoom as the view's scale: 1.0 is 100 %. The text wraps at the viewport width divided
    // by the zoom, less the insets.
    double zoom() const { return m_zoom; }
    void setZoom(double zoom);

    Appearance appearance() const { return m_appearance; }
    void setAppearance(Appearance appearance);
    TextOptions textOptions() const { return m_options; }
    void setTextOptions(const TextOptions& options);

    TextRange selectedRange() const;
    // False, selecting nothing, when the range lies outside the text.
    bool setSelectedRange(TextRange range);
    QTextCharFormat typingAttributes() const;
    void setTypingAttributes(const QTextCharFormat& format);
    // The character index for insertion at a point of the viewport.
    int characterIndexAt(const QPoint& viewportPoint) const;
    // The target of the link drawn at a point of the viewport; empty where there is none.
    QUrl linkAt(const QPoint& viewportPoint) const;
    // The caret's rectangle, in scene coordinates.
    QRectF caretRect() const;
    // Where the character at `index` shows, in viewport coordinates; empty past the text.
    QRect characterRect(int index) const;
    virtual void scrollRangeToVisible(TextRange range);
    // The scene point at the viewport's top left, and scrolling to put one there.
    QPointF visibleOrigin() const;
    void scrollToPoint(const QPointF& scenePoint);

    // What a printed page of this view carries at its top when page headers are on; null for
    // none.
    virtual std::unique_ptr<QTextDocument> pageHeader() const { return nullptr; }

    // Flashes a yellow highlight over `range` for one second, as find does for a match.
    void showFindIndicator(TextRange range);
    bool isShowingFindIndicator() const { return m_findIndicator != nullptr; }

    // Typing is being gathered into one undo step.
    bool isCoalescingTyping() const;
    void breakUndoCoalescing();

    // Runs `edit` (changes to mirror() through cursors) as one user edit named `actionName`.
    void performUserEdit(const QString& actionName, const std::function<void()>& edit);
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
    bool isRulerVisible() const;
    void setRulerVisible(bool visible);
    // Null until the ruler was first shown or given units.
    RulerView* rulerView() const { return m_ruler; }
    // The ruler takes the colours of the text it measures; the system's with the system look.
    void updateRulerAppearance();
    // The ruler's units (see RulerView::setMeasurementUnits), making it, hidden, if need be.
    void setRulerMeasurementUnits(const QString& units);

    // With smart copy and paste on, `text` with a space added where it would otherwise run
    // into a word on either side of the selection.
    QString smartInsertText(const QString& text) const;
    // Pastes from the clipboard: images as PNG attachments, else rich text, else plain text.
    virtual void paste();
    // The context menu for a viewport point: spelling items over a misspelled word, then the
    // edit items.
    QMenu* createContextMenu(const QPoint& viewportPoint);

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(Command& command) const override;
    void perform(const Command& command) override;
    // "Undo Typing" and the like, after the step undo would take back.
    std::optional<QString> titleFor(const Command& command) const override;

signals:
    void selectionChanged();
    void zoomChanged(double zoom);
    // A user edit of this view, or the undo or redo of one, reached the storage.
    void textDidChange();

protected:
    // Inserts mime data at the selection as the user's edit; answers whether it found
    // anything usable.
    bool insertMimeData(const QMimeData* source, const QString& actionName);
    bool insertImage(const QImage& image, const QString& actionName);
    void applyAppearance();

    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void attachMirror(std::unique_ptr<QTextDocument> mirror);
    static bool isTooLongToEdit(const QTextDocument& storage);
    static std::unique_ptr<QTextDocument> beginningOf(const QTextDocument& storage);
    // The storage's units that a beginning-only view shows.
    static qsizetype shownBeginningLength(const QTextDocument& storage);
    // Adds the beginning's next slice to the mirror, and schedules the one after.
    void showNextBeginningSlice();
    void layoutText();
    // Tells the highlighter which paragraphs are on screen.
    void updateVisibleBlocks();
    void noteEvent(int editsBefore);
    bool filterTypedText(const QString& text);
    // Return, Tab, Shift+Tab and Backspace in a list item; answers whether the key was one.
    bool editList(const QKeyEvent* event);
    // With smart copy and paste, a deleted word takes one of the spaces around it along.
    void removeSpaceLeftByDeletion();
    void detectLinkBefore(int position);
    QChar characterAt(int position) const;
    void ensureCaretVisible();
    void placeRuler();

    TextViewDelegate* m_delegate = nullptr;
    QPointer<SpellChecker> m_spellChecker;
    QGraphicsScene* m_scene;
    QGraphicsTextItem* m_item;
    UndoCommands m_undoCommands;
    QPointer<QTextDocument> m_storage;
    QPointer<SharedTextStorage> m_shared;
    std::unique_ptr<QTextDocument> m_mirror;
    TextHighlighter* m_highlighter = nullptr;
    RulerView* m_ruler = nullptr;
    QGraphicsItem* m_findIndicator = nullptr;
    quint64 m_findIndicatorTask = 0;
    quint64 m_beginningSliceTask = 0;
    // The storage's units the mirror holds of the beginning, and those it will hold.
    qsizetype m_beginningShown = 0;
    qsizetype m_beginningLength = 0;
    bool m_editable = true;
    bool m_editableAsked = true;
    bool m_beginningOnly = false;
    bool m_layingOut = false;
    double m_zoom = 1.0;
    Appearance m_appearance = Appearance::System;
    TextOptions m_options;
    int m_lastPosition = 0;
    int m_lastAnchor = 0;
    // Counts this view's edits that reached the storage, to tell an edit from a caret move.
    int m_editCount = 0;
};

} // namespace platform
