#pragma once

#include "app/kVersionCheck.h"

#include <QObject>

#include <functional>
#include <memory>

namespace platform {
class Timer;
class UserDefaults;
} // namespace platform

// When the update check runs and what a check asked for shows: a repeating timer, kept while
// AutoCheckForUpdates is on, starts a check once the last good one is seven days old; a check
// from the menu ends in an alert unless a newer version was found. The document controller
// owns it. Main thread.
class BXVersionCheckSchedule final : public QObject, public kVersionCheck::Delegate {
    Q_OBJECT

public:
    static constexpr double kTimerInterval = 60.0;
    static constexpr double kTimerTolerance = 6.0;
    static constexpr double kCheckInterval = 604800.0; // seven days

    // `openDownloadPage` answers the failed-check alert's "Go to Download Page".
    BXVersionCheckSchedule(kVersionCheck& check, platform::UserDefaults& defaults,
        std::function<void()> openDownloadPage, QObject* parent = nullptr);
    ~BXVersionCheckSchedule() override;

    // The launch: the timer when AutoCheckForUpdates is on, then every change of that setting
    // starts or stops it.
    void start();

    // Starts (on) or stops (off) the timer; starting again replaces a running timer.
    void setCheckTimer(bool on);
    const platform::Timer* versionCheckTimer() const { return m_timer.get(); }
    void checkTimerAction();
    // A check; one asked for by the user reports its result, an automatic one stays silent
    // unless a newer version appears.
    void checkVersion(bool askedByUser);

    void versionCheckCompleteNotification(const QVariantMap& userInfo) override;

private:
    kVersionCheck& m_check;
    platform::UserDefaults& m_defaults;
    std::function<void()> m_openDownloadPage;
    std::unique_ptr<platform::Timer> m_timer;
};
