#include "EncodingsComboBox.h"

#include "EncodingsPanel.h"

#include "platform/foundation/NotificationCenter.h"

namespace {

constexpr int kCustomizeRole = Qt::UserRole + 1;

} // namespace

EncodingsComboBox::EncodingsComboBox(
    EncodingManager::Value selected, bool withDefaultEntry, QWidget* parent)
    : QComboBox(parent), m_withDefaultEntry(withDefaultEntry)
{
    setObjectName(QStringLiteral("encodingsPopup"));
    refill(selected);
    connect(this, &QComboBox::activated, this, &EncodingsComboBox::itemActivated);
    connect(this, &QComboBox::currentIndexChanged, this, &EncodingsComboBox::indexChanged);
    platform::NotificationCenter::defaultCenter().addObserver(this,
        EncodingManager::EncodingsListChangedNotification, nullptr,
        [this](const platform::Notification&) { refill(selectedEncoding()); });
}

EncodingsComboBox::~EncodingsComboBox()
{
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

bool EncodingsComboBox::isCustomizeItem(int index) const
{
    return index >= 0 && itemData(index, kCustomizeRole).toBool();
}

EncodingManager::Value EncodingsComboBox::selectedEncoding() const
{
    const QVariant value = currentIndex() >= 0 ? currentData() : QVariant();
    return value.isValid() ? EncodingManager::Value(value.toULongLong())
                           : EncodingManager::NoEncoding;
}

void EncodingsComboBox::setSelectedEncoding(EncodingManager::Value encoding)
{
    refill(encoding);
}

void EncodingsComboBox::refill(EncodingManager::Value selected)
{
    const EncodingManager::PopUp popUp
        = EncodingManager::sharedInstance().popUpItems(selected, m_withDefaultEntry);
    m_filling = true;
    clear();
    for (const EncodingManager::PopUpItem& item : popUp.items) {
        switch (item.kind) {
        case EncodingManager::PopUpItem::Kind::Separator:
            insertSeparator(count());
            break;
        case EncodingManager::PopUpItem::Kind::Customize:
            addItem(item.title);
            setItemData(count() - 1, true, kCustomizeRole);
            break;
        case EncodingManager::PopUpItem::Kind::Automatic:
        case EncodingManager::PopUpItem::Kind::Encoding:
            addItem(item.title, QVariant::fromValue<quint64>(item.encoding));
            break;
        }
    }
    m_chosenIndex = isCustomizeItem(popUp.selectedIndex) ? -1 : popUp.selectedIndex;
    setCurrentIndex(m_chosenIndex);
    m_filling = false;
}

void EncodingsComboBox::indexChanged(int index)
{
    if (m_filling || !isCustomizeItem(index))
        return;
    // The last item is an action, never a choice.
    QSignalBlocker blocker(this);
    setCurrentIndex(m_chosenIndex);
}

void EncodingsComboBox::itemActivated(int index)
{
    if (isCustomizeItem(index)) {
        showPanel();
        return;
    }
    m_chosenIndex = index;
    emit encodingSelected(quint32(selectedEncoding()));
}

EncodingsPanel* EncodingsComboBox::showPanel()
{
    if (!m_panel)
        m_panel = new EncodingsPanel(window());
    m_panel->show();
    m_panel->raise();
    m_panel->activateWindow();
    return m_panel;
}
