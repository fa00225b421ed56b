#pragma once

#include "mainwindow/image/BXImageViewController.h"
#include "mainwindow/image/BXImageViewControllerDelegate.h"
#include "platform/appkit/TextView.h"
#include "platform/controllers/Editor.h"
#include "platform/text/TextAttachment.h"

#include <QFont>
#include <QPointer>

#include <memory>
#include <optional>

class BXTextViewDelegate;
class QDate;
class QLocale;

namespace platform {
class Error;
class PrintInfo;
} // namespace platform

// The view a note is written in, in the main window and in note windows: the platform text
// view plus hashtag clicks sent to the delegate, paste as plain text in the typing style
// (styled text copied as RTF keeps its styles), zoom by a factor announced with "MagnifyTextView",
// the printed page header, selection saving and the editor protocol answered through the delegate;
// pictures edited in place, copied and dragged out, and files dropped in. Main thread only.
class BXTextView : public platform::TextView,
                   public platform::Editor,
                   public BXImageViewControllerDelegate {
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

    // The user defaults behind the text view's switches.
    static const QStringList& textOptionKeys();
    // Sets the switch of the text option `key` from the user defaults; false for any other key
    // or a stored value that is no switch. Grammar, automatic correction and text replacement
    // are kept but have no service behind them.
    bool applyTextOptionDefault(const QString& key);
    void applyTextOptionDefaults();

    void saveSelection();
    void loadSelection();
    platform::TextRange lastSelectedRange() const { return m_lastSelectedRange; }
    QPointF lastScrollPoint() const { return m_lastScrollPoint; }
    void setAttributedString(const QTextDocument& text);
    // Replaces the font and colour of every run in `range` with those in `attributes`
    // (removed where it has none). Nothing when the range ends past the text.
    void setTextAttributes(const QVariantMap& attributes, platform::TextRange range);
    void setSelectedTextAttributes(const QVariantMap& attributes);
    // A view made to be printed: a copy of `text` taken now, framed by `printInfo`'s paper less
    // its margins, its page header named by `delegate`.
    static std::shared_ptr<BXTextView> makePrintView(const QTextDocument& text,
        BXTextViewDelegate* delegate, const platform::PrintInfo& printInfo);
    // "<note name>\t\t<today, long date>" in the view's font.
    std::unique_ptr<QTextDocument> pageHeader() const override;
    // `date` in `locale`'s long date style: day, month name and year, no weekday.
    static QString longDate(const QDate& date, const QLocale& locale);

    // Pictures. The attachment at `index` when it holds a picture a reader recognises.
    std::optional<platform::TextAttachment> imageCellAtIndex(qsizetype index) const;
    bool hasImageAtIndex(qsizetype index) const { return imageCellAtIndex(index).has_value(); }
    // The selection's location when it is at most one character long and a picture is there:
    // a caret just before a picture selects it.
    std::optional<qsizetype> indexOfSelectedImage() const;
    // The picture drawn under a point of the viewport, whichever half of it the point is in.
    std::optional<qsizetype> imageIndexAt(const QPoint& viewportPoint) const;
    // The "editImage:" action: the picture at `index`, offered to the delegate first.
    void editImage(qsizetype index);
    // Opens the editor on the picture at `index`, shown at `rect` of the viewport; not while
    // an editor shows or when the delegate refuses to begin editing. A picture that does not
    // decode opens no editor: an alert says so.
    void editImage(qsizetype index, const QRect& rect);
    BXImageViewController* editingViewController() const { return m_imageViewController; }
    // Replaces the picture at `index` as one user edit named "Edit Image", keeping the
    // attachment's file name; `pointSize` is its new size in the text.
    void setImage(const QImage& image, const QSizeF& pointSize, qsizetype index);
    void imageViewControllerEditedImage(BXImageViewController* controller, const QImage& image,
        const QSizeF& pointSize, const QVariantMap& contextInfo) override;
    void imageViewControllerDidClose(BXImageViewController* controller) override;

    // The context menu at a viewport point, with "Edit Image…" when a picture is selected.
    QMenu* menuForEvent(const QPoint& viewportPoint);
    // The clipboard or drag contents for a selection of exactly one attachment: its picture
    // as PNG and TIFF, its bytes under its MIME type, and the file itself as a promise. The
    // bytes are taken now. Null for any other selection.
    QMimeData* mimeDataForSelectedAttachment() const;
    // Asks once whether to import `url` as a note; imports it into this window's document.
    void askToImportFile(const QUrl& url);
    static bool isImportableFile(const QUrl& url);

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;

    bool becomeFirstResponder();
    bool resignFirstResponder();
    // Takes the keys away and back, which ends the editing.
    bool endEditing();
    // Applies the edit; a view that has the keys goes on editing (a save commits it this way).
    bool commitEditing() override;
    void discardEditing() override;

protected:
    QString commitFailureReason() const override;
    bool event(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    // Inserts pasted or dropped data as paste does; false when nothing usable was there.
    bool pasteMimeData(const QMimeData* data, const QString& actionName);
    // Dropped files: the first importable one is offered for import, pictures become
    // attachments; answers whether the drop was taken.
    bool dropFiles(const QList<QUrl>& urls);
    std::optional<qsizetype> selectedAttachmentIndex() const;
    BXTextViewDelegate* m_bxDelegate = nullptr;
    double m_zoomFactor = 1.0;
    double m_oldScaleFactor = 0.0;
    bool m_zooming = false;
    platform::TextRange m_lastSelectedRange;
    QPointF m_lastScrollPoint;
    std::optional<QFont> m_textFont;
    std::optional<QColor> m_textColor;
    QPointer<BXImageViewController> m_imageViewController;
    bool m_isBuildingMenu = false;
    std::optional<QPoint> m_attachmentDragStart;
};
