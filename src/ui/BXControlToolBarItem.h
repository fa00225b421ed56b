#pragma once

#include "platform/appkit/ToolbarItem.h"

#include <QVariantMap>

// A toolbar item whose view is a control: it validates itself against the command's target
// even though it has a view, offers a menu form that carries its command (or the view's own
// menu as a submenu), and keeps its represented object on the view. A button view sends the
// item's command when clicked. Owned by its toolbar; main thread.
class BXControlToolBarItem : public platform::ToolbarItem {
    Q_OBJECT

public:
    // From a description with the keys "identifier", "view" (a QWidget*, taken over), "label",
    // "paletteLabel" and "action" (the action's name).
    explicit BXControlToolBarItem(const QVariantMap& description, QObject* parent = nullptr);

    // Builds the menu form: an item titled with the label that sends the item's command, or
    // that opens the view's menu when the view has one.
    void setMenu();

    // Disabled when no target takes the command; otherwise enabled unless the target refuses.
    void validate() override;

    QVariant representedObject() const;
    void setRepresentedObject(const QVariant& object);

protected:
    // Wires a button view to send the item's command; `onPress` sends it on mouse down.
    void connectView(bool onPress);
};
