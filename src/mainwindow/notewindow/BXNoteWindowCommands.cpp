#include "mainwindow/notewindow/BXNoteWindowCommands.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "mainwindow/notewindow/BXNoteWindowToolbar.h"
#include "mainwindow/editor/BXTextView.h"

#include "ui/BXBlockAlert.h"

#include "document/BXDocument.h"

#include "platform/appkit/SharingService.h"
#include "platform/appkit/SharingServices.h"
#include "platform/appkit/UserInput.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/AttributedText.h"

#include <QGuiApplication>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QStyle>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

using platform::AttributedText;
using platform::TextRange;

namespace {

const QString kExportSelectedNotes = QStringLiteral("exportSelectedNotes:");
const QString kDeleteSelectedNotes = QStringLiteral("deleteSelectedNotes:");

const QStringList& commandActions()
{
    static const QStringList actions { QStringLiteral("showNoteInMainWindow:"),
        kDeleteSelectedNotes, QStringLiteral("showMainWindow:"), kExportSelectedNotes,
        QStringLiteral("increaseZoom:"), QStringLiteral("decreaseZoom:"),
        QStringLiteral("resetZoom:"), QStringLiteral("setZoom:"), QStringLiteral("toggleRuler:"),
        QStringLiteral("modifyFont:"), QStringLiteral("editImage:"),
        QStringLiteral("showWritingTools:"), QStringLiteral("performZoom:"),
        QStringLiteral("performMiniaturize:"), QStringLiteral("performClose:"),
        platform::SharingServices::kShareFromServiceAction };
    return actions;
}

int zoomPercent(double factor)
{
    return int(std::floor(factor * 100.0 + 1e-9));
}

} // namespace

BXNoteWindowCommands::BXNoteWindowCommands(BXNoteWindowController& controller)
    : QObject(&controller), m_controller(controller)
{ }

std::unique_ptr<QTextDocument> BXNoteWindowCommands::selectedString() const
{
    if (!m_controller.noteTextView()->hasFocus())
        return nullptr;
    const QTextDocument& shown = *m_controller.noteTextView()->mirror();
    const TextRange selection = m_controller.noteTextView()->selectedRange();
    if (selection.length == 0)
        return AttributedText::attributedSubstring(shown, { 0, AttributedText::length(shown) });
    return AttributedText::attributedSubstring(shown, selection);
}

QMenu* BXNoteWindowCommands::showSharingServicePicker(QWidget* sender)
{
    if (!sender)
        return nullptr;
    const std::unique_ptr<QTextDocument> text = selectedString();
    const bool hasText = text && AttributedText::length(*text) > 0;
    auto* menu = new QMenu(sender);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<BXNoteWindowCommands> self(this);
    for (const auto& service : platform::SharingServices::shared().services()) {
        QAction* item = menu->addAction(service->icon(), service->title());
        item->setEnabled(hasText);
        connect(item, &QAction::triggered, this, [self, identifier = service->identifier()] {
            if (!self)
                return;
            platform::Command command;
            command.action = platform::SharingServices::kShareFromServiceAction;
            command.representedObject = identifier;
            self->perform(command);
        });
    }
    menu->popup(sender->mapToGlobal(QPoint(0, sender->height() + BXNoteWindowToolbar::kPickerGap)));
    return menu;
}

void BXNoteWindowCommands::showMainWindow()
{
    if (BXMainWindowController* main = m_controller.mainWindowController())
        main->showWindow();
}

void BXNoteWindowCommands::showNoteInMainWindow()
{
    BXDocument* owner = m_controller.bxDocument();
    if (!owner)
        return;
    owner->showNotesInMainWindowList({ m_controller.noteItem() });
    const Qt::KeyboardModifiers modifiers = platform::UserInput::current().keyboardModifiers();
    if (!(modifiers & Qt::ShiftModifier))
        showMainWindow();
    if (modifiers & Qt::AltModifier)
        m_controller.close();
}

