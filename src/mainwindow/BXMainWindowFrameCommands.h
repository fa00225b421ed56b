#pragma once

#include "platform/controllers/Responder.h"

#include <QObject>

class BXMainWindowController;

// The Window and View menu commands that act on the main window as a window: close (the
// document decides, as with the close button), minimise, zoom between the user's size and the
// screen, and show or hide the toolbar. Owned by the window controller; main thread only.
class BXMainWindowFrameCommands final : public QObject, public platform::Responder {
    Q_OBJECT

public:
    explicit BXMainWindowFrameCommands(BXMainWindowController* controller);

    bool respondsTo(const QString& action) const override;
    void perform(const platform::Command& command) override;
    std::optional<QString> titleFor(const platform::Command& command) const override;

private:
    BXMainWindowController* m_controller;
};
