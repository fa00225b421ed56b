#include "lists/sidebar/BXCategoriesOutlineModel.h"

#include "lists/sidebar/BXCategoriesOutlineDataSource.h"
#include "lists/sidebar/BXCategoriesTableRowView.h"
#include "lists/sidebar/BXCategorySectionHeader.h"
#include "lists/sidebar/BXPasteboardCategoryRow.h"

#include "document/model/BXCategory.h"

#include "platform/appkit/SymbolIcon.h"

#include <QApplication>
#include <QFont>
#include <QPalette>
#include <QSize>

using platform::ManagedObjectPtr;

// A section's index has id 0; a category's has its section's position plus one.
BXCategoriesOutlineModel::BXCategoriesOutlineModel(
    BXCategoriesOutlineDataSource* dataSource, QObject* parent)
    : QAbstractItemModel(parent), m_dataSource(dataSource)
{ }

BXManagedObjectsArrayController* BXCategoriesOutlineModel::controller() const
{
    return m_dataSource->listController();
}

QModelIndex BXCategoriesOutlineModel::index(int row, int column, const QModelIndex& parent) const
{
    if (!hasIndex(row, column, parent))
        return {};
    if (!parent.isValid())
        return createIndex(row, column, quintptr(0));
    return createIndex(row, column, quintptr(parent.row() + 1));
}

QModelIndex BXCategoriesOutlineModel::parent(const QModelIndex& child) const
{
    if (!child.isValid() || child.internalId() == 0)
        return {};
    return createIndex(int(child.internalId()) - 1, 0, quintptr(0));
}

int BXCategoriesOutlineModel::rowCount(const QModelIndex& parent) const
{
    const auto& sections = m_dataSource->hierarchicalContent();
    if (!parent.isValid())
        return int(sections.size());
    if (parent.column() != 0)
        return 0;
    const BXCategorySectionHeader* section = sectionForIndex(parent);
    return section ? int(section->children().size()) : 0;
}

int BXCategoriesOutlineModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool BXCategoriesOutlineModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

BXCategorySectionHeader* BXCategoriesOutlineModel::sectionForIndex(const QModelIndex& index) const
{
    const auto& sections = m_dataSource->hierarchicalContent();
    if (!index.isValid() || index.internalId() != 0 || index.row() >= sections.size())
        return nullptr;
    return sections.at(index.row());
}

ManagedObjectPtr BXCategoriesOutlineModel::objectForIndex(const QModelIndex& index) const
{
    const auto& sections = m_dataSource->hierarchicalContent();
    if (!index.isValid() || index.internalId() == 0)
        return nullptr;
    const qsizetype section = qsizetype(index.internalId()) - 1;
    if (section >= sections.size())
        return nullptr;
    const auto& children = sections.at(section)->children();
    return index.row() < children.size() ? children.at(index.row()) : nullptr;
}

QModelIndex BXCategoriesOutlineModel::indexForObject(const ManagedObjectPtr& object) const
{
    const auto& sections = m_dataSource->hierarchicalContent();
    for (qsizetype s = 0; object && s < sections.size(); ++s) {
        const qsizetype row = sections.at(s)->children().indexOf(object);
        if (row >= 0)
            return createIndex(int(row), 0, quintptr(s + 1));
    }
    return {};
}

QVariant BXCategoriesOutlineModel::data(const QModelIndex& index, int role) const
{
    if (const BXCategorySectionHeader* section = sectionForIndex(index)) {
        switch (role) {
        case Qt::DisplayRole:
            return section->title();
        case SectionRole:
            return true;
        case Qt::SizeHintRole:
            return QSize(-1, SectionRowHeight);
        case Qt::FontRole: {
            // Section titles are set small against the rows: 11 points to the 13 of a row.
            QFont font = QApplication::font();
            font.setPointSizeF(font.pointSizeF() * 11.0 / 13.0);
            font.setWeight(QFont::DemiBold);
            return font;
        }
        case Qt::ForegroundRole:
            return QApplication::palette().brush(QPalette::PlaceholderText);
        default:
            return {};
        }
    }
    const ManagedObjectPtr object = objectForIndex(index);
    const auto* category = dynamic_cast<const BXCategory*>(object.get());
    if (!category)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return category->categoryName();
    case Qt::DecorationRole:
        // Drawn in the text colour, as every symbol is: a dark palette gets light tags.
        return platform::SymbolIcon::templateImage(category->categoryIcon());
    case Qt::SizeHintRole:
        return QSize(-1, CategoryRowHeight);
    case SectionRole:
        return false;
    case BXCategoriesTableRowView::HiliteRole:
        return m_dataSource->isHilited(object.get());
    default:
        return {};
    }
}

bool BXCategoriesOutlineModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole)
        return false;
    const ManagedObjectPtr object = objectForIndex(index);
    // A refused name leaves the old one in the row.
    return object && m_dataSource->renameCategory(object, value.toString());
}

Qt::ItemFlags BXCategoriesOutlineModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    if (sectionForIndex(index))
        return Qt::ItemIsEnabled;
    const auto* category = dynamic_cast<const BXCategory*>(objectForIndex(index).get());
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren
        | Qt::ItemIsDragEnabled;
    if (category && category->isEditable())
        flags |= Qt::ItemIsEditable;
    return flags;
}

QStringList BXCategoriesOutlineModel::mimeTypes() const
{
    return { BXPasteboardNoteRow::RowIndexesType, BXPasteboardCategoryRow::PlainTextType };
}

QMimeData* BXCategoriesOutlineModel::mimeData(const QModelIndexList& indexes) const
{
    QList<ManagedObjectPtr> categories;
    for (const QModelIndex& index : indexes) {
        if (ManagedObjectPtr category = objectForIndex(index))
            categories.append(std::move(category));
    }
    return m_dataSource->mimeDataForCategories(categories);
}

Qt::DropActions BXCategoriesOutlineModel::supportedDragActions() const
{
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
}

void BXCategoriesOutlineModel::hiliteChanged()
{
    const auto& sections = m_dataSource->hierarchicalContent();
    for (qsizetype s = 0; s < sections.size(); ++s) {
        const int count = int(sections.at(s)->children().size());
        if (count > 0)
            emit dataChanged(createIndex(0, 0, quintptr(s + 1)),
                createIndex(count - 1, 0, quintptr(s + 1)),
                { BXCategoriesTableRowView::HiliteRole });
    }
}
