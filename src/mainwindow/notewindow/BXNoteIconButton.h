#pragma once

#include "mainwindow/notewindow/BXPasteboardNote.h"

#include <QPoint>
#include <QToolButton>

#include <optional>

class BXNoteWindowController;
class QMenu;
class QMimeData;

// The note's icon at the leading edge of a note window's toolbar, where a title bar would show
// a document icon: dragging it drags the note out as a file (copy only), clicking it opens the
// path menu (the document, then the note). It keeps the dragged note's file promise. Owned by
// its window; main thread.
class BXNoteIconButton final : public QToolButton, public BXPasteboardNote::Delegate {
    Q_OBJECT

public:
    static constexpr int kDragImageSize = 32;
    // The operation a drop on the trash reports.
    static constexpr int kDeleteOperation = 32;

    BXNoteIconButton(BXNoteWindowController& controller, QWidget* parent);

    // A new menu owned by the button: the document (showing the main window), then the note
    // (showing it in the main window's list), checked while the main window shows it.
    QMenu* pathMenu();
    // The dragged note's data, owned by the caller; null without a note.
    QMimeData* noteMimeData();
    Qt::DropActions sourceOperationMask() const { return Qt::CopyAction; }
    // A drag that ended on the trash deletes the note.
    void draggingSessionEnded(int operation);

    // The user defaults' "ExportFileType".
    QString fileType() const override;
    // The title with ":" and "/" made "-" ("Note" without one), plus the extension of the type
    // the note is exported as ("Auto" decided for the note).
    QString promisedFileName(const BXPasteboardNote& note) const override;
    bool writePromisedFile(
        const BXPasteboardNote& note, const QString& path, platform::Error* error) override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    BXNoteWindowController& m_controller;
    std::optional<QPoint> m_pressPoint;
};
