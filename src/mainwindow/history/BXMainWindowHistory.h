#pragma once

#include "mainwindow/history/BXPageControllerDelegate.h"

#include "platform/controllers/Responder.h"

#include <QObject>
#include <QPointer>

class BXMainWindowController;
class BXPageController;
class QMenu;
class QWheelEvent;

// The main window's side of its history: which entries can still be shown and their titles,
// the note shown after a move through the history (the list selects it), the focus given back
// to the note text afterwards, and the two-finger horizontal swipe over the note text that
// moves back or forward. Also fills the window's History menu. Owned by the window controller;
// main thread only.
class BXMainWindowHistory final : public QObject,
                                  public BXPageControllerDelegate,
                                  public platform::Responder {
    Q_OBJECT

public:
    static constexpr double kScrollToSelectionDelay = 0.01;
    // Horizontal scrolling, in eighths of a degree, that makes a swipe (one wheel notch).
    static constexpr int kSwipeDistance = 120;
    // A swipe from a device that reports no gesture phases ends after this quiet time.
    static constexpr double kSwipeRest = 0.4;
    static inline const QString kHistoryMenuName = QStringLiteral("historyMenu");

    explicit BXMainWindowHistory(BXMainWindowController* controller);
    ~BXMainWindowHistory() override;

    BXPageController* pageController() const { return m_pageController; }
    bool swipeNavigating() const { return m_swipeNavigating; }

    // The history's part in showing `note`: a note already in the history becomes its current
    // entry, any other one is added after the current entry. Nothing while a move through the
    // history shows it.
    void noteWillShow(const platform::ManagedObjectPtr& note);

    bool itemAvailable(const platform::ManagedObjectPtr& item) const override;
    QString itemTitle(const platform::ManagedObjectPtr& item) const override;
    // Back and Forward step through the window's recent notes.
    std::optional<bool> canNavigateToPreviousRecent() const override;
    std::optional<bool> canNavigateToNextRecent() const override;
    bool navigateToPreviousRecent() override;
    bool navigateToNextRecent() override;
    void pageControllerWillStartLiveTransition() override;
    void pageControllerDidTransitionToObject(const platform::ManagedObjectPtr& object) override;
    void pageControllerDidEndLiveTransition() override;

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // True when the event was taken as (part of) a swipe.
    bool handleWheel(const QWheelEvent* event);
    void findHistoryMenu();

    BXMainWindowController* m_controller;
    BXPageController* m_pageController;
    QPointer<QMenu> m_historyMenu;
    platform::ManagedObjectPtr m_navigationObject;
    bool m_swipeNavigating = false;
    bool m_swipeTransitionConfirmed = false;
    bool m_noteTextWasFirstResponderWhileNavigating = false;
    // The horizontal scrolling of the gesture under way, and whether it already swiped.
    int m_swipeAccumulated = 0;
    bool m_swipedInGesture = false;
    double m_lastWheelTime = 0;
};
