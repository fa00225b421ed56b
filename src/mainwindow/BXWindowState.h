#pragma once

#include <QList>
#include <QObject>

class BXMainWindowController;
class QWidget;

namespace platform {
class ManagedObjectContext;
}

// The main window's state kept inside its document: frame, zoom, pane widths, sidebar and list
// options, sort order, search and the selected categories and notes, each a document
// preference, plus the text view's switches in the user defaults. Read in three stages when
// the window loads (the last one 0.25 s later, after which selection changes show notes) and
// written when the document closes, saving the preferences at once, since on quit nothing
// runs after the clean-up. Main thread only.
class BXWindowState final : public QObject {
    Q_OBJECT

public:
    static constexpr double kListsDelay = 0.25;
    // Narrower stored panes are not restored.
    static constexpr int kMinimumSidebarWidth = 112;
    static constexpr int kMinimumNotesListWidth = 262;

    explicit BXWindowState(BXMainWindowController& controller);

    // Before the notes are listed, so that they are sorted once.
    void loadSortPreferences();
    // Frame, panes and text switches now; search, selection and zoom 0.25 s later.
    void loadPreferences();
    void loadSplitterFramesPreferences();
    void loadListsPreferences();
    // Writes every item and saves the preferences; failures are logged.
    void savePreferences();

    // Whether the last stage of loading has run.
    bool listsLoaded() const { return m_listsLoaded; }

private:
    platform::ManagedObjectContext* prefsContext() const;
    // The main windows of the other open documents, which a new window cascades from.
    QList<QWidget*> otherDocumentWindows() const;
    void storeWindowFramePreferences();
    void storeSplitterFramesPreferences();
    void storeSidebarPreferences();
    void storeSortPreferences();
    void storeSearchPreferences();
    void storeSelectionPreferences();
    void storeTextPreferences();
    void loadTextPreferences();

    BXMainWindowController& m_controller;
    bool m_listsLoaded = false;
};
