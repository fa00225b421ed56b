#include "lists/noteslist/BXNotesListColumns.h"

#include "lists/BXTableManagedObjectsArrayController.h"
#include "lists/BXTableView.h"
#include "lists/noteslist/BXNotesDateFormatter.h"

#include <QApplication>
#include <QHeaderView>
#include <QStyle>

#include <limits>

using namespace platform;

BXNotesListColumns::BXNotesListColumns(BXTableManagedObjectsArrayController& list)
    : m_list(list),
      m_createdFormatter(std::make_unique<BXNotesDateFormatter>()),
      m_modifiedFormatter(std::make_unique<BXNotesDateFormatter>())
{ }

BXNotesListColumns::~BXNotesListColumns() = default;

double BXNotesListColumns::titleColumnWidth(
    double contentWidth, int visibleDateColumns, double dateColumnWidth)
{
    if (visibleDateColumns <= 0)
        return contentWidth - 3.6;
    const double dates = std::min(visibleDateColumns, 2) * std::max(dateColumnWidth, 100.0);
    return std::max(contentWidth - 3.6 - dates, 100.0);
}

double BXNotesListColumns::dateColumnMinimumWidth() const
{
    const QWidget* table = m_list.tableView();
    const QStyle* style = table ? table->style() : QApplication::style();
    // The item delegate keeps this margin on both sides of a cell's text.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, table) + 1;
    return m_createdFormatter->styleWidths(dateColumnFont()).shortest + 2 * margin;
}

void BXNotesListColumns::setUpTable(BXTableView* table)
{
    const int titleColumn = table->columnWithIdentifier(TitleColumn);
    if (titleColumn >= 0)
        m_lastTitleColumnWidth = table->columnWidth(titleColumn);
    // The date columns are never too narrow for the short dates, and start with the style
    // their width allows. Before the layout below, which stretches the last one.
    const double dateMinimum = dateColumnMinimumWidth();
    for (const QString& identifier : { CreatedColumn, ModifiedColumn }) {
        const int column = table->columnWithIdentifier(identifier);
        if (column < 0)
            continue;
        table->setColumnWidthLimits(column, dateMinimum, std::numeric_limits<double>::max());
        (identifier == CreatedColumn ? m_createdFormatter : m_modifiedFormatter)
            ->updateForWidth(table->columnWidth(column), dateColumnFont());
    }
    // Off first: updateListScroller() leaves the widths alone while a scroller shows.
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    updateListScroller();
    table->viewport()->installEventFilter(this);
    table->setWordWrap(false);
    QHeaderView* header = table->horizontalHeader();
    header->setSortIndicatorShown(true);
    header->setSectionsClickable(true);
    connect(header, &QHeaderView::sectionClicked, this, &BXNotesListColumns::headerClicked);
    connect(
        header, &QHeaderView::sectionResized, this, [this](int column, int oldSize, int newSize) {
            // The new size as the header reports it: a stretched last column never had its
            // width set, and the header tells before it stores the size.
            columnDidResize(column, oldSize, newSize);
        });
}

void BXNotesListColumns::updateListScroller()
{
    BXTableView* table = m_list.tableView();
    if (!table)
        return;
    const bool createdVisible = isDateColumnVisible(CreatedColumn);
    const bool modifiedVisible = isDateColumnVisible(ModifiedColumn);
    if ((createdVisible || modifiedVisible)
        && table->horizontalScrollBarPolicy() != Qt::ScrollBarAlwaysOff)
        return;
    table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    const int titleColumn = table->columnWithIdentifier(TitleColumn);
    if (titleColumn < 0)
        return;
    m_lastTitleColumnWidth = table->columnWidth(titleColumn);
    const int dateColumns = int(createdVisible) + int(modifiedVisible);
    // The last date column takes what rounding leaves; alone, the title keeps its margin.
    table->horizontalHeader()->setStretchLastSection(dateColumns > 0);
    table->setColumnWidth(titleColumn,
        titleColumnWidth(table->viewport()->width(), dateColumns, dateColumnMinimumWidth()));
}

