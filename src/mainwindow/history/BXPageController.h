#pragma once

#include "platform/controllers/Responder.h"
#include "platform/data/ManagedObject.h"

#include <QList>
#include <QObject>
#include <QPointer>

class BXPageControllerDelegate;
class QAction;
class QMenu;

namespace platform {
class SegmentedControl;
} // namespace platform

// The main window's history of the notes it showed, oldest first, with the current entry at
// selectedIndex(). Entries hold their notes, so a note deleted meanwhile stays an entry that
// reads " (deleted)" and cannot be gone to. Moves through the history (a History menu item, a
// swipe) run the delegate's three transition steps at once, as there is no animation. Fills
// the History menu and the Back and Forward control. Owned by the window's history keeper;
// main thread only.
class BXPageController final : public QObject, public platform::Responder {
    Q_OBJECT

public:
    static constexpr int kNextTag = -1;
    static constexpr int kPreviousTag = -2;
    static constexpr int kUnavailableTag = -3;
    static inline const QString kNavigateAction = QStringLiteral("navigate:");
    static inline const QString kClearHistoryAction = QStringLiteral("clearHistory:");

    explicit BXPageController(BXPageControllerDelegate* delegate, QObject* parent = nullptr);

    const QList<platform::ManagedObjectPtr>& arrangedObjects() const { return m_entries; }
    void setArrangedObjects(const QList<platform::ManagedObjectPtr>& entries);
    // -1 when the history is empty.
    int selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(int index);
    platform::ManagedObjectPtr selectedItem() const;
    bool canSelectPrevious() const { return m_selectedIndex > 0; }
    bool canSelectNext() const
    {
        return !m_entries.isEmpty() && m_selectedIndex < m_entries.size() - 1;
    }

    // Drops the entries after the current one and appends `object` as the current entry.
    void navigateForwardToObject(const platform::ManagedObjectPtr& object);
    // Moves to the entry at `index` through the delegate's transition steps.
    void takeSelectedIndexFrom(int index);
    // A swipe: one entry back (-1) or forward (+1); false when there is none that way.
    bool swipe(int direction);

    // Keeps only the current entry (none when there is none).
    void clearHistory();
    // Keeps the first entry of each note; the current entry stays current.
    void removeHistoryDuplicates();
    // Tag -1 and -2 step through the recent notes, 0 and above go to that entry.
    void navigate(int tag);

    bool validateNavigate(int tag) const;
    bool canClearHistory() const { return m_entries.size() >= 2; }

    // The History menu holds count + 2 items: the entries, a separator and "Clear History".
    int numberOfItemsInHistoryMenu() const { return int(m_entries.size()) + 2; }
    void updateItemInHistoryMenu(QAction* item, int index);
    // Refills `menu` item by item (the form the History menu shows each time it opens).
    void fillHistoryMenu(QMenu* menu);
    // Refills `menu` in one pass after dropping duplicates (the Back and Forward menus).
    void buildMenu(QMenu* menu);
    // Fills `menu` each time it is about to show.
    void attachHistoryMenu(QMenu* menu);

    // Makes `control` the Back and Forward control: two momentary segments sending
    // "navigate:" with tags -2 and -1, each holding the history as its menu, labelled for the
    // text-only form.
    void setUpNavigationControl(platform::SegmentedControl* control);
    void updateNavigationButton(platform::SegmentedControl* control) const;
    // The control's text-only menu form: "Back/Forward" with Back and Forward items.
    QMenu* makeNavigationMenuForm(QWidget* parent);

    bool respondsTo(const QString& action) const override;
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;

private:
    QAction* makeEntryItem(QMenu* menu, int index, bool withDeletedSuffix);
    QAction* makeClearItem(QMenu* menu);

    BXPageControllerDelegate* m_delegate;
    QList<platform::ManagedObjectPtr> m_entries;
    int m_selectedIndex = -1;
};
