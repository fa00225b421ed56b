#include "lists/sidebar/BXCategoryOperations.h"

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
#include "lists/BXTableView.h"
#include "lists/sidebar/BXCategoryKinds.h"

#include "document/model/BXCategory.h"
#include "document/model/BXManagedObjectUtilities.h"

#include "platform/appkit/UserInput.h"
#include "platform/data/ManagedObjectContext.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"

#include <QPointer>

#include <algorithm>

using namespace platform;

BXCategoryOperations::BXCategoryOperations(BXTableManagedObjectsArrayController& list,
    std::function<void()> added, std::function<QWidget*()> sheetWindow)
    : m_list(list), m_added(std::move(added)), m_sheetWindow(std::move(sheetWindow))
{ }

UndoManager* BXCategoryOperations::undoManager() const
{
    const ManagedObjectContext* context = m_list.managedObjectContext();
    return context ? context->undoManager() : nullptr;
}

void BXCategoryOperations::addCategories(const Objects& categories)
{
    if (UndoManager* undo = undoManager()) {
        // Undoing and redoing keep the name of the step they replay (a copied category too).
        if (!undo->isUndoing() && !undo->isRedoing())
            undo->setActionName(
                localized(categories.size() == 1 ? QStringLiteral("Add Category")
                                                 : QStringLiteral("Add Categories")));
        // The document's undo manager is not the sidebar's: its steps may outlive this.
        undo->registerUndo(&m_list, [list = QPointer(&m_list), this, categories] {
            if (list)
                removeCategories(categories, false);
        });
    }
    m_list.addObjects(categories);
    m_added();
}

void BXCategoryOperations::removeCategories(const Objects& categories, bool deletingLinkedNotes)
{
    if (std::any_of(categories.cbegin(), categories.cend(), BXCategoryKinds::isBuiltInCategory)) {
        complainForAttemptingDefaultCategoriesDeletion(categories);
        return;
    }
    // A note in two of the categories is deleted once.
    if (deletingLinkedNotes && m_list.delegate())
        m_list.delegate()->deleteNotes(BXCategoryKinds::uniqueNotes(categories));
    if (UndoManager* undo = undoManager()) {
        if (!undo->isUndoing() && !undo->isRedoing())
            undo->setActionName(
                localized(categories.size() == 1 ? QStringLiteral("Delete Category")
                                                 : QStringLiteral("Delete Categories")));
        undo->registerUndo(&m_list, [list = QPointer(&m_list), this, categories] {
            if (list)
                addCategories(categories);
        });
    }
    m_list.removeObjects(categories);
}

void BXCategoryOperations::complainForAttemptingDefaultCategoriesDeletion(const Objects& categories)
{
    const Objects builtIns = BXCategoryKinds::builtInCategoriesInCategories(categories);
    if (std::all_of(categories.cbegin(), categories.cend(), BXCategoryKinds::isBuiltInCategory)) {
        UserInput::current().beep();
        return;
    }
    QStringList names;
    for (const ManagedObjectPtr& category : builtIns)
        names.append(BXCategoryKinds::category(category)->categoryName());
    Alert alert;
    alert.style = AlertStyle::Informational;
    alert.messageText = localizedFormat(builtIns.size() == 1
            ? QStringLiteral("Cannot delete the default category “%@”.\r Do you want to delete "
                             "the other selected categories?")
            : QStringLiteral("Cannot delete these default categories: %@.\r Do you want to "
                             "delete the other selected categories?"),
        names.join(QStringLiteral(", ")));
    alert.informativeText = localizedFormat(QStringLiteral("Selected categories are: %@"),
        BXCategoryKinds::categoryNames(m_list.selectedObjects()));
    alert.buttonTitles
        = { localized(QStringLiteral("Delete Others")), localized(QStringLiteral("Cancel")) };
    alert.cancelButton = 1;
    Objects others = categories;
    others.removeIf(BXCategoryKinds::isBuiltInCategory);
    AlertPresenter::current().beginSheet(alert, m_sheetWindow(),
        [list = QPointer(&m_list), this, others](const AlertResponse& response) {
            if (list && response.button == 0)
                removeCategories(others, false);
        });
}

