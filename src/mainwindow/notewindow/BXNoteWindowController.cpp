#include "mainwindow/notewindow/BXNoteWindowController.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/BXPendingKeystrokes.h"
#include "mainwindow/editor/BXNoteTextWriter.h"
#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/editor/BXTextViewFocus.h"
#include "mainwindow/image/BXImageViewController.h"
#include "mainwindow/notewindow/BXNoteIconButton.h"
#include "mainwindow/notewindow/BXNoteWindowBars.h"
#include "mainwindow/notewindow/BXNoteWindowCommands.h"
#include "mainwindow/notewindow/BXNoteWindowToolbar.h"

#include "ui/WindowAdditions.h"

#include "lists/tags/BXTagsController.h"

#include "document/BXDefaults.h"
#include "document/BXDocument.h"
#include "document/model/BXManagedObjectUtilities.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/PopUpButton.h"
#include "platform/appkit/RulerView.h"
#include "platform/appkit/Toolbar.h"
#include "platform/appkit/UserInput.h"
#include "platform/controllers/Editor.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/data/PersistentStoreCoordinator.h"
#include "platform/documents/WindowTracker.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/text/SharedTextStorage.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QMainWindow>
#include <QMenu>
#include <QScreen>
#include <QTextDocument>
#include <QVBoxLayout>

using platform::AttributedText;
using platform::TextRange;

namespace {

// One pause for all note windows: typing in one holds back the refresh of every other.
double s_lastTypingTime = 0;

constexpr double kFarthestFrameEdge = 1 << 20;
const QRectF kSensibleFrameLimits(
    -kFarthestFrameEdge, -kFarthestFrameEdge, 2 * kFarthestFrameEdge, 2 * kFarthestFrameEdge);

} // namespace

static void initNoteIconResources()
{
    Q_INIT_RESOURCE(listicons);
}

std::unique_ptr<BXNoteWindowController> BXNoteWindowController::initWithNote(
    const BXNote::NotePtr& note)
{
    if (!note)
        return nullptr;
    return std::unique_ptr<BXNoteWindowController>(new BXNoteWindowController(note));
}

BXNoteWindowController::BXNoteWindowController(BXNote::NotePtr note)
    : m_note(std::move(note)),
      m_updateTimer(kTypingRefreshDelay, false, [this] { fireInfoUpdate(); })
{
    initNoteIconResources();
    buildWindow();
    connect(
        this, &WindowController::windowWillClose, this, &BXNoteWindowController::windowWillClose);
}

BXNoteWindowController::~BXNoteWindowController()
{
    removeObservations();
    disconnect(m_storageConnection);
    // The tag editor's field goes with the window and may end its edit on the way.
    if (m_bars)
        m_bars->tagsController()->setDelegate(nullptr);
    if (m_noteTextView) {
        m_noteTextView->setDelegate(nullptr);
        m_noteTextView->setTextStorage(nullptr);
    }
    delete m_window.data();
}

void BXNoteWindowController::buildWindow()
{
    m_window = new QMainWindow;
    m_window->setObjectName(QStringLiteral("noteWindow"));
    setWindow(m_window.data());
    m_window->setWindowIcon(QIcon(QStringLiteral(":/icons/Note.png")));
    auto* pane = new QWidget(m_window);
    auto* paneLayout = new QVBoxLayout(pane);
    paneLayout->setContentsMargins(0, 0, 0, 0);
    m_noteTextView = new BXTextView(pane);
    m_noteTextView->setDelegate(this);
    m_textFocus = std::make_unique<BXTextViewFocus>(m_noteTextView);
    m_pendingKeys = new BXPendingKeystrokes(this);
    paneLayout->addWidget(m_noteTextView);
    m_window->setCentralWidget(pane);
    m_window->setMinimumSize(kMinimumWidth, kMinimumHeight);
    m_bars = new BXNoteWindowBars(*this);
    m_commands = new BXNoteWindowCommands(*this, this);
    m_commandHandlers = { m_bars, m_commands, &m_undoCommands };
    m_toolbar = std::make_unique<BXNoteWindowToolbar>(*this);
    m_toolbar->install(m_window);
}

QMainWindow* BXNoteWindowController::noteWindow() const
{
    return m_window;
}

BXDocument* BXNoteWindowController::bxDocument() const
{
    return qobject_cast<BXDocument*>(document());
}

BXMainWindowController* BXNoteWindowController::mainWindowController() const
{
    BXDocument* owner = bxDocument();
    return owner ? dynamic_cast<BXMainWindowController*>(owner->mainWindowController()) : nullptr;
}

