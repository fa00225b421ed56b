#include "mainwindow/BXMainWindowController.h"

#include "mainwindow/BXBottomBarController.h"
#include "mainwindow/search/BXFlashingView.h"
#include "mainwindow/editor/BXFormatMenu.h"
#include "mainwindow/image/BXImageViewController.h"
#include "mainwindow/BXMainSplitView.h"
#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowBars.h"
#include "mainwindow/BXMainWindowCategorySelection.h"
#include "mainwindow/BXMainWindowFrameCommands.h"
#include "mainwindow/history/BXMainWindowHistory.h"
#include "mainwindow/BXMainWindowNoteActions.h"
#include "mainwindow/BXMainWindowRecentNotes.h"
#include "mainwindow/search/BXMainWindowSearch.h"
#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "mainwindow/BXMainWindowValidation.h"
#include "mainwindow/notememory/BXNoteMemoryManager.h"
#include "mainwindow/editor/BXNoteTextWriter.h"
#include "mainwindow/search/BXSearchField.h"
#include "mainwindow/search/BXSearchScopeBarController.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/BXUnderpageView.h"
#include "mainwindow/BXWindowState.h"

#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesListModel.h"
#include "lists/sidebar/BXOutlineView.h"
#include "lists/BXTableView.h"
#include "lists/tags/BXTagsController.h"
#include "ui/BXFadingText.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXFetchedNotesCategory.h"
#include "document/model/BXManagedObjectUtilities.h"
#include "document/model/BXNote.h"

#include "platform/appkit/UserInput.h"
#include "platform/controllers/Editor.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowTracker.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Format.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/SharedTextStorage.h"

#include <QApplication>
#include <QFileInfo>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QVBoxLayout>

using platform::AttributedText;
using platform::TextRange;

namespace {

constexpr int kSidebarWidth = 190;
constexpr int kNotesListWidth = 300;
constexpr double kMessageFontSize = 18;

} // namespace

BXMainWindowController::BXMainWindowController()
    : m_categoriesController(std::make_unique<BXCategoriesArrayController>()),
      m_notesController(std::make_unique<BXNotesArrayController>()),
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
    // The views first, then the list before the sidebar: the document and its context may be
    // gone already, and the sidebar letting go of a living list would list its notes anew.
    m_tagsController.reset();
    delete m_window.data();
    m_notesListModel.reset();
    m_notesController.reset();
    m_categoriesController.reset();
}

BXCategoriesArrayController* BXMainWindowController::categoriesController() const
{
    return m_categoriesController.get();
}

BXNotesArrayController* BXMainWindowController::notesController() const
{
    return m_notesController.get();
}

