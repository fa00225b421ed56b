#pragma once

#include "platform/data/ManagedObject.h"

#include <QList>
#include <QMetaObject>
#include <QObject>

class BXMainWindowController;

// Follows the sidebar's selection for the main window: watches the names of the selected
// categories (a rename retitles the scope bar) and, once the window's state is loaded,
// clears the search when another set of categories is chosen; with Alt held the search text
// stays and only its scope goes back to the selection. Owned by the window controller; main
// thread only.
class BXMainWindowCategorySelection final : public QObject {
    Q_OBJECT

public:
    explicit BXMainWindowCategorySelection(BXMainWindowController* controller);
    ~BXMainWindowCategorySelection() override;

    void categorySelectionChanged();
    const QList<platform::ManagedObjectPtr>& lastSelectedCategories() const
    {
        return m_lastSelectedCategories;
    }
    // Stops watching the names; the window is closing.
    void stopObserving();

private:
    void categoryNameChanged(const QString& key);

    BXMainWindowController* m_controller;
    QList<platform::ManagedObjectPtr> m_lastSelectedCategories;
    QList<QMetaObject::Connection> m_nameObservations;
};
