#include "mainwindow/notetext/BXMainWindowTextSwap.h"

#include "mainwindow/editor/BXTextView.h"
#include "mainwindow/image/BXImageViewController.h"
#include "mainwindow/notetext/BXMainWindowTextSwapDelegate.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UndoManager.h"
#include "platform/text/SharedTextStorage.h"

#include <QTextCursor>
#include <QTextDocument>

using platform::AttributedText;
using platform::TextRange;

BXMainWindowTextSwap::BXMainWindowTextSwap(
    BXTextView* view, BXMainWindowTextSwapDelegate& delegate, QObject* parent)
    : QObject(parent), m_view(view), m_delegate(delegate)
{
    platform::NotificationCenter::defaultCenter().addObserver(this,
        platform::UndoManager::WillRedoChangeNotification, nullptr,
        [this](const platform::Notification& notification) {
            if (notification.object == m_delegate.documentUndoManager())
                showWaitingStorageBeforeRedo();
        });
}

BXMainWindowTextSwap::~BXMainWindowTextSwap()
{
    platform::NotificationCenter::defaultCenter().removeObserver(
        this, platform::UndoManager::WillRedoChangeNotification);
}

bool BXMainWindowTextSwap::selectedNoteChanged()
{
    const BXNote::NotePtr current = m_delegate.selectedNote();
    if (m_lastSelectedNote && m_lastSelectedNote == current)
        return false;
    m_lastSelectedNote = current;
    return true;
}

void BXMainWindowTextSwap::scheduleSwap()
{
    QPointer<BXMainWindowTextSwap> self(this);
    const auto task = std::make_shared<platform::Scheduler::TaskId>();
    *task = platform::dispatchAfter(kTextSwapDelay, this, [self, task] {
        if (!self)
            return;
        self->m_swapTasks.removeOne(*task);
        self->swap();
    });
    m_swapTasks << *task;
}

void BXMainWindowTextSwap::swapNow()
{
    if (m_swapTasks.isEmpty())
        return;
    // The swap shows whatever is selected then: one does for all that were pending.
    for (const platform::Scheduler::TaskId task : std::exchange(m_swapTasks, {}))
        platform::Scheduler::current().cancel(task);
    swap();
}

void BXMainWindowTextSwap::showWaitingStorageBeforeRedo()
{
    const BXNote::NotePtr selected = m_delegate.selectedNote();
    if (isSwapPending() && m_waitingStorage && selected && selected->hasTextStorage()
        && selected->textStorage() == m_waitingStorage)
        swapNow();
}

void BXMainWindowTextSwap::swap()
{
    BXImageViewController* editor = m_view->editingViewController();
    if (editor && editor->popoverVisible())
        editor->cancelEdit();
    emit swapDue();
}

void BXMainWindowTextSwap::setNoteText(const BXNote::NotePtr& note)
{
    m_delegate.noteTextWillShow(note);
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
    if (storage == m_shownStorage && m_delegate.searchString().isEmpty()) {
        m_delegate.handleScopeBarWithRange(m_view->selectedRange());
        return;
    }
    // Another view showing the storage (a note window) holds edits the store may not have.
    const platform::SharedTextStorage* shared = platform::SharedTextStorage::of(storage);
    const bool shownElsewhere = storage != m_shownStorage && !shared->mirrors().isEmpty();
    if (!shownElsewhere)
        note->refreshTextStorage();
    setTextStorage(storage);
    if (AttributedText::length(*storage) > 0) {
        const BXNote::Range caret = note->selectedRange();
        if (m_delegate.searchString().isEmpty() && caret.location != BXNote::Range::NotFound)
            selectRange({ qsizetype(caret.location), qsizetype(caret.length) }, false);
        // What a search finds is selected a moment later; a caret the user has moved by then
        // stays where it went.
        const TextRange placed = m_view->selectedRange();
        QPointer<BXMainWindowTextSwap> self(this);
        platform::dispatchAfter(kTextSwapDelay, this, [self, note, placed] {
            if (self && self->m_view->selectedRange() == placed)
                self->updateSelectionInNote(note);
        });
        return;
    }
    // An empty note starts in the default style.
    const std::unique_ptr<QTextDocument> empty = BXNote::emptyStyle();
    const QTextCharFormat format = QTextCursor(empty.get()).charFormat();
    m_view->setTextFont(format.font());
    if (format.hasProperty(QTextFormat::ForegroundBrush))
        m_view->setTextColor(format.foreground().color());
    else
        m_view->setTextColor(std::nullopt);
    m_view->setTypingAttributes(format);
}

void BXMainWindowTextSwap::showTextWhenLoaded(const BXNote::NotePtr& note)
{
    setTextStorage(nullptr);
    if (m_textLoad)
        return;
    m_textLoad = new QObject(this);
    m_loadingNote = note;
    note->loadTextStorage(m_textLoad, [this, loading = m_loadingNote] {
        delete m_textLoad;
        const BXNote::NotePtr loaded = loading.lock();
        if (loaded && loaded == m_delegate.selectedNote())
            setNoteText(loaded);
    });
}

void BXMainWindowTextSwap::setTextStorage(QTextDocument* storage)
{
    if (m_shownStorage && m_shownStorage != storage) {
        // Nothing shown writes the old storage back any more: its typing cannot be undone.
        // Typing already undone under a step that took its note away (Undo Add Note) waits
        // for that step's redo, which shows the note again.
        platform::UndoManager* undo = m_delegate.documentUndoManager();
        if (undo && undo->targetWaitsBelowNextRedo(m_shownStorage.data()))
            m_waitingStorage = m_shownStorage;
        else if (undo)
            undo->removeAllActionsWithTarget(m_shownStorage.data());
    }
    disconnect(m_storageConnection);
    m_view->setSelectedRange({ 0, 0 });
    m_view->setTextStorage(storage);
    m_view->setEditable(storage != nullptr);
    m_shownStorage = storage;
    if (storage) {
        m_storageConnection = connect(platform::SharedTextStorage::of(storage),
            &platform::SharedTextStorage::userEdited, this, [this, storage] {
                if (storage == m_shownStorage)
                    emit shownStorageEdited(storage);
            });
    }
}

void BXMainWindowTextSwap::updateSelectionInNote(const BXNote::NotePtr& note)
{
    if (!note || note != m_delegate.selectedNote())
        return;
    m_delegate.handleScopeBarWithRange(m_delegate.rangeToShowInNote(*note));
}

void BXMainWindowTextSwap::selectRange(TextRange range, bool hilite)
{
    if (range.location < 0 || range.length < 0
        || range.end() > AttributedText::length(*m_view->mirror()))
        return;
    m_view->setSelectedRange(range);
    m_view->scrollRangeToVisible(range);
    if (hilite)
        m_view->showFindIndicator(range);
}

void BXMainWindowTextSwap::refreshNoteText()
{
    const BXNote::NotePtr note = m_delegate.selectedNote();
    if (!note)
        return;
    m_view->saveSelection();
    note->refreshTextStorage();
    m_view->loadSelection();
}