void BXMainWindowController::buildWindow()
{
    m_window = new BXMainWindow(this);
    setWindow(m_window.data());
    m_splitView = new BXMainSplitView(m_window);
    m_outlineView = new BXOutlineView(m_splitView);
    m_tableView = new BXTableView(m_splitView);
    m_noteTextPane = new BXUnderpageView(this, m_splitView);
    auto* paneLayout = new QVBoxLayout(m_noteTextPane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    m_noteTextView = new BXTextView(m_noteTextPane);
    paneLayout->addWidget(m_noteTextView);
    m_noteTextView->setDelegate(this);
    m_noteTextView->setEditable(false);

    // The message lies over the text pane, centred, wrapping its words.
    m_messageView = new BXFadingText(m_noteTextPane);
    QFont messageFont = QApplication::font();
    messageFont.setBold(true);
    messageFont.setPointSizeF(kMessageFontSize);
    m_messageView->setFont(messageFont);
    m_messageView->setAlignment(Qt::AlignCenter);
    m_messageView->setWordWrap(true);
    m_messageView->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_messageView->setAutoFillBackground(true);
    m_messageView->setBackgroundRole(QPalette::Base);
    m_messageView->hide();
    m_noteTextPane->installEventFilter(this);

    for (int pane = 0; pane < 3; ++pane) {
        m_splitView->setStretchFactor(pane, pane == 2 ? 1 : 0);
        m_splitView->setCollapsible(pane, splitViewCanCollapseSubview(pane));
    }
    // The splitter scales sizes to its current width, which is a placeholder until the window
    // is laid out: give it the window's width first, or the lists shrink to slivers.
    m_splitView->resize(kDefaultWidth, m_splitView->height());
    m_splitView->setSizes(
        { kSidebarWidth, kNotesListWidth, kDefaultWidth - kSidebarWidth - kNotesListWidth });
    m_window->setCentralWidget(m_splitView);
    connect(m_splitView, &BXMainSplitView::dividerDoubleClicked, this,
        &BXMainWindowController::splitViewShouldCollapseSubviewForDoubleClickOnDividerAtIndex);
    connect(m_splitView, &QSplitter::splitterMoved, this,
        &BXMainWindowController::splitViewDidResizeSubviews);

    m_categoriesController->setOutlineView(m_outlineView);
    m_notesListModel = std::make_unique<BXNotesListModel>(m_notesController.get());
    m_tableView->setModel(m_notesListModel.get());
    m_tableView->setSelectionModel(m_notesListModel->selectionModel());
    m_notesController->setTableView(m_tableView);
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
    // The window's commands, each answered by the first of these that takes it.
    m_commandHandlers = { m_textDelegate, m_history, m_mainToolbar, m_bars, m_search, m_noteActions,
        m_frameCommands, &m_undoCommands };
    m_notesController->setDelegate(this);
    m_categoriesController->setDelegate(this);

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

bool BXMainWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_noteTextPane && event->type() == QEvent::Resize)
        layoutMessageView();
    return WindowController::eventFilter(watched, event);
}

void BXMainWindowController::layoutMessageView()
{
    const QRect pane = m_noteTextPane->rect();
    const int height = m_messageView->heightForWidth(pane.width() - 40);
    m_messageView->setGeometry(20, (pane.height() - height) / 2, pane.width() - 40, height);
}

