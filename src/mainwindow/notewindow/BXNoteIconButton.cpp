#include "mainwindow/notewindow/BXNoteIconButton.h"

#include "mainwindow/notewindow/BXNoteWindowCommands.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/transfer/BXFileNames.h"
#include "document/model/BXNote.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/TypeIdentifier.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QDrag>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>

using platform::localized;

BXNoteIconButton::BXNoteIconButton(BXNoteWindowController& controller, QWidget* parent)
    : QToolButton(parent), m_controller(controller)
{
    setObjectName(QStringLiteral("noteIcon"));
    QIcon note(QStringLiteral(":/icons/Note.png"));
    note.addFile(QStringLiteral(":/icons/Note@2x.png"));
    setIcon(note);
    setIconSize(QSize(28, 28));
    setAutoRaise(true);
    setToolTip(localized(QStringLiteral("Drag the note out, or click for its place")));
}

QMenu* BXNoteIconButton::pathMenu()
{
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    BXDocument* document = m_controller.bxDocument();
    const QString documentName = document ? document->displayName() : QString();
    QPointer<BXNoteWindowController> controller(&m_controller);
    connect(menu->addAction(documentName), &QAction::triggered, this, [controller] {
        if (controller)
            controller->commands()->showMainWindow();
    });
    QAction* note = menu->addAction(QIcon(QStringLiteral(":/icons/Note.png")),
        QStringLiteral("    ")
            + (m_controller.noteWindow() ? m_controller.noteWindow()->windowTitle() : QString()));
    note->setCheckable(true);
    note->setChecked(
        document && m_controller.noteItem() && document->selectedNote() == m_controller.noteItem());
    connect(note, &QAction::triggered, this, [controller] {
        if (controller)
            controller->commands()->showNoteInMainWindow();
    });
    return menu;
}

QMimeData* BXNoteIconButton::noteMimeData()
{
    const BXNote::NotePtr note = m_controller.noteItem();
    if (!note)
        return nullptr;
    return BXPasteboardNote(*note, this).makeMimeData();
}

void BXNoteIconButton::draggingSessionEnded(int operation)
{
    if (operation == kDeleteOperation)
        m_controller.commands()->deleteNote();
}

QString BXNoteIconButton::fileType() const
{
    return platform::UserDefaults::standard().stringForKey(ExportFileType);
}

QString BXNoteIconButton::promisedFileName(const BXPasteboardNote& dragged) const
{
    const BXNote::NotePtr note = m_controller.noteItem();
    const QString fallback = localized(QStringLiteral("Note"));
    if (!note || note->objectID().URIRepresentation() != dragged.noteIdUri())
        return BXFileNames::safeFileName(
            QString(), fallback, platform::TypeIdentifier::preferredExtension(dragged.fileType()));
    return BXFileNames::safeFileName(note->noteTitle(), fallback,
        platform::TypeIdentifier::preferredExtension(
            BXDocument::exportTypeForNote(*note, dragged.fileType())));
}

bool BXNoteIconButton::writePromisedFile(
    const BXPasteboardNote& dragged, const QString& path, platform::Error* error)
{
    const BXNote::NotePtr note = m_controller.noteItem();
    BXDocument* document = m_controller.bxDocument();
    if (!note || !document || note->objectID().URIRepresentation() != dragged.noteIdUri()) {
        platform::log(QStringLiteral("The dragged note is no longer there: %@"), path);
        return platform::Error::set(error,
            platform::Error(QStringLiteral("BXNotesErrorDomain"), 1,
                QStringLiteral("The note no longer exists.")));
    }
    const QString type = BXDocument::exportTypeForNote(*note, dragged.fileType());
    return document->exportNote(*note, QUrl::fromLocalFile(path), type, error).has_value();
}

void BXNoteIconButton::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        m_pressPoint = event->position().toPoint();
    QToolButton::mousePressEvent(event);
}

void BXNoteIconButton::mouseMoveEvent(QMouseEvent* event)
{
    if (m_pressPoint && event->buttons().testFlag(Qt::LeftButton)
        && (event->position().toPoint() - *m_pressPoint).manhattanLength()
            >= QApplication::startDragDistance()) {
        m_pressPoint.reset();
        setDown(false);
        if (QMimeData* dragged = noteMimeData()) {
            auto* drag = new QDrag(this);
            drag->setMimeData(dragged);
            drag->setPixmap(icon().pixmap(kDragImageSize, kDragImageSize));
            drag->setHotSpot(QPoint(kDragImageSize / 2, kDragImageSize / 2));
            draggingSessionEnded(int(drag->exec(sourceOperationMask())));
        }
        return;
    }
    QToolButton::mouseMoveEvent(event);
}

void BXNoteIconButton::mouseReleaseEvent(QMouseEvent* event)
{
    const bool clicked = m_pressPoint.has_value() && event->button() == Qt::LeftButton;
    m_pressPoint.reset();
    QToolButton::mouseReleaseEvent(event);
    if (clicked)
        pathMenu()->popup(mapToGlobal(QPoint(0, height())));
}
