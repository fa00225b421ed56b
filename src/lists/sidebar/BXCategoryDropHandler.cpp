#include "lists/sidebar/BXCategoryDropHandler.h"

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableManagedObjectsArrayControllerDelegate.h"
#include "lists/BXTableView.h"
#include "lists/sidebar/BXCategoryDropHandlerDelegate.h"
#include "lists/sidebar/BXCategoryKinds.h"
#include "lists/sidebar/BXPasteboardCategoryRow.h"

#include "document/model/BXCategory.h"

#include "platform/data/ManagedObjectContext.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/UndoManager.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <sys/stat.h>

using namespace platform;

namespace {

using Objects = BXCategoryDropHandler::Objects;

// The dragged objects: those the drag captured when it did, still alive, else the rows of the
// source that are in range.
Objects draggedObjects(const QMimeData* data, const BXManagedObjectsArrayController* source)
{
    return BXPasteboardNoteRow::draggedObjects(
        data, source->managedObjectContext(), source->arrangedObjects());
}

// Local paths of the dropped files, links left out; a path whose link state cannot be read
// counts as a link.
QStringList droppedFilePaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (!url.isLocalFile())
            continue;
        struct stat info { };
        const QByteArray path = QFile::encodeName(url.toLocalFile());
        if (::lstat(path.constData(), &info) == 0 && !S_ISLNK(info.st_mode))
            paths.append(url.toLocalFile());
    }
    return paths;
}

// The lists whose rows are dragged as categories: the sidebars.
bool isCategoriesList(const BXManagedObjectsArrayController* source)
{
    return dynamic_cast<const BXPasteboardCategoryRowDelegate*>(source) != nullptr;
}

} // namespace

BXCategoryDropHandler::BXCategoryDropHandler(
    BXTableManagedObjectsArrayController& list, BXCategoryDropHandlerDelegate& delegate)
    : m_list(list), m_delegate(delegate)
{ }

bool BXCategoryDropHandler::onlyFoldersInFilePaths(const QStringList& paths)
{
    bool seen = false;
    for (const QString& path : paths) {
        const QFileInfo info(path);
        if (!info.exists())
            continue;
        if (!info.isDir()
            || info.suffix().compare(QLatin1String("brindlex"), Qt::CaseInsensitive) == 0)
            return false;
        seen = true;
    }
    return seen;
}

ManagedObjectPtr BXCategoryDropHandler::categoryAt(int row) const
{
    return m_list.indexValid(row) ? m_list.arrangedObjects().at(row) : nullptr;
}

bool BXCategoryDropHandler::askDelegate(
    int row, DropPosition position, bool external, int count) const
{
    if (!m_list.delegate())
        return true;
    QVariantMap info { { QStringLiteral("DropOperation"), int(position) },
        { QStringLiteral("DropExternal"), external } };
    if (count >= 0)
        info.insert(QStringLiteral("DropCount"), count);
    return m_list.delegate()
        ->tableArrayControllerCanHandleDropOnRow(&m_list, row, info)
        .value_or(true);
}

DropValidation BXCategoryDropHandler::validateDrop(const DropInfo& info) const
{
    const int r = info.row();
    const DropPosition op = info.position();
    const bool command = info.modifiers() & Qt::ControlModifier;
    const ManagedObjectPtr target = categoryAt(r);
    const bool calculated = BXCategoryKinds::isCalculatedCategory(target);
    const bool allNotes = target && m_delegate.isAllNotesCategory(target);
    BXManagedObjectsArrayController* source
        = BXManagedObjectsArrayController::draggingSourceController(info.source());
    DropValidation result;
    if (source == &m_list) {
        if (BXCategoryKinds::isBuiltInCategory(target))
            return DropValidation::refused();
        result = DropValidation(Qt::MoveAction, r, DropPosition::Above, false);
    } else if (source) {
        const bool external = source->managedObjectContext() != m_list.managedObjectContext();
        const bool fromSidebar = isCategoriesList(source);
        if (!external) {
            // Notes join a category, so there must be one at the row.
            if (!target || calculated)
                return DropValidation::refused();
            result = fromSidebar
                ? DropValidation(Qt::LinkAction, command ? -1 : r, DropPosition::Above, false)
                : DropValidation(Qt::LinkAction, r, DropPosition::On, false);
        } else {
            if (calculated && !allNotes)
                return DropValidation::refused();
            result = DropValidation(Qt::CopyAction, fromSidebar && command ? -1 : r, op, true);
        }
    } else {
        if (calculated && !allNotes)
            return DropValidation::refused();
        const QStringList paths = droppedFilePaths(info.mimeData());
        if (paths.isEmpty())
            return DropValidation::refused();
        int row = r;
        if (op == DropPosition::Above) {
            if (command)
                row = -1;
            if (!onlyFoldersInFilePaths(paths))
                return DropValidation::refused();
        }
        result = DropValidation(Qt::CopyAction, row, op, true, int(paths.size()));
    }
    if (!askDelegate(result.row(), op, result.isExternal(), -1))
        return DropValidation::refused();
    return result;
}

