#pragma once

#include "platform/controllers/ArrayControllerModel.h"

class BXNotesArrayController;

// The notes list's rows: title, creation and modification date, the dates written by the
// controller's formatters of their columns. A date is formatted only when its cell is asked
// for, that is when a row on screen paints. The title cell can be edited: what is typed there
// names the note. The title column's header counts the listed notes ("Notes (3)"). Main thread
// only; the controller must outlive it.
class BXNotesListModel final : public platform::ArrayControllerModel {
    Q_OBJECT

public:
    explicit BXNotesListModel(BXNotesArrayController* controller, QObject* parent = nullptr);

    // A title typed into the title cell renames the note as a named undo step; blanks give the
    // title back to the note's first line.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

protected:
    QVariant extraData(
        const platform::ManagedObjectPtr& object, int column, int role) const override;

private:
    BXNotesArrayController* m_notes;
};
