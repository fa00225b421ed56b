#include "Toolbar.h"

#include "CommandRouter.h"
#include "ToolbarCustomizationDialog.h"
#include "ToolbarDelegate.h"
#include "ToolbarItem.h"
#include "ToolbarOverflowMenu.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/Localized.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/UserDefaults.h"

#include <QActionGroup>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QToolButton>
#include <QWidget>

#include <optional>

namespace platform {

namespace {

const QString kItemIdentifiersKey = QStringLiteral("TB Item Identifiers");
const QString kDefaultItemIdentifiersKey = QStringLiteral("TB Default Item Identifiers");
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

// A saved list of identifiers, or nothing when the value is anything else.
std::optional<QStringList> identifierList(const QVariant& value)
{
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() != QMetaType::QVariantList)
        return std::nullopt;
    QStringList identifiers;
    for (const QVariant& element : value.toList()) {
        if (element.typeId() != QMetaType::QString)
            return std::nullopt;
        identifiers << element.toString();
    }
    return identifiers;
}

// A saved mode within [0, last], or nothing.
std::optional<int> modeValue(const QVariant& value, int last)
{
    bool ok = false;
    const int mode = value.toInt(&ok);
    if (!ok || mode < 0 || mode > last)
        return std::nullopt;
    return mode;
}

bool isStandardIdentifier(const QString& identifier)
{
    return identifier == Toolbar::kSpaceItemIdentifier
        || identifier == Toolbar::kFlexibleSpaceItemIdentifier
        || identifier == Toolbar::kSeparatorItemIdentifier;
}

} // namespace

const QString Toolbar::kSpaceItemIdentifier = QStringLiteral("NSToolbarSpaceItem");
const QString Toolbar::kFlexibleSpaceItemIdentifier = QStringLiteral("NSToolbarFlexibleSpaceItem");
const QString Toolbar::kSeparatorItemIdentifier = QStringLiteral("NSToolbarSeparatorItem");

