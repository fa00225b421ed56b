#include "mainwindow/notewindow/BXNoteWindowCommands.h"

#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notewindow/BXNoteWindowCommandsDelegate.h"
#include "mainwindow/notewindow/BXNoteWindowToolbar.h"

#include "ui/BXBlockAlert.h"

#include "document/BXDocument.h"
#include "document/BXMainWindowProvider.h"

#include "platform/appkit/SharingService.h"
#include "platform/appkit/SharingServices.h"
#include "platform/appkit/UserInput.h"
#include "platform/documents/WindowController.h"
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

BXNoteWindowCommands::BXNoteWindowCommands(BXNoteWindowCommandsDelegate& delegate, QObject* parent)
    : QObject(parent), m_delegate(delegate)
{ }

std::unique_ptr<QTextDocument> BXNoteWindowCommands::selectedString() const
{
    if (!m_delegate.noteTextView()->hasFocus())
        return nullptr;
    const QTextDocument& shown = *m_delegate.noteTextView()->mirror();
    const TextRange selection = m_delegate.noteTextView()->selectedRange();
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
    BXDocument* owner = m_delegate.bxDocument();
    if (auto* main = owner
            ? dynamic_cast<platform::WindowController*>(owner->mainWindowController())
            : nullptr)
        main->showWindow();
}

void BXNoteWindowCommands::showNoteInMainWindow()
{
    BXDocument* owner = m_delegate.bxDocument();
    if (!owner)
        return;
    owner->showNotesInMainWindowList({ m_delegate.noteItem() });
    const Qt::KeyboardModifiers modifiers = platform::UserInput::current().keyboardModifiers();
    if (!(modifiers & Qt::ShiftModifier))
        showMainWindow();
    if (modifiers & Qt::AltModifier)
        m_delegate.closeWindow();
}

