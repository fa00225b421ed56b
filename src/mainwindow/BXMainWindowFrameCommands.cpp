#include "mainwindow/BXMainWindowFrameCommands.h"

#include "mainwindow/BXMainWindow.h"
#include "mainwindow/BXMainWindowController.h"
#include "mainwindow/BXMainWindowToolbar.h"
#include "mainwindow/editor/BXTextView.h"

#include "platform/appkit/Toolbar.h"
#include "platform/foundation/Localized.h"

namespace {

const QString kClose = QStringLiteral("performClose:");
const QString kMiniaturize = QStringLiteral("performMiniaturize:");
const QString kZoom = QStringLiteral("performZoom:");
const QString kToggleToolbar = QStringLiteral("toggleToolbarShown:");

} // namespace

BXMainWindowFrameCommands::BXMainWindowFrameCommands(BXMainWindowController* controller)
    : QObject(controller), m_controller(controller)
{ }

bool BXMainWindowFrameCommands::respondsTo(const QString& action) const
{
    return action == kClose || action == kMiniaturize || action == kZoom
        || action == kToggleToolbar;
}

void BXMainWindowFrameCommands::perform(const platform::Command& command)
{
    BXMainWindow* window = m_controller->mainWindow();
    if (!window)
        return;
    if (command.action == kClose)
        window->close();
    else if (command.action == kMiniaturize)
        window->showMinimized();
    else if (command.action == kZoom)
        window->isMaximized() ? window->showNormal() : window->showMaximized();
    else if (command.action == kToggleToolbar) {
        platform::Toolbar* toolbar = m_controller->mainToolbar()->toolbar();
        toolbar->setVisible(toolbar->isHidden());
    }
}

std::optional<QString> BXMainWindowFrameCommands::titleFor(const platform::Command& command) const
{
    if (command.action != kToggleToolbar)
        return std::nullopt;
    const platform::Toolbar* toolbar = m_controller->mainToolbar()->toolbar();
    return platform::localized(!toolbar->isHidden() ? QStringLiteral("Hide Toolbar")
                                                    : QStringLiteral("Show Toolbar"));
}