void BXNoteWindowCommands::deleteSelectedNotes()
{
    if (platform::UserInput::current().keyboardModifiers() & Qt::AltModifier) {
        deleteNote();
        return;
    }
    QPointer<BXNoteWindowCommands> self(this);
    BXBlockAlert::showSheetModalForWindow(
        m_controller.noteWindow(),
        platform::localized(QStringLiteral("alertDeletePageInWindowMessage")), QString(),
        platform::AlertStyle::Warning, platform::localized(QStringLiteral("Cancel")),
        { platform::localized(QStringLiteral("Delete")) }, QString(),
        [self](qint64, bool) {
            if (self)
                self->deleteNote();
        },
        [] {});
}

void BXNoteWindowCommands::deleteNote()
{
    BXDocument* owner = m_controller.bxDocument();
    if (!owner)
        return;
    if (platform::UndoManager* undo = m_controller.documentUndoManager())
        undo->setActionName(platform::localized(QStringLiteral("Delete Note")));
    // The document closes this window first; the controller may be gone afterwards.
    owner->deleteNotes({ m_controller.noteItem() });
}

void BXNoteWindowCommands::exportSelectedNotes()
{
    if (BXDocument* owner = m_controller.bxDocument())
        owner->exportNotes(QList<platform::ManagedObjectPtr> { m_controller.noteItem() });
}

void BXNoteWindowCommands::increaseZoom()
{
    const double factor = m_controller.noteTextZoomFactor();
    if (factor < BXMainWindowTextDelegate::kMaxZoom)
        m_controller.zoomToFactor(BXMainWindowTextDelegate::zoomedIn(factor));
}

void BXNoteWindowCommands::decreaseZoom()
{
    const double factor = m_controller.noteTextZoomFactor();
    if (factor > BXMainWindowTextDelegate::kMinZoom)
        m_controller.zoomToFactor(BXMainWindowTextDelegate::zoomedOut(factor));
}

void BXNoteWindowCommands::resetZoom()
{
    m_controller.zoomToFactor(1.0);
}

void BXNoteWindowCommands::setZoom(const QString& title)
{
    bool ok = false;
    const double percent = title.chopped(title.isEmpty() ? 0 : 1).toDouble(&ok);
    if (ok)
        m_controller.zoomToFactor(percent * 0.01);
}

QRect BXNoteWindowCommands::windowWillUseStandardFrame(const QRect& screen) const
{
    if (platform::UserInput::current().keyboardModifiers() & Qt::ControlModifier)
        return screen;
    // The text as it would lie at the screen's width.
    QSizeF text;
    if (m_controller.noteTextView()->textStorage()) {
        const std::unique_ptr<QTextDocument> copy(m_controller.noteTextView()->mirror()->clone());
        copy->setTextWidth(screen.width());
        text = QSizeF(copy->idealWidth(), copy->size().height())
            * m_controller.noteTextView()->zoomFactor();
    }
    // Everything around the text: title bar, frame, toolbars.
    const QSize decoration
        = m_controller.noteWindow()->frameGeometry().size() - m_controller.noteTextView()->size();
    const int scroller
        = m_controller.noteTextView()->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int width = std::clamp(int(std::ceil(text.width())) + scroller + decoration.width()
            + int(platform::TextView::kInsetWidth),
        m_controller.noteWindow()->minimumWidth(),
        std::max(screen.width(), m_controller.noteWindow()->minimumWidth()));
    const int height = std::clamp(int(std::ceil(text.height())) + decoration.height(),
        m_controller.noteWindow()->minimumHeight(),
        std::max(screen.height(), m_controller.noteWindow()->minimumHeight()));
    const QRect frame = m_controller.noteWindow()->frameGeometry();
    // The top edge stays unless the bottom would pass the screen's; likewise the left edge.
    const int y = std::max(screen.y(), std::min(frame.y(), screen.bottom() + 1 - height));
    const int x = std::max(screen.x(), std::min(frame.x(), screen.right() + 1 - width));
    return QRect(x, y, width, height);
}

void BXNoteWindowCommands::performZoom()
{
    if (!m_controller.noteWindow())
        return;
    const QScreen* screen = m_controller.noteWindow()->screen()
        ? m_controller.noteWindow()->screen()
        : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect standard = windowWillUseStandardFrame(screen->availableGeometry());
    const QRect client = m_controller.noteWindow()->geometry();
    if (m_unzoomedGeometry && client == m_zoomedGeometry) {
        m_controller.noteWindow()->setGeometry(*m_unzoomedGeometry);
        m_unzoomedGeometry.reset();
        return;
    }
    m_unzoomedGeometry = client;
    const QRect frame = m_controller.noteWindow()->frameGeometry();
    m_controller.noteWindow()->setGeometry(
        standard.marginsRemoved(QMargins(client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom())));
    m_zoomedGeometry = m_controller.noteWindow()->geometry();
}

