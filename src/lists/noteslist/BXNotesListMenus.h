#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class BXTableManagedObjectsArrayController;
class BXTableView;
class QMenu;

// The notes list's menus: the context menu of its rows, retitled and re-aimed each time it
// opens for the clicked row alone or for the selection it belongs to, and the header's menu of
// the date columns. Their commands go to the window through the command router. Owned by the
// notes list's controller; the menus are children of its table. Main thread only.
class BXNotesListMenus final : public QObject {
    Q_OBJECT

public:
    // `deleteMenuTitle` names the delete item for the selection.
    BXNotesListMenus(
        BXTableManagedObjectsArrayController& list, std::function<QString()> deleteMenuTitle);

    // Opens the menus on right clicks on the rows and on the header.
    void setUpTable(BXTableView* table);
    QMenu* contextMenu();
    // The date columns, checked while shown.
    QMenu* headerMenu();
    void menuNeedsUpdate(QMenu* menu);

private:
    BXTableManagedObjectsArrayController& m_list;
    std::function<QString()> m_deleteMenuTitle;
    QPointer<QMenu> m_contextMenu;
    QPointer<QMenu> m_headerMenu;
};