void BXNoteWindowCommands::deleteSelectedNotes()
{
    if (platform::UserInput::current().keyboardModifiers() & Qt::AltModifier) {
        deleteNote();
        return;
    }
    QPointer<BXNoteWindowCommands> self(this);
    BXBlockAlert::showSheetModalForWindow(
        m_delegate.noteWindow(),
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
    BXDocument* owner = m_delegate.bxDocument();
    if (!owner)
        return;
    if (platform::UndoManager* undo = m_delegate.documentUndoManager())
        undo->setActionName(platform::localized(QStringLiteral("Delete Note")));
    // The document closes this window first; the controller may be gone afterwards.
    owner->deleteNotes({ m_delegate.noteItem() });
}

void BXNoteWindowCommands::exportSelectedNotes()
{
    if (BXDocument* owner = m_delegate.bxDocument())
        owner->exportNotes(QList<platform::ManagedObjectPtr> { m_delegate.noteItem() });
}

void BXNoteWindowCommands::increaseZoom()
{
    const double factor = m_delegate.noteTextZoomFactor();
    if (factor < BXMainWindowTextDelegate::kMaxZoom)
        m_delegate.zoomToFactor(BXMainWindowTextDelegate::zoomedIn(factor));
}

void BXNoteWindowCommands::decreaseZoom()
{
    const double factor = m_delegate.noteTextZoomFactor();
    if (factor > BXMainWindowTextDelegate::kMinZoom)
        m_delegate.zoomToFactor(BXMainWindowTextDelegate::zoomedOut(factor));
}

void BXNoteWindowCommands::resetZoom()
{
    m_delegate.zoomToFactor(1.0);
}

void BXNoteWindowCommands::setZoom(const QString& title)
{
    bool ok = false;
    const double percent = title.chopped(title.isEmpty() ? 0 : 1).toDouble(&ok);
    if (ok)
        m_delegate.zoomToFactor(percent * 0.01);
}

QRect BXNoteWindowCommands::windowWillUseStandardFrame(const QRect& screen) const
{
    if (platform::UserInput::current().keyboardModifiers() & Qt::ControlModifier)
        return screen;
    // The text as it would lie at the screen's width.
    QSizeF text;
    if (m_delegate.noteTextView()->textStorage()) {
        const std::unique_ptr<QTextDocument> copy(m_delegate.noteTextView()->mirror()->clone());
        copy->setTextWidth(screen.width());
        text = QSizeF(copy->idealWidth(), copy->size().height())
            * m_delegate.noteTextView()->zoomFactor();
    }
    // Everything around the text: title bar, frame, toolbars.
    const QSize decoration
        = m_delegate.noteWindow()->frameGeometry().size() - m_delegate.noteTextView()->size();
    const int scroller
        = m_delegate.noteTextView()->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    const int width = std::clamp(int(std::ceil(text.width())) + scroller + decoration.width()
            + int(platform::TextView::kInsetWidth),
        m_delegate.noteWindow()->minimumWidth(),
        std::max(screen.width(), m_delegate.noteWindow()->minimumWidth()));
    const int height = std::clamp(int(std::ceil(text.height())) + decoration.height(),
        m_delegate.noteWindow()->minimumHeight(),
        std::max(screen.height(), m_delegate.noteWindow()->minimumHeight()));
    const QRect frame = m_delegate.noteWindow()->frameGeometry();
    // The top edge stays unless the bottom would pass the screen's; likewise the left edge.
    const int y = std::max(screen.y(), std::min(frame.y(), screen.bottom() + 1 - height));
    const int x = std::max(screen.x(), std::min(frame.x(), screen.right() + 1 - width));
    return QRect(x, y, width, height);
}

void BXNoteWindowCommands::performZoom()
{
    if (!m_delegate.noteWindow())
        return;
    const QScreen* screen = m_delegate.noteWindow()->screen() ? m_delegate.noteWindow()->screen()
                                                              : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect standard = windowWillUseStandardFrame(screen->availableGeometry());
    const QRect client = m_delegate.noteWindow()->geometry();
    if (m_unzoomedGeometry && client == m_zoomedGeometry) {
        m_delegate.noteWindow()->setGeometry(*m_unzoomedGeometry);
        m_unzoomedGeometry.reset();
        return;
    }
    m_unzoomedGeometry = client;
    const QRect frame = m_delegate.noteWindow()->frameGeometry();
    m_delegate.noteWindow()->setGeometry(
        standard.marginsRemoved(QMargins(client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom())));
    m_zoomedGeometry = m_delegate.noteWindow()->geometry();
}

bool BXNoteWindowCommands::respondsTo(const QString& action) const
{
    return commandActions().contains(action);
}

std::optional<bool> BXNoteWindowCommands::validate(platform::Command& command) const
{
    const QString& action = command.action;
    const double factor = m_delegate.noteTextZoomFactor();
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
        return m_delegate.noteTextView()->hasFocus();
    if (action == QLatin1String("editImage:"))
        return m_delegate.noteTextView()->hasFocus()
            && m_delegate.noteTextView()->indexOfSelectedImage().has_value();
    if (action == QLatin1String("toggleRuler:")) {
        command.checked = m_delegate.noteTextView()->isRulerVisible();
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
        m_delegate.zoomToFactor(command.tag * 0.01);
    else if (action == QLatin1String("toggleRuler:"))
        m_delegate.noteTextView()->setRulerVisible(!m_delegate.noteTextView()->isRulerVisible());
    else if (action == QLatin1String("modifyFont:"))
        BXMainWindowTextDelegate::resizeText(m_delegate.noteTextView(), command.tag);
    else if (action == QLatin1String("editImage:")) {
        if (const std::optional<qsizetype> index
            = m_delegate.noteTextView()->indexOfSelectedImage())
            m_delegate.noteTextView()->editImage(*index);
    } else if (action == QLatin1String("showWritingTools:"))
        // No writing assistant exists on this platform.
        platform::UserInput::current().beep();
    else if (action == QLatin1String("performClose:"))
        // As the window's close button: Alt held closes every note window.
        m_delegate.noteWindow()->close();
    else if (action == QLatin1String("performZoom:"))
        performZoom();
    else if (action == QLatin1String("performMiniaturize:"))
        m_delegate.noteWindow()->showMinimized();
    else if (action == platform::SharingServices::kShareFromServiceAction) {
        const std::unique_ptr<QTextDocument> text = selectedString();
        platform::SharingService* service
            = platform::SharingServices::shared().serviceWithIdentifier(
                command.representedObject.toString());
        if (service && text && AttributedText::length(*text) > 0)
            service->perform(*text, m_delegate.currentNoteName(), m_delegate.noteWindow());
    }
}
