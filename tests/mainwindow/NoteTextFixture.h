#pragma once

#include "mainwindow/editor/BXTextView.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"

#include "platform/testing/FakeScheduler.h"

#include <gtest/gtest.h>

// An unsaved document and a note text view outside any window, for the main window's note
// text collaborators driven through fakes of their window controller; time is faked.
class NoteTextFixture : public ::testing::Test {
protected:
    void SetUp() override;

    // A new note of the document holding `text` as one plain paragraph.
    BXNote::NotePtr makeNote(const QString& text);

    platform::FakeScheduler scheduler;
    BXDocument document;
    BXTextView view;
};