platform::UndoManager* BXNoteWindowController::documentUndoManager() const
{
    platform::Document* owner = document();
    return owner && owner->managedObjectContext() ? owner->managedObjectContext()->undoManager()
                                                  : nullptr;
}

void BXNoteWindowController::windowDidLoad()
{
    if (m_loaded || !document())
        return;
    m_loaded = true;
    // The tags show before the text does.
    BXMainWindowController* mainWindow = mainWindowController();
    m_bars->setUpTags(m_note, mainWindow ? mainWindow->categoriesController() : nullptr, this);
    setTextStorage(m_note->textStorage(), true);
    m_noteTextView->zoomToFactor(kInitialZoom);

    m_observing = true;
    m_observations << connect(&platform::UserDefaults::standard(),
        &platform::UserDefaults::valueChanged, m_noteTextView,
        [this](const QString& key) { m_noteTextView->applyTextOptionDefault(key); });
    platform::NotificationCenter::defaultCenter().addObserver(this,
        BXTextView::MagnifyTextViewNotification, nullptr,
        [this](const platform::Notification& notification) {
            const auto* view = qobject_cast<BXTextView*>(
                notification.userInfo.value(QStringLiteral("textView")).value<QObject*>());
            if (view && view == m_noteTextView)
                updateZoomFactor(view->zoomFactor());
        });
    platform::NotificationCenter::defaultCenter().addObserver(
        this, RulerUnitsChanged, nullptr, [this](const platform::Notification& notification) {
            handleRulerUnitsChange(notification.userInfo.value(RulerUnits).toString());
        });
    m_noteTextView->applyTextOptionDefaults();
    m_noteTextView->setRulerVisible(true);
    handleRulerUnitsChange(platform::UserDefaults::standard().stringForKey(RulerUnits));
    m_noteTextView->setRulerVisible(m_note->valueForKey(BXNote::WindowRulerVisibleKey).toBool());
    m_bars->revealTagsBarLater(m_note->valueForKey(BXNote::WindowTagsVisibleKey).toBool());

    m_observations << connect(m_noteTextView, &platform::TextView::textDidChange, this, [this] {
        if (!m_textEditing && m_noteTextView->hasFocus()) {
            m_textEditing = true;
            objectDidBeginEditing(m_noteTextView);
        }
        textDidChange();
    });
    m_observations << connect(
        qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
            switch (m_textFocus->focusChanged(old, now)) {
            case BXTextViewFocus::Change::Taken:
                m_textEditing = false;
                break;
            case BXTextViewFocus::Change::Lost:
                m_textEditing = false;
                if (m_registeredEditors.contains(static_cast<platform::Editor*>(m_noteTextView)))
                    m_noteTextView->commitEditing();
                break;
            case BXTextViewFocus::Change::None:
                break;
            }
        });
    m_observations << connect(&platform::WindowTracker::current(),
        &platform::WindowTracker::mainWindowControllerChanged, this,
        [this](platform::WindowController* main) {
            const bool wasMain = m_isMain;
            m_isMain = main == this;
            if (wasMain && !m_isMain)
                windowDidResignMain();
        });
    m_observations << connect(&platform::WindowTracker::current(),
        &platform::WindowTracker::keyWindowControllerChanged, this,
        [this](platform::WindowController* key) {
            if (key != this)
                windowDidResignKey();
        });
    m_observations << connect(
        m_note.get(), &platform::ManagedObject::valueChanged, this, [this](const QString& key) {
            if (key == BXNote::NoteTitleKey)
                synchronizeWindowTitleWithDocumentName();
        });

    placeWindow();
    updateZoomFactor(m_noteTextView->zoomFactor());
    m_bars->updateInfoBar();
    m_bars->updateRulerAppearance();
    synchronizeWindowTitleWithDocumentName();
}

void BXNoteWindowController::handleRulerUnitsChange(const QString& units)
{
    if (platform::RulerView* ruler = m_noteTextView->rulerView())
        ruler->setMeasurementUnits(units);
}

void BXNoteWindowController::placeWindow()
{
    // A stored frame far beyond any screen is noise; what is left is fitted to the screen.
    const QRectF stored = m_note->windowFrame() & kSensibleFrameLimits;
    if (stored.isEmpty()) {
        QScreen* screen = QGuiApplication::primaryScreen();
        const QRect area = screen ? screen->availableGeometry() : QRect(0, 0, 0, 0);
        m_window->setGeometry(area.x() + area.width() / 2 - kDefaultWidth / 2,
            area.y() + area.height() / 2 - kDefaultHeight / 2, kDefaultWidth, kDefaultHeight);
        WindowAdditions::fitIntoAvailableArea(m_window);
    } else {
        m_window->setGeometry(stored.toRect());
        WindowAdditions::validateWindowPosition(m_window);
    }
    // Note windows opened one after another would otherwise stand exactly on each other.
    QList<QWidget*> shown;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window != m_window && window->isVisible() && window->windowType() == Qt::Window)
            shown << window;
    }
    WindowAdditions::cascade(m_window, shown);
}

