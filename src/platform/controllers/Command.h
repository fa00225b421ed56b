#pragma once

#include <QString>
#include <QVariant>

#include <optional>

namespace platform {

// What a menu item, toolbar item or button asks of the responder chain: the action named by its
// selector ("deleteSelection:") with the sender's tag and represented object. Widget-free, so a
// document can answer commands; `checked` carries the sender's check state in and, after
// validation, back out to the sender.
struct Command {
    QString action;
    int tag = 0;
    QVariant representedObject;
    std::optional<bool> checked;
};

} // namespace platform
