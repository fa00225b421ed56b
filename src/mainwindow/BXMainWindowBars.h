#pragma once

#include "platform/controllers/Responder.h"

#include <QObject>

class BXBottomBarController;
class BXInfoBarView;
class BXMainWindowController;
class BXWriterBar;

// The main window's bars around the note text: the info line and the writer bar above it,
// the bottom bar (tags and, while the sidebar is collapsed, navigation) below it. Keeps
// whether the tags bar shows and answers the commands that move the bars. Owned by the window
// controller; main thread only; delays go through the scheduler.
class BXMainWindowBars final : public QObject, public platform::Responder {
    Q_OBJECT

public:
    static constexpr int kInfoBarHeight = 22;
    // After a note is shown, the writer bar reads the note's attributes this much later.
    static constexpr double kWriterBarRefreshDelay = 0.15;

    explicit BXMainWindowBars(BXMainWindowController* controller);

    // Puts the info bar and the writer bar over the note text. Runs once.
    void setupInfoBar();
    // Null until setupInfoBar().
    BXInfoBarView* infoBar() const { return m_infoBar; }
    BXWriterBar* writerBar() const { return m_writerBar; }
    // Under the note text from the start, hidden.
    BXBottomBarController* bottomBarController() const { return m_bottomBarController; }

    // The info line shows the selected note's modification date, or nothing.
    void updateBottomBarInfo();
    // A note was shown: its date now, its attributes in the writer bar a moment later.
    void noteShown();

    bool tagsBarVisible() const { return m_tagsBarVisible; }
    void setTagsBarVisible(bool visible) { m_tagsBarVisible = visible; }
    // Shows or hides the tags bar; nothing while the sidebar is collapsed, whose navigation
    // keeps the bar shown.
    void toggleTagsBar();
    // The stored state at load: the tags bar as stored, the sidebar already placed.
    void loadTagsBarVisible(bool visible);
    // The sidebar was collapsed (the bar shows with its navigation) or expanded (the
    // navigation goes, and with it the bar unless the tags bar is on).
    void listsCollapsedChanged(bool collapsed);

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;

private:
    BXMainWindowController* m_controller;
    // The note text's pane, and the holder of the text and the bottom bar in its layout.
    QWidget* m_pane = nullptr;
    QWidget* m_textHolder = nullptr;
    BXInfoBarView* m_infoBar = nullptr;
    BXWriterBar* m_writerBar = nullptr;
    BXBottomBarController* m_bottomBarController = nullptr;
    bool m_tagsBarVisible = true;
};