bool BXNoteWindowController::noteDirty() const
{
    return m_note && m_note->hasChanges() && document() && document()->hasUnautosavedChanges();
}

void BXNoteWindowController::showWindow()
{
    windowDidLoad();
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
}

void BXNoteWindowController::showWindowBehind()
{
    windowDidLoad();
    // Asked for at the moment the window is mapped, so that the window system neither gives
    // it the keys nor stacks it over the window in front; a later show() activates again.
    m_window->setAttribute(Qt::WA_ShowWithoutActivating);
    m_window->show();
    m_window->setAttribute(Qt::WA_ShowWithoutActivating, false);
}

void BXNoteWindowController::setWindowFrameString(const QString& frame)
{
    windowDidLoad();
    WindowController::setWindowFrameString(frame);
    WindowAdditions::validateWindowPosition(m_window);
}

void BXNoteWindowController::synchronizeWindowTitleWithDocumentName()
{
    if (m_window && document())
        m_window->setWindowTitle(windowTitleForDocumentDisplayName(document()->displayName()));
}

QString BXNoteWindowController::windowTitleForDocumentDisplayName(const QString& displayName) const
{
    const QString title = m_note->noteTitle().isEmpty()
        ? platform::localized(QStringLiteral("<New note>"))
        : m_note->noteTitle();
    return title + QStringLiteral(" \u2014 ") + QFileInfo(displayName).completeBaseName();
}

QList<platform::ManagedObjectPtr> BXNoteWindowController::selectedNotes() const
{
    return { m_note };
}

double BXNoteWindowController::noteTextZoomFactor() const
{
    return m_noteTextView->zoomFactor();
}

void BXNoteWindowController::zoomToFactor(double factor)
{
    m_noteTextView->zoomToFactor(BXMainWindowTextDelegate::zoomWithinRange(factor));
}

std::shared_ptr<QObject> BXNoteWindowController::printView(
    const std::shared_ptr<platform::PrintInfo>& printInfo)
{
    if (!printInfo)
        return nullptr;
    return BXTextView::makePrintView(*m_noteTextView->mirror(), this, *printInfo);
}

void BXNoteWindowController::setTextStorage(QTextDocument* storage, bool syncSelection)
{
    m_noteTextView->setSelectedRange({ 0, 0 });
    disconnect(m_storageConnection);
    m_noteTextView->setTextStorage(storage);
    m_noteTextView->setEditable(storage != nullptr);
    m_storage = storage;
    if (storage) {
        m_storageConnection = connect(platform::SharedTextStorage::of(storage),
            &platform::SharedTextStorage::userEdited, this, [this] { storageEdited(); });
    }
    if (syncSelection) {
        // Until the caret copies the other window's, keys typed here would land at the start
        // of the note: they wait for it, and anything else the user does places it at once.
        m_pendingKeys->hold(m_window, [this] { placeCaretAndDeliverKeys(); });
        QPointer<BXNoteWindowController> self(this);
        platform::dispatchAfter(kSyncSelectionDelay, this, [self] {
            if (self)
                self->placeCaretAndDeliverKeys();
        });
    }
}

void BXNoteWindowController::placeCaretAndDeliverKeys()
{
    if (!m_pendingKeys->isHolding())
        return;
    syncSelection();
    m_pendingKeys->deliver(m_noteTextView);
}

void BXNoteWindowController::storageEdited()
{
    if (!m_storage || !m_note->hasTextStorage() || m_note->textStorage() != m_storage)
        return;
    // The main window writes back the edits of the note it shows; every other edit is ours to
    // write, so that autosave keeps it.
    BXMainWindowController* main = mainWindowController();
    if (main && main->noteTextView()->textStorage() == m_storage && main->selectedNote() == m_note)
        return;
    BXNoteTextWriter::writeBack(*m_storage, m_note.get(), document());
}

void BXNoteWindowController::syncSelection()
{
    BXDocument* owner = bxDocument();
    if (!owner)
        return;
    platform::WindowController* other = owner->noteDataProviderMatchingProvider(this);
    BXTextView* view = nullptr;
    if (auto* main = dynamic_cast<BXMainWindowController*>(other))
        view = main->noteTextView();
    if (!view)
        return;
    selectRange(view->selectedRange());
}