bool BXNoteWindowCommands::respondsTo(const QString& action) const
{
    return commandActions().contains(action);
}

std::optional<bool> BXNoteWindowCommands::validate(platform::Command& command) const
{
    const QString& action = command.action;
    const double factor = m_controller.noteTextZoomFactor();
    if (action == QLatin1String("increaseZoom:"))
        return factor < BXMainWindowTextDelegate::kMaxZoom;
    if (action == QLatin1String("decreaseZoom:"))
        return factor > BXMainWindowTextDelegate::kMinZoom;
    if (action == QLatin1String("resetZoom:"))
        return zoomPercent(factor) != 100;
    if (action == QLatin1String("setZoom:")) {
        command.checked = command.tag == zoomPercent(factor);
        return true;
    }
    if (action == QLatin1String("modifyFont:"))
        return m_controller.noteTextView()->hasFocus();
    if (action == QLatin1String("editImage:"))
        return m_controller.noteTextView()->hasFocus()
            && m_controller.noteTextView()->indexOfSelectedImage().has_value();
    if (action == QLatin1String("toggleRuler:")) {
        command.checked = m_controller.noteTextView()->isRulerVisible();
        return true;
    }
    if (action == platform::SharingServices::kShareFromServiceAction) {
        const std::unique_ptr<QTextDocument> text = selectedString();
        return text && AttributedText::length(*text) > 0;
    }
    return true;
}

std::optional<QString> BXNoteWindowCommands::titleFor(const platform::Command& command) const
{
    if (command.action == kExportSelectedNotes)
        return platform::localized(QStringLiteral("Export Note…"));
    if (command.action == kDeleteSelectedNotes)
        return platform::localized(QStringLiteral("Delete Note"));
    return std::nullopt;
}

void BXNoteWindowCommands::perform(const platform::Command& command)
{
    const QString& action = command.action;
    if (action == QLatin1String("showNoteInMainWindow:"))
        showNoteInMainWindow();
    else if (action == kDeleteSelectedNotes)
        deleteSelectedNotes();
    else if (action == QLatin1String("showMainWindow:"))
        showMainWindow();
    else if (action == kExportSelectedNotes)
        exportSelectedNotes();
    else if (action == QLatin1String("increaseZoom:"))
        increaseZoom();
    else if (action == QLatin1String("decreaseZoom:"))
        decreaseZoom();
    else if (action == QLatin1String("resetZoom:"))
        resetZoom();
    else if (action == QLatin1String("setZoom:"))
        m_controller.zoomToFactor(command.tag * 0.01);
    else if (action == QLatin1String("toggleRuler:"))
        m_controller.noteTextView()->setRulerVisible(
            !m_controller.noteTextView()->isRulerVisible());
    else if (action == QLatin1String("modifyFont:"))
        BXMainWindowTextDelegate::resizeText(m_controller.noteTextView(), command.tag);
    else if (action == QLatin1String("editImage:")) {
        if (const std::optional<qsizetype> index
            = m_controller.noteTextView()->indexOfSelectedImage())
            m_controller.noteTextView()->editImage(*index);
    } else if (action == QLatin1String("showWritingTools:"))
        // No writing assistant exists on this platform.
        platform::UserInput::current().beep();
    else if (action == QLatin1String("performClose:"))
        // As the window's close button: Alt held closes every note window.
        m_controller.noteWindow()->close();
    else if (action == QLatin1String("performZoom:"))
        performZoom();
    else if (action == QLatin1String("performMiniaturize:"))
        m_controller.noteWindow()->showMinimized();
    else if (action == platform::SharingServices::kShareFromServiceAction) {
        const std::unique_ptr<QTextDocument> text = selectedString();
        platform::SharingService* service
            = platform::SharingServices::shared().serviceWithIdentifier(
                command.representedObject.toString());
        if (service && text && AttributedText::length(*text) > 0)
            service->perform(*text, m_controller.currentNoteName(), m_controller.noteWindow());
    }
}
