#pragma once

#include "mainwindow/editor/BXTextViewDelegate.h"

#include "document/BXMainWindowProvider.h"
#include "document/BXPrintViewProvider.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
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
class BXMainWindowTextDelegate;
class BXMainWindowToolbar;
class BXMainWindowValidation;
class BXNote;
class BXNotesArrayController;
class BXNotesListModel;
class BXNoteMemoryManager;
class BXTagsController;
class BXOutlineView;
class BXSearchScopeBarController;
class BXTableView;
class BXTextView;
class BXWindowState;
class QMenu;
class QTextDocument;

class QMenu;

namespace platform {
class Editor;
class UndoManager;
struct Notification;
} // namespace platform

// The controller of a document's main window: the categories sidebar, the notes list and the
// note text side by side. It shows the one selected note by pointing its text view at that
// note's own text storage and writes every user edit of that storage back into the note at
// once, outside undo; it keeps the registered editors the document commits, and answers what
// the document asks about the selection. Made before its document holds it; windowDidLoad()
// runs once the document does. Main thread only; delays go through the scheduler.
Q_MOC_INCLUDE(<QMenu>)

class BXMainWindowController final : public platform::WindowController,
                                     public BXMainWindowProvider,
                                     public BXPrintViewProvider,
                                     public BXTableManagedObjectsArrayControllerDelegate,
                                     public BXTagsControllerDelegate,
                                     public BXTextViewDelegate,
                                     public platform::Responder {
    Q_OBJECT

public:
    using Notes = QList<platform::ManagedObjectPtr>;

    static constexpr double kTextSwapDelay = 0.1;
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
    BXFadingText* messageView() const { return m_messageView; }
    BXCategoriesArrayController* categoriesController() const;
    BXNotesArrayController* notesController() const;
    BXMainWindowTextDelegate* textDelegate() const { return m_textDelegate; }
    BXMainWindowHistory* history() const { return m_history; }
    BXMainWindowToolbar* mainToolbar() const { return m_mainToolbar; }
    BXMainWindowValidation* validation() const { return m_validation; }
    // The Format button's menu, built on first use and kept.
    QMenu* formatPopupMenuIfNeeded();
    void formatButtonClicked(QWidget* button);
    // "RulerUnitsChanged": the ruler takes the units under "RulerUnits".
    void handleRulerUnitsChange(const platform::Notification& notification);
    BXMainWindowNoteActions* noteActions() const { return m_noteActions; }
    BXMainWindowRecentNotes* recentNotes() const { return m_recentNotes; }
    BXMainWindowCategorySelection* categorySelection() const { return m_categorySelection; }
    // The application's History menu: the recent notes of this document.
    Q_INVOKABLE void buildRecentsMenu(QMenu* menu);
    BXMainWindowBars* bars() const { return m_bars; }
    BXMainWindowSearch* search() const { return m_search; }
    BXTagsController* tagsController() const { return m_tagsController.get(); }

    bool preferencesInited() const { return m_preferencesInited; }
    // From then on selection changes show notes; set by the last stage of loading the state.
    void setPreferencesInited(bool inited) { m_preferencesInited = inited; }
    BXWindowState* windowState() const { return m_windowState.get(); }
    BXNoteMemoryManager* noteMemoryManager() const { return m_noteMemory.get(); }
    // Frees the notes no window shows; the application asks on memory pressure and when it
    // goes inactive.
    Q_INVOKABLE void releaseMemoryForInactiveNotes();
    bool listsCollapsed() const { return m_listsCollapsed; }
    float dividerPosition() const { return m_dividerPosition; }
    QString messageOnNote() const { return m_messageOnNote; }
    bool shouldDisplayMessageOnNote() const { return m_shouldDisplayMessageOnNote; }
    QString searchString() const;
    // Fills the search field too, without filtering.
    void setSearchString(const QString& text);
    bool searchInProgress() const;
    const QList<platform::Editor*>& registeredEditors() const { return m_registeredEditors; }

    // Window delegate.
    void windowDidBecomeMain();
    void windowDidResignMain();
    // Where the window's undo and redo go: the image editor's steps while its popover shows,
    // else the document's.
    platform::UndoManager* windowWillReturnUndoManager() const;
    // The document is closing: stop observing, freeze the lists, keep the caret's place and
    // record the window's state in the document.
    void documentWillClose() override;
    // Runs once; later calls do nothing.
    void removeObservations();
    void tagPeekModifierChanged(bool held);

    // Split view delegate: only the sidebar collapses, also by a double click on a divider.
    bool splitViewCanCollapseSubview(int index) const;
    bool splitViewShouldCollapseSubviewForDoubleClickOnDividerAtIndex(int index);
    void splitViewDidResizeSubviews();
    // Hides the sidebar, remembering its width, or shows it at that width again.
    void toggleLists();

    // Showing the selected note.
    void noteSelectionChanged();
    // Whether a new selection's text is still on its way to the text view.
    bool isTextSwapPending() const { return m_pendingTextSwaps > 0; }
    // Whether the selected note differs from the last one shown (remembering it when it does).
    bool selectedNoteChanged();
    void updateNoteText(const std::shared_ptr<BXNote>& note);
    // Shows `note`'s own storage; null shows the read-only empty text.
    void setNoteText(const std::shared_ptr<BXNote>& note);
    // Shows the read-only empty text until `note`'s storage, built on a worker, is there.
    void showTextWhenLoaded(const std::shared_ptr<BXNote>& note);
    void setTextStorage(QTextDocument* storage);
    void refreshNoteText();
    void updateSelectionInNote(const std::shared_ptr<BXNote>& note);
    void updateNoteMessage();
    // Selects and reveals `range`, flashing it with `hilite`; a range outside the text is
    // ignored.
    void selectRange(platform::TextRange range, bool hilite);

    // Writing back.
    void textStorageDidProcessEditing(QTextDocument* storage);
    void setAttributedString(const QTextDocument& text, BXNote* note);
    void saveSelectionRange();
    void setSelectionRange(platform::TextRange range, BXNote* note, bool saving);

    // Editor registration.
    void objectDidBeginEditing(platform::Editor* editor) override;
    void objectDidEndEditing(platform::Editor* editor) override;
    void updateSyncEditing(bool editing);
    // Commits every open edit of the window; false when one refuses.
    bool endEditing() override;
    // The note view's focus and first change drive these; the delegate's per-view calls, made
    // around a picture the image editor sets, record their own undo step and need nothing here.
    using BXTextViewDelegate::textDidBeginEditing;
    using BXTextViewDelegate::textDidEndEditing;
    void textDidBeginEditing();
    void textDidEndEditing();

    // Note text view delegate.
    platform::UndoManager* undoManagerForTextView(platform::TextView* textView) override;
    QString currentNoteName() override;
    bool commitTextViewEditing(BXTextView* textView) override;
    void discardTextViewEditing(BXTextView* textView) override;
    void objectDidEndEditing(BXTextView* textView) override;
    bool textViewClickedOnHashtag(BXTextView* textView, const QString& hashtag) override;
    bool textViewDoubleClickedOnCell(
        BXTextView* textView, qsizetype index, const QRect& rect) override;
    void textViewMenu(BXTextView* textView, QMenu* menu, qsizetype index) override;

    // The window's commands, answered by its text delegate, its history and its toolbar;
    // enabled, titled and checked by its validation table first.
    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;
    std::optional<QString> titleFor(const platform::Command& command) const override;

    // What the document and other windows ask.
    Notes selectedNotes() const override;
    QList<QUrl> selectedNoteIDs() const override;
    // The note when exactly one is selected.
    std::shared_ptr<BXNote> selectedNote() const override;
    std::shared_ptr<BXNote> noteItem() const override { return selectedNote(); }
    std::shared_ptr<BXNote> noteAtIndex(qsizetype index) const override;
    bool noteDirty() const override;
    double noteTextZoomFactor() const override;
    void zoomToFactor(double factor) override;
    Notes selectedCategories() const override;
    Notes selectedPlainCategories() const override;
    QList<QUrl> selectedCategoryIDs() const override;
    // Selects `notes` in the list, clearing the search and then choosing All Notes when they
    // are not listed; false when they still cannot be selected or an edit refuses to end.
    bool selectNotes(const Notes& notes, bool scrollingToSelection) override;
    bool selectCategories(const Notes& categories, bool scrollingToSelection) override;
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
    void handleScopeBarWithRange(std::optional<platform::TextRange> range);
    // The sign over the note text that flashes when a find wraps around.
    BXFlashingView* turnaroundView() const { return m_turnaroundView; }
    // Flashes it, upside down for a backward find; `withinNote` for a wrap inside the shown
    // note rather than into another one.
    void flashTurnaround(bool backwards, bool withinNote = false);
    // The text to share: the selected text (all of it when nothing is selected), or every
    // selected note when there are several.
    std::unique_ptr<QTextDocument> selectedString() const;
    // The selected notes one after another, each under its centred, underlined title.
    std::unique_ptr<QTextDocument> concatenateNotes() const;
    // A copy of the shown note, or of the selected notes one after another when there are
    // several, taken now so later edits are not printed.
    std::shared_ptr<QObject> printView(
        const std::shared_ptr<platform::PrintInfo>& printInfo) override;

    // The lists' document-level work, handed to the document.
    bool tableArrayControllerImportNotesAtURLs(BXTableManagedObjectsArrayController* controller,
        const QList<QUrl>& urls, const std::optional<Notes>& categories,
        const ImportCompletion& completion) override;
    bool tableArrayControllerImportNotes(BXTableManagedObjectsArrayController* controller,
        const Notes& notes, const Notes& categories, const Completion& completion) override;
    bool tableArrayControllerExportNotes(BXTableManagedObjectsArrayController* controller,
        const Notes& notes, const QUrl& folder, QStringList* exportedFilesNames) override;
    bool deleteNotes(const Notes& notes) override;

    // Opens a window for each note; with Shift held they open behind this one.
    void openNoteWindowsForNotes(const Notes& notes);

    // Clears the search (keeping its text with `ignoringString`), listing every note again.
    void resetSearchIgnoringString(bool ignoringString);

signals:
    // The text view shows the selection's text now: a text swap has run.
    void noteTextSwapped();

private:
    void buildWindow();
    // The first of the window's command handlers that answers `action`, or null.
    platform::Responder* handlerFor(const QString& action) const;
    // The document's undo manager, which records the note edits whatever the window shows.
    platform::UndoManager* documentUndoManager() const;
    void layoutMessageView();
    void textOptionChanged(const QString& key);
    bool eventFilter(QObject* watched, QEvent* event) override;

    std::unique_ptr<BXCategoriesArrayController> m_categoriesController;
    std::unique_ptr<BXNotesArrayController> m_notesController;
    std::unique_ptr<BXNotesListModel> m_notesListModel;
    std::unique_ptr<BXWindowState> m_windowState;
    std::unique_ptr<BXNoteMemoryManager> m_noteMemory;
    std::unique_ptr<BXTagsController> m_tagsController;
    QPointer<BXMainWindow> m_window;
    BXMainSplitView* m_splitView = nullptr;
    BXOutlineView* m_outlineView = nullptr;
    BXTableView* m_tableView = nullptr;
    QWidget* m_noteTextPane = nullptr;
    BXTextView* m_noteTextView = nullptr;
    BXFadingText* m_messageView = nullptr;
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

    QPointer<QTextDocument> m_shownStorage;
    QMetaObject::Connection m_storageConnection;
    QList<QMetaObject::Connection> m_observations;
    std::shared_ptr<BXNote> m_lastSelectedNote;
    // The pending load of a long note's storage (deleting it stops the load), and its note.
    QPointer<QObject> m_textLoad;
    std::weak_ptr<BXNote> m_loadingNote;
    QList<platform::Editor*> m_registeredEditors;
    QString m_messageOnNote;
    float m_dividerPosition = 0;
    bool m_shouldDisplayMessageOnNote = false;
    bool m_preferencesInited = false;
    int m_pendingTextSwaps = 0;
    bool m_listsCollapsed = false;
    bool m_loaded = false;
    bool m_observing = false;
    bool m_isMain = false;
    // Between the first edit after the view took the focus and its loss.
    bool m_textEditing = false;
};