void BXNoteWindowController::selectRange(TextRange range)
{
    if (range.location < 0 || range.length < 0
        || range.end() > AttributedText::length(*m_noteTextView->mirror()))
        return;
    m_noteTextView->setSelectedRange(range);
    m_noteTextView->scrollRangeToVisible(range);
}

platform::UndoManager* BXNoteWindowController::windowWillReturnUndoManager() const
{
    BXImageViewController* editor = m_noteTextView->editingViewController();
    if (editor && editor->popoverVisible())
        return editor->undoManager();
    if (m_textFocus->holdsKeys())
        return m_note->undoManager();
    return documentUndoManager();
}

platform::UndoManager* BXNoteWindowController::undoManagerForTextView(platform::TextView*)
{
    BXImageViewController* editor = m_noteTextView->editingViewController();
    if (editor && editor->popoverVisible())
        return editor->undoManager();
    return m_note->undoManager();
}

QString BXNoteWindowController::currentNoteName()
{
    return m_note->noteTitle();
}

bool BXNoteWindowController::commitTextViewEditing(BXTextView* textView)
{
    QTextDocument* storage = textView->textStorage();
    if (storage && m_note->hasTextStorage() && m_note->textStorage() == storage)
        BXNoteTextWriter::writeBack(*storage, m_note.get(), document());
    return true;
}

void BXNoteWindowController::discardTextViewEditing(BXTextView* textView)
{
    QTextDocument* storage = textView->textStorage();
    if (!storage || !m_note->hasTextStorage() || m_note->textStorage() != storage)
        return;
    const std::unique_ptr<QTextDocument> stored = m_note->attributedString();
    AttributedText::replaceCharacters(*storage, { 0, AttributedText::length(*storage) }, *stored);
}

void BXNoteWindowController::objectDidEndEditing(BXTextView* textView)
{
    objectDidEndEditing(static_cast<platform::Editor*>(textView));
}

bool BXNoteWindowController::textViewClickedOnHashtag(BXTextView*, const QString& hashtag)
{
    searchForHashtagInMainWindow(hashtag);
    return true;
}

bool BXNoteWindowController::textViewDoubleClickedOnCell(
    BXTextView* textView, qsizetype index, const QRect& rect)
{
    if (!textView->hasImageAtIndex(index))
        return false;
    // The picture's edit is the note window's; the document's records would undo over it.
    if (platform::UndoManager* undo = documentUndoManager(); undo && m_storage)
        undo->removeAllActionsWithTarget(m_storage.data());
    textView->editImage(index, rect);
    return true;
}

void BXNoteWindowController::textViewMenu(BXTextView* textView, QMenu* menu, qsizetype index)
{
    const bool hasImage = textView->hasImageAtIndex(index);
    platform::trace(QStringLiteral("[BXNoteWindowController] menu for character index %@"),
        QString::number(index));
    platform::trace(QStringLiteral("[BXNoteWindowController] hasImageAtIndex: %@"),
        hasImage ? QStringLiteral("YES") : QStringLiteral("NO"));
    if (hasImage) {
        QAction* first = menu->actions().value(0);
        auto* item = new QAction(platform::localized(QStringLiteral("Edit Image")), menu);
        platform::CommandRouter::setAction(item, QStringLiteral("editImage:"));
        platform::CommandRouter::setTarget(item, textView);
        platform::CommandRouter::setRepresentedObject(item, QVariant::fromValue(qlonglong(index)));
        connect(
            item, &QAction::triggered, textView, [textView, index] { textView->editImage(index); });
        menu->insertAction(first, item);
        menu->insertSeparator(first);
    }
    platform::trace(QStringLiteral("[BXNoteWindowController] menu items: %@"),
        QString::number(menu->actions().size()));
}

void BXNoteWindowController::objectDidBeginEditing(platform::Editor* editor)
{
    if (!editor || m_registeredEditors.contains(editor))
        return;
    if (document())
        document()->objectDidBeginEditing(editor);
    m_registeredEditors.append(editor);
}

void BXNoteWindowController::objectDidEndEditing(platform::Editor* editor)
{
    if (document())
        document()->objectDidEndEditing(editor);
    m_registeredEditors.removeAll(editor);
}

double BXNoteWindowController::lastTypingTime()
{
    return s_lastTypingTime;
}

void BXNoteWindowController::textDidChange()
{
    const double now = platform::Scheduler::current().now();
    if (s_lastTypingTime == 0)
        s_lastTypingTime = now;
    if (!m_noteTextView->isCoalescingTyping()) {
        fireInfoUpdate();
        return;
    }
    // A burst of typing keeps pushing the one refresh forward.
    m_updateTimer.start();
    s_lastTypingTime = now;
}

