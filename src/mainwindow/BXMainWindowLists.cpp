#include "mainwindow/BXMainWindowLists.h"

#include "mainwindow/BXMainWindowListsDelegate.h"

#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesArrayController.h"
#include "lists/noteslist/BXNotesListModel.h"
#include "lists/sidebar/BXCategoriesArrayController.h"
#include "lists/sidebar/BXOutlineView.h"
#include "platform/foundation/Localized.h"

#include <limits>

BXMainWindowLists::BXMainWindowLists(std::function<BXDocument*()> document)
    : m_delegate(std::make_unique<BXMainWindowListsDelegate>(std::move(document))),
      m_categories(std::make_unique<BXCategoriesArrayController>()),
      m_notes(std::make_unique<BXNotesArrayController>())
{
    m_notes->setDelegate(m_delegate.get());
    m_categories->setDelegate(m_delegate.get());
}

BXMainWindowLists::~BXMainWindowLists()
{
    m_model.reset();
    m_notes.reset();
    m_categories.reset();
}

void BXMainWindowLists::setViews(BXOutlineView* outlineView, BXTableView* tableView)
{
    m_categories->setOutlineView(outlineView);
    m_model = std::make_unique<BXNotesListModel>(m_notes.get());
    tableView->setModel(m_model.get());
    tableView->setSelectionModel(m_model->selectionModel());
    m_notes->setTableView(tableView);
    outlineView->setAccessibleName(platform::localized(QStringLiteral("Categories")));
    tableView->setAccessibleName(platform::localized(QStringLiteral("Notes")));
}

void BXMainWindowLists::setManagedObjectContext(platform::ManagedObjectContext* context)
{
    m_categories->setManagedObjectContext(context);
    m_categories->awakeFromNib();
    m_categories->prepareContent();
    m_notes->setManagedObjectContext(context);
}

void BXMainWindowLists::awakeNotes()
{
    m_notes->awakeFromNib();
    m_categories->setNotesList(m_notes.get());
}

void BXMainWindowLists::ignoreObservation()
{
    m_categories->setIgnoreObservation(true);
    m_notes->setIgnoreObservation(true);
}

void BXMainWindowLists::markCategoriesOfSelectedNotes(bool mark)
{
    if (mark)
        m_categories->setNotesToCheckIfContained(m_notes->selectedObjects());
    else
        m_categories->setNotesToCheckIfContained(std::nullopt);
}

void BXMainWindowLists::keepNoteListed(const BXNote::NotePtr& note)
{
    m_notes->includeInFilter(note);
}

bool BXMainWindowLists::endEditing()
{
    return m_notes->endEditing() && m_categories->endEditing();
}

BXMainWindowLists::Notes BXMainWindowLists::selectedNotes() const
{
    return m_notes->selectedObjects();
}

QList<QUrl> BXMainWindowLists::selectedNoteIDs() const
{
    return m_notes->selectedObjectsIDURIRepresentations();
}

BXNote::NotePtr BXMainWindowLists::selectedNote() const
{
    const Notes notes = selectedNotes();
    return notes.size() == 1 ? std::dynamic_pointer_cast<BXNote>(notes.first()) : nullptr;
}

BXNote::NotePtr BXMainWindowLists::noteAtIndex(qsizetype index) const
{
    if (index > std::numeric_limits<int>::max() || !m_notes->indexValid(int(index)))
        return nullptr;
    return std::dynamic_pointer_cast<BXNote>(m_notes->arrangedObjects().at(index));
}

BXMainWindowLists::Notes BXMainWindowLists::selectedCategories() const
{
    return m_categories->selectedObjects();
}

BXMainWindowLists::Notes BXMainWindowLists::selectedPlainCategories() const
{
    return m_categories->selectedPlainCategories();
}

QList<QUrl> BXMainWindowLists::selectedCategoryIDs() const
{
    return m_categories->selectedObjectsIDURIRepresentations();
}

bool BXMainWindowLists::selectNotes(const Notes& notes, bool scrollingToSelection)
{
    return m_notes->selectObjects(notes, scrollingToSelection);
}

bool BXMainWindowLists::selectCategories(const Notes& categories, bool scrollingToSelection)
{
    return m_categories->selectObjects(categories, scrollingToSelection);
}

bool BXMainWindowLists::selectNotesInAllNotes(const Notes& notes, bool scrollingToSelection)
{
    if (m_categories->selectionIndex() == 0 || !m_categories->selectRow(0))
        return false;
    m_notes->refreshContent();
    return m_notes->selectObjects(notes, scrollingToSelection);
}
