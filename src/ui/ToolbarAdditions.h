#pragma once

#include <QString>

class QAction;
class QToolBar;

// Lookups on toolbars whose items are actions identified by their object name.
namespace ToolbarAdditions {

// The first action of `toolbar`, in its order, whose object name is `identifier`; null when
// there is none.
QAction* itemForIdentifier(const QToolBar* toolbar, const QString& identifier);

} // namespace ToolbarAdditions
