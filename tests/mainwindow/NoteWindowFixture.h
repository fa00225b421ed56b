#pragma once

#include "MainWindowFixture.h"

#include "mainwindow/notewindow/BXNoteWindowController.h"

// The main window's fixture with note windows made by their real controller.
class NoteWindowFixture : public MainWindowFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Opens (or finds) the window of `note`, shown and settled past its selection sync.
    BXNoteWindowController* openNoteWindow(const std::shared_ptr<BXNote>& note);
    QList<BXNoteWindowController*> noteWindows() const;
    static QString textOf(BXTextView* view);
    void typeInto(BXTextView* view, const QString& text);
    void grabWindow(QWidget* window, const QString& name);
};
