#include "mainwindow/BXMainWindowCategorySelection.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"

#include "lists/sidebar/BXCategoriesArrayController.h"

#include "document/model/BXCategory.h"

#include "platform/appkit/UserInput.h"

using platform::ManagedObjectPtr;

BXMainWindowCategorySelection::BXMainWindowCategorySelection(BXMainWindowController* controller)
    : QObject(controller), m_controller(controller)
{ }

BXMainWindowCategorySelection::~BXMainWindowCategorySelection()
{
    stopObserving();
}

void BXMainWindowCategorySelection::categorySelectionChanged()
{
    const QList<ManagedObjectPtr> selected
        = m_controller->categoriesController()->selectedObjects();
    if (selected == m_lastSelectedCategories)
        return;
    stopObserving();
    m_lastSelectedCategories = selected;
    for (const ManagedObjectPtr& category : selected) {
        m_nameObservations << connect(category.get(), &platform::ManagedObject::valueChanged,
            this, &BXMainWindowCategorySelection::categoryNameChanged);
    }
    if (!m_controller->preferencesInited())
        return;
    if (!m_controller->searchString().isEmpty()) {
        const bool keepText
            = platform::UserInput::current().keyboardModifiers().testFlag(Qt::AltModifier);
        m_controller->resetSearchIgnoringString(keepText);
    }
    m_controller->updateSearchScopeBarForCategories(selected);
}

void BXMainWindowCategorySelection::stopObserving()
{
    for (const QMetaObject::Connection& connection : std::as_const(m_nameObservations))
        disconnect(connection);
    m_nameObservations.clear();
}

void BXMainWindowCategorySelection::categoryNameChanged(const QString& key)
{
    // The sidebar's controller tells the tag fields; here only the scope bar's title follows.
    if (key == BXCategory::CategoryNameKey)
        m_controller->updateSearchScopeBarForCategories(m_lastSelectedCategories);
}
