#pragma once

#include "mainwindow/editor/BXTextViewDelegate.h"
#include "platform/foundation/UndoManager.h"

// The least a note text view needs to be typed into: an undo manager of its own.
class BenchTextViewDelegate : public BXTextViewDelegate {
public:
    platform::UndoManager* undoManagerForTextView(platform::TextView*) override
    {
        return &undoManager;
    }
    QString currentNoteName() override { return QStringLiteral("Bench"); }
    bool commitTextViewEditing(BXTextView*) override { return true; }
    void discardTextViewEditing(BXTextView*) override { }

    platform::UndoManager undoManager;
};
