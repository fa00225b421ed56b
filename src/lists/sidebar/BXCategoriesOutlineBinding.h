#pragma once

#include "platform/controllers/DropInfo.h"

#include <QModelIndex>
#include <QObject>
#include <QPointer>

#include <optional>
#include <utility>

class BXCategoriesOutlineBindingDelegate;
class BXCategoriesOutlineDataSource;
class BXCategoriesOutlineModel;
class BXOutlineView;
class BXTableManagedObjectsArrayController;
class QDropEvent;
class QMenu;

// The sidebar in its outline form: gives the outline its model, row painter, context menu and
// drag set-up; keeps the outline's selection and the list's selection in step; remembers the
// outline row of the latest click; and turns drags over the outline into drops on arranged
// rows. The outline is not owned; the model and the menu go with it. Owned by the categories
// controller, which `list` is; main thread only.
class BXCategoriesOutlineBinding final : public QObject {
    Q_OBJECT

public:
    // Where a drag stands over the outline.
    enum class OutlineDrop { OnItem, AboveItem, BelowItem, OnViewport };

    BXCategoriesOutlineBinding(BXTableManagedObjectsArrayController& list,
        BXCategoriesOutlineDataSource& dataSource, BXCategoriesOutlineBindingDelegate& delegate);

    BXOutlineView* outlineView() const { return m_outlineView; }
    // Unbinds the outline shown before; null shows none.
    void setOutlineView(BXOutlineView* outline);
    BXCategoriesOutlineModel* model() const { return m_model; }
    QMenu* contextMenu() const { return m_contextMenu; }
    // The outline row under the click being handled, or under the right click whose menu is
    // up; -1 when it hit no category and once the click or the menu is over.
    int clickedRow() const { return m_clickedRow; }

    // Selects (and scrolls to) the category at arranged `index` when it has a row.
    bool selectRow(int index);
    // Opens the name of the category at arranged `index` for editing, when it may be edited.
    void editRow(int index);
    // Shows the list's selection in the outline.
    void syncSelection();

    // Where a drop at `index` of the outline lands in arranged rows: on a category, above or
    // below it; on or around the TAGS header above the first user category; below the last row
    // above the end. Null where nothing may be dropped (on SMART).
    std::optional<std::pair<int, platform::DropPosition>> arrangedDropTarget(
        const QModelIndex& index, OutlineDrop place) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void outlineSelectionChanged();
    bool dragEvent(QDropEvent* event);
    void forgetClickedRowLater();
    // The category at arranged `index` has a row in the outline.
    bool isShown(int index) const;

    BXTableManagedObjectsArrayController& m_list;
    BXCategoriesOutlineDataSource& m_dataSource;
    BXCategoriesOutlineBindingDelegate& m_delegate;
    QPointer<BXOutlineView> m_outlineView;
    QPointer<QWidget> m_viewport;
    BXCategoriesOutlineModel* m_model = nullptr;
    QPointer<QMenu> m_contextMenu;
    int m_clickedRow = -1;
    bool m_syncingSelection = false;
};
