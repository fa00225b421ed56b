#pragma once

#include <QPointer>
#include <QToolBar>
#include <QVariantMap>

#include <memory>

namespace platform {

class Timer;
class ToolbarCustomizationDialog;
class ToolbarDelegate;
class ToolbarItem;
class ToolbarOverflowMenu;

// A window's toolbar, known by its identifier, whose items come from a delegate by item
// identifier. It keeps a display mode, a size mode and at most one selected item among the
// delegate's selectable ones, and can save its configuration (item identifiers, the default
// set, modes, shown) in the user defaults under "NSToolbar Configuration <identifier>", reading
// it back when autosaving is switched on: unknown identifiers are dropped, and a damaged item
// list gives the default items. Navigational items stay at the leading edge. The user changes
// the items in the customisation dialog (the context menu offers it and the display modes). Items
// are validated on the next turn after a focus change, a routed command, the router's
// setNeedsValidation() (selection changes) or this toolbar's, and every second. Main thread only;
// emits willAddItem() before an item is shown and didRemoveItem() after one is taken out.
class Toolbar : public QToolBar {
    Q_OBJECT

public:
    enum class DisplayMode { Default = 0, IconAndLabel = 1, IconOnly = 2, LabelOnly = 3 };
    enum class SizeMode { Default = 0, Regular = 1, Small = 2 };

    // The items the toolbar makes itself.
    static const QString kSpaceItemIdentifier;
    static const QString kFlexibleSpaceItemIdentifier;
    static const QString kSeparatorItemIdentifier;

    explicit Toolbar(const QString& identifier, QWidget* parent = nullptr);
    ~Toolbar() override;

    QString identifier() const { return objectName(); }

    // Not owned. Setting one records its default set (when it answers one), and loads the
    // default items (or, when autosaving, the saved ones) unless the toolbar already has items.
    ToolbarDelegate* delegate() const { return m_delegate; }
    void setDelegate(ToolbarDelegate* delegate);

    QList<ToolbarItem*> items() const { return m_items; }
    ToolbarItem* itemWithIdentifier(const QString& identifier) const;
    // Asks the delegate for the item and puts it at `index` (clamped); answers it, or null when
    // the delegate made none or the identifier is not allowed.
    ToolbarItem* insertItemWithItemIdentifier(const QString& identifier, int index);
    void removeItemAtIndex(int index);
    // Moves an item within its group (navigational items before the others).
    void moveItem(int from, int to);

    // The toolbar's own default set, as its window defines it; the delegate's answer, when not
    // empty, replaces it. Saved as "TB Default Item Identifiers".
    QStringList defaultItemIdentifiers() const { return m_defaultItemIdentifiers; }
    void setDefaultItemIdentifiers(const QStringList& identifiers);
    // Replaces the items by the default set.
    void restoreDefaultItems();
    // Shows the customisation dialog (one at a time) and answers it.
    ToolbarCustomizationDialog* runCustomizationPalette();

    DisplayMode displayMode() const { return m_displayMode; }
    void setDisplayMode(DisplayMode mode);
    SizeMode sizeMode() const { return m_sizeMode; }
    void setSizeMode(SizeMode mode);

    // Empty when no item is selected; an identifier that is not selectable is ignored.
    QString selectedItemIdentifier() const { return m_selectedItemIdentifier; }
    void setSelectedItemIdentifier(const QString& identifier);

    bool autosavesConfiguration() const { return m_autosaves; }
    // Switching it on applies the saved configuration, when there is one, and saves from then on.
    void setAutosavesConfiguration(bool autosaves);
    QString configurationKey() const;
    QVariantMap configurationDictionary() const;
    void setConfigurationFromDictionary(const QVariantMap& configuration);

    // Saved as "TB Is Shown".
    void setVisible(bool visible) override;

    // The menu of the items a narrow window has no room for, behind the » button.
    ToolbarOverflowMenu* overflowMenu() const { return m_overflowMenu; }
    // Where something shown for `item` (a menu, a popover) points: its control when the
    // toolbar shows it, else the » button it was cut off into.
    QWidget* anchorForItem(ToolbarItem* item) const;

    void validateVisibleItems();
    // Validates on the next turn of the event loop, once however often it is asked.
    void setNeedsValidation();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

signals:
    void willAddItem(platform::ToolbarItem* item);
    void didRemoveItem(platform::ToolbarItem* item);

private:
    ToolbarItem* makeItem(const QString& identifier);
    ToolbarItem* makeStandardItem(const QString& identifier);
    void setItemIdentifiers(const QStringList& identifiers);
    QStringList defaultItems() const;
    int navigationalCount() const;
    void applySelection();
    void saveConfiguration();

    ToolbarDelegate* m_delegate = nullptr;
    QList<ToolbarItem*> m_items;
    QStringList m_defaultItemIdentifiers;
    QPointer<ToolbarCustomizationDialog> m_customizationDialog;
    DisplayMode m_displayMode = DisplayMode::Default;
    SizeMode m_sizeMode = SizeMode::Default;
    QString m_selectedItemIdentifier;
    bool m_autosaves = false;
    bool m_validationPending = false;
    bool m_applyingConfiguration = false;
    std::unique_ptr<Timer> m_validationTimer;
    ToolbarOverflowMenu* m_overflowMenu;
};

} // namespace platform
