#include "ToolbarCustomizationDialog.h"

#include "Toolbar.h"
#include "ToolbarDelegate.h"
#include "ToolbarItem.h"

#include "platform/foundation/Localized.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace platform {

namespace {

const QStringList& standardIdentifiers()
{
    static const QStringList identifiers { Toolbar::kSpaceItemIdentifier,
        Toolbar::kFlexibleSpaceItemIdentifier, Toolbar::kSeparatorItemIdentifier };
    return identifiers;
}

// Rows without an icon keep their labels in line with the others.
QIcon rowIcon(const QIcon& icon)
{
    if (!icon.isNull())
        return icon;
    QPixmap blank(16, 16);
    blank.fill(Qt::transparent);
    return QIcon(blank);
}

QString identifierOf(const QListWidgetItem* row)
{
    return row ? row->data(Qt::UserRole).toString() : QString();
}

} // namespace

ToolbarCustomizationDialog::ToolbarCustomizationDialog(Toolbar* toolbar, QWidget* parent)
    : QDialog(parent),
      m_toolbar(toolbar),
      m_allowed(new QListWidget),
      m_current(new QListWidget),
      m_displayMode(new QComboBox),
      m_add(new QPushButton(localized(QStringLiteral("Add")) + QStringLiteral(" →"))),
      m_remove(new QPushButton(QStringLiteral("← ") + localized(QStringLiteral("Remove")))),
      m_up(new QPushButton(localized(QStringLiteral("Move Up")))),
      m_down(new QPushButton(localized(QStringLiteral("Move Down"))))
{
    setWindowTitle(localized(QStringLiteral("Customize Toolbar")));
    setModal(false);
    for (QListWidget* list : { m_allowed, m_current })
        list->setMinimumHeight(260);
    auto* restore = new QPushButton(localized(QStringLiteral("Restore Defaults")));
    auto* done = new QPushButton(localized(QStringLiteral("Done")));
    done->setDefault(true);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(localized(QStringLiteral("Available items"))), 0, 0);
    grid->addWidget(new QLabel(localized(QStringLiteral("Toolbar items"))), 0, 2);
    grid->addWidget(m_allowed, 1, 0);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    for (QPushButton* button : { m_add, m_remove, m_up, m_down })
        middle->addWidget(button);
    middle->addStretch();
    grid->addLayout(middle, 1, 1);
    grid->addWidget(m_current, 1, 2);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(localized(QStringLiteral("Show"))));
    bottom->addWidget(m_displayMode);
    bottom->addStretch();
    bottom->addWidget(restore);
    bottom->addWidget(done);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(bottom);

    m_displayMode->addItem(
        localized(QStringLiteral("Icon and Text")), int(Toolbar::DisplayMode::IconAndLabel));
    m_displayMode->addItem(
        localized(QStringLiteral("Icon Only")), int(Toolbar::DisplayMode::IconOnly));
    m_displayMode->addItem(
        localized(QStringLiteral("Text Only")), int(Toolbar::DisplayMode::LabelOnly));
    const int mode = int(toolbar->displayMode()) == int(Toolbar::DisplayMode::Default)
        ? int(Toolbar::DisplayMode::IconAndLabel)
        : int(toolbar->displayMode());
    m_displayMode->setCurrentIndex(m_displayMode->findData(mode));

    connect(m_displayMode, &QComboBox::currentIndexChanged, this, [this] {
        if (m_toolbar)
            m_toolbar->setDisplayMode(Toolbar::DisplayMode(m_displayMode->currentData().toInt()));
    });
    connect(m_add, &QPushButton::clicked, this, &ToolbarCustomizationDialog::addSelected);
    connect(
        m_allowed, &QListWidget::itemDoubleClicked, this, &ToolbarCustomizationDialog::addSelected);
    connect(m_remove, &QPushButton::clicked, this, &ToolbarCustomizationDialog::removeSelected);
    connect(m_up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(m_down, &QPushButton::clicked, this, [this] { moveSelected(1); });
    connect(restore, &QPushButton::clicked, this, &ToolbarCustomizationDialog::restoreDefaults);
    connect(done, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_allowed, &QListWidget::currentRowChanged, this,
        &ToolbarCustomizationDialog::updateButtons);
    connect(m_current, &QListWidget::currentRowChanged, this,
        &ToolbarCustomizationDialog::updateButtons);

    fillAllowed();
    reloadCurrent(-1);
}

