#include "mainwindow/notewindow/BXNoteWindowBars.h"

#include "mainwindow/BXBottomBarController.h"
#include "mainwindow/editor/BXFormatMenu.h"
#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/notewindow/BXNoteWindowController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/search/BXVibrantScopeBar.h"
#include "mainwindow/editor/BXWriterBar.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/tags/BXTagsController.h"

#include "document/model/BXNote.h"

#include "platform/appkit/TokenField.h"
#include "platform/documents/Document.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>

namespace {

const QString kToggleTagsBarAction = QStringLiteral("toggleTagsBar:");
const QString kShowGuessPanelAction = QStringLiteral("showGuessPanel:");
constexpr int kTagsLabelIndent = 8;

} // namespace

BXNoteWindowBars::BXNoteWindowBars(BXNoteWindowController& controller)
    : QObject(&controller),
      m_controller(controller),
      m_tagsController(std::make_unique<BXTagsController>()),
      m_formatMenu(std::make_unique<BXFormatMenu>(controller.noteWindow()))
{
    BXTextView* textView = controller.noteTextView();
    QWidget* pane = textView->parentWidget();
    auto* layout = static_cast<QVBoxLayout*>(pane->layout());
    layout->setSpacing(0);
    textView->setFrameShape(QFrame::NoFrame);

    // From the top: info bar, writer bar, note text, tags bar.
    m_infoBar = new BXInfoBarView(pane);
    m_infoBar->setFixedHeight(kInfoBarHeight);
    m_writerBar = new BXWriterBar(textView, BXWriterBar::Options::noteWindow(), pane);
    const int index = layout->indexOf(textView);
    layout->insertWidget(index, m_writerBar->view());
    layout->insertWidget(index, m_infoBar);
    m_bottomBarController = new BXBottomBarController(pane, false);
    // The tags bar pushes the text up from under it.
    m_bottomBarController->view()->attachTo(textView);
    // No navigation bar in front: no divider, and the label keeps off the leading edge.
    m_bottomBarController->verticalDivider()->hide();
    m_bottomBarController->tagsLabel()->setContentsMargins(kTagsLabelIndent, 0, 0, 0);

    auto* field = new platform::TokenField(m_bottomBarController->tagsContainer());
    m_bottomBarController->tagsContainer()->layout()->addWidget(field);
    m_tagsController->setTokenField(field);

    connect(m_writerBar, &BXWriterBar::formatButtonClicked, this,
        [this](QAbstractButton* button) { m_formatMenu->formatButtonClicked(button); });
    connect(m_writerBar, &BXWriterBar::appearanceChanged, this,
        &BXNoteWindowBars::updateRulerAppearance);
    controller.noteWindow()->installEventFilter(this);
}

BXNoteWindowBars::~BXNoteWindowBars()
{
    delete m_spellingPanel.data();
}

void BXNoteWindowBars::setUpTags(const std::shared_ptr<BXNote>& note,
    BXCategoriesArrayController* categories, BXTagsControllerDelegate* delegate)
{
    m_tagsController->setDelegate(delegate);
    m_tagsController->awakeFromNib();
    m_tagsController->setUpWithNoteItem(note, categories);
}

void BXNoteWindowBars::revealTagsBarLater(bool visible)
{
    if (!visible)
        return;
    QPointer<BXNoteWindowBars> self(this);
    platform::dispatchAfter(kTagsBarRevealDelay, this, [self] {
        if (self)
            self->m_bottomBarController->showBarAnimating(false);
    });
}

bool BXNoteWindowBars::isTagsBarVisible() const
{
    return m_bottomBarController->isBarVisible();
}

void BXNoteWindowBars::toggleTagsBar()
{
    QPointer<BXNoteWindowController> controller(&m_controller);
    m_bottomBarController->toggleBarAnimating(true, [controller] {
        if (!controller || !controller->noteWindow())
            return;
        const QWidget* focus = controller->noteWindow()->focusWidget();
        if (!focus || focus == controller->noteWindow())
            controller->noteTextView()->setFocus();
    });
}

void BXNoteWindowBars::updateInfoBar()
{
    if (const BXNote::NotePtr note = m_controller.noteItem())
        m_infoBar->updateWithCreationDate(note->noteCreated(), note->noteModified());
}

void BXNoteWindowBars::updateRulerAppearance()
{
    m_controller.noteTextView()->updateRulerAppearance();
}

void BXNoteWindowBars::showGuessPanel()
{
    if (!m_spellingPanel) {
        m_spellingPanel = new platform::SpellingPanel(m_controller.noteWindow());
        m_spellingPanel->setTextView(m_controller.noteTextView());
    }
    m_spellingPanel->show();
    m_spellingPanel->raise();
    m_spellingPanel->findNext();
}

bool BXNoteWindowBars::eventFilter(QObject* watched, QEvent* event)
{
    // The type first: the window may be half destroyed when it sends its last events.
    const bool paletteChange = event->type() == QEvent::PaletteChange
        || event->type() == QEvent::ApplicationPaletteChange;
    if (paletteChange && watched == m_controller.noteWindow())
        updateRulerAppearance();
    return QObject::eventFilter(watched, event);
}

bool BXNoteWindowBars::respondsTo(const QString& action) const
{
    return action == kToggleTagsBarAction || action == kShowGuessPanelAction
        || m_writerBar->respondsTo(action);
}

std::optional<bool> BXNoteWindowBars::validate(platform::Command& command) const
{
    if (m_writerBar->respondsTo(command.action))
        return m_writerBar->validate(command);
    return std::nullopt;
}

std::optional<QString> BXNoteWindowBars::titleFor(const platform::Command& command) const
{
    if (command.action == kToggleTagsBarAction)
        return platform::localized(
            isTagsBarVisible() ? QStringLiteral("Hide Tags") : QStringLiteral("Show Tags"));
    return std::nullopt;
}

void BXNoteWindowBars::perform(const platform::Command& command)
{
    if (command.action == kToggleTagsBarAction)
        toggleTagsBar();
    else if (command.action == kShowGuessPanelAction)
        showGuessPanel();
    else if (m_writerBar->respondsTo(command.action))
        m_writerBar->perform(command);
}
