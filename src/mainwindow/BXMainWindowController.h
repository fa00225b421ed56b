#pragma once

#include "mainwindow/BXMainWindowLists.h"
#include "mainwindow/BXMainWindowPanes.h"
#include "mainwindow/BXMainWindowTextDelegate.h"
#include "mainwindow/editor/BXTextViewDelegate.h"
#include "mainwindow/notetext/BXMainWindowEditing.h"
#include "mainwindow/notetext/BXMainWindowEditingDelegate.h"
#include "mainwindow/notetext/BXMainWindowTextSwap.h"
#include "mainwindow/notetext/BXMainWindowTextSwapDelegate.h"
#include "mainwindow/notetext/BXNotePaneMessage.h"

#include "document/BXMainWindowProvider.h"
#include "document/BXPrintViewProvider.h"
#include "lists/tags/BXTagsControllerDelegate.h"

#include "platform/controllers/Responder.h"
#include "platform/controllers/UndoCommands.h"
#include "platform/data/ManagedObject.h"
#include "platform/documents/Document.h"
#include "platform/documents/WindowController.h"
#include "platform/text/AttributedText.h"

#include <QList>
#include <QMetaObject>
#include <QPointer>
#include <QTextDocument>
#include <QUrl>

#include <memory>

class BXCategoriesArrayController;
class BXFadingText;
class BXFlashingView;
class BXFormatMenu;
class BXMainSplitView;
class BXMainWindow;
class BXMainWindowCategorySelection;
class BXMainWindowFrameCommands;
class BXMainWindowBars;
class BXMainWindowHistory;
class BXMainWindowNoteActions;
class BXMainWindowRecentNotes;
class BXMainWindowSearch;
class BXMainWindowToolbar;
class BXMainWindowValidation;
class BXNote;
class BXNotesArrayController;
class BXNoteMemoryManager;
class BXTagsController;
class BXOutlineView;
class BXSearchScopeBarController;
class BXTableView;
class BXTextView;
class BXWindowState;
class QMenu;

namespace platform {
class Editor;
class UndoManager;
struct Notification;
} // namespace platform

// The controller of a document's main window: the categories sidebar, the notes list and the
// note text side by side. It builds the window, wires the lists, the note text and the bars to
// each other and to the document, routes the window's commands and answers what the document
// asks about the selection; each job is a collaborator it owns (the panes, the text swap, the
// editing, the bars, search, history, ...). Made before its document holds it; windowDidLoad()
// runs once the document does. Main thread only; delays go through the scheduler.
Q_MOC_INCLUDE(<QMenu>)

