#pragma once

#include <QList>
#include <QPointer>
#include <QString>

class QMenu;
class QWidget;

namespace platform {
class DocumentController;
}

// The Window menu's list of windows, grouped by document: each document's main window, then
// its note windows indented by one level, documents in the order of their main windows'
// titles. A line sets a document with note windows apart from its neighbours; documents shown
// in their main window alone follow each other without one. The window in front is checked,
// an edited one marked. The menu's own commands stay above. Rebuilt every time the menu
// opens, so it keeps no state of its own.
class BXWindowMenu final {
public:
    struct Window {
        QPointer<QWidget> window;
        QString title;
        // The main window's document is edited, a note window's note is dirty.
        bool edited = false;
        // The window the user works in.
        bool current = false;
    };
    struct DocumentWindows {
        Window main;
        QList<Window> notes;
    };
    struct Row {
        bool separator = false;
        QPointer<QWidget> window;
        QString title;
        int indentation = 0;
        bool edited = false;
        bool current = false;
    };

    BXWindowMenu() = delete;

    // The rows for `documents`: groups sorted by the main window's title as a person would
    // sort them, note windows sorted the same way within their group.
    static QList<Row> arrange(QList<DocumentWindows> documents);
    // The open documents' windows; documents without a window are passed over.
    static QList<DocumentWindows> documentWindows(const platform::DocumentController& controller);
    // Replaces the window rows a previous run added to `menu` by fresh ones.
    static void rebuild(QMenu* menu, const QList<DocumentWindows>& documents);
};
