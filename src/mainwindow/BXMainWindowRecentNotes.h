#pragma once

#include "mainwindow/BXRecentNotesCounter.h"

#include "platform/data/ManagedObject.h"
#include "platform/predicate/SortDescriptor.h"

#include <QList>
#include <QObject>
#include <QPointer>

class BXFetchedNotesCategory;
class BXMainWindowController;
class QMenu;

namespace platform {
class ManagedObjectContext;
} // namespace platform

// The main window's recent notes: those modified in the ten days before the document's newest
// modification, in the notes list's order, never the spare empty note. Fills the Recents menu
// with them and steps through them, round from the last to the first, for Back and Forward.
// The menu and the steps fetch them again each time; the Back and Forward enabling, which the
// toolbar asks after every user event, keeps their number up to date as the notes change.
// Owned by the window controller; main thread.
class BXMainWindowRecentNotes final : public QObject {
    Q_OBJECT

public:
    static inline const QString kRecentNotesMenuName = QStringLiteral("recentNotesMenu");

    explicit BXMainWindowRecentNotes(BXMainWindowController* controller);
    ~BXMainWindowRecentNotes() override;

    QList<platform::ManagedObjectPtr> fetchSortedRecentNotes() const;
    // The same over `context`: `recent` gives the predicate, `sort` the order; `latest`, when
    // given, receives the newest modification they count back from (invalid when none). A
    // failed fetch is logged and gives none.
    static QList<platform::ManagedObjectPtr> fetchSortedRecentNotes(
        platform::ManagedObjectContext& context, const BXFetchedNotesCategory& recent,
        const QList<platform::SortDescriptor>& sort, QDateTime* latest = nullptr);

    // Refills `menu`: one item per recent note, or one disabled "No Recent Notes".
    void buildRecentsMenu(QMenu* menu);
    // Selects the note when the list shows it; the action of the menu's items.
    void selectNoteFromMenu(const platform::ManagedObjectPtr& note);

    void navigateToPreviousRecent();
    void navigateToNextRecent();
    // Both need two recent notes at least.
    bool canNavigateToPreviousRecent() const;
    bool canNavigateToNextRecent() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // -1 previous, +1 next.
    void step(int direction);
    qsizetype recentNotesCount() const;
    void findRecentNotesMenu();

    BXMainWindowController* m_controller;
    QPointer<QMenu> m_recentNotesMenu;
    mutable BXRecentNotesCounter m_recentCounter;
};