class BXMainWindowController final : public platform::WindowController,
                                     public BXMainWindowProvider,
                                     public BXPrintViewProvider,
                                     public BXTagsControllerDelegate,
                                     public BXTextViewDelegate,
                                     public BXMainWindowTextSwapDelegate,
                                     public BXMainWindowEditingDelegate,
                                     public platform::Responder {
    Q_OBJECT

public:
    using Notes = QList<platform::ManagedObjectPtr>;

    static constexpr double kTextSwapDelay = BXMainWindowTextSwap::kTextSwapDelay;
    static constexpr int kDefaultWidth = 1000;
    static constexpr int kDefaultHeight = 720;

    BXMainWindowController();
    ~BXMainWindowController() override;

    // Wires the panes to the document's context, shows the selected note and starts observing.
    // Runs once; the document must hold this controller.
    void windowDidLoad();
    // Loads the window on first use, then shows and activates it.
    void showWindow() override;
    void loadWindow() override { windowDidLoad(); }
    BXMainWindow* mainWindow() const { return m_window; }
    BXMainSplitView* splitView() const { return m_splitView; }
    BXOutlineView* outlineView() const { return m_outlineView; }
    BXTableView* notesTableView() const { return m_tableView; }
    BXTextView* noteTextView() const { return m_noteTextView; }
    BXFadingText* messageView() const { return m_message->view(); }
    BXCategoriesArrayController* categoriesController() const { return m_lists->categories(); }
    BXNotesArrayController* notesController() const { return m_lists->notes(); }
    BXMainWindowTextDelegate* textDelegate() const { return m_textDelegate; }
    BXMainWindowHistory* history() const { return m_history; }
    BXMainWindowToolbar* mainToolbar() const { return m_mainToolbar; }
    BXMainWindowValidation* validation() const { return m_validation; }
    // The Format button's menu, built on first use and kept.
    QMenu* formatPopupMenuIfNeeded();
    void formatButtonClicked(QWidget* button);
    BXMainWindowNoteActions* noteActions() const { return m_noteActions; }
    BXMainWindowRecentNotes* recentNotes() const { return m_recentNotes; }
    BXMainWindowCategorySelection* categorySelection() const { return m_categorySelection; }
    // The application's History menu: the recent notes of this document.
    Q_INVOKABLE void buildRecentsMenu(QMenu* menu);
    BXMainWindowBars* bars() const { return m_bars; }
    BXMainWindowSearch* search() const { return m_search; }
    BXTagsController* tagsController() const { return m_tagsController.get(); }

    bool preferencesInited() const override { return m_preferencesInited; }
    // From then on selection changes show notes; set by the last stage of loading the state.
    void setPreferencesInited(bool inited) { m_preferencesInited = inited; }
    BXWindowState* windowState() const { return m_windowState.get(); }
    BXNoteMemoryManager* noteMemoryManager() const { return m_noteMemory.get(); }
    // Frees the notes no window shows; the application asks on memory pressure and when it
    // goes inactive.
    Q_INVOKABLE void releaseMemoryForInactiveNotes();
    bool listsCollapsed() const { return m_panes->listsCollapsed(); }
    float dividerPosition() const { return m_panes->dividerPosition(); }
    QString messageOnNote() const { return m_message->message(); }
    bool shouldDisplayMessageOnNote() const { return m_message->isShown(); }
    QString searchString() const override;
    // Fills the search field too, without filtering.
    void setSearchString(const QString& text);
    bool searchInProgress() const;
    const QList<platform::Editor*>& registeredEditors() const
    {
        return m_editing->registeredEditors();
    }

    // Where the window's undo and redo go: the image editor's steps while its popover shows,
    // else the document's.
    platform::UndoManager* windowWillReturnUndoManager() const;
    // The document is closing: stop observing, freeze the lists, keep the caret's place and
    // record the window's state in the document.
    void documentWillClose() override;
    // Runs once; later calls do nothing.
    void removeObservations();
    // The sidebar marks the categories of the selected notes while Ctrl+Alt are held.
    void tagPeekModifierChanged(bool held) { m_lists->markCategoriesOfSelectedNotes(held); }

    // Split view delegate: only the sidebar collapses, also by a double click on a divider.
    bool splitViewCanCollapseSubview(int index) const
    {
        return BXMainWindowPanes::canCollapseSubview(index);
    }
    void splitViewDidResizeSubviews() { m_panes->subviewsResized(); }
    // Hides the sidebar, remembering its width, or shows it at that width again.
    void toggleLists() { m_panes->toggleLists(); }

    // Showing the selected note: 0.1 s after the selection moved to another note, the text
    // view shows that note's own storage.
    void noteSelectionChanged();
    // Whether a new selection's text is still on its way to the text view.
    bool isTextSwapPending() const { return m_textSwap->isSwapPending(); }
    // The new selection's text at once, for input that must reach it before anything else.
    void showSelectedNoteNow() { m_textSwap->swapNow(); }
    // Shows `note`'s own storage; null shows the read-only empty text.
    void setNoteText(const std::shared_ptr<BXNote>& note) { m_textSwap->setNoteText(note); }
    // Shows `storage`, null the read-only empty text.
    void setTextStorage(QTextDocument* storage) { m_textSwap->setTextStorage(storage); }
    void refreshNoteText() { m_textSwap->refreshNoteText(); }
    void updateNoteMessage();
    // Selects and reveals `range`, flashing it with `hilite`; a range outside the text is
    // ignored.
    void selectRange(platform::TextRange range, bool hilite)
    {
        m_textSwap->selectRange(range, hilite);
    }

    // Writing back, outside undo.
    void setAttributedString(const QTextDocument& text, BXNote* note)
    {
        m_editing->setAttributedString(text, note);
    }
    void saveSelectionRange() { m_editing->saveSelectionRange(); }

    // Editor registration.
    void objectDidBeginEditing(platform::Editor* editor) override
    {
        m_editing->objectDidBeginEditing(editor);
    }
    void objectDidEndEditing(platform::Editor* editor) override
    {
        m_editing->objectDidEndEditing(editor);
    }
    // Commits every open edit of the window; false when one refuses.
    bool endEditing() override { return m_editing->endEditing(); }
    bool commitEditingForSave() override { return m_editing->commitEditing(); }

    // Note text view delegate.
    platform::UndoManager* undoManagerForTextView(platform::TextView*) override
    {
        return windowWillReturnUndoManager();
    }
    QString currentNoteName() override { return m_textDelegate->currentNoteName(); }
    bool commitTextViewEditing(BXTextView* textView) override
    {
        return m_editing->commitTextViewEditing(textView);
    }
    void discardTextViewEditing(BXTextView* textView) override
    {
        m_editing->discardTextViewEditing(textView);
    }
    void objectDidEndEditing(BXTextView* textView) override;
    bool textViewClickedOnHashtag(BXTextView*, const QString& hashtag) override
    {
        m_textDelegate->searchForHashtag(hashtag);
        return true;
    }
    bool textViewDoubleClickedOnCell(
        BXTextView* textView, qsizetype index, const QRect& rect) override
    {
        return m_textDelegate->textViewDoubleClickedOnCell(textView, index, rect);
    }
    void textViewMenu(BXTextView* textView, QMenu* menu, qsizetype index) override
    {
        m_textDelegate->textViewMenu(textView, menu, index);
    }

    // The window's commands, answered by its text delegate, its history and its toolbar;
    // enabled, titled and checked by its validation table first.
    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;
    std::optional<QString> titleFor(const platform::Command& command) const override;

    // What the document and other windows ask.
    Notes selectedNotes() const override { return m_lists->selectedNotes(); }
    QList<QUrl> selectedNoteIDs() const override { return m_lists->selectedNoteIDs(); }
    // The note when exactly one is selected.
    std::shared_ptr<BXNote> selectedNote() const override { return m_lists->selectedNote(); }
    std::shared_ptr<BXNote> noteItem() const override { return selectedNote(); }
    std::shared_ptr<BXNote> noteAtIndex(qsizetype index) const override
    {
        return m_lists->noteAtIndex(index);
    }
    bool noteDirty() const override;
    double noteTextZoomFactor() const override;
    void zoomToFactor(double factor) override;
    Notes selectedCategories() const override { return m_lists->selectedCategories(); }
    Notes selectedPlainCategories() const override { return m_lists->selectedPlainCategories(); }
    QList<QUrl> selectedCategoryIDs() const override { return m_lists->selectedCategoryIDs(); }
    // Selects `notes` in the list, clearing the search and then choosing All Notes when they
    // are not listed; false when they still cannot be selected or an edit refuses to end.
    bool selectNotes(const Notes& notes, bool scrollingToSelection) override;
    bool selectCategories(const Notes& categories, bool scrollingToSelection) override
    {
        return m_lists->selectCategories(categories, scrollingToSelection);
    }
    // Starts renaming the category the sender represents (else the sidebar's clicked or
    // selected one), once the open edits ended.
    void renameCategory(const platform::Command& sender) override;
    bool isSearchScopeBarHidden() const override;
    BXSearchScopeBarController* searchScopeBarController() const
    {
        return m_searchScopeBarController;
    }
    // The scope bar's second scope cell follows the selected categories.
    void updateSearchScopeBarForCategories(const Notes& categories);
    // Shows the scope bar while a search string is set and hides it otherwise, then selects
    // `range` in the shown note, with the find highlight while searching.
    void handleScopeBarWithRange(std::optional<platform::TextRange> range) override;
    // The sign over the note text that flashes when a find wraps around.
    BXFlashingView* turnaroundView() const { return m_turnaroundView; }
    // Flashes it, upside down for a backward find; `withinNote` for a wrap inside the shown
    // note rather than into another one.
    void flashTurnaround(bool backwards, bool withinNote = false);
    // The text to share: the selected text (all of it when nothing is selected), or every
    // selected note when there are several.
    std::unique_ptr<QTextDocument> selectedString() const
    {
        return m_textDelegate->selectedString();
    }
    // The selected notes one after another, each under its centred, underlined title.
    std::unique_ptr<QTextDocument> concatenateNotes() const;
    // A copy of the shown note, or of the selected notes one after another when there are
    // several, taken now so later edits are not printed.
    std::shared_ptr<QObject> printView(
        const std::shared_ptr<platform::PrintInfo>& printInfo) override;

    // Opens a window for each note; with Shift held they open behind this one.
    void openNoteWindowsForNotes(const Notes& notes);

    // Clears the search (keeping its text with `ignoringString`), listing every note again.
    void resetSearchIgnoringString(bool ignoringString);

    // Text swap and editing delegate.
    platform::UndoManager* documentUndoManager() const override;
    platform::Document* noteDocument() const override { return document(); }
    void noteTextWillShow(const std::shared_ptr<BXNote>& note) override;
    std::optional<platform::TextRange> rangeToShowInNote(const BXNote& note) override;
    void keepNoteListed(const std::shared_ptr<BXNote>& note) override
    {
        m_lists->keepNoteListed(note);
    }
    bool endListsEditing() override { return m_lists->endEditing(); }

signals:
    // The text view shows the selection's text now: a text swap has run.
    void noteTextSwapped();

private:
    void buildWindow();
    void buildNotePane();
    // The first of the window's command handlers that answers `action`, or null.
    platform::Responder* handlerFor(const QString& action) const;
    // Shows the selected note's text, once the selection settled.
    void swapNoteText();
    void updateNoteText(const std::shared_ptr<BXNote>& note);
    void windowDidBecomeMain();
    void windowDidResignMain();

    std::unique_ptr<BXMainWindowLists> m_lists;
    std::unique_ptr<BXWindowState> m_windowState;
    std::unique_ptr<BXNoteMemoryManager> m_noteMemory;
    std::unique_ptr<BXTagsController> m_tagsController;
    QPointer<BXMainWindow> m_window;
    BXMainSplitView* m_splitView = nullptr;
    BXOutlineView* m_outlineView = nullptr;
    BXTableView* m_tableView = nullptr;
    QWidget* m_noteTextPane = nullptr;
    BXTextView* m_noteTextView = nullptr;
    BXMainWindowPanes* m_panes = nullptr;
    BXNotePaneMessage* m_message = nullptr;
    BXMainWindowTextSwap* m_textSwap = nullptr;
    BXMainWindowEditing* m_editing = nullptr;
    BXMainWindowTextDelegate* m_textDelegate = nullptr;
    BXMainWindowHistory* m_history = nullptr;
    BXSearchScopeBarController* m_searchScopeBarController = nullptr;
    BXFlashingView* m_turnaroundView = nullptr;
    BXMainWindowValidation* m_validation = nullptr;
    BXMainWindowToolbar* m_mainToolbar = nullptr;
    BXMainWindowFrameCommands* m_frameCommands = nullptr;
    // Undo and Redo whichever view has the focus, when no view took them first.
    platform::UndoCommands m_undoCommands { [this] { return windowWillReturnUndoManager(); } };
    QList<platform::Responder*> m_commandHandlers;
    std::unique_ptr<BXFormatMenu> m_formatMenu;
    BXMainWindowNoteActions* m_noteActions = nullptr;
    BXMainWindowRecentNotes* m_recentNotes = nullptr;
    BXMainWindowCategorySelection* m_categorySelection = nullptr;
    BXMainWindowBars* m_bars = nullptr;
    BXMainWindowSearch* m_search = nullptr;

    QList<QMetaObject::Connection> m_observations;
    bool m_preferencesInited = false;
    bool m_loaded = false;
    bool m_observing = false;
    bool m_isMain = false;
};
