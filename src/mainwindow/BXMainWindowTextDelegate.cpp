#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "platform/appkit/Toolbar.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/notetext/BXNotesConcatenation.h"
#include "mainwindow/search/BXMainWindowSearch.h"

#include "ui/BXGlobalConstants.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/SharingServices.h"
#include "platform/appkit/UserInput.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/text/AttributedText.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <cmath>

using platform::AttributedText;
using platform::TextRange;

namespace {

QFont resizedFont(QFont font, int delta)
{
    const double size
        = font.pointSizeF() > 0 ? font.pointSizeF() : AttributedText::systemFont().pointSizeF();
    font.setPointSizeF(std::max(1.0, size + delta));
    return font;
}

} // namespace

BXMainWindowTextDelegate::BXMainWindowTextDelegate(BXMainWindowController* controller)
    : QObject(controller),
      m_controller(controller),
      m_updateTimer(kTypingRefreshDelay, false, [this] { fireInfoUpdate(); })
{
    connect(controller->noteTextView(), &platform::TextView::textDidChange, this,
        &BXMainWindowTextDelegate::textDidChange);
    platform::NotificationCenter::defaultCenter().addObserver(this,
        BXTextView::MagnifyTextViewNotification, nullptr,
        [this](
            const platform::Notification& notification) { handleMagnifyTextView(notification); });
}

BXMainWindowTextDelegate::~BXMainWindowTextDelegate()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void BXMainWindowTextDelegate::textDidChange()
{
    if (m_controller->noteTextView()->isCoalescingTyping())
        m_updateTimer.start();
    else
        fireInfoUpdate();
}

void BXMainWindowTextDelegate::fireInfoUpdate()
{
    m_updateTimer.invalidate();
    if (auto* document = qobject_cast<BXDocument*>(m_controller->document()))
        document->updateSelectionForProvider(m_controller);
    emit infoUpdated();
}

QVariantMap BXMainWindowTextDelegate::convertAttributes(const QVariantMap& attributes)
{
    const platform::StringAttributes defaults = BXDocument::defaultStringAttributes();
    QVariantMap defaultMap;
    defaultMap.insert(AttributedText::FontAttributeName, defaults.characters.font());
    if (defaults.characters.hasProperty(QTextFormat::ForegroundBrush))
        defaultMap.insert(
            AttributedText::ForegroundColorAttributeName, defaults.characters.foreground().color());
    if (AttributedText::hasParagraphStyle(defaults.paragraph))
        defaultMap.insert(AttributedText::ParagraphStyleAttributeName,
            QVariant::fromValue(AttributedText::paragraphStyle(defaults.paragraph)));

    QVariantMap converted = attributes;
    for (auto it = converted.begin(); it != converted.end();) {
        if (it.key() == AttributedText::AttachmentAttributeName) {
            ++it;
        } else if (defaultMap.contains(it.key())) {
            it.value() = defaultMap.value(it.key());
            ++it;
        } else {
            it = converted.erase(it);
        }
    }
    return converted;
}

bool BXMainWindowTextDelegate::textViewDoubleClickedOnCell(
    BXTextView* textView, qsizetype index, const QRect& rect)
{
    if (!textView->hasImageAtIndex(index))
        return false;
    textView->editImage(index, rect);
    return true;
}

void BXMainWindowTextDelegate::textViewMenu(BXTextView* textView, QMenu* menu, qsizetype index)
{
    if (!textView->hasImageAtIndex(index))
        return;
    QAction* first = menu->actions().value(0);
    auto* item = new QAction(platform::localized(QStringLiteral("Edit Image")), menu);
    platform::CommandRouter::setAction(item, QStringLiteral("editImage:"));
    platform::CommandRouter::setTarget(item, textView);
    platform::CommandRouter::setRepresentedObject(item, QVariant::fromValue(qlonglong(index)));
    // Sent straight to the view: the picture need not be the selection.
    connect(item, &QAction::triggered, textView, [textView, index] { textView->editImage(index); });
    menu->insertAction(first, item);
    menu->insertSeparator(first);
}

void BXMainWindowTextDelegate::searchForHashtag(const QString& hashtag)
{
    if (hashtag.isEmpty())
        return;
    m_controller->mainToolbar()->toolbar()->setVisible(true);
    m_controller->setSearchString(hashtag);
    m_controller->search()->searchNotes();
}

void BXMainWindowTextDelegate::decreaseZoom()
{
    const double factor = m_controller->noteTextView()->zoomFactor();
    if (factor > kMinZoom)
        m_controller->zoomToFactor(zoomedOut(factor));
}