Toolbar::Toolbar(const QString& identifier, QWidget* parent)
    : QToolBar(parent),
      m_validationTimer(std::make_unique<Timer>(kValidationInterval, true,
          [this] {
              if (isVisible())
                  setNeedsValidation();
          })),
      m_overflowMenu(new ToolbarOverflowMenu(this))
{
    qRegisterMetaType<platform::ToolbarItem*>();
    setObjectName(identifier);
    setMovable(false);
    setDisplayMode(DisplayMode::Default);
    setSizeMode(SizeMode::Default);
    // Qt's button for the items that do not fit shows an arrow and has no title a screen reader
    // could say.
    if (auto* more = findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(localized(QStringLiteral("More Toolbar Items")));
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
    if (!m_delegate)
        return;
    if (const QStringList answered = m_delegate->defaultItemIdentifiers(this); !answered.isEmpty())
        m_defaultItemIdentifiers = answered;
    if (!m_items.isEmpty())
        return;
    const QVariantMap saved = m_autosaves
        ? UserDefaults::standard().dictionaryForKey(configurationKey())
        : QVariantMap();
    if (saved.contains(kItemIdentifiersKey))
        setConfigurationFromDictionary(saved);
    else
        setItemIdentifiers(defaultItems());
}

void Toolbar::setDefaultItemIdentifiers(const QStringList& identifiers)
{
    m_defaultItemIdentifiers = identifiers;
    saveConfiguration();
}

QStringList Toolbar::defaultItems() const
{
    // The delegate's answer may read this toolbar's configuration, which asks it again.
    const QStringList answered = m_delegate
        ? m_delegate->defaultItemIdentifiers(const_cast<Toolbar*>(this))
        : QStringList();
    return answered.isEmpty() ? m_defaultItemIdentifiers : answered;
}

void Toolbar::restoreDefaultItems()
{
    setItemIdentifiers(defaultItems());
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
    if (isStandardIdentifier(identifier))
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
    if (m_delegate && m_delegate->selectableItemIdentifiers(this).contains(identifier))
        item->setCheckable(true);
    emit willAddItem(item);
    item->setTextOnly(m_displayMode == DisplayMode::LabelOnly);
    // Navigational items lead; the others follow them.
    const int leading = navigationalCount();
    index = item->isNavigational() ? std::clamp(index, 0, leading)
                                   : std::clamp(index, leading, int(m_items.size()));
    insertAction(index < m_items.size() ? m_items.at(index) : nullptr, item);
    // The buttons QToolBar makes take no focus at all; Tab reaches them, a click still leaves
    // the focus where it was.
    if (auto* button = qobject_cast<QToolButton*>(widgetForAction(item)))
        button->setFocusPolicy(Qt::TabFocus);
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

void Toolbar::moveItem(int from, int to)
{
    if (from < 0 || from >= m_items.size())
        return;
    ToolbarItem* item = m_items.at(from);
    const int leading = navigationalCount();
    to = item->isNavigational() ? std::clamp(to, 0, leading - 1)
                                : std::clamp(to, leading, int(m_items.size()) - 1);
    if (to == from)
        return;
    removeAction(item);
    m_items.move(from, to);
    insertAction(to + 1 < m_items.size() ? m_items.at(to + 1) : nullptr, item);
    saveConfiguration();
}

int Toolbar::navigationalCount() const
{
    int count = 0;
    while (count < m_items.size() && m_items.at(count)->isNavigational())
        ++count;
    return count;
}

ToolbarCustomizationDialog* Toolbar::runCustomizationPalette()
{
    if (!m_customizationDialog)
        m_customizationDialog = new ToolbarCustomizationDialog(this, window());
    m_customizationDialog->show();
    m_customizationDialog->raise();
    return m_customizationDialog;
}

void Toolbar::contextMenuEvent(QContextMenuEvent* event)
{
    QMenu menu;
    auto* modes = new QActionGroup(&menu);
    const std::pair<DisplayMode, const char*> choices[] = {
        { DisplayMode::IconAndLabel, "Icon and Text" },
        { DisplayMode::IconOnly, "Icon Only" },
        { DisplayMode::LabelOnly, "Text Only" },
    };
    for (const auto& [mode, title] : choices) {
        QAction* choice = menu.addAction(localized(QLatin1String(title)));
        choice->setCheckable(true);
        choice->setChecked(m_displayMode == mode
            || (mode == DisplayMode::IconAndLabel && m_displayMode == DisplayMode::Default));
        modes->addAction(choice);
        connect(
            choice, &QAction::triggered, this, [this, chosen = mode] { setDisplayMode(chosen); });
    }
    menu.addSeparator();
    connect(menu.addAction(localized(QStringLiteral("Customize Toolbar…"))), &QAction::triggered,
        this, &Toolbar::runCustomizationPalette);
    menu.exec(event->globalPos());
    event->accept();
}

QWidget* Toolbar::anchorForItem(ToolbarItem* item) const
{
    QWidget* control = item ? widgetForAction(item) : nullptr;
    if (control && !control->isHidden())
        return control;
    return m_overflowMenu->button();
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
    for (const QString& identifier : identifiers) {
        // Only spaces and separators may repeat.
        if (isStandardIdentifier(identifier) || !itemWithIdentifier(identifier))
            insertItemWithItemIdentifier(identifier, int(m_items.size()));
    }
}

void Toolbar::setDisplayMode(DisplayMode mode)
{
    m_displayMode = mode;
    setToolButtonStyle(buttonStyleFor(mode));
    for (ToolbarItem* item : std::as_const(m_items))
        item->setTextOnly(mode == DisplayMode::LabelOnly);
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
        { kDefaultItemIdentifiersKey, defaultItems() },
        { kDisplayModeKey, int(m_displayMode) },
        { kSizeModeKey, int(m_sizeMode) },
        { kIsShownKey, int(!isHidden()) },
    };
}

void Toolbar::setConfigurationFromDictionary(const QVariantMap& configuration)
{
    // Applying a saved configuration must not save a half-applied one over it.
    m_applyingConfiguration = true;
    if (const auto mode
        = modeValue(configuration.value(kDisplayModeKey), int(DisplayMode::LabelOnly)))
        setDisplayMode(DisplayMode(*mode));
    if (const auto mode = modeValue(configuration.value(kSizeModeKey), int(SizeMode::Small)))
        setSizeMode(SizeMode(*mode));
    if (configuration.contains(kIsShownKey)) {
        // A toolbar not yet in a window would become a window of its own if shown.
        if (!configuration.value(kIsShownKey).toBool())
            hide();
        else if (parentWidget())
            show();
    }
    if (configuration.contains(kItemIdentifiersKey) && m_delegate) {
        const auto identifiers = identifierList(configuration.value(kItemIdentifiersKey));
        if (!identifiers)
            log(QStringLiteral("Toolbar %@: damaged saved items, showing the defaults"),
                identifier());
        setItemIdentifiers(identifiers.value_or(defaultItems()));
    }
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
    for (ToolbarItem* item : std::as_const(m_items)) {
        item->validate();
        if (m_delegate)
            item->setEnabled(m_delegate->validateToolbarItem(item));
    }
}

void Toolbar::setNeedsValidation()
{
    if (m_validationPending)
        return;
    m_validationPending = true;
    dispatchAfter(0, this, [this] { validateVisibleItems(); });
}

} // namespace platform