void BXNoteWindowController::fireInfoUpdate()
{
    m_updateTimer.invalidate();
    if (BXDocument* owner = bxDocument())
        owner->updateSelectionForProvider(this);
    m_bars->updateInfoBar();
}

void BXNoteWindowController::searchForHashtagInMainWindow(const QString& hashtag)
{
    if (hashtag.isEmpty())
        return;
    BXMainWindowController* main = mainWindowController();
    if (!main)
        return;
    main->showWindow();
    main->textDelegate()->searchForHashtag(hashtag);
}

void BXNoteWindowController::saveNoteWindowState()
{
    platform::ManagedObjectContext* context = m_note->managedObjectContext();
    if (!context || !m_window)
        return;
    BXManagedObjectUtilities::withoutUndo(context, [&] {
        m_note->setWindowFrame(QRectF(m_window->geometry()));
        m_note->setValue(m_noteTextView->isRulerVisible(), BXNote::WindowRulerVisibleKey);
        m_note->setValue(m_bars->isTagsBarVisible(), BXNote::WindowTagsVisibleKey);
    });
    if (!context->persistentStoreCoordinator()
        || !context->persistentStoreCoordinator()->hasStore())
        return;
    platform::Error error;
    if (!context->save(&error))
        platform::log(QStringLiteral("save failed in Notewindow controller: %@\n%@"),
            error.localizedDescription(), error.localizedFailureReason());
}

bool BXNoteWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Close && watched == m_window && !isClosing()
        && (platform::UserInput::current().keyboardModifiers() & Qt::AltModifier)) {
        // Every note window closes, this one among them: not from within its own close event.
        event->ignore();
        QPointer<BXDocument> owner(bxDocument());
        platform::dispatchAsyncMain([owner] {
            if (owner)
                owner->closeAllNoteWindows();
        });
        return true;
    }
    return WindowController::eventFilter(watched, event);
}

void BXNoteWindowController::removeObservations()
{
    if (!m_observing)
        return;
    m_observing = false;
    if (BXDocument* owner = bxDocument())
        owner->noteDataProviderDidResignMain(this);
    for (const QMetaObject::Connection& connection : std::as_const(m_observations))
        disconnect(connection);
    m_observations.clear();
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    m_updateTimer.invalidate();
}

void BXNoteWindowController::windowWillClose()
{
    removeObservations();
    const QList<platform::Editor*> editors = m_registeredEditors;
    for (platform::Editor* editor : editors)
        editor->commitEditing();
    for (platform::Editor* editor : std::as_const(m_registeredEditors))
        if (document())
            document()->objectDidEndEditing(editor);
    m_registeredEditors.clear();
    saveNoteWindowState();
    BXDocument* owner = bxDocument();
    // The main window still writes back and undoes the note it shows.
    if (m_storage && owner && owner->selectedNote() != m_note) {
        if (platform::UndoManager* undo = documentUndoManager())
            undo->removeAllActionsWithTarget(m_storage.data());
    }
    disconnect(m_storageConnection);
    m_noteTextView->setTextStorage(nullptr);
    m_storage = nullptr;
}

void BXNoteWindowController::windowDidResignMain()
{
    m_updateTimer.invalidate();
}

void BXNoteWindowController::windowDidResignKey()
{
    if (m_registeredEditors.contains(static_cast<platform::Editor*>(m_noteTextView)))
        m_noteTextView->commitEditing();
}

void BXNoteWindowController::updateZoomFactor(double factor)
{
    if (platform::PopUpButton* popup = m_toolbar->zoomPopup())
        BXMainWindowTextDelegate::updateZoomPopup(popup, factor);
}

bool BXNoteWindowController::respondsTo(const QString& action) const
{
    return handlerFor(action) != nullptr;
}

std::optional<bool> BXNoteWindowController::validate(platform::Command& command) const
{
    platform::Responder* handler = handlerFor(command.action);
    return handler ? handler->validate(command) : std::nullopt;
}

std::optional<QString> BXNoteWindowController::titleFor(const platform::Command& command) const
{
    platform::Responder* handler = handlerFor(command.action);
    return handler ? handler->titleFor(command) : std::nullopt;
}

void BXNoteWindowController::perform(const platform::Command& command)
{
    if (platform::Responder* handler = handlerFor(command.action))
        handler->perform(command);
}

platform::Responder* BXNoteWindowController::handlerFor(const QString& action) const
{
    for (platform::Responder* handler : m_commandHandlers) {
        if (handler->respondsTo(action))
            return handler;
    }
    return nullptr;
}