void BXMainWindowTextDelegate::increaseZoom()
{
    const double factor = m_controller->noteTextView()->zoomFactor();
    if (factor < kMaxZoom)
        m_controller->zoomToFactor(zoomedIn(factor));
}

double BXMainWindowTextDelegate::zoomedIn(double factor)
{
    return std::min(BXGlobalConstants::normalizedFactor(factor, kZoomStep) + kZoomStep, kMaxZoom);
}

double BXMainWindowTextDelegate::zoomedOut(double factor)
{
    return std::max(BXGlobalConstants::normalizedFactor(factor, kZoomStep) - kZoomStep, kMinZoom);
}

double BXMainWindowTextDelegate::zoomWithinRange(double factor)
{
    return std::isnan(factor) ? 1.0 : std::clamp(factor, kMinZoom, kMaxZoom);
}

void BXMainWindowTextDelegate::resetZoom()
{
    m_controller->zoomToFactor(1.0);
}

void BXMainWindowTextDelegate::setZoom(const QString& title)
{
    bool ok = false;
    const double percent = title.chopped(title.isEmpty() ? 0 : 1).toDouble(&ok);
    if (ok)
        m_controller->zoomToFactor(percent * 0.01);
}

void BXMainWindowTextDelegate::setZoomPopup(platform::PopUpButton* popup)
{
    if (m_zoomPopup)
        disconnect(m_zoomPopup, nullptr, this, nullptr);
    m_zoomPopup = popup;
    if (!popup)
        return;
    connect(popup, &platform::PopUpButton::itemChosen, this,
        [this](QAction* item) { setZoom(item->text()); });
    updateZoomPopup(popup, m_controller->noteTextView()->zoomFactor());
}

void BXMainWindowTextDelegate::handleMagnifyTextView(const platform::Notification& notification)
{
    const auto* view = qobject_cast<BXTextView*>(
        notification.userInfo.value(QStringLiteral("textView")).value<QObject*>());
    // The view's own factor: the announced one travels as a float, which puts 0.29 just
    // under 29 %.
    if (view && view == m_controller->noteTextView())
        updateZoomFactor(view->zoomFactor());
}

void BXMainWindowTextDelegate::updateZoomFactor(double factor)
{
    if (m_zoomPopup)
        updateZoomPopup(m_zoomPopup, factor);
}

void BXMainWindowTextDelegate::updateZoomPopup(platform::PopUpButton* popup, double factor)
{
    // The hair keeps factors such as 0.29, whose product with 100 falls just short of 29, at
    // their own percent.
    const int percent = int(std::floor(factor * 100.0 + 1e-9));
    if (!popup->selectItemWithTag(percent))
        popup->setTitle(QStringLiteral("%1%").arg(percent));
}

void BXMainWindowTextDelegate::toggleRuler()
{
    BXTextView* view = m_controller->noteTextView();
    view->setRulerVisible(!view->isRulerVisible());
}

void BXMainWindowTextDelegate::resizeText(int tag)
{
    resizeText(m_controller->noteTextView(), tag);
}

