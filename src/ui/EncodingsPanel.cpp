#include "EncodingsPanel.h"

#include "document/transfer/EncodingManager.h"

#include "platform/foundation/Localized.h"
#include "platform/foundation/NotificationCenter.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

using platform::localized;

EncodingsPanel::EncodingsPanel(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EncodingsPanel"));
    setWindowTitle(localized(QStringLiteral("Encodings")));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(localized(QStringLiteral("Select the encodings to list in the menus:")), this));
    m_table = new QListWidget(this);
    m_table->setObjectName(QStringLiteral("encodingTable"));
    m_table->setMinimumSize(320, 360);
    m_table->setUniformItemSizes(true);
    for (const EncodingManager::Value encoding : EncodingManager::allAvailableStringEncodings()) {
        auto* item = new QListWidgetItem(platform::TextEncoding::localizedName(encoding), m_table);
        item->setData(Qt::UserRole, QVariant::fromValue<quint64>(encoding));
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    }
    layout->addWidget(m_table);
    m_clearAll = new QPushButton(localized(QStringLiteral("Clear All")), this);
    m_selectAll = new QPushButton(localized(QStringLiteral("Select All")), this);
    m_revert = new QPushButton(localized(QStringLiteral("Revert to Default")), this);
    for (QPushButton* button : { m_clearAll, m_selectAll, m_revert })
        button->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_clearAll);
    buttons->addWidget(m_selectAll);
    buttons->addStretch();
    buttons->addWidget(m_revert);
    layout->addLayout(buttons);

    EncodingManager& manager = EncodingManager::sharedInstance();
    connect(m_clearAll, &QPushButton::clicked, this, [&manager] { manager.clearAll(); });
    connect(m_selectAll, &QPushButton::clicked, this, [&manager] { manager.selectAll(); });
    connect(m_revert, &QPushButton::clicked, this, [&manager] { manager.revertToDefault(); });
    connect(m_table, &QListWidget::itemChanged, this, &EncodingsPanel::encodingListChanged);
    platform::NotificationCenter::defaultCenter().addObserver(this,
        EncodingManager::EncodingsListChangedNotification, nullptr,
        [this](const platform::Notification&) { reloadTicks(); });
    reloadTicks();
}

EncodingsPanel::~EncodingsPanel()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

void EncodingsPanel::reloadTicks()
{
    const QList<EncodingManager::Value> enabled
        = EncodingManager::sharedInstance().enabledEncodings();
    m_reloading = true;
    for (int row = 0; row < m_table->count(); ++row) {
        QListWidgetItem* item = m_table->item(row);
        const auto encoding = EncodingManager::Value(item->data(Qt::UserRole).toULongLong());
        item->setCheckState(enabled.contains(encoding) ? Qt::Checked : Qt::Unchecked);
    }
    m_reloading = false;
}

void EncodingsPanel::encodingListChanged(QListWidgetItem*)
{
    if (m_reloading)
        return;
    QList<EncodingManager::Value> ticked;
    for (int row = 0; row < m_table->count(); ++row) {
        const QListWidgetItem* item = m_table->item(row);
        if (item->checkState() == Qt::Checked)
            ticked << EncodingManager::Value(item->data(Qt::UserRole).toULongLong());
    }
    EncodingManager::sharedInstance().setEnabledEncodings(ticked);
}
