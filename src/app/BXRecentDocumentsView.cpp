#include "app/BXRecentDocumentsView.h"

#include "app/BXRecentDocumentsList.h"
#include "platform/foundation/Localized.h"
#include "ui/BXInvisibleButtonsTableCellView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QToolButton>

namespace {

constexpr int kRowHeight = 44;
constexpr int kIconSize = 32;

// Icon, name and, in a dimmer line below, the folder.
class NameDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
        const QModelIndex& index) const override
    {
        QStyleOptionViewItem background = option;
        initStyleOption(&background, index);
        background.text.clear();
        option.widget->style()->drawControl(
            QStyle::CE_ItemViewItem, &background, painter, option.widget);
        const auto entry = index.data(platform::ArrayControllerModel::ObjectRole)
                               .value<platform::ManagedObjectPtr>();
        if (!entry)
            return;
        const QRect cell = option.rect.adjusted(6, 0, -4, 0);
        const QRect iconRect(cell.left(), cell.center().y() - kIconSize / 2, kIconSize, kIconSize);
        entry->valueForKey(QStringLiteral("icon")).value<QIcon>().paint(painter, iconRect);
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& palette = option.palette;
        QRect text = cell.adjusted(kIconSize + 8, 4, 0, -4);
        QFont bold = option.font;
        bold.setBold(true);
        painter->setFont(bold);
        painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(text.adjusted(0, 0, 0, -text.height() / 2),
            Qt::AlignLeft | Qt::AlignVCenter,
            entry->valueForKey(QStringLiteral("name")).toString());
        painter->setFont(option.font);
        painter->setPen(
            palette.color(selected ? QPalette::HighlightedText : QPalette::PlaceholderText));
        painter->drawText(text.adjusted(0, text.height() / 2, 0, 0),
            Qt::AlignLeft | Qt::AlignVCenter,
            entry->valueForKey(QStringLiteral("where")).toString());
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        return QStyledItemDelegate::sizeHint(option, index).expandedTo(QSize(240, kRowHeight));
    }

    QString displayText(const QVariant&, const QLocale&) const override { return {}; }
};

// The modification date in the short form; an unreadable date shows nothing.
class DateDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QString displayText(const QVariant& value, const QLocale&) const override
    {
        return BXRecentDocumentsModel::dateText(value);
    }
};

} // namespace

BXRecentDocumentsView::BXRecentDocumentsView(BXRecentDocumentsList& list, QWidget* parent)
    : QTableView(parent), m_list(list)
{
    setAccessibleName(platform::localized(QStringLiteral("Recent Documents")));
    setModel(&list.model());
    setSelectionModel(list.model().selectionModel());
    setSelectionBehavior(SelectRows);
    setSelectionMode(ExtendedSelection);
    setShowGrid(false);
    setEditTriggers(NoEditTriggers);
    setItemDelegateForColumn(0, new NameDelegate(this));
    setItemDelegateForColumn(1, new DateDelegate(this));
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(kRowHeight);
    horizontalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    setColumnWidth(2, 64);
    connect(this, &QTableView::doubleClicked, &list, &BXRecentDocumentsList::openSelection);
    connect(
        &list, &BXRecentDocumentsList::listUpdated, this, &BXRecentDocumentsView::makeRowButtons);
    makeRowButtons();
}

void BXRecentDocumentsView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        m_list.openSelection();
        return;
    }
    QTableView::keyPressEvent(event);
}

void BXRecentDocumentsView::makeRowButtons()
{
    const int actions = m_list.model().columnForIdentifier(QStringLiteral("actions"));
    for (int row = 0; row < model()->rowCount(); ++row) {
        auto* cell = new BXInvisibleButtonsTableCellView;
        auto* layout = new QHBoxLayout(cell);
        layout->setContentsMargins(2, 0, 2, 0);
        const platform::ManagedObjectPtr entry = m_list.model().objectAtRow(row);
        const auto addButton = [&](const QString& icon, const QString& tip, auto action) {
            auto* button = new QToolButton(cell);
            button->setIcon(QIcon::fromTheme(icon));
            button->setToolTip(platform::localized(tip));
            button->setAccessibleName(platform::localized(tip));
            button->setAutoRaise(true);
            button->hide();
            layout->addWidget(button);
            connect(button, &QToolButton::clicked, &m_list,
                [this, entry, action] { (m_list.*action)(entry); });
        };
        addButton(QStringLiteral("folder-open"), QStringLiteral("Show in Folder"),
            &BXRecentDocumentsList::showRecentNote);
        addButton(QStringLiteral("edit-delete"), QStringLiteral("Remove from List"),
            &BXRecentDocumentsList::removeRecentNote);
        cell->awakeFromNib();
        setIndexWidget(model()->index(row, actions), cell);
    }
}
