#include "document/model/BXCategory.h"

#include "platform/data/ManagedObjectContext.h"

// The library is static: its resources must be registered by hand, outside any namespace.
static void initIconResources()
{
    Q_INIT_RESOURCE(categoryicons);
}

namespace {

// A theme icon when the desktop's theme has one, else our bundled drawing of the symbol.
QIcon makeIcon(const QString& themeName, const QString& bundledName)
{
    static const bool resourcesReady = (initIconResources(), true);
    Q_UNUSED(resourcesReady);
    QIcon bundled;
    bundled.addFile(QStringLiteral(":/icons/%1.png").arg(bundledName));
    bundled.addFile(QStringLiteral(":/icons/%1@2x.png").arg(bundledName));
    return themeName.isEmpty() ? bundled : QIcon::fromTheme(themeName, bundled);
}

} // namespace

QString BXCategory::entityName()
{
    return QStringLiteral("Category");
}

const QStringList& BXCategory::builtInCategoryIdentifiers()
{
    static const QStringList identifiers { AllNotesCategoryID, RecentNotesCategoryID,
        NoCategoryID };
    return identifiers;
}

QString BXCategory::categoryID() const
{
    return valueForKey(CategoryIDKey).toString();
}

void BXCategory::setCategoryID(const QString& identifier)
{
    setValue(identifier.isNull() ? QVariant() : QVariant(identifier), CategoryIDKey);
}

QString BXCategory::categoryName() const
{
    return valueForKey(CategoryNameKey).toString();
}

void BXCategory::setCategoryName(const QString& name)
{
    setValue(name.isNull() ? QVariant() : QVariant(name), CategoryNameKey);
}

qint64 BXCategory::position() const
{
    return valueForKey(PositionKey).toLongLong();
}

bool BXCategory::hasPosition() const
{
    return !valueForKey(PositionKey).isNull();
}

void BXCategory::setPosition(qint64 position)
{
    setValue(position, PositionKey);
}

QList<platform::ManagedObjectPtr> BXCategory::notes() const
{
    return relatedObjects(NotesKey);
}

QString BXCategory::identifier() const
{
    const QString stored = categoryID();
    return stored.isNull() ? QStringLiteral("Category") : stored;
}

bool BXCategory::isBuiltInCategory() const
{
    return builtInCategoryIdentifiers().contains(identifier());
}

bool BXCategory::isPlainCategory() const
{
    return entity() && entity()->name() == entityName();
}

bool BXCategory::isFetchedNotesCategory() const
{
    for (const platform::EntityDescription* e = entity(); e; e = e->superentity()) {
        if (e->name() == QLatin1String("FetchedNotesCategory"))
            return true;
    }
    return false;
}

QIcon BXCategory::categoryIcon() const
{
    const QString id = identifier();
    if (id == AllNotesCategoryID) {
        static const QIcon icon
            = makeIcon(QStringLiteral("edit-copy"), QStringLiteral("square-stack"));
        return icon;
    }
    if (id == RecentNotesCategoryID) {
        static const QIcon icon
            = makeIcon(QStringLiteral("document-open-recent"), QStringLiteral("clock"));
        return icon;
    }
    if (id == NoCategoryID) {
        static const QIcon icon
            = makeIcon(QStringLiteral("tag-delete"), QStringLiteral("tag-slash"));
        return icon;
    }
    // Our own drawing: themes have no tag that matches the sidebar's look.
    static const QIcon icon = makeIcon(QString(), QStringLiteral("tagIcon"));
    return icon;
}

void BXCategory::refresh()
{
    platform::ManagedObjectContext* context = managedObjectContext();
    if (m_refreshing || !context || !context->persistentStoreCoordinator()
        || !context->persistentStoreCoordinator()->hasStore())
        return;
    m_refreshing = true;
    context->refreshObject(shared_from_this(), true);
    m_refreshing = false;
}

QVariant BXCategory::valueForKey(const QString& key) const
{
    if (key == QLatin1String("identifier"))
        return identifier();
    if (key == QLatin1String("isPlainCategory"))
        return isPlainCategory();
    if (key == QLatin1String("isBuiltInCategory"))
        return isBuiltInCategory();
    if (key == QLatin1String("isUserCategory"))
        return isUserCategory();
    if (key == QLatin1String("isEditable"))
        return isEditable();
    if (key == QLatin1String("isFetchedNotesCategory"))
        return isFetchedNotesCategory();
    return ManagedObject::valueForKey(key);
}
