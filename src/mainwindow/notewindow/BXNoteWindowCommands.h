#pragma once

#include "platform/controllers/Responder.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <memory>
#include <optional>

class BXNoteWindowCommandsDelegate;
class QMenu;
class QTextDocument;
class QWidget;

// The commands of a note window: Open in Main, Delete Page, export, sharing, zoom, the ruler,
// text size, image editing, Close and the window menu's Zoom. The window controller answers
// the responder chain through it. Owned by the controller, which it reaches through its
// delegate interface; main thread only.
class BXNoteWindowCommands final : public QObject, public platform::Responder {
    Q_OBJECT

public:
    BXNoteWindowCommands(BXNoteWindowCommandsDelegate& delegate, QObject* parent);

    // The selection (all of the text when nothing is selected) while the text has the focus;
    // null otherwise.
    std::unique_ptr<QTextDocument> selectedString() const;
    // The sharing services 3 points under `sender`, each enabled only while there is text to
    // share; the menu is returned, already shown.
    QMenu* showSharingServicePicker(QWidget* sender);

    void showMainWindow();
    // Lists the note in the main window; Shift keeps the note window in front, Alt closes it.
    void showNoteInMainWindow();
    // Asks before deleting the note; with Alt held deletes at once.
    void deleteSelectedNotes();
    // Deletes the note as the undoable step "Delete Note"; the document closes the window
    // first, so the controller may be gone afterwards.
    void deleteNote();
    void exportSelectedNotes();
    void increaseZoom();
    void decreaseZoom();
    void resetZoom();
    // A zoom pop-up title such as "150%".
    void setZoom(const QString& title);
    // The frame that fits the window to its text within `screen` (an available area), never
    // below the window's minimum; with Ctrl held the whole of `screen`.
    QRect windowWillUseStandardFrame(const QRect& screen) const;
    // The window menu's Zoom: the standard frame, or back to the frame before it.
    void performZoom();

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;
    // "Export Note…" and "Delete Note" for the menu items.
    std::optional<QString> titleFor(const platform::Command& command) const override;

private:
    BXNoteWindowCommandsDelegate& m_delegate;
    std::optional<QRect> m_unzoomedGeometry;
    QRect m_zoomedGeometry;
};
