#pragma once

#include "app/BXVersionCheckWindowController.h"
#include "app/kVersionCheck.h"

#include <QPointer>

namespace platform {
class UserDefaults;
}

// The application's update check: a newer version opens the update window, which may
// download it, skip it or switch automatic checking. Main thread.
class BXVersionCheck final : public kVersionCheck, public BXVersionCheckWindowController::Delegate {
    Q_OBJECT

public:
    explicit BXVersionCheck(platform::UserDefaults& defaults, QObject* parent = nullptr);
    ~BXVersionCheck() override;

    // The process's update check over the standard settings, made once from any thread.
    static BXVersionCheck& sharedInstance();

    BXVersionCheckWindowController* versionCheckWindowController() const { return m_window; }

    const QVariantMap& versionDictionary() const override
    {
        return kVersionCheck::versionDictionary();
    }
    // Opens "downloadURL" when it is a web address; anything else is logged and ignored.
    void downloadUpdate() override;
    QString lastVersion() const override;
    void controllerWillCloseWindow(BXVersionCheckWindowController* controller) override;

protected:
    void updateAvailable() override;

private:
    QPointer<BXVersionCheckWindowController> m_window;
};