void BXMainWindowController::windowDidLoad()
{
    if (m_loaded || !document())
        return;
    m_loaded = true;
    platform::ManagedObjectContext* context = document()->managedObjectContext();

    m_categoriesController->setManagedObjectContext(context);
    m_categoriesController->awakeFromNib();
    m_categoriesController->prepareContent();
    m_notesController->setManagedObjectContext(context);
    m_windowState->loadSortPreferences();

    m_notesController->awakeFromNib();
    m_categoriesController->setNotesList(m_notesController.get());
    m_tagsController->setDelegate(this);
    m_tagsController->setCategoriesController(m_categoriesController.get());
    m_tagsController->setNotesController(m_notesController.get());
    m_tagsController->awakeFromNib();
    m_tagsController->refreshContents();

    // Opening leaves nothing to undo.
    context->processPendingChanges();
    if (platform::UndoManager* undo = document()->undoManager())
        undo->removeAllActions();

    m_observing = true;
    m_observations << connect(&platform::UserDefaults::standard(),
        &platform::UserDefaults::valueChanged, this, &BXMainWindowController::textOptionChanged);
    m_observations << connect(m_notesController.get(), &BXNotesArrayController::selectionChanged,
        this, &BXMainWindowController::noteSelectionChanged);
    m_observations << connect(
        qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            if (old == m_noteTextView && now != m_noteTextView)
                textDidEndEditing();
            else if (now == m_noteTextView && old != m_noteTextView)
                m_textEditing = false;
        });
    m_observations << connect(m_noteTextView, &platform::TextView::textDidChange, this, [this] {
        if (!m_textEditing && m_noteTextView->hasFocus()) {
            m_textEditing = true;
            textDidBeginEditing();
        }
    });
    m_observations << connect(m_categoriesController.get(),
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

    platform::NotificationCenter::defaultCenter().addObserver(
        this, RulerUnitsChanged, nullptr, [this](const platform::Notification& notification) {
            handleRulerUnitsChange(notification);
        });

    m_noteMemory->start();
    m_searchScopeBarController->setAllNotesCategory(m_categoriesController->allNotesCategory());
    updateSearchScopeBarForCategories(selectedCategories());
    m_bars->setupInfoBar();
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

void BXMainWindowController::handleRulerUnitsChange(const platform::Notification& notification)
{
    m_noteTextView->setRulerMeasurementUnits(notification.userInfo.value(RulerUnits).toString());
}

void BXMainWindowController::textOptionChanged(const QString& key)
{
    m_noteTextView->applyTextOptionDefault(key);
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
    m_categoriesController->setNotesToCheckIfContained(std::nullopt);
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
    const bool keepCaret = m_noteTextView->hasFocus()
        && !m_registeredEditors.contains(static_cast<platform::Editor*>(m_noteTextView));
    removeObservations();
    m_categoriesController->setIgnoreObservation(true);
    m_notesController->setIgnoreObservation(true);
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
    m_categorySelection->stopObserving();
}

void BXMainWindowController::tagPeekModifierChanged(bool held)
{
    if (held)
        m_categoriesController->setNotesToCheckIfContained(m_notesController->selectedObjects());
    else
        m_categoriesController->setNotesToCheckIfContained(std::nullopt);
}

bool BXMainWindowController::splitViewCanCollapseSubview(int index) const
{
    return index == 0;
}

bool BXMainWindowController::splitViewShouldCollapseSubviewForDoubleClickOnDividerAtIndex(int)
{
    if (!m_listsCollapsed) {
        QPointer<BXMainWindowController> self(this);
        platform::dispatchAsyncMain([self] {
            if (self)
                self->toggleLists();
        });
    }
    return false;
}

void BXMainWindowController::splitViewDidResizeSubviews()
{
    const bool collapsed = m_splitView->isSubviewCollapsed(0);
    if (collapsed == m_listsCollapsed)
        return;
    m_listsCollapsed = collapsed;
    m_bars->listsCollapsedChanged(collapsed);
}

void BXMainWindowController::toggleLists()
{
    if (m_bars->bottomBarController()->isAnimating())
        return;
    if (m_splitView->isSubviewCollapsed(0)) {
        m_splitView->setPositionOfDivider(int(m_dividerPosition), 0);
    } else {
        // The sidebar's own width, so that it comes back as it was.
        m_dividerPosition = float(m_splitView->sizes().value(0));
        m_splitView->setPositionOfDivider(0, 0);
    }
    splitViewDidResizeSubviews();
}

void BXMainWindowController::noteSelectionChanged()
{
    if (!m_preferencesInited)
        return;
    // The document follows the selection for its observed note and the info panel.
    if (auto* owner = qobject_cast<BXDocument*>(document()))
        owner->updateSelectionForProvider(this);
    if (!selectedNoteChanged() && !searchInProgress()) {
        // The same note stays; the scope bar still follows the search.
        handleScopeBarWithRange(m_noteTextView->selectedRange());
        return;
    }
    // The sidebar's marks follow the selection while they show, and show only while the tag
    // peek keys are held.
    if (m_window->isTagPeeking())
        m_categoriesController->setNotesToCheckIfContained(selectedNotes());
    m_noteTextView->setSelectedRange({ 0, 0 });
    QPointer<BXMainWindowController> self(this);
    ++m_pendingTextSwaps;
    platform::dispatchAfter(kTextSwapDelay, this, [self] {
        if (!self)
            return;
        --self->m_pendingTextSwaps;
        // The picture being edited belongs to the note going away.
        BXImageViewController* editor = self->m_noteTextView->editingViewController();
        if (editor && editor->popoverVisible())
            editor->cancelEdit();
        self->updateNoteText(self->selectedNote());
        self->m_bars->noteShown();
        emit self->noteTextSwapped();
    });
}

bool BXMainWindowController::selectedNoteChanged()
{
    const std::shared_ptr<BXNote> current = selectedNote();
    if (m_lastSelectedNote && m_lastSelectedNote == current)
        return false;
    m_lastSelectedNote = current;
    return true;
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

void BXMainWindowController::setNoteText(const std::shared_ptr<BXNote>& note)
{
    m_noteMemory->noteShown(note);
    if (m_textLoad && m_loadingNote.lock() != note)
        delete m_textLoad;
    if (!note) {
        setTextStorage(nullptr);
        return;
    }
    if (note->textStorageLoadsSlowly()) {
        showTextWhenLoaded(note);
        return;
    }
    QTextDocument* storage = note->textStorage();
    // The note shown already (selected again when typing moved it in the list) keeps its text
    // and caret while no search asks for a find in it: resetting them would send the next keys
    // to the start of the text.
    if (storage == m_shownStorage && searchString().isEmpty()) {
        handleScopeBarWithRange(m_noteTextView->selectedRange());
        return;
    }
    // Another view showing the storage (a note window) holds edits the store may not have.
    const platform::SharedTextStorage* shared = platform::SharedTextStorage::of(storage);
    const bool shownElsewhere = storage != m_shownStorage && !shared->mirrors().isEmpty();
    if (!shownElsewhere)
        note->refreshTextStorage();
    setTextStorage(storage);
    if (AttributedText::length(*storage) > 0) {
        QPointer<BXMainWindowController> self(this);
        platform::dispatchAfter(kTextSwapDelay, this, [self, note] {
            if (self)
                self->updateSelectionInNote(note);
        });
        return;
    }
    // An empty note starts in the default style.
    const std::unique_ptr<QTextDocument> empty = BXNote::emptyStyle();
    const QTextCharFormat format = QTextCursor(empty.get()).charFormat();
    m_noteTextView->setTextFont(format.font());
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        m_noteTextView->setTextColor(format.foreground().color());
    else
        m_noteTextView->setTextColor(std::nullopt);
    m_noteTextView->setTypingAttributes(format);
}

void BXMainWindowController::showTextWhenLoaded(const std::shared_ptr<BXNote>& note)
{
    setTextStorage(nullptr);
    if (m_textLoad)
        return;
    m_textLoad = new QObject(this);
    m_loadingNote = note;
    note->loadTextStorage(m_textLoad, [this, loading = m_loadingNote] {
        delete m_textLoad;
        const std::shared_ptr<BXNote> loaded = loading.lock();
        if (loaded && loaded == selectedNote())
            setNoteText(loaded);
    });
}

void BXMainWindowController::setTextStorage(QTextDocument* storage)
{
    if (m_shownStorage && m_shownStorage != storage) {
        // Nothing shown writes the old storage back any more: its typing cannot be undone.
        if (platform::UndoManager* undo = documentUndoManager())
            undo->removeAllActionsWithTarget(m_shownStorage.data());
    }
    disconnect(m_storageConnection);
    m_noteTextView->setSelectedRange({ 0, 0 });
    m_noteTextView->setTextStorage(storage);
    m_noteTextView->setEditable(storage != nullptr);
    m_shownStorage = storage;
    if (storage) {
        m_storageConnection = connect(platform::SharedTextStorage::of(storage),
            &platform::SharedTextStorage::userEdited, this,
            [this, storage] { textStorageDidProcessEditing(storage); });
    }
}

void BXMainWindowController::textStorageDidProcessEditing(QTextDocument* storage)
{
    const std::shared_ptr<BXNote> note = selectedNote();
    if (!storage || storage != m_shownStorage || !note || !note->hasTextStorage()
        || note->textStorage() != storage)
        return;
    setAttributedString(*storage, note.get());
}

void BXMainWindowController::setAttributedString(const QTextDocument& text, BXNote* note)
{
    BXNoteTextWriter::writeBack(text, note, document());
}

void BXMainWindowController::saveSelectionRange()
{
    setSelectionRange(m_noteTextView->selectedRange(), selectedNote().get(), true);
}

void BXMainWindowController::setSelectionRange(TextRange range, BXNote* note, bool)
{
    if (!note)
        return;
    const BXNote::Range stored { quint64(range.location), quint64(range.length) };
    if (note->selectedRange() == stored)
        return;
    BXManagedObjectUtilities::withoutUndo(
        note->managedObjectContext(), [&] { note->setSelectedRange(stored); });
    if (document())
        document()->updateChangeCount(platform::Document::ChangeType::Done);
}

void BXMainWindowController::updateSelectionInNote(const std::shared_ptr<BXNote>& note)
{
    if (!note || note != selectedNote())
        return;
    handleScopeBarWithRange(m_search->rangeToShowInNote(*note));
}

void BXMainWindowController::selectRange(TextRange range, bool hilite)
{
    if (range.location < 0 || range.length < 0
        || range.end() > AttributedText::length(*m_noteTextView->mirror()))
        return;
    m_noteTextView->setSelectedRange(range);
    m_noteTextView->scrollRangeToVisible(range);
    if (hilite)
        m_noteTextView->showFindIndicator(range);
}

void BXMainWindowController::refreshNoteText()
{
    const std::shared_ptr<BXNote> note = noteItem();
    if (!note)
        return;
    m_noteTextView->saveSelection();
    note->refreshTextStorage();
    m_noteTextView->loadSelection();
}

void BXMainWindowController::updateNoteMessage()
{
    const qsizetype count = m_notesController->selectedObjects().size();
    m_shouldDisplayMessageOnNote = count >= 2;
    if (m_shouldDisplayMessageOnNote) {
        const QString message
            = platform::format(platform::localized(QStringLiteral("%ld notes selected")), count);
        if (message != m_messageOnNote) {
            m_messageOnNote = message;
            m_messageView->setText(message);
            layoutMessageView();
        }
    }
    m_messageView->setVisible(m_shouldDisplayMessageOnNote);
    // Above the bars and the text, which the pane gained after the message.
    if (m_shouldDisplayMessageOnNote)
        m_messageView->raise();
}

void BXMainWindowController::objectDidBeginEditing(platform::Editor* editor)
{
    if (!editor || m_registeredEditors.contains(editor))
        return;
    if (document())
        document()->objectDidBeginEditing(editor);
    m_registeredEditors.append(editor);
    if (editor == static_cast<platform::Editor*>(m_noteTextView)) {
        // The note being typed into stays listed whatever the search says.
        if (const std::shared_ptr<BXNote> note = selectedNote())
            m_notesController->includeInFilter(note);
    }
}

void BXMainWindowController::objectDidEndEditing(platform::Editor* editor)
{
    if (document())
        document()->objectDidEndEditing(editor);
    m_registeredEditors.removeAll(editor);
}

void BXMainWindowController::objectDidEndEditing(BXTextView* textView)
{
    objectDidEndEditing(static_cast<platform::Editor*>(textView));
}

void BXMainWindowController::updateSyncEditing(bool editing)
{
    if (editing)
        objectDidBeginEditing(m_noteTextView);
    else
        objectDidEndEditing(m_noteTextView);
}

void BXMainWindowController::textDidBeginEditing()
{
    objectDidBeginEditing(m_noteTextView);
}

void BXMainWindowController::textDidEndEditing()
{
    m_textEditing = false;
    if (!m_preferencesInited)
        return;
    if (!m_registeredEditors.contains(static_cast<platform::Editor*>(m_noteTextView)))
        saveSelectionRange();
    else
        m_noteTextView->commitEditing();
}

bool BXMainWindowController::endEditing()
{
    const QList<platform::Editor*> editors = m_registeredEditors;
    for (platform::Editor* editor : editors) {
        const bool ended = editor == static_cast<platform::Editor*>(m_noteTextView)
            ? m_noteTextView->endEditing()
            : editor->commitEditing();
        if (!ended)
            return false;
    }
    if (editors.isEmpty() && m_noteTextView->hasFocus())
        saveSelectionRange();
    if (!m_notesController->endEditing())
        return false;
    return m_categoriesController->endEditing();
}

platform::UndoManager* BXMainWindowController::undoManagerForTextView(platform::TextView*)
{
    return windowWillReturnUndoManager();
}

QString BXMainWindowController::currentNoteName()
{
    const qsizetype count = m_notesController->selectedObjects().size();
    if (count < 2) {
        const std::shared_ptr<BXNote> note = selectedNote();
        return note ? note->noteTitle() : QString();
    }
    const QUrl url = document() ? document()->fileURL() : QUrl();
    const QString name = url.isEmpty() ? platform::localized(QStringLiteral("Untitled"))
                                       : QFileInfo(url.toLocalFile()).completeBaseName();
    return platform::format(
        platform::localized(QStringLiteral("%ld selected notes in \u2018%@\u2019 notepad")), count,
        name);
}

bool BXMainWindowController::textViewClickedOnHashtag(BXTextView*, const QString& hashtag)
{
    m_textDelegate->searchForHashtag(hashtag);
    return true;
}

bool BXMainWindowController::textViewDoubleClickedOnCell(
    BXTextView* textView, qsizetype index, const QRect& rect)
{
    return m_textDelegate->textViewDoubleClickedOnCell(textView, index, rect);
}

void BXMainWindowController::textViewMenu(BXTextView* textView, QMenu* menu, qsizetype index)
{
    m_textDelegate->textViewMenu(textView, menu, index);
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

bool BXMainWindowController::commitTextViewEditing(BXTextView* textView)
{
    QTextDocument* storage = textView->textStorage();
    // A locked file's undo holds only the edits it refused, which wait there for the user's
    // answer; the alert that asks takes the focus and so ends the editing.
    const bool refusing = document() && document()->isLocked();
    if (platform::UndoManager* undo = documentUndoManager(); undo && storage && !refusing)
        undo->removeAllActionsWithTarget(storage);
    const std::shared_ptr<BXNote> note = selectedNote();
    setSelectionRange(textView->selectedRange(), note.get(), false);
    if (note && storage && note->hasTextStorage() && note->textStorage() == storage)
        setAttributedString(*storage, note.get());
    return true;
}

void BXMainWindowController::discardTextViewEditing(BXTextView* textView)
{
    const std::shared_ptr<BXNote> note = selectedNote();
    if (!note || textView->textStorage() != note->textStorage())
        return;
    const std::unique_ptr<QTextDocument> stored = note->attributedString();
    QTextDocument* storage = note->textStorage();
    AttributedText::replaceCharacters(*storage, { 0, AttributedText::length(*storage) }, *stored);
    const BXNote::Range range = note->selectedRange();
    if (range.location != BXNote::Range::NotFound)
        textView->setSelectedRange({ qsizetype(range.location), qsizetype(range.length) });
}

BXMainWindowController::Notes BXMainWindowController::selectedNotes() const
{
    return m_notesController->selectedObjects();
}

QList<QUrl> BXMainWindowController::selectedNoteIDs() const
{
    return m_notesController->selectedObjectsIDURIRepresentations();
}

std::shared_ptr<BXNote> BXMainWindowController::selectedNote() const
{
    const Notes notes = selectedNotes();
    return notes.size() == 1 ? std::dynamic_pointer_cast<BXNote>(notes.first()) : nullptr;
}

std::shared_ptr<BXNote> BXMainWindowController::noteAtIndex(qsizetype index) const
{
    if (index > std::numeric_limits<int>::max() || !m_notesController->indexValid(int(index)))
        return nullptr;
    return std::dynamic_pointer_cast<BXNote>(m_notesController->arrangedObjects().at(index));
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
    m_noteTextView->zoomToFactor(factor);
}

BXMainWindowController::Notes BXMainWindowController::selectedCategories() const
{
    return m_categoriesController->selectedObjects();
}

BXMainWindowController::Notes BXMainWindowController::selectedPlainCategories() const
{
    return m_categoriesController->selectedPlainCategories();
}

QList<QUrl> BXMainWindowController::selectedCategoryIDs() const
{
    return m_categoriesController->selectedObjectsIDURIRepresentations();
}

bool BXMainWindowController::selectCategories(const Notes& categories, bool scrollingToSelection)
{
    return m_categoriesController->selectObjects(categories, scrollingToSelection);
}

void BXMainWindowController::renameCategory(const platform::Command& sender)
{
    m_noteActions->renameCategory(sender);
}

bool BXMainWindowController::selectNotes(const Notes& notes, bool scrollingToSelection)
{
    if (!endEditing())
        return false;
    if (m_notesController->selectObjects(notes, scrollingToSelection))
        return true;
    if (!searchString().isEmpty()) {
        resetSearchIgnoringString(false);
        if (m_notesController->selectObjects(notes, scrollingToSelection))
            return true;
    }
    if (m_categoriesController->selectionIndex() == 0)
        return false;
    // All Notes lists every note.
    if (!m_categoriesController->selectRow(0))
        return false;
    m_notesController->refreshContent();
    return m_notesController->selectObjects(notes, scrollingToSelection);
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

std::unique_ptr<QTextDocument> BXMainWindowController::selectedString() const
{
    if (selectedNotes().size() >= 2)
        return concatenateNotes();
    const QTextDocument& shown = *m_noteTextView->mirror();
    const TextRange selection = m_noteTextView->selectedRange();
    // Nothing selected shares the whole note.
    if (selection.length == 0)
        return AttributedText::attributedSubstring(shown, { 0, AttributedText::length(shown) });
    return AttributedText::attributedSubstring(shown, selection);
}

std::shared_ptr<QObject> BXMainWindowController::printView(
    const std::shared_ptr<platform::PrintInfo>& printInfo)
{
    if (!printInfo)
        return nullptr;
    if (m_notesController->selectedObjects().size() >= 2)
        return BXTextView::makePrintView(*concatenateNotes(), this, *printInfo);
    return BXTextView::makePrintView(*m_noteTextView->mirror(), this, *printInfo);
}

bool BXMainWindowController::tableArrayControllerImportNotesAtURLs(
    BXTableManagedObjectsArrayController*, const QList<QUrl>& urls,
    const std::optional<Notes>& categories, const ImportCompletion& completion)
{
    auto* owner = qobject_cast<BXDocument*>(document());
    if (!owner)
        return false;
    owner->importNotesAtURLs(urls, categories.value_or(Notes()), completion);
    return true;
}

bool BXMainWindowController::tableArrayControllerImportNotes(BXTableManagedObjectsArrayController*,
    const Notes& notes, const Notes& categories, const Completion& completion)
{
    auto* owner = qobject_cast<BXDocument*>(document());
    if (!owner)
        return false;
    owner->addNotes(notes, categories, [completion](const Notes&) {
        if (completion)
            completion();
    });
    return true;
}

bool BXMainWindowController::tableArrayControllerExportNotes(BXTableManagedObjectsArrayController*,
    const Notes& notes, const QUrl& folder, QStringList* exportedFilesNames)
{
    auto* owner = qobject_cast<BXDocument*>(document());
    if (!owner)
        return false;
    owner->exportNotes(notes, folder, exportedFilesNames);
    return true;
}

bool BXMainWindowController::deleteNotes(const Notes& notes)
{
    auto* owner = qobject_cast<BXDocument*>(document());
    if (!owner)
        return false;
    owner->deleteNotes(notes);
    return true;
}

std::unique_ptr<QTextDocument> BXMainWindowController::concatenateNotes() const
{
    std::unique_ptr<QTextDocument> result = AttributedText::makeDocument();
    QTextCursor cursor(result.get());
    QTextCharFormat titleFormat;
    titleFormat.setFontUnderline(true);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignCenter);
    for (const platform::ManagedObjectPtr& object : selectedNotes()) {
        const auto note = std::dynamic_pointer_cast<BXNote>(object);
        if (!note)
            continue;
        const QTextBlockFormat natural = cursor.blockFormat();
        cursor.insertText(QStringLiteral("\n"), QTextCharFormat());
        cursor.setBlockFormat(centred);
        cursor.insertText(note->noteTitle(), titleFormat);
        cursor.insertText(QStringLiteral("\n\n"), QTextCharFormat());
        cursor.setBlockFormat(natural);
        const std::unique_ptr<QTextDocument> text = note->attributedString();
        AttributedText::replaceCharacters(*result, { AttributedText::length(*result), 0 }, *text);
        cursor.movePosition(QTextCursor::End);
        cursor.insertText(QStringLiteral("\n"), QTextCharFormat());
    }
    return result;
}
