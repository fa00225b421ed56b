#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

class BXMainWindowController;

// The main window's note pane behind the note text: a plain under-page fill, and a drop target
// for Markdown and text files (.md, .markdown, .txt by the first file), which it offers to
// import as notes and selects once they are in. Owned by the window; main thread only.
class BXUnderpageView final : public QWidget {
    Q_OBJECT

public:
    static constexpr double kSelectImportedDelay = 0.3;

    BXUnderpageView(BXMainWindowController* controller, QWidget* parent);

    // Whether a drop of `urls` is taken: the first one names a Markdown or text file.
    static bool acceptsFiles(const QList<QUrl>& urls);
    // Asks in a sheet on the window; on Import, imports the files and selects the new notes.
    void askToImportFiles(const QList<QUrl>& urls);

protected:
    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    BXMainWindowController* m_controller;
};