QString ToolbarCustomizationDialog::paletteLabel(const QString& identifier, QIcon* icon) const
{
    if (identifier == Toolbar::kSpaceItemIdentifier)
        return localized(QStringLiteral("Space"));
    if (identifier == Toolbar::kFlexibleSpaceItemIdentifier)
        return localized(QStringLiteral("Flexible Space"));
    if (identifier == Toolbar::kSeparatorItemIdentifier)
        return localized(QStringLiteral("Separator"));
    if (ToolbarItem* shown = m_toolbar->itemWithIdentifier(identifier)) {
        *icon = shown->icon();
        return shown->paletteLabel().isEmpty() ? shown->label() : shown->paletteLabel();
    }
    if (!m_toolbar->delegate())
        return {};
    // An item made only to be described, never inserted.
    const std::unique_ptr<ToolbarItem> made(
        m_toolbar->delegate()->itemForItemIdentifier(m_toolbar, identifier, false));
    if (!made)
        return {};
    *icon = made->icon();
    return made->paletteLabel().isEmpty() ? made->label() : made->paletteLabel();
}

void ToolbarCustomizationDialog::fillAllowed()
{
    m_allowed->clear();
    if (!m_toolbar || !m_toolbar->delegate())
        return;
    for (const QString& identifier :
        m_toolbar->delegate()->allowedItemIdentifiers(m_toolbar) + standardIdentifiers()) {
        QIcon icon;
        const QString label = paletteLabel(identifier, &icon);
        // The factory's null: an item this toolbar never shows.
        if (label.isEmpty())
            continue;
        auto* row = new QListWidgetItem(rowIcon(icon), label, m_allowed);
        row->setData(Qt::UserRole, identifier);
    }
}

void ToolbarCustomizationDialog::reloadCurrent(int selectRow)
{
    m_current->clear();
    if (m_toolbar) {
        for (ToolbarItem* item : m_toolbar->items()) {
            QIcon icon;
            const QString label = paletteLabel(item->itemIdentifier(), &icon);
            auto* row = new QListWidgetItem(
                rowIcon(icon), label.isEmpty() ? item->itemIdentifier() : label, m_current);
            row->setData(Qt::UserRole, item->itemIdentifier());
        }
    }
    m_current->setCurrentRow(std::min(selectRow, m_current->count() - 1));
    updateButtons();
}

void ToolbarCustomizationDialog::updateButtons()
{
    const QString chosen = identifierOf(m_allowed->currentItem());
    m_add->setEnabled(m_toolbar && !chosen.isEmpty()
        && (standardIdentifiers().contains(chosen) || !m_toolbar->itemWithIdentifier(chosen)));
    const int row = m_current->currentRow();
    m_remove->setEnabled(row >= 0);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(row >= 0 && row + 1 < m_current->count());
}

void ToolbarCustomizationDialog::addSelected()
{
    updateButtons();
    if (!m_add->isEnabled())
        return;
    // After the chosen toolbar item, or at the end.
    const int row = m_current->currentRow();
    const int index = row >= 0 ? row + 1 : m_current->count();
    ToolbarItem* added
        = m_toolbar->insertItemWithItemIdentifier(identifierOf(m_allowed->currentItem()), index);
    reloadCurrent(added ? int(m_toolbar->items().indexOf(added)) : row);
}

void ToolbarCustomizationDialog::removeSelected()
{
    const int row = m_current->currentRow();
    if (!m_toolbar || row < 0)
        return;
    m_toolbar->removeItemAtIndex(row);
    reloadCurrent(row);
}

void ToolbarCustomizationDialog::moveSelected(int delta)
{
    const int row = m_current->currentRow();
    if (!m_toolbar || row < 0)
        return;
    ToolbarItem* item = m_toolbar->items().value(row);
    m_toolbar->moveItem(row, row + delta);
    reloadCurrent(int(m_toolbar->items().indexOf(item)));
}

void ToolbarCustomizationDialog::restoreDefaults()
{
    if (!m_toolbar)
        return;
    m_toolbar->restoreDefaultItems();
    reloadCurrent(-1);
}

} // namespace platform
