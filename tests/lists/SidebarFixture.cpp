#include "SidebarFixture.h"

#include "document/model/BXCategory.h"
#include "document/model/BXFetchedNotesCategory.h"
#include "document/model/BXNote.h"

#include "document/BXDefaults.h"
#include "document/transformers/ValueTransformerRegistration.h"

#include "platform/data/FetchRequest.h"

using namespace platform;

void SidebarFixture::SetUp()
{
    BXDefaults::registerDefaults();
    registerNamedValueTransformers();
    NotesStoreTest::SetUp();
    context->setUndoManager(&undo);
    openSidebar();
}

void SidebarFixture::TearDown()
{
    controller.reset();
}

void SidebarFixture::openSidebar()
{
    controller = std::make_unique<BXCategoriesArrayController>();
    controller->setManagedObjectContext(context.get());
    controller->setDelegate(&delegate);
    controller->awakeFromNib();
    controller->prepareContent();
}

void SidebarFixture::saveAndReopenSidebar()
{
    controller.reset();
    saveAndReopen();
    context->setUndoManager(&undo);
    turn();
    undo.removeAllActions();
    openSidebar();
}

ManagedObjectPtr SidebarFixture::makeCategory(const QString& name, qint64 position)
{
    undo.disableUndoRegistration();
    ManagedObjectPtr category = context->insertNewObjectForEntityForName(BXCategory::entityName());
    category->setValue(name, BXCategory::CategoryNameKey);
    category->setValue(position, BXCategory::PositionKey);
    controller->addObject(category);
    controller->rearrangeObjects();
    context->processPendingChanges();
    undo.enableUndoRegistration();
    turn();
    return category;
}

ManagedObjectPtr SidebarFixture::makeNote(
    const QString& title, const QList<ManagedObjectPtr>& categories)
{
    ManagedObjectPtr note = context->insertNewObjectForEntityForName(QStringLiteral("Note"));
    note->setValue(title, QStringLiteral("noteTitle"));
    for (const ManagedObjectPtr& category : categories)
        category->addRelatedObject(BXCategory::NotesKey, note);
    return note;
}

QStringList SidebarFixture::arrangedNames() const
{
    QStringList names;
    for (const ManagedObjectPtr& object : controller->arrangedObjects())
        names.append(static_cast<BXCategory*>(object.get())->categoryName());
    return names;
}

QStringList SidebarFixture::tagsOf(const ManagedObjectPtr& note)
{
    QStringList names;
    for (const ManagedObjectPtr& category : note->relatedObjects(BXNote::CategoriesKey))
        names.append(static_cast<BXCategory*>(category.get())->categoryName());
    names.sort();
    return names;
}

QStringList SidebarFixture::sectionNames(const BXCategorySectionHeader* section) const
{
    QStringList names;
    for (const ManagedObjectPtr& object : section->children())
        names.append(static_cast<BXCategory*>(object.get())->categoryName());
    return names;
}

ManagedObjectPtr SidebarFixture::arranged(const QString& name) const
{
    for (const ManagedObjectPtr& object : controller->arrangedObjects()) {
        if (static_cast<BXCategory*>(object.get())->categoryName() == name)
            return object;
    }
    return nullptr;
}

int SidebarFixture::smartCategoriesInStore()
{
    Error error;
    return int(
        context->countForFetchRequest(FetchRequest(BXFetchedNotesCategory::entityName()), &error));
}
