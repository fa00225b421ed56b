#include "lists/noteslist/BXNotesListMenus.h"

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableView.h"

#include "platform/appkit/CommandRouter.h"
#include "platform/foundation/Localized.h"

#include <QHash>
#include <QHeaderView>
#include <QMenu>

using namespace platform;

BXNotesListMenus::BXNotesListMenus(
    BXTableManagedObjectsArrayController& list, std::function<QString()> deleteMenuTitle)
    : m_list(list), m_deleteMenuTitle(std::move(deleteMenuTitle))
{ }

void BXNotesListMenus::setUpTable(BXTableView* table)
{
    QHeaderView* header = table->horizontalHeader();
    header->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(header, &QWidget::customContextMenuRequested, this,
        [this, header](const QPoint& at) { headerMenu()->popup(header->mapToGlobal(at)); });
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        if (m_list.tableView())
            contextMenu()->popup(m_list.tableView()->viewport()->mapToGlobal(at));
    });
}

QMenu* BXNotesListMenus::contextMenu()
{
    if (!m_contextMenu) {
        m_contextMenu = new QMenu(m_list.tableView());
        for (const int tag : { 201, 203, 204, 206, 208 }) {
            auto* action = m_contextMenu->addAction(QString());
            CommandRouter::setAction(action, QString(), tag);
        }
        // Retitled before the router validates the new actions.
        QMenu* menu = m_contextMenu;
        connect(menu, &QMenu::aboutToShow, this, [this, menu] { menuNeedsUpdate(menu); });
        // The chosen item runs as the menu closes; the clicked row is forgotten after it.
        connect(menu, &QMenu::aboutToHide, this, [this] {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (BXTableView* table = m_list.tableView())
                        table->forgetClickedRow();
                },
                Qt::QueuedConnection);
        });
        CommandRouter::shared().attachMenu(menu);
    }
    return m_contextMenu;
}

QMenu* BXNotesListMenus::headerMenu()
{
    if (!m_headerMenu) {
        m_headerMenu = new QMenu(m_list.tableView());
        const std::pair<const char*, const char*> items[]
            = { { "Date Created", "toggleShowNoteCreatedColumn:" },
                  { "Date Modified", "toggleShowNoteModifiedColumn:" } };
        for (const auto& [title, action] : items) {
            QAction* item = m_headerMenu->addAction(localized(QString::fromLatin1(title)));
            item->setCheckable(true);
            CommandRouter::setAction(item, QString::fromLatin1(action));
        }
        CommandRouter::shared().attachMenu(m_headerMenu);
    }
    return m_headerMenu;
}

void BXNotesListMenus::menuNeedsUpdate(QMenu* menu)
{
    const int row = m_list.clickedRow();
    const bool inSelection = row >= 0 && m_list.selectionIndexes().contains(row);
    struct Item {
        QString selectedTitle, selectedAction, clickedTitle, clickedAction;
    };
    const QHash<int, Item> items {
        { 201,
            { localized(QStringLiteral("Duplicate Selected Notes")),
                QStringLiteral("duplicateSelectedNotes:"),
                localized(QStringLiteral("Duplicate Note")),
                QStringLiteral("duplicateClickedNote:") } },
        { 203,
            { localized(QStringLiteral("Open Selected Notes in Separate Window")),
                QStringLiteral("openSelectedNotesInSeparateWindow:"),
                localized(QStringLiteral("Open Note in Separate Window")),
                QStringLiteral("openClickedNoteInSeparateWindow:") } },
        { 204,
            { m_deleteMenuTitle(), QStringLiteral("deleteSelectedNotes:"),
                localized(QStringLiteral("Delete Note…")), QStringLiteral("deleteClickedNote:") } },
        { 206,
            { localized(QStringLiteral("Remove Selected Notes From Category")),
                QStringLiteral("unlinkSelectedNotes:"),
                localized(QStringLiteral("Remove Note From Category")),
                QStringLiteral("unlinkClickedNote:") } },
        { 208,
            { localized(QStringLiteral("Export Selected Notes…")),
                QStringLiteral("exportSelectedNotes:"), localized(QStringLiteral("Export Note…")),
                QStringLiteral("exportClickedNote:") } },
    };
    for (QAction* action : menu->actions()) {
        const int tag = CommandRouter::tag(action);
        if (tag < 201)
            continue;
        if (row < 0) {
            // Without an action no responder takes it, so validation keeps it disabled too.
            CommandRouter::setAction(action, QString(), tag);
            action->setEnabled(false);
            continue;
        }
        const auto item = items.constFind(tag);
        if (item == items.cend())
            continue;
        action->setText(inSelection ? item->selectedTitle : item->clickedTitle);
        CommandRouter::setAction(
            action, inSelection ? item->selectedAction : item->clickedAction, tag);
    }
}
