#pragma once

#include "platform/appkit/SpellingPanel.h"
#include "platform/controllers/Responder.h"

#include <QObject>
#include <QPointer>

#include <memory>

class BXBottomBarController;
class BXCategoriesArrayController;
class BXFormatMenu;
class BXInfoBarView;
class BXNote;
class BXNoteWindowController;
class BXTagsController;
class BXTagsControllerDelegate;
class BXWriterBar;
class QWidget;

// The bars around a note window's text: the info bar and the writer bar above it, the tags bar
// (tags alone, no navigation) below it, with the window's own Format menu, tag editor and
// spelling panel. Answers the window's tags bar, spelling, Default Style and colour panel
// commands. Owned by the window controller; main thread only.
class BXNoteWindowBars final : public QObject, public platform::Responder {
    Q_OBJECT

public:
    static constexpr int kInfoBarHeight = 22;
    static constexpr double kTagsBarRevealDelay = 0.1;

    // Puts the bars around the controller's text view, which must be in its pane already.
    explicit BXNoteWindowBars(BXNoteWindowController& controller);
    ~BXNoteWindowBars() override;

    BXInfoBarView* infoBar() const { return m_infoBar; }
    BXWriterBar* writerBar() const { return m_writerBar; }
    BXBottomBarController* bottomBarController() const { return m_bottomBarController; }
    BXTagsController* tagsController() const { return m_tagsController.get(); }
    BXFormatMenu* formatMenu() const { return m_formatMenu.get(); }
    // Null until Spelling is first asked for.
    platform::SpellingPanel* spellingPanel() const { return m_spellingPanel; }

    // Points the tag editor at `note`; its open edits are reported to `delegate`.
    void setUpTags(const std::shared_ptr<BXNote>& note, BXCategoriesArrayController* categories,
        BXTagsControllerDelegate* delegate);
    // Shows the tags bar without sliding, a moment after the window loaded, when `visible`.
    void revealTagsBarLater(bool visible);
    bool isTagsBarVisible() const;
    // Slides the tags bar in or out; the text takes the focus when nothing else had it.
    void toggleTagsBar();
    void updateInfoBar();
    // The ruler takes the text's appearance, or the window's when the text has none.
    void updateRulerAppearance();
    void showGuessPanel();

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;
    // "Show Tags" or "Hide Tags".
    std::optional<QString> titleFor(const platform::Command& command) const override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    BXNoteWindowController& m_controller;
    BXInfoBarView* m_infoBar;
    BXWriterBar* m_writerBar;
    BXBottomBarController* m_bottomBarController;
    std::unique_ptr<BXTagsController> m_tagsController;
    std::unique_ptr<BXFormatMenu> m_formatMenu;
    QPointer<platform::SpellingPanel> m_spellingPanel;
};
