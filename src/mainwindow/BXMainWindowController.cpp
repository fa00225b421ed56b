#include "mainwindow/BXMainWindowController.h"

#include "mainwindow/BXBottomBarController.h"
#include "mainwindow/BXInfoBarView.h"
#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowCategorySelection.h"
#include "mainwindow/BXMainWindowFrameCommands.h"
#include "mainwindow/BXMainWindowNoteActions.h"
#include "mainwindow/BXMainWindowRecentNotes.h"
#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "mainwindow/BXMainWindowValidation.h"
#include "mainwindow/BXUnderpageView.h"
#include "mainwindow/BXWindowState.h"
#include "mainwindow/editor/BXFormatMenu.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXWriterBar.h"
#include "mainwindow/history/BXMainWindowHistory.h"
#include "mainwindow/image/BXImageViewController.h"
#include "mainwindow/notememory/BXNoteMemoryManager.h"
#include "mainwindow/notetext/BXNotesConcatenation.h"
#include "mainwindow/search/BXFlashingView.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/search/BXSearchField.h"
#include "mainwindow/search/BXSearchScopeBarController.h"
#include "mainwindow/search/BXVibrantScopeBar.h"

#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/tags/BXTagsController.h"

#include "ui/BXNotesToolbarView.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXFetchedNotesCategory.h"
#include "document/model/BXNote.h"

#include "platform/appkit/TokenField.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/UserInput.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowTracker.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"

#include <QTextDocument>
#include <QVBoxLayout>

using platform::TextRange;

BXMainWindowController::BXMainWindowController()
    : m_lists(std::make_unique<BXMainWindowLists>(
        [this] { return qobject_cast<BXDocument*>(document()); })),
      m_windowState(std::make_unique<BXWindowState>(*this)),
      m_noteMemory(std::make_unique<BXNoteMemoryManager>(*this)),
      m_tagsController(std::make_unique<BXTagsController>())
{
    setShouldCloseDocument(true);
    buildWindow();
    m_formatMenu = std::make_unique<BXFormatMenu>(m_window);
    connect(this, &WindowController::windowWillClose, this, [this] {
        removeObservations();
        m_noteMemory->stop();
    });
}

BXMainWindowController::~BXMainWindowController()
{
    removeObservations();
    if (m_noteTextView)
        m_noteTextView->setDelegate(nullptr);
    // The views first, then the lists.
    m_tagsController.reset();
    delete m_window.data();
    m_lists.reset();
}

void BXMainWindowController::buildWindow()
{
    m_window = new BXMainWindow(this);
    setWindow(m_window.data());
    m_splitView = new BXMainSplitView(m_window);
    m_outlineView = new BXOutlineView(m_splitView);
    m_tableView = new BXTableView(m_splitView);
    buildNotePane();
    m_panes = new BXMainWindowPanes(
        m_splitView, [this] { return !m_bars->bottomBarController()->isAnimating(); }, this);
    m_panes->placePanes(kDefaultWidth);
    m_window->setCentralWidget(m_splitView);

    m_lists->setViews(m_outlineView, m_tableView);
    m_textDelegate = new BXMainWindowTextDelegate(this);
    m_recentNotes = new BXMainWindowRecentNotes(this);
    m_history = new BXMainWindowHistory(this);
    m_validation = new BXMainWindowValidation(this);
    m_search = new BXMainWindowSearch(this);
    m_mainToolbar = new BXMainWindowToolbar(this);
    m_mainToolbar->setSearchField(m_search->searchField());
    m_mainToolbar->install();
    m_frameCommands = new BXMainWindowFrameCommands(this);
    m_noteActions = new BXMainWindowNoteActions(this);
    m_categorySelection = new BXMainWindowCategorySelection(this);
    m_bars = new BXMainWindowBars(this);
    // The date line follows the typing once it pauses, as the info panel does.
    connect(m_textDelegate, &BXMainWindowTextDelegate::infoUpdated, m_bars,
        &BXMainWindowBars::updateBottomBarInfo);
    connect(m_panes, &BXMainWindowPanes::listsCollapsedChanged, m_bars,
        &BXMainWindowBars::listsCollapsedChanged);
    // The window's commands, each answered by the first of these that takes it.
    m_commandHandlers = { m_textDelegate, m_history, m_mainToolbar, m_bars, m_search, m_noteActions,
        m_frameCommands, &m_undoCommands };

    m_searchScopeBarController = new BXSearchScopeBarController(m_tableView, this);
    connect(m_searchScopeBarController, &BXSearchScopeBarController::searchScopeChosen, m_search,
        [this](int scope) { m_search->setSearchScope(unsigned(scope)); });
    connect(m_search, &BXMainWindowSearch::searchScopeChanged, m_searchScopeBarController,
        [this](unsigned scope) { m_searchScopeBarController->setSearchScope(int(scope)); });
    connect(m_search, &BXMainWindowSearch::turnedAround, this,
        &BXMainWindowController::flashTurnaround);
    m_turnaroundView = new BXFlashingView(m_noteTextPane);
    m_turnaroundView->setImage(BXFlashingView::turnaroundImage());
}

