#pragma once

#include "platform/appkit/PopUpButton.h"
#include "platform/controllers/Responder.h"
#include "platform/foundation/Dispatch.h"

#include <QObject>
#include <QPointer>
#include <QVariantMap>

#include <memory>

class BXMainWindowController;
class BXTextView;
class QMenu;
class QRect;
class QTextDocument;
class QWidget;

namespace platform {
struct Notification;
} // namespace platform

// The main window's answers as delegate of its note text view, beyond showing and writing
// back the text: the note information refreshed once typing pauses, hashtag searches, the
// attributes of the Default Style, zoom and its pop-up, the ruler, font sizes and sharing.
// Hashtags are marked by the text view's own display-only highlighter, so marking them never
// edits the note. Owned by the window controller; main thread only.
class BXMainWindowTextDelegate final : public QObject, public platform::Responder {
    Q_OBJECT

public:
    static constexpr double kTypingRefreshDelay = 1.2;
    static constexpr double kMinZoom = 0.25;
    static constexpr double kMaxZoom = 4.0;
    static constexpr double kZoomStep = 0.25;
    // Tags of resizeText:, as the font menu's Bigger and Smaller items carry them.
    static constexpr int kSizeUpTag = 3;
    static constexpr int kSizeDownTag = 4;

    explicit BXMainWindowTextDelegate(BXMainWindowController* controller);
    ~BXMainWindowTextDelegate() override;

    // Typing refreshes the note information once it has paused for 1.2 s; any other change
    // (paste, drop, undo) refreshes it at once.
    void textDidChange();
    void fireInfoUpdate();
    bool isInfoUpdatePending() const { return m_updateTimer.isValid(); }
    void invalidateUpdateTimer() { m_updateTimer.invalidate(); }

    // `attributes` with every attribute but an attachment taken from the default text
    // attributes, or removed where they have none.
    static QVariantMap convertAttributes(const QVariantMap& attributes);

    // A picture at `index` of the note text opens the image editor.
    bool textViewDoubleClickedOnCell(BXTextView* textView, qsizetype index, const QRect& rect);
    // A context menu over a picture offers "Edit Image" first.
    void textViewMenu(BXTextView* textView, QMenu* menu, qsizetype index);

    // Lists the notes holding `hashtag` (with its "#"); nothing for an empty one.
    void searchForHashtag(const QString& hashtag);

    void decreaseZoom();
    void increaseZoom();
    // The next factor up or down: snapped to a quarter, one quarter on, kept within 25-400 %.
    static double zoomedIn(double factor);
    static double zoomedOut(double factor);
    // `factor` kept within 25-400 %, the range the zoom commands allow, for a factor that came
    // from elsewhere (a file); one that is no number at all gives 100 %.
    static double zoomWithinRange(double factor);
    void resetZoom();
    // The zoom pop-up's item title, "150%".
    void setZoom(const QString& title);
    // The toolbar's zoom pop-up, which then follows the text view's zoom; may be null.
    void setZoomPopup(platform::PopUpButton* popup);
    platform::PopUpButton* zoomPopup() const { return m_zoomPopup; }
    void updateZoomFactor(double factor);
    // Shows `factor` as whole percents, choosing the item of that percent (its tag) when there
    // is one and showing the percent alone otherwise.
    static void updateZoomPopup(platform::PopUpButton* popup, double factor);

    void toggleRuler();
    // One point larger (kSizeUpTag) or smaller (kSizeDownTag) for every run of the selection,
    // or for the typing style when nothing is selected; other tags change nothing.
    void resizeText(int tag);
    static void resizeText(BXTextView* view, int tag);
    // No writing assistant exists on this platform.
    void showWritingTools();

    // The shown note's title, or the count of the selected notes and the file's name; heads
    // the printed pages and names what is shared.
    QString currentNoteName() const;
    // The text to share: the selected text (all of it when nothing is selected), or every
    // selected note when there are several.
    std::unique_ptr<QTextDocument> selectedString() const;
    // The shown note's text, or the selected notes one after another.
    std::unique_ptr<QTextDocument> attributedStringForSharing() const;
    // A menu of the sharing services under `sender`; nothing to share beeps. The menu is
    // returned, already shown, for tests.
    QMenu* showSharingServicePicker(QWidget* sender);
    // Shares the selected text (or notes) with the service of `identifier`.
    bool shareFromService(const QString& identifier);

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;

signals:
    // The note information was refreshed.
    void infoUpdated();

private:
    void handleMagnifyTextView(const platform::Notification& notification);
    bool share(const QString& identifier, const QTextDocument& text);

    BXMainWindowController* m_controller;
    platform::Timer m_updateTimer;
    QPointer<platform::PopUpButton> m_zoomPopup;
};
