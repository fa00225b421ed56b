#pragma once

#include "lists/BXManagedObjectsArrayController.h"
#include "lists/BXRowAction.h"
#include "lists/BXTableViewDelegate.h"

#include "platform/controllers/Responder.h"

#include <QList>
#include <QPointer>
#include <QRecursiveMutex>

class BXTableManagedObjectsArrayControllerDelegate;
class BXTableView;

// The array controller of a list that drives its table: one-time set-up, selecting, editing and
// deleting rows (after asking the delegate), showing and hiding columns by identifier, the
// swipe action that deletes, and ending a cell edit in progress. The table and the delegate are
// not owned; the table is forgotten when it goes away, the delegate must be cleared by its
// owner first. It answers the commands "deleteSelection:" and "deleteClicked:", reached as
// an explicit target or through its table in the responder chain; subclasses add theirs and
// pass the rest on to these. A change of selection asks for the senders to be validated again.
// Main thread only.
class BXTableManagedObjectsArrayController : public BXManagedObjectsArrayController,
                                             public BXTableViewDelegate,
                                             public platform::Responder {
    Q_OBJECT

public:
    explicit BXTableManagedObjectsArrayController(QObject* parent = nullptr);
    ~BXTableManagedObjectsArrayController() override;

    bool respondsTo(const QString& action) const override;
    // Deleting is enabled while something is removable; deleting the clicked row also needs a
    // clicked row.
    std::optional<bool> validate(platform::Command& command) const override;
    void perform(const platform::Command& command) override;

    BXTableManagedObjectsArrayControllerDelegate* delegate() const { return m_delegate; }
    void setDelegate(BXTableManagedObjectsArrayControllerDelegate* delegate);
    BXTableView* tableView() const { return m_tableView; }
    void setTableView(BXTableView* tableView);

    // The set-up after the interface is connected; runs once however often it is called.
    // Subclasses do their own one-time work under awakeLock() while awaken() is false, then
    // call this.
    virtual void awakeFromNib();
    bool awaken() const { return m_awaken; }

    bool isTableEditing() const;
    // True when nothing is being edited or the edit was applied; false when the cell editor
    // refuses to close, and callers then stop what they were doing.
    bool endEditing();
    virtual bool selectRow(int row);
    bool canEdit();
    virtual void editRow(int row);
    virtual void deleteRow(int row);
    bool selectObjects(const QList<platform::ManagedObjectPtr>& objects, bool scrollingToSelection);
    void scrollToSelection();
    bool containsObjects(const QList<platform::ManagedObjectPtr>& objects) const;
    int clickedRow() const;

    void toggleVisibilityColumnWithIdentifier(const QString& identifier);
    bool isVisibleColumnWithIdentifier(const QString& identifier) const;
    void setVisibleColumn(bool visible, const QString& identifier);

    // The swipe actions of `row`: a destructive "Delete" on the trailing edge of a table that
    // does not scroll sideways, none otherwise.
    QList<BXRowAction> rowActionsForRow(int row, BXRowAction::Edge edge);

    bool deleteSelectionInTableView(BXTableView* table) override;
    // The rows' drag data through BXPasteboardNoteRow when this controller (a subclass) is a
    // BXPasteboardNoteDelegate; none otherwise.
    QMimeData* tableViewMimeDataForRows(
        BXTableView* table, const platform::IndexSet& rows) override;
    // A cell editor of this controller's table opened: its window, when it keeps an editing
    // object, is told that the table is editing.
    void controlTextDidBeginEditing(QWidget* editor);
    virtual void deleteSelection(QObject* sender);
    virtual void deleteClicked(QObject* sender);

protected:
    QRecursiveMutex& awakeLock() { return m_awakeLock; }

private:
    QPointer<BXTableView> m_tableView;
    BXTableManagedObjectsArrayControllerDelegate* m_delegate = nullptr;
    QRecursiveMutex m_awakeLock;
    bool m_awaken = false;
};