void BXMainWindowController::buildNotePane()
{
    m_noteTextPane = new BXUnderpageView(this, m_splitView);
    auto* paneLayout = new QVBoxLayout(m_noteTextPane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    m_noteTextView = new BXTextView(m_noteTextPane);
    paneLayout->addWidget(m_noteTextView);
    m_noteTextView->setDelegate(this);
    m_noteTextView->setEditable(false);
    m_message = new BXNotePaneMessage(m_noteTextPane, this);
    m_textSwap = new BXMainWindowTextSwap(m_noteTextView, *this, this);
    m_editing = new BXMainWindowEditing(m_noteTextView, *this, this);
    connect(
        m_textSwap, &BXMainWindowTextSwap::swapDue, this, &BXMainWindowController::swapNoteText);
    connect(m_textSwap, &BXMainWindowTextSwap::shownStorageEdited, m_editing,
        &BXMainWindowEditing::textStorageDidProcessEditing);
}

void BXMainWindowController::windowDidLoad()
{
    if (m_loaded || !document())
        return;
    m_loaded = true;
    platform::ManagedObjectContext* context = document()->managedObjectContext();

    m_lists->setManagedObjectContext(context);
    m_windowState->loadSortPreferences();
    m_lists->awakeNotes();
    m_tagsController->setDelegate(this);
    m_tagsController->setCategoriesController(categoriesController());
    m_tagsController->setNotesController(notesController());
    m_tagsController->awakeFromNib();
    m_tagsController->refreshContents();

    // Opening leaves nothing to undo.
    context->processPendingChanges();
    if (platform::UndoManager* undo = document()->undoManager())
        undo->removeAllActions();

    m_observing = true;
    m_observations << connect(&platform::UserDefaults::standard(),
        &platform::UserDefaults::valueChanged, m_noteTextView,
        [this](const QString& key) { m_noteTextView->applyTextOptionDefault(key); });
    m_observations << connect(notesController(), &BXNotesArrayController::selectionChanged, this,
        &BXMainWindowController::noteSelectionChanged);
    m_editing->startObserving();
    m_observations << connect(categoriesController(),
        &BXCategoriesArrayController::selectionChanged, m_categorySelection,
        &BXMainWindowCategorySelection::categorySelectionChanged);
    m_noteActions->setupNotesToolbar();
    updateNoteMessage();
    if (auto* owner = qobject_cast<BXDocument*>(document())) {
        m_mainToolbar->setLockImage(owner->requirePassword());
        m_observations << connect(owner, &BXDocument::requirePasswordChanged, m_mainToolbar,
            qOverload<bool>(&BXMainWindowToolbar::setLockImage));
    }
    m_observations << connect(&platform::WindowTracker::current(),
        &platform::WindowTracker::mainWindowControllerChanged, this,
        [this](platform::WindowController* main) {
            if (main == this && !m_isMain)
                windowDidBecomeMain();
            else if (main != this && m_isMain)
                windowDidResignMain();
        });

    // "RulerUnitsChanged": the ruler takes the units under "RulerUnits".
    platform::NotificationCenter::defaultCenter().addObserver(
        this, RulerUnitsChanged, nullptr, [this](const platform::Notification& notification) {
            m_noteTextView->setRulerMeasurementUnits(
                notification.userInfo.value(RulerUnits).toString());
        });

    m_noteMemory->start();
    m_searchScopeBarController->setAllNotesCategory(categoriesController()->allNotesCategory());
    updateSearchScopeBarForCategories(selectedCategories());
    m_bars->setupInfoBar();
    // Tab reads the window as a user does: the lists, the note and its tags, then the bars.
    m_window->focusOrder().setRegions(
        { m_outlineView, m_tableView, m_noteTextView, tagsController()->tokenField(),
            m_mainToolbar->searchField(), m_mainToolbar->toolbar(), m_bars->writerBar()->view(),
            m_noteActions->notesToolbar(), m_bars->bottomBarController()->view() });
    m_windowState->loadPreferences();
}

bool BXMainWindowController::isSearchScopeBarHidden() const
{
    return m_searchScopeBarController->scopeBarHidden();
}

void BXMainWindowController::updateSearchScopeBarForCategories(const Notes& categories)
{
    m_searchScopeBarController->updateSearchScopeBarForCategories(categories);
}

void BXMainWindowController::handleScopeBarWithRange(std::optional<TextRange> range)
{
    // The range is selected after the bar's slide or a short delay. A caret that moved in the
    // meantime, by typing say, stays: selecting then would send the next keys elsewhere.
    const QPointer<QTextDocument> shown = m_noteTextView->mirror();
    const TextRange caret = m_noteTextView->selectedRange();
    m_searchScopeBarController->handleScopeBarWithRange(
        !searchString().isEmpty(), [this, range, shown, caret](bool hilite) {
            if (range && shown == m_noteTextView->mirror()
                && caret == m_noteTextView->selectedRange())
                selectRange(*range, hilite);
        });
}

void BXMainWindowController::flashTurnaround(bool backwards, bool withinNote)
{
    m_turnaroundView->setFlipped(backwards);
    if (withinNote)
        m_turnaroundView->flashWithContext(QVariant());
    else
        m_turnaroundView->flashWithCompletionHandler(nullptr);
}

QMenu* BXMainWindowController::formatPopupMenuIfNeeded()
{
    return m_formatMenu->formatPopupMenuIfNeeded();
}

void BXMainWindowController::formatButtonClicked(QWidget* button)
{
    m_formatMenu->formatButtonClicked(button);
}

void BXMainWindowController::showWindow()
{
    windowDidLoad();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

// The document hears of main-window changes from the tracker itself.
void BXMainWindowController::windowDidBecomeMain()
{
    m_isMain = true;
}

void BXMainWindowController::windowDidResignMain()
{
    m_isMain = false;
    m_textDelegate->invalidateUpdateTimer();
    m_lists->markCategoriesOfSelectedNotes(false);
}

void BXMainWindowController::releaseMemoryForInactiveNotes()
{
    m_noteMemory->releaseMemoryForInactiveNotes();
}

platform::UndoManager* BXMainWindowController::windowWillReturnUndoManager() const
{
    BXImageViewController* editor = m_noteTextView->editingViewController();
    if (editor && editor->popoverVisible())
        return editor->undoManager();
    return documentUndoManager();
}

platform::UndoManager* BXMainWindowController::documentUndoManager() const
{
    platform::Document* owner = document();
    return owner && owner->managedObjectContext() ? owner->managedObjectContext()->undoManager()
                                                  : nullptr;
}

void BXMainWindowController::documentWillClose()
{
    const bool keepCaret = m_noteTextView->hasFocus() && !m_editing->isTextViewRegistered();
    removeObservations();
    m_lists->ignoreObservation();
    if (keepCaret)
        saveSelectionRange();
    m_windowState->savePreferences();
}

void BXMainWindowController::removeObservations()
{
    if (!m_observing)
        return;
    m_observing = false;
    platform::NotificationCenter::defaultCenter().removeObserver(this, RulerUnitsChanged);
    for (const QMetaObject::Connection& connection : std::as_const(m_observations))
        disconnect(connection);
    m_observations.clear();
    m_editing->stopObserving();
    m_categorySelection->stopObserving();
}

void BXMainWindowController::noteSelectionChanged()
{
    if (!m_preferencesInited)
        return;
    // The document follows the selection for its observed note and the info panel.
    if (auto* owner = qobject_cast<BXDocument*>(document()))
        owner->updateSelectionForProvider(this);
    if (!m_textSwap->selectedNoteChanged() && !searchInProgress()) {
        // The same note stays; the scope bar still follows the search.
        handleScopeBarWithRange(m_noteTextView->selectedRange());
        return;
    }
    // The sidebar's marks follow the selection while they show, and show only while the tag
    // peek keys are held.
    if (m_window->isTagPeeking())
        m_lists->markCategoriesOfSelectedNotes(true);
    m_noteTextView->setSelectedRange({ 0, 0 });
    m_textSwap->scheduleSwap();
}

void BXMainWindowController::swapNoteText()
{
    updateNoteText(selectedNote());
    m_bars->noteShown();
    emit noteTextSwapped();
}

void BXMainWindowController::updateNoteText(const std::shared_ptr<BXNote>& note)
{
    updateNoteMessage();
    // With no single note the scope bar still follows the search: a cleared one hides it.
    if (!note)
        handleScopeBarWithRange(std::nullopt);
    m_history->noteWillShow(note);
    setNoteText(note);
}

void BXMainWindowController::noteTextWillShow(const std::shared_ptr<BXNote>& note)
{
    m_noteMemory->noteShown(note);
}

std::optional<TextRange> BXMainWindowController::rangeToShowInNote(const BXNote& note)
{
    return m_search->rangeToShowInNote(note);
}

void BXMainWindowController::updateNoteMessage()
{
    m_message->update(selectedNotes().size());
}

void BXMainWindowController::objectDidEndEditing(BXTextView* textView)
{
    m_editing->objectDidEndEditing(textView);
}

platform::Responder* BXMainWindowController::handlerFor(const QString& action) const
{
    for (platform::Responder* handler : m_commandHandlers) {
        if (handler->respondsTo(action))
            return handler;
    }
    return nullptr;
}

bool BXMainWindowController::respondsTo(const QString& action) const
{
    return handlerFor(action) != nullptr;
}

std::optional<bool> BXMainWindowController::validate(platform::Command& command) const
{
    if (const std::optional<bool> answer = m_validation->validateMenuItem(command))
        return answer;
    platform::Responder* handler = handlerFor(command.action);
    return handler ? handler->validate(command) : std::nullopt;
}

void BXMainWindowController::perform(const platform::Command& command)
{
    if (platform::Responder* handler = handlerFor(command.action))
        handler->perform(command);
}

std::optional<QString> BXMainWindowController::titleFor(const platform::Command& command) const
{
    if (platform::Responder* handler = handlerFor(command.action)) {
        if (std::optional<QString> title = handler->titleFor(command))
            return title;
    }
    return m_validation->titleFor(command);
}

void BXMainWindowController::buildRecentsMenu(QMenu* menu)
{
    m_recentNotes->buildRecentsMenu(menu);
}

bool BXMainWindowController::noteDirty() const
{
    return document() && document()->hasUnautosavedChanges();
}

double BXMainWindowController::noteTextZoomFactor() const
{
    return m_noteTextView->zoomFactor();
}

void BXMainWindowController::zoomToFactor(double factor)
{
    m_noteTextView->zoomToFactor(BXMainWindowTextDelegate::zoomWithinRange(factor));
}

void BXMainWindowController::renameCategory(const platform::Command& sender)
{
    m_noteActions->renameCategory(sender);
}

bool BXMainWindowController::selectNotes(const Notes& notes, bool scrollingToSelection)
{
    if (!endEditing())
        return false;
    if (m_lists->selectNotes(notes, scrollingToSelection))
        return true;
    if (!searchString().isEmpty()) {
        resetSearchIgnoringString(false);
        if (m_lists->selectNotes(notes, scrollingToSelection))
            return true;
    }
    return m_lists->selectNotesInAllNotes(notes, scrollingToSelection);
}

void BXMainWindowController::openNoteWindowsForNotes(const Notes& notes)
{
    if (auto* owner = qobject_cast<BXDocument*>(document()))
        owner->openNoteWindowsForNotes(
            notes, platform::UserInput::current().keyboardModifiers() & Qt::ShiftModifier);
}

void BXMainWindowController::resetSearchIgnoringString(bool ignoringString)
{
    m_search->resetSearchIgnoringString(ignoringString);
}

QString BXMainWindowController::searchString() const
{
    return m_search->searchString();
}

void BXMainWindowController::setSearchString(const QString& text)
{
    m_search->setSearchString(text);
}

bool BXMainWindowController::searchInProgress() const
{
    return m_search->searchInProgress();
}

std::unique_ptr<QTextDocument> BXMainWindowController::concatenateNotes() const
{
    return BXNotesConcatenation::concatenate(selectedNotes());
}

std::shared_ptr<QObject> BXMainWindowController::printView(
    const std::shared_ptr<platform::PrintInfo>& printInfo)
{
    if (!printInfo)
        return nullptr;
    if (selectedNotes().size() >= 2)
        return BXTextView::makePrintView(*concatenateNotes(), this, *printInfo);
    return BXTextView::makePrintView(*m_noteTextView->mirror(), this, *printInfo);
}
