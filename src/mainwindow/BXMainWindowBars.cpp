#include "mainwindow/BXMainWindowBars.h"

#include "mainwindow/BXBottomBarController.h"
#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/history/BXMainWindowHistory.h"
#include "mainwindow/history/BXPageController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/search/BXVibrantScopeBar.h"
#include "mainwindow/editor/BXWriterBar.h"

#include "document/model/BXNote.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/tags/BXTagsController.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/TokenField.h"

#include "platform/foundation/Dispatch.h"

#include <QAbstractButton>
#include <QPointer>
#include <QVBoxLayout>

namespace {

const QString kToggleTagsBarAction = QStringLiteral("toggleTagsBar:");

} // namespace

BXMainWindowBars::BXMainWindowBars(BXMainWindowController* controller)
    : QObject(controller), m_controller(controller)
{
    BXTextView* textView = controller->noteTextView();
    m_pane = textView->parentWidget();
    // The bars touch the text and each other.
    m_pane->layout()->setSpacing(0);
    m_bottomBarController = new BXBottomBarController(m_pane);
    // The bottom bar pushes the text up from under it.
    m_textHolder = m_bottomBarController->view()->attachTo(textView);
    // The tag editor's field lives in the bottom bar.
    QWidget* tags = m_bottomBarController->tagsContainer();
    auto* tagsField = new platform::TokenField(tags);
    tags->layout()->addWidget(tagsField);
    controller->tagsController()->setTokenField(tagsField);
    controller->history()->pageController()->setUpNavigationControl(
        m_bottomBarController->navigationControl());
}

void BXMainWindowBars::setupInfoBar()
{
    if (m_infoBar)
        return;
    BXTextView* textView = m_controller->noteTextView();
    auto* layout = static_cast<QVBoxLayout*>(m_pane->layout());
    m_infoBar = new BXInfoBarView(m_pane);
    m_infoBar->setFixedHeight(kInfoBarHeight);
    m_writerBar = new BXWriterBar(textView, BXWriterBar::Options::mainWindow(), m_pane);
    // From the top: info bar, writer bar, note text with the bottom bar.
    const int index = layout->indexOf(m_textHolder);
    layout->insertWidget(index, m_writerBar->view());
    layout->insertWidget(index, m_infoBar);
    connect(m_writerBar, &BXWriterBar::formatButtonClicked, m_controller,
        [controller = m_controller](QAbstractButton* button) {
            controller->formatButtonClicked(button);
        });
    // A command from a menu or the toolbar may change the fonts under an unmoved selection.
    connect(&platform::CommandRouter::shared(), &platform::CommandRouter::actionSent, m_writerBar,
        [bar = m_writerBar] { bar->refresh(); });
    // A note stays shown while the list has any.
    m_controller->notesController()->setAvoidsEmptySelection(true);
}

void BXMainWindowBars::updateBottomBarInfo()
{
    if (!m_infoBar)
        return;
    if (const std::shared_ptr<BXNote> note = m_controller->selectedNote())
        m_infoBar->updateWithCreationDate(note->noteCreated(), note->noteModified());
    else
        m_infoBar->clearInfo();
}

void BXMainWindowBars::noteShown()
{
    updateBottomBarInfo();
    QPointer<BXMainWindowBars> self(this);
    platform::dispatchAfter(kWriterBarRefreshDelay, this, [self] {
        if (self && self->m_writerBar)
            self->m_writerBar->refresh();
    });
}

void BXMainWindowBars::toggleTagsBar()
{
    // A toggle while the bar slides would leave the flag and the bar disagreeing.
    if (m_controller->listsCollapsed() || m_bottomBarController->isAnimating())
        return;
    m_tagsBarVisible = !m_tagsBarVisible;
    if (m_tagsBarVisible)
        m_bottomBarController->hideNavigationBarAnimating(false);
    QPointer<BXMainWindowController> controller(m_controller);
    m_bottomBarController->toggleBarAnimating(true, [controller] {
        if (!controller || !controller->mainWindow())
            return;
        // The focus was nowhere in particular: give it to the text.
        const QWidget* focus = controller->mainWindow()->focusWidget();
        if (!focus || focus == controller->mainWindow())
            controller->noteTextView()->setFocus();
    });
}

void BXMainWindowBars::loadTagsBarVisible(bool visible)
{
    m_tagsBarVisible = visible;
    if (visible && !m_controller->listsCollapsed()) {
        m_bottomBarController->hideNavigationBarAnimating(false);
        m_bottomBarController->showBarAnimating(false);
    }
}

void BXMainWindowBars::listsCollapsedChanged(bool collapsed)
{
    if (collapsed) {
        m_bottomBarController->showBarAnimating(true);
        m_bottomBarController->showNavigationBarAnimating(true);
    } else if (m_tagsBarVisible) {
        m_bottomBarController->hideNavigationBarAnimating(true);
    } else {
        m_bottomBarController->hideBarAnimating(true);
    }
}

bool BXMainWindowBars::respondsTo(const QString& action) const
{
    return action == kToggleTagsBarAction || (m_writerBar && m_writerBar->respondsTo(action));
}

std::optional<bool> BXMainWindowBars::validate(platform::Command& command) const
{
    if (m_writerBar && m_writerBar->respondsTo(command.action))
        return m_writerBar->validate(command);
    return std::nullopt;
}

void BXMainWindowBars::perform(const platform::Command& command)
{
    if (command.action == kToggleTagsBarAction)
        toggleTagsBar();
    else if (m_writerBar && m_writerBar->respondsTo(command.action))
        m_writerBar->perform(command);
}
