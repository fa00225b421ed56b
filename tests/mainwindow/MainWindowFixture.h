#pragma once

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/editor/BXTextView.h"

#include "document/BXDocument.h"
#include "document/model/BXNote.h"

#include "platform/testing/FakeAlertPresenter.h"
#include "platform/testing/FakeScheduler.h"
#include "platform/testing/FakeUserInput.h"

#include <gtest/gtest.h>

#include <QPointer>
#include <QUrl>

#include <memory>

// A saved notes file open in its real main window, offscreen, with time, the user and alerts
// faked.
class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A new saved file holding notes of `texts` (one plain paragraph each).
    void makeFile(const QStringList& texts);
    // Opens the file at `fileURL` in a new document and main window.
    void openWindow();
    void closeWindow();
    // Saves the document in place.
    void save();

    std::shared_ptr<BXNote> noteTitled(const QString& title) const;
    void select(const QList<std::shared_ptr<BXNote>>& notes);
    // Lets the scheduled steps run; `seconds` of fake time pass.
    void settle(double seconds = 0.5);
    void typeText(const QString& text);
    // Return in the tags field, then OK in the popover asking to make the new tag; false when
    // no question came.
    bool confirmNewTag(QWidget* tagsField);
    void screenshot(const QString& name);

    platform::FakeScheduler scheduler;
    platform::FakeUserInput input;
    platform::FakeAlertPresenter alerts;
    QUrl fileURL;
    std::unique_ptr<BXDocument> document;
    QPointer<BXMainWindowController> controller;
    BXTextView* textView = nullptr;
};
