#include "mainwindow/history/BXPageController.h"

#include "mainwindow/history/BXPageControllerDelegate.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/appkit/MenuAccessKeys.h"
#include "platform/appkit/SegmentedControl.h"
#include "platform/appkit/SymbolIcon.h"
#include "platform/foundation/Localized.h"

#include <QAction>
#include <QMenu>

using platform::CommandRouter;
using platform::ManagedObjectPtr;

BXPageController::BXPageController(BXPageControllerDelegate* delegate, QObject* parent)
    : QObject(parent), m_delegate(delegate)
{ }

void BXPageController::setArrangedObjects(const QList<ManagedObjectPtr>& entries)
{
    m_entries = entries;
    m_selectedIndex = std::min(m_selectedIndex, int(m_entries.size()) - 1);
    if (m_selectedIndex < 0 && !m_entries.isEmpty())
        m_selectedIndex = 0;
}

void BXPageController::setSelectedIndex(int index)
{
    if (index >= 0 && index < m_entries.size())
        m_selectedIndex = index;
}

ManagedObjectPtr BXPageController::selectedItem() const
{
    return m_selectedIndex >= 0 && m_selectedIndex < m_entries.size()
        ? m_entries.at(m_selectedIndex)
        : nullptr;
}

void BXPageController::navigateForwardToObject(const ManagedObjectPtr& object)
{
    if (!object)
        return;
    m_entries.resize(m_selectedIndex + 1);
    m_entries.append(object);
    m_selectedIndex = int(m_entries.size()) - 1;
}

void BXPageController::takeSelectedIndexFrom(int index)
{
    if (index < 0 || index >= m_entries.size() || index == m_selectedIndex)
        return;
    const int from = m_selectedIndex;
    m_delegate->pageControllerWillStartLiveTransition();
    m_selectedIndex = index;
    const ManagedObjectPtr target = m_entries.at(index);
    m_delegate->pageControllerDidTransitionToObject(target);
    // An entry that cannot be shown is not moved onto: the history stays on the shown note.
    if (!m_delegate->itemAvailable(target))
        m_selectedIndex = from;
    m_delegate->pageControllerDidEndLiveTransition();
}

bool BXPageController::swipe(int direction)
{
    if ((direction < 0 && !canSelectPrevious()) || (direction > 0 && !canSelectNext())
        || direction == 0)
        return false;
    takeSelectedIndexFrom(m_selectedIndex + (direction < 0 ? -1 : 1));
    return true;
}

void BXPageController::clearHistory()
{
    const ManagedObjectPtr current = selectedItem();
    m_entries.clear();
    m_selectedIndex = -1;
    if (current) {
        m_entries.append(current);
        m_selectedIndex = 0;
    }
}

void BXPageController::removeHistoryDuplicates()
{
    if (m_entries.size() < 2)
        return;
    const ManagedObjectPtr selected = selectedItem();
    QList<ManagedObjectPtr> kept;
    QList<platform::ManagedObjectID> seenIDs;
    int newSelected = -1;
    for (const ManagedObjectPtr& entry : std::as_const(m_entries)) {
        bool duplicate = false;
        if (entry && !entry->objectID().isTemporaryID()) {
            duplicate = seenIDs.contains(entry->objectID());
            if (!duplicate)
                seenIDs.append(entry->objectID());
        } else {
            duplicate = kept.contains(entry);
        }
        if (duplicate)
            continue;
        if (entry == selected)
            newSelected = int(kept.size());
        kept.append(entry);
    }
    if (kept.size() == m_entries.size())
        return;
    const int oldSelected = m_selectedIndex;
    m_entries = kept;
    if (newSelected >= 0)
        m_selectedIndex = newSelected;
    else
        m_selectedIndex = m_entries.isEmpty() ? -1 : std::min(oldSelected, int(kept.size()) - 1);
}

void BXPageController::navigate(int tag)
{
    if (tag == kNextTag)
        m_delegate->navigateToNextRecent();
    else if (tag == kPreviousTag)
        m_delegate->navigateToPreviousRecent();
    else if (tag >= 0)
        takeSelectedIndexFrom(tag);
}

bool BXPageController::validateNavigate(int tag) const
{
    if (tag == kPreviousTag)
        return m_delegate->canNavigateToPreviousRecent().value_or(false);
    if (tag == kNextTag)
        return m_delegate->canNavigateToNextRecent().value_or(false);
    return tag >= 0;
}

QAction* BXPageController::makeEntryItem(QMenu* menu, int index, bool withDeletedSuffix)
{
    const ManagedObjectPtr entry = m_entries.at(index);
    QString title = m_delegate->itemTitle(entry);
    int tag = index;
    if (!m_delegate->itemAvailable(entry)) {
        tag = kUnavailableTag;
        if (withDeletedSuffix)
            title += platform::localized(QStringLiteral(" (deleted)"));
    }
    QAction* item = menu->addAction(title);
    item->setCheckable(true);
    item->setChecked(index == m_selectedIndex);
    item->setEnabled(validateNavigate(tag));
    CommandRouter::setAction(item, kNavigateAction, tag);
    CommandRouter::setTarget(item, this);
    CommandRouter::shared().connectAction(item);
    return item;
}