bool BXCategoryDropHandler::acceptDrop(const DropInfo& info)
{
    const DropValidation validation = validateDrop(info);
    if (!validation.isValid())
        return false;
    const QMimeData* data = info.mimeData();
    BXManagedObjectsArrayController* source
        = BXManagedObjectsArrayController::draggingSourceController(info.source());
    if (source && data && data->hasFormat(BXPasteboardNoteRow::RowIndexesType))
        return acceptDroppedIndexes(draggedObjects(data, source), source, validation.row(),
            validation.position(), info.modifiers());
    if (!source) {
        QList<QUrl> urls;
        for (const QString& path : droppedFilePaths(data))
            urls.append(QUrl::fromLocalFile(path));
        if (!urls.isEmpty())
            return acceptDroppedUrls(urls, validation.row(), validation.position());
    }
    return false;
}

void BXCategoryDropHandler::setActionName(const QString& one, const QString& more, qsizetype count)
{
    const ManagedObjectContext* context = m_list.managedObjectContext();
    if (UndoManager* undo = context ? context->undoManager() : nullptr)
        undo->setActionName(localized(count == 1 ? one : more));
}

bool BXCategoryDropHandler::acceptDroppedIndexes(const Objects& dropped,
    BXManagedObjectsArrayController* source, int row, DropPosition position,
    Qt::KeyboardModifiers modifiers)
{
    if (dropped.isEmpty())
        return false;
    const bool external = source->managedObjectContext() != m_list.managedObjectContext();
    if (!askDelegate(row, position, external, int(dropped.size())))
        return false;
    const bool option = modifiers & Qt::AltModifier;
    const ManagedObjectPtr target = categoryAt(row);
    if (!external) {
        if (source == &m_list) {
            IndexSet indexes;
            for (const ManagedObjectPtr& category : dropped)
                indexes.addIndex(m_list.indexOfArrangedObject(category.get()));
            m_delegate.moveCategoriesAtIndexes(
                indexes, row < 0 ? int(m_list.arrangedObjects().size()) : row, option);
            setActionName(QStringLiteral("Reorder Category"), QStringLiteral("Reorder Categories"),
                dropped.size());
            return true;
        }
        if (!BXCategoryKinds::isPlainCategory(target))
            return false;
        for (const ManagedObjectPtr& note : dropped)
            target->addRelatedObject(BXCategory::NotesKey, note);
        setActionName(QStringLiteral("Add Note to Category"),
            QStringLiteral("Add Notes to Category"), dropped.size());
        return true;
    }
    const Objects into = BXCategoryKinds::isPlainCategory(target) ? Objects { target } : Objects();
    if (!isCategoriesList(source)) {
        m_delegate.importNotes(dropped, into);
        setActionName(QStringLiteral("Copy Note into Category"),
            QStringLiteral("Copy Notes into Category"), dropped.size());
        return true;
    }
    if (position == DropPosition::On) {
        for (const ManagedObjectPtr& category : dropped)
            m_delegate.importNotes(BXCategoryKinds::category(category)->notes(), into);
        setActionName(QStringLiteral("Copy Category Contents"),
            QStringLiteral("Copy Categories Contents"), dropped.size());
        return true;
    }
    Objects made;
    for (qsizetype k = 0; k < dropped.size(); ++k) {
        const ManagedObjectPtr copy = m_delegate.newCategory();
        if (!copy)
            continue;
        const BXCategory* original = BXCategoryKinds::category(dropped.at(k));
        BXCategoryKinds::category(copy)->setCategoryName(original->categoryName());
        BXCategoryKinds::category(copy)->setPosition(k);
        m_delegate.importNotes(original->notes(), { copy });
        made.append(copy);
    }
    if (row != -1) {
        IndexSet indexes;
        int below = 0;
        for (const ManagedObjectPtr& copy : std::as_const(made)) {
            const int index = m_list.indexOfArrangedObject(copy.get());
            indexes.addIndex(index);
            if (index < row)
                ++below;
        }
        m_delegate.moveCategoriesAtIndexes(indexes, row + below, option);
    }
    m_list.setSelectedObjects(made);
    setActionName(QStringLiteral("Copy Category"), QStringLiteral("Copy Categories"), made.size());
    return true;
}

bool BXCategoryDropHandler::acceptDroppedUrls(
    const QList<QUrl>& urls, int row, DropPosition position)
{
    if (!askDelegate(row, position, true, int(urls.size())))
        return false;
    if (position == DropPosition::On) {
        const ManagedObjectPtr target = categoryAt(row);
        m_delegate.importNotesAtURLs(urls,
            BXCategoryKinds::isPlainCategory(target) ? std::optional<Objects>(Objects { target })
                                                     : std::nullopt);
        return true;
    }
    QSet<const ManagedObject*> before;
    for (const ManagedObjectPtr& object : m_list.content())
        before.insert(object.get());
    m_delegate.importCategoriesAtURLs(urls);
    const Objects& arranged = m_list.arrangedObjects();
    Objects made;
    IndexSet indexes;
    int below = 0;
    for (int i = 0; i < arranged.size(); ++i) {
        if (before.contains(arranged.at(i).get()))
            continue;
        made.append(arranged.at(i));
        indexes.addIndex(i);
        if (i < row)
            ++below;
    }
    if (row != -1 && !indexes.isEmpty())
        m_delegate.moveCategoriesAtIndexes(indexes, row + below, true);
    m_list.setSelectedObjects(made);
    return true;
}