void BXCategoryOperations::attemptCategoriesDeletion(const Objects& categories)
{
    if (categories.isEmpty())
        return;
    if (m_list.delegate()
        && !m_list.delegate()
                ->tableArrayControllerCanDeleteObjects(&m_list, categories)
                .value_or(true))
        return;
    if (UserInput::current().keyboardModifiers() & Qt::AltModifier) {
        removeCategories(categories, false);
        return;
    }
    if (std::any_of(categories.cbegin(), categories.cend(), BXCategoryKinds::isBuiltInCategory)) {
        complainForAttemptingDefaultCategoriesDeletion(categories);
        return;
    }
    // Distinct notes: the count says how many notes the box would delete.
    const qsizetype count = BXCategoryKinds::uniqueNotes(categories).size();
    const bool one = categories.size() < 2;
    Alert alert;
    alert.style = AlertStyle::Informational;
    alert.messageText
        = localizedFormat(one ? QStringLiteral("Do you want to delete the %@ category?")
                              : QStringLiteral("Do you want to delete the %@ categories?"),
            BXCategoryKinds::categoryNames(categories));
    if (count == 1)
        alert.suppressionTitle
            = localized(one ? QStringLiteral("Delete also the note associated with this tag")
                            : QStringLiteral("Delete also the note associated with these tags"));
    else if (count > 1)
        alert.suppressionTitle = localizedFormat(one
                ? QStringLiteral("Delete also all the %lu notes associated with this tag")
                : QStringLiteral("Delete also all the %lu notes associated with these tags"),
            quint64(count));
    alert.buttonTitles
        = { localized(QStringLiteral("Delete")), localized(QStringLiteral("Cancel")) };
    alert.cancelButton = 1;
    const bool hasBox = count > 0;
    AlertPresenter::current().beginSheet(alert, m_sheetWindow(),
        [list = QPointer(&m_list), this, categories, hasBox](const AlertResponse& response) {
            if (list && response.button == 0)
                removeCategories(categories, hasBox && response.suppressed);
        });
}

ManagedObjectPtr BXCategoryOperations::newCategoryWithName(const QString& name, bool selectIt)
{
    ManagedObjectContext* context = m_list.managedObjectContext();
    if (!context)
        return nullptr;
    ManagedObjectPtr category = context->insertNewObjectForEntityForName(BXCategory::entityName());
    category->setValue(name, BXCategory::CategoryNameKey);
    const bool selects = m_list.selectsInsertedObjects();
    m_list.setSelectsInsertedObjects(selectIt);
    addCategories({ category });
    m_list.setSelectsInsertedObjects(selects);
    return category;
}

bool BXCategoryOperations::categoryExistsWithName(
    const QString& name, const ManagedObjectPtr& excluding) const
{
    if (name.isEmpty())
        return false;
    const Objects& arranged = m_list.arrangedObjects();
    return std::any_of(arranged.cbegin(), arranged.cend(), [&](const ManagedObjectPtr& object) {
        return object != excluding && BXCategoryKinds::isPlainCategory(object)
            && BXCategoryKinds::category(object)->categoryName().compare(name, Qt::CaseInsensitive)
            == 0;
    });
}

bool BXCategoryOperations::renameCategory(const ManagedObjectPtr& category, const QString& text)
{
    BXCategory* target = BXCategoryKinds::category(category);
    if (!target)
        return false;
    const QString name = text.trimmed();
    if (name.isEmpty())
        return false;
    if (categoryExistsWithName(name, category)) {
        Alert alert;
        alert.messageText = localized(QStringLiteral("alertDuplicateCategoryNameTitle"));
        alert.informativeText
            = localizedFormat(QStringLiteral("alertDuplicateCategoryNameMessage"), name);
        alert.buttonTitles = { localized(QStringLiteral("alertDuplicateCategoryNameOK")) };
        AlertPresenter::current().runModal(alert);
        return false;
    }
    if (name == target->categoryName())
        return false;
    // The new name re-sorts the sidebar, which rebuilds its rows: it is set once the row's
    // editor that gave it has closed, so that the rows do not go from under that editor.
    dispatchAsyncMain([list = QPointer(&m_list), category, name] {
        if (BXCategory* renamed = BXCategoryKinds::category(category);
            list && renamed && BXManagedObjectUtilities::objectAvailable(*renamed))
            renamed->setCategoryName(name);
    });
    return true;
}