QAction* BXPageController::makeClearItem(QMenu* menu)
{
    QAction* item = menu->addAction(platform::localized(QStringLiteral("Clear History")));
    item->setEnabled(canClearHistory());
    CommandRouter::setAction(item, kClearHistoryAction);
    CommandRouter::setTarget(item, this);
    CommandRouter::shared().connectAction(item);
    return item;
}

void BXPageController::updateItemInHistoryMenu(QAction* item, int index)
{
    const int count = int(m_entries.size());
    if (index < count) {
        const ManagedObjectPtr entry = m_entries.at(index);
        QString title = platform::MenuAccessKeys::literal(m_delegate->itemTitle(entry));
        int tag = index;
        if (!m_delegate->itemAvailable(entry)) {
            tag = kUnavailableTag;
            title += platform::localized(QStringLiteral(" (deleted)"));
        }
        item->setText(title);
        item->setCheckable(true);
        item->setChecked(index == m_selectedIndex);
        item->setEnabled(validateNavigate(tag));
        CommandRouter::setAction(item, kNavigateAction, tag);
    } else if (index == count + 1) {
        item->setText(platform::localized(QStringLiteral("Clear History")));
        item->setCheckable(false);
        item->setEnabled(canClearHistory());
        CommandRouter::setAction(item, kClearHistoryAction);
    }
}

void BXPageController::fillHistoryMenu(QMenu* menu)
{
    menu->clear();
    const int count = int(m_entries.size());
    for (int index = 0; index < numberOfItemsInHistoryMenu(); ++index) {
        if (index == count) {
            menu->addSeparator();
            continue;
        }
        QAction* item = menu->addAction(QString());
        CommandRouter::setTarget(item, this);
        CommandRouter::shared().connectAction(item);
        updateItemInHistoryMenu(item, index);
    }
}

void BXPageController::buildMenu(QMenu* menu)
{
    removeHistoryDuplicates();
    menu->clear();
    for (int index = 0; index < m_entries.size(); ++index)
        makeEntryItem(menu, index, false);
    menu->addSeparator();
    makeClearItem(menu);
}

void BXPageController::attachHistoryMenu(QMenu* menu)
{
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { fillHistoryMenu(menu); });
}

void BXPageController::setUpNavigationControl(platform::SegmentedControl* control)
{
    control->setSegmentCount(2);
    control->setTracking(platform::SegmentedControl::Tracking::Momentary);
    const struct {
        const char* symbol;
        const char* label;
        int tag;
    } segments[] = { { "chevron.backward", "Back", kPreviousTag },
        { "chevron.forward", "Forward", kNextTag } };
    for (int segment = 0; segment < 2; ++segment) {
        const QString label = platform::localized(QString::fromLatin1(segments[segment].label));
        control->setIcon(segment, platform::SymbolIcon::named(segments[segment].symbol));
        control->setLabel(segment, label);
        control->setToolTip(segment, label);
        control->setTag(segment, segments[segment].tag);
        auto* menu = new QMenu(label, control);
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { buildMenu(menu); });
        control->setMenu(segment, menu);
    }
    CommandRouter::setAction(control, kNavigateAction);
    CommandRouter::setTarget(control, this);
    updateNavigationButton(control);
}

void BXPageController::updateNavigationButton(platform::SegmentedControl* control) const
{
    control->setEnabled(0, validateNavigate(kPreviousTag));
    control->setEnabled(1, validateNavigate(kNextTag));
}

QMenu* BXPageController::makeNavigationMenuForm(QWidget* parent)
{
    auto* form = new QMenu(platform::localized(QStringLiteral("Back/Forward")), parent);
    for (const auto& [title, tag] :
        { std::pair { "Back", kPreviousTag }, { "Forward", kNextTag } }) {
        QAction* item = form->addAction(platform::localized(QString::fromLatin1(title)));
        CommandRouter::setAction(item, kNavigateAction, tag);
        CommandRouter::setTarget(item, this);
        CommandRouter::shared().connectAction(item);
    }
    CommandRouter::shared().attachMenu(form);
    return form;
}

bool BXPageController::respondsTo(const QString& action) const
{
    return action == kNavigateAction || action == kClearHistoryAction;
}

std::optional<bool> BXPageController::validate(platform::Command& command) const
{
    if (command.action == kNavigateAction)
        return validateNavigate(command.tag);
    if (command.action == kClearHistoryAction)
        return canClearHistory();
    return false;
}

void BXPageController::perform(const platform::Command& command)
{
    if (command.action == kNavigateAction)
        navigate(command.tag);
    else if (command.action == kClearHistoryAction)
        clearHistory();
}
