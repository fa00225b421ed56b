#include "mainwindow/BXUnderpageView.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include "document/BXDocument.h"

#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"

#include <QDragEnterEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QPainter>

BXUnderpageView::BXUnderpageView(BXMainWindowController* controller, QWidget* parent)
    : QWidget(parent), m_controller(controller)
{
    setAcceptDrops(true);
}

bool BXUnderpageView::acceptsFiles(const QList<QUrl>& urls)
{
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return false;
    static const QStringList extensions { QStringLiteral("md"), QStringLiteral("markdown"),
        QStringLiteral("txt") };
    return extensions.contains(QFileInfo(urls.first().toLocalFile()).suffix().toLower());
}

void BXUnderpageView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window).darker(108));
}

void BXUnderpageView::dragEnterEvent(QDragEnterEvent* event)
{
    dragMoveEvent(event);
}

void BXUnderpageView::dragMoveEvent(QDragMoveEvent* event)
{
    if (acceptsFiles(event->mimeData()->urls())) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void BXUnderpageView::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!acceptsFiles(urls)) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    askToImportFiles(urls);
}

void BXUnderpageView::askToImportFiles(const QList<QUrl>& urls)
{
    platform::Alert alert;
    alert.messageText = platform::localized(QStringLiteral("alertImportFileTitle"));
    alert.informativeText = platform::localized(QStringLiteral("alertImportFileMessage"));
    alert.buttonTitles = { platform::localized(QStringLiteral("alertImportFileOK")),
        platform::localized(QStringLiteral("alertImportFileCancel")) };
    alert.cancelButton = 1;
    QPointer<BXMainWindowController> controller(m_controller);
    platform::AlertPresenter::current().beginSheet(
        alert, window(), [controller, urls](const platform::AlertResponse& response) {
            auto* document
                = controller ? qobject_cast<BXDocument*>(controller->document()) : nullptr;
            if (response.button != 0 || !document)
                return;
            document->importNotesAtURLs(
                urls, {}, [controller](const QList<platform::ManagedObjectPtr>& newNotes) {
                    if (newNotes.isEmpty())
                        return;
                    platform::dispatchAfter(
                        kSelectImportedDelay, controller, [controller, newNotes] {
                            if (controller)
                                controller->selectNotes(newNotes, true);
                        });
                });
        });
}
