#include "Toolbar.h"

#include "CommandRouter.h"
#include "ToolbarDelegate.h"
#include "ToolbarItem.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QWidget>

namespace platform {

namespace {

const QString kItemIdentifiersKey = QStringLiteral("TB Item Identifiers");
const QString kDisplayModeKey = QStringLiteral("TB Display Mode");
const QString kSizeModeKey = QStringLiteral("TB Size Mode");
const QString kIsShownKey = QStringLiteral("TB Is Shown");

constexpr int kRegularIconSize = 32;
constexpr int kSmallIconSize = 24;
constexpr int kSpaceWidth = 16;
constexpr double kValidationInterval = 1.0;

Qt::ToolButtonStyle buttonStyleFor(Toolbar::DisplayMode mode)
{
    switch (mode) {
    case Toolbar::DisplayMode::IconOnly:
        return Qt::ToolButtonIconOnly;
    case Toolbar::DisplayMode::LabelOnly:
        return Qt::ToolButtonTextOnly;
    case Toolbar::DisplayMode::Default:
    case Toolbar::DisplayMode::IconAndLabel:
        break;
    }
    return Qt::ToolButtonTextUnderIcon;
}

} // namespace

const QString Toolbar::kSpaceItemIdentifier = QStringLiteral("NSToolbarSpaceItem");
const QString Toolbar::kFlexibleSpaceItemIdentifier = QStringLiteral("NSToolbarFlexibleSpaceItem");
const QString Toolbar::kSeparatorItemIdentifier = QStringLiteral("NSToolbarSeparatorItem");

Toolbar::Toolbar(const QString& identifier, QWidget* parent)
    : QToolBar(parent),
      m_validationTimer(std::make_unique<Timer>(kValidationInterval, true, [this] {
          if (isVisible())
              setNeedsValidation();
      }))
{
    qRegisterMetaType<platform::ToolbarItem*>();
    setObjectName(identifier);
    setMovable(false);
    setDisplayMode(DisplayMode::Default);
    setSizeMode(SizeMode::Default);
    connect(qApp, &QApplication::focusChanged, this, &Toolbar::setNeedsValidation);
    connect(
        &CommandRouter::shared(), &CommandRouter::actionSent, this, &Toolbar::setNeedsValidation);
    connect(&CommandRouter::shared(), &CommandRouter::validationNeeded, this,
        &Toolbar::setNeedsValidation);
    m_validationTimer->start();
}

Toolbar::~Toolbar() = default;

void Toolbar::setDelegate(ToolbarDelegate* delegate)
{
    m_delegate = delegate;
    if (!m_delegate || !m_items.isEmpty())
        return;
    const QVariantMap saved = m_autosaves
        ? UserDefaults::standard().dictionaryForKey(configurationKey())
        : QVariantMap();
    if (saved.contains(kItemIdentifiersKey))
        setConfigurationFromDictionary(saved);
    else
        setItemIdentifiers(m_delegate->defaultItemIdentifiers(this));
}

ToolbarItem* Toolbar::itemWithIdentifier(const QString& identifier) const
{
    for (ToolbarItem* item : m_items) {
        if (item->itemIdentifier() == identifier)
            return item;
    }
    return nullptr;
}

ToolbarItem* Toolbar::makeStandardItem(const QString& identifier)
{
    auto* item = new ToolbarItem(identifier, this);
    if (identifier == kSeparatorItemIdentifier) {
        item->setSeparator(true);
        return item;
    }
    auto* space = new QWidget;
    if (identifier == kFlexibleSpaceItemIdentifier)
        space->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    else
        space->setFixedWidth(kSpaceWidth);
    item->setView(space);
    return item;
}

ToolbarItem* Toolbar::makeItem(const QString& identifier)
{
    if (identifier == kSpaceItemIdentifier || identifier == kFlexibleSpaceItemIdentifier
        || identifier == kSeparatorItemIdentifier)
        return makeStandardItem(identifier);
    if (!m_delegate)
        return nullptr;
    if (!m_delegate->allowedItemIdentifiers(this).contains(identifier)) {
        log(QStringLiteral("Toolbar %@ does not allow the item %@"), this->identifier(),
            identifier);
        return nullptr;
    }
    ToolbarItem* item = m_delegate->itemForItemIdentifier(this, identifier, true);
    if (item)
        item->setParent(this);
    return item;
}

ToolbarItem* Toolbar::insertItemWithItemIdentifier(const QString& identifier, int index)
{
    ToolbarItem* item = makeItem(identifier);
    if (!item)
        return nullptr;
    index = std::clamp(index, 0, int(m_items.size()));
    if (m_delegate && m_delegate->selectableItemIdentifiers(this).contains(identifier))
        item->setCheckable(true);
    emit willAddItem(item);
    insertAction(index < m_items.size() ? m_items.at(index) : nullptr, item);
    m_items.insert(index, item);
    applySelection();
    saveConfiguration();
    setNeedsValidation();
    return item;
}

void Toolbar::removeItemAtIndex(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    ToolbarItem* item = m_items.takeAt(index);
    removeAction(item);
    emit didRemoveItem(item);
    item->deleteLater();
    saveConfiguration();
}

void Toolbar::setVisible(bool visible)
{
    QToolBar::setVisible(visible);
    saveConfiguration();
}

void Toolbar::setItemIdentifiers(const QStringList& identifiers)
{
    while (!m_items.isEmpty())
        removeItemAtIndex(int(m_items.size()) - 1);
    for (const QString& identifier : identifiers)
        insertItemWithItemIdentifier(identifier, int(m_items.size()));
}

void Toolbar::setDisplayMode(DisplayMode mode)
{
    m_displayMode = mode;
    setToolButtonStyle(buttonStyleFor(mode));
    saveConfiguration();
}

void Toolbar::setSizeMode(SizeMode mode)
{
    m_sizeMode = mode;
    const int size = mode == SizeMode::Small ? kSmallIconSize : kRegularIconSize;
    setIconSize(QSize(size, size));
    saveConfiguration();
}

void Toolbar::setSelectedItemIdentifier(const QString& identifier)
{
    if (!identifier.isEmpty()
        && !(m_delegate && m_delegate->selectableItemIdentifiers(this).contains(identifier)))
        return;
    m_selectedItemIdentifier = identifier;
    applySelection();
}

void Toolbar::applySelection()
{
    for (ToolbarItem* item : std::as_const(m_items)) {
        if (item->isCheckable())
            item->setChecked(item->itemIdentifier() == m_selectedItemIdentifier);
    }
}

void Toolbar::setAutosavesConfiguration(bool autosaves)
{
    m_autosaves = autosaves;
    if (!autosaves)
        return;
    const QVariantMap saved = UserDefaults::standard().dictionaryForKey(configurationKey());
    if (!saved.isEmpty())
        setConfigurationFromDictionary(saved);
}

QString Toolbar::configurationKey() const
{
    return QStringLiteral("NSToolbar Configuration ") + identifier();
}

QVariantMap Toolbar::configurationDictionary() const
{
    QStringList identifiers;
    for (const ToolbarItem* item : m_items)
        identifiers << item->itemIdentifier();
    return {
        { kItemIdentifiersKey, identifiers },
        { kDisplayModeKey, int(m_displayMode) },
        { kSizeModeKey, int(m_sizeMode) },
        { kIsShownKey, int(!isHidden()) },
    };
}

void Toolbar::setConfigurationFromDictionary(const QVariantMap& configuration)
{
    // Applying a saved configuration must not save a half-applied one over it.
    m_applyingConfiguration = true;
    if (configuration.contains(kDisplayModeKey)) {
        const int mode = configuration.value(kDisplayModeKey).toInt();
        if (mode >= 0 && mode <= int(DisplayMode::LabelOnly))
            setDisplayMode(DisplayMode(mode));
    }
    if (configuration.contains(kSizeModeKey)) {
        const int mode = configuration.value(kSizeModeKey).toInt();
        if (mode >= 0 && mode <= int(SizeMode::Small))
            setSizeMode(SizeMode(mode));
    }
    if (configuration.contains(kIsShownKey)) {
        // A toolbar not yet in a window would become a window of its own if shown.
        if (!configuration.value(kIsShownKey).toBool())
            hide();
        else if (parentWidget())
            show();
    }
    if (configuration.contains(kItemIdentifiersKey) && m_delegate)
        setItemIdentifiers(configuration.value(kItemIdentifiersKey).toStringList());
    m_applyingConfiguration = false;
}

void Toolbar::saveConfiguration()
{
    if (m_autosaves && !m_applyingConfiguration)
        UserDefaults::standard().setDictionary(configurationKey(), configurationDictionary());
}

void Toolbar::validateVisibleItems()
{
    m_validationPending = false;
    for (ToolbarItem* item : std::as_const(m_items))
        item->validate();
}

void Toolbar::setNeedsValidation()
{
    if (m_validationPending)
        return;
    m_validationPending = true;
    dispatchAfter(0, this, [this] { validateVisibleItems(); });
}

} // namespace platform
