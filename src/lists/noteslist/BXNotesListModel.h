#pragma once

#include "platform/controllers/ArrayControllerModel.h"

class BXNotesArrayController;

// The notes list's rows: title, creation and modification date, the dates written by the
// controller's formatters of their columns. A date is formatted only when its cell is asked
// for, that is when a row on screen paints. Main thread only; the controller must outlive it.
class BXNotesListModel final : public platform::ArrayControllerModel {
    Q_OBJECT

public:
    explicit BXNotesListModel(BXNotesArrayController* controller, QObject* parent = nullptr);

protected:
    QVariant extraData(
        const platform::ManagedObjectPtr& object, int column, int role) const override;

private:
    BXNotesArrayController* m_notes;
};