bool BXNotesListColumns::eventFilter(QObject* watched, QEvent* event)
{
    // Alone, the title column does not stretch: it follows the list's width itself as the
    // window or the sidebar changes it (a date column, when shown, stretches instead). The type
    // first: the list may be half destroyed when its viewport goes.
    if (event->type() == QEvent::Resize && m_list.tableView()
        && watched == m_list.tableView()->viewport() && !isDateColumnVisible(CreatedColumn)
        && !isDateColumnVisible(ModifiedColumn))
        updateListScroller();
    return QObject::eventFilter(watched, event);
}

bool BXNotesListColumns::isDateColumnVisible(const QString& identifier) const
{
    return m_list.isVisibleColumnWithIdentifier(identifier);
}

void BXNotesListColumns::setDateColumnVisible(const QString& identifier, bool visible)
{
    m_list.setVisibleColumn(visible, identifier);
    updateListScroller();
    if (visible && m_list.tableView())
        m_list.tableView()->viewport()->update();
    updateSortIndicator();
}

void BXNotesListColumns::toggleDateColumn(const QString& identifier)
{
    m_list.toggleVisibilityColumnWithIdentifier(identifier);
    updateListScroller();
}

void BXNotesListColumns::setSortColumn(const QString& identifier, const QString& key)
{
    if (!m_list.tableView() || m_list.tableView()->columnWithIdentifier(identifier) < 0)
        return;
    QList<SortDescriptor> descriptors = m_list.sortDescriptors();
    const auto found = std::find_if(descriptors.begin(), descriptors.end(),
        [&](const SortDescriptor& descriptor) { return descriptor.key() == key; });
    SortDescriptor primary(key, true,
        key == TitleColumn ? QStringLiteral("localizedCaseInsensitiveCompare:")
                           : QStringLiteral("compare:"));
    if (found != descriptors.end()) {
        primary = *found;
        descriptors.erase(found);
    }
    descriptors.prepend(primary);
    m_list.setSortDescriptors(descriptors);
}

void BXNotesListColumns::headerClicked(int column)
{
    if (!m_list.tableView())
        return;
    const QString identifier = m_list.tableView()->columnIdentifier(column);
    if (identifier.isEmpty())
        return;
    QList<SortDescriptor> descriptors = m_list.sortDescriptors();
    if (!descriptors.isEmpty() && descriptors.first().key() == identifier) {
        const SortDescriptor first = descriptors.first();
        descriptors[0] = SortDescriptor(first.key(), !first.ascending(), first.selector());
        m_list.setSortDescriptors(descriptors);
    } else {
        setSortColumn(identifier, identifier);
    }
}

void BXNotesListColumns::updateSortIndicator()
{
    BXTableView* table = m_list.tableView();
    if (!table)
        return;
    QHeaderView* header = table->horizontalHeader();
    const QList<SortDescriptor> descriptors = m_list.sortDescriptors();
    const int column
        = descriptors.isEmpty() ? -1 : table->columnWithIdentifier(descriptors.first().key());
    if (column < 0) {
        header->setSortIndicatorShown(false);
        return;
    }
    header->setSortIndicatorShown(true);
    header->setSortIndicator(
        column, descriptors.first().ascending() ? Qt::AscendingOrder : Qt::DescendingOrder);
}

QFont BXNotesListColumns::dateColumnFont() const
{
    return m_list.tableView() ? m_list.tableView()->font() : QFont();
}

void BXNotesListColumns::columnDidResize(int column, double oldWidth, double width)
{
    BXTableView* table = m_list.tableView();
    if (!table || width == oldWidth)
        return;
    const QString identifier = table->columnIdentifier(column);
    if (identifier == CreatedColumn)
        m_createdFormatter->updateForWidth(width, dateColumnFont());
    else if (identifier == ModifiedColumn)
        m_modifiedFormatter->updateForWidth(width, dateColumnFont());
    else
        return;
    // Only the rows on screen show the new style; the rest format theirs when they paint.
    const int x = table->columnViewportPosition(column);
    table->viewport()->update(QRect(x, 0, int(std::ceil(width)), table->viewport()->height()));
}