void BXMainWindowTextDelegate::resizeText(BXTextView* view, int tag)
{
    const int delta = tag == kSizeUpTag ? 1 : tag == kSizeDownTag ? -1 : 0;
    if (delta == 0 || !view->isEditable())
        return;
    const TextRange selection = view->selectedRange();
    if (selection.length == 0) {
        QTextCharFormat typing = view->typingAttributes();
        typing.setFont(resizedFont(typing.font(), delta));
        view->setTypingAttributes(typing);
        return;
    }
    QTextDocument& text = *view->mirror();
    view->performUserEdit(platform::localized(QStringLiteral("Font Size")), [&] {
        QTextCursor cursor(&text);
        qsizetype position = selection.location;
        while (position < selection.end()) {
            TextRange run;
            const QVariantMap attributes = AttributedText::attributes(text, position, &run);
            const qsizetype end = std::min(run.end(), selection.end());
            const QVariant font = attributes.value(AttributedText::FontAttributeName);
            QTextCharFormat size;
            size.setFontPointSize(
                resizedFont(font.isValid() ? font.value<QFont>() : view->font(), delta)
                    .pointSizeF());
            cursor.setPosition(int(position));
            cursor.setPosition(int(end), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(size);
            position = std::max(end, position + 1);
        }
    });
}

void BXMainWindowTextDelegate::showWritingTools()
{
    platform::UserInput::current().beep();
}

QString BXMainWindowTextDelegate::currentNoteName() const
{
    const qsizetype count = m_controller->selectedNotes().size();
    if (count < 2) {
        const std::shared_ptr<BXNote> note = m_controller->selectedNote();
        return note ? note->noteTitle() : QString();
    }
    const platform::Document* document = m_controller->document();
    const QUrl url = document ? document->fileURL() : QUrl();
    const QString name = url.isEmpty() ? platform::localized(QStringLiteral("Untitled"))
                                       : QFileInfo(url.toLocalFile()).completeBaseName();
    return platform::format(
        platform::localized(QStringLiteral("%ld selected notes in \u2018%@\u2019 notepad")), count,
        name);
}

std::unique_ptr<QTextDocument> BXMainWindowTextDelegate::selectedString() const
{
    const QList<platform::ManagedObjectPtr> notes = m_controller->selectedNotes();
    if (notes.size() >= 2)
        return BXNotesConcatenation::concatenate(notes);
    const QTextDocument& shown = *m_controller->noteTextView()->mirror();
    const TextRange selection = m_controller->noteTextView()->selectedRange();
    // Nothing selected shares the whole note.
    if (selection.length == 0)
        return AttributedText::attributedSubstring(shown, { 0, AttributedText::length(shown) });
    return AttributedText::attributedSubstring(shown, selection);
}

std::unique_ptr<QTextDocument> BXMainWindowTextDelegate::attributedStringForSharing() const
{
    const QList<platform::ManagedObjectPtr> notes = m_controller->selectedNotes();
    if (notes.size() >= 2)
        return BXNotesConcatenation::concatenate(notes);
    const QTextDocument& shown = *m_controller->noteTextView()->mirror();
    return AttributedText::attributedSubstring(shown, { 0, AttributedText::length(shown) });
}

QMenu* BXMainWindowTextDelegate::showSharingServicePicker(QWidget* sender)
{
    std::shared_ptr<QTextDocument> text = attributedStringForSharing();
    if (AttributedText::length(*text) == 0 || !sender) {
        platform::UserInput::current().beep();
        return nullptr;
    }
    auto* menu = new QMenu(sender);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QPointer<BXMainWindowTextDelegate> self(this);
    for (const auto& service : platform::SharingServices::shared().services()) {
        const QString identifier = service->identifier();
        connect(menu->addAction(service->icon(), service->title()), &QAction::triggered, menu,
            [self, identifier, text] {
                if (self)
                    self->share(identifier, *text);
            });
    }
    menu->popup(sender->mapToGlobal(QPoint(0, sender->height())));
    return menu;
}

bool BXMainWindowTextDelegate::shareFromService(const QString& identifier)
{
    const std::unique_ptr<QTextDocument> text = selectedString();
    return share(identifier, *text);
}

bool BXMainWindowTextDelegate::share(const QString& identifier, const QTextDocument& text)
{
    platform::SharingService* service
        = platform::SharingServices::shared().serviceWithIdentifier(identifier);
    if (!service)
        return false;
    return service->perform(text, currentNoteName(), m_controller->mainWindow());
}

bool BXMainWindowTextDelegate::respondsTo(const QString& action) const
{
    static const QStringList actions { QStringLiteral("increaseZoom:"),
        QStringLiteral("decreaseZoom:"), QStringLiteral("resetZoom:"), QStringLiteral("setZoom:"),
        QStringLiteral("toggleRuler:"), QStringLiteral("resizeText:"),
        QStringLiteral("showWritingTools:"), platform::SharingServices::kShareFromServiceAction };
    return actions.contains(action);
}

std::optional<bool> BXMainWindowTextDelegate::validate(platform::Command& command) const
{
    if (command.action == QLatin1String("toggleRuler:"))
        command.checked = m_controller->noteTextView()->isRulerVisible();
    return std::nullopt;
}

void BXMainWindowTextDelegate::perform(const platform::Command& command)
{
    const QString& action = command.action;
    if (action == QLatin1String("increaseZoom:"))
        increaseZoom();
    else if (action == QLatin1String("decreaseZoom:"))
        decreaseZoom();
    else if (action == QLatin1String("resetZoom:"))
        resetZoom();
    else if (action == QLatin1String("setZoom:"))
        m_controller->zoomToFactor(command.tag * 0.01);
    else if (action == QLatin1String("toggleRuler:"))
        toggleRuler();
    else if (action == QLatin1String("resizeText:"))
        resizeText(command.tag);
    else if (action == QLatin1String("showWritingTools:"))
        showWritingTools();
    else if (action == platform::SharingServices::kShareFromServiceAction)
        shareFromService(command.representedObject.toString());
}
