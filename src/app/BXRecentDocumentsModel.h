#pragma once

#include "platform/controllers/ArrayControllerModel.h"

// The rows of the recent documents table: name, modification date and the row's buttons. A
// screen reader reads a row as it shows: the name with its folder, and the date in the
// short form of the user's language. Main thread only; the controller must outlive it.
class BXRecentDocumentsModel final : public platform::ArrayControllerModel {
    Q_OBJECT

public:
    explicit BXRecentDocumentsModel(
        platform::ArrayController* controller, QObject* parent = nullptr);

    // A modification date as the table shows it; nothing for an unreadable one.
    static QString dateText(const QVariant& date);

protected:
    QVariant extraData(
        const platform::ManagedObjectPtr& object, int column, int role) const override;
};
