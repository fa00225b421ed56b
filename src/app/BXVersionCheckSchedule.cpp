#include "app/BXVersionCheckSchedule.h"

#include "document/BXDefaults.h"
#include "platform/documents/AlertPresenter.h"
#include "platform/foundation/Dispatch.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/foundation/WallClock.h"

BXVersionCheckSchedule::BXVersionCheckSchedule(kVersionCheck& check,
    platform::UserDefaults& defaults, std::function<void()> openDownloadPage, QObject* parent)
    : QObject(parent),
      m_check(check),
      m_defaults(defaults),
      m_openDownloadPage(std::move(openDownloadPage))
{ }

BXVersionCheckSchedule::~BXVersionCheckSchedule()
{
    if (m_check.delegate() == this)
        m_check.setDelegate(nullptr);
}

void BXVersionCheckSchedule::start()
{
    if (m_defaults.boolForKey(AutoCheckForUpdates))
        setCheckTimer(true);
    connect(&m_defaults, &platform::UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key == AutoCheckForUpdates)
            setCheckTimer(m_defaults.boolForKey(AutoCheckForUpdates));
    });
}

void BXVersionCheckSchedule::setCheckTimer(bool on)
{
    // Also when starting: a second timer would check twice as often.
    m_timer.reset();
    if (!on)
        return;
    m_timer = std::make_unique<platform::Timer>(
        kTimerInterval, true, [this] { checkTimerAction(); }, kTimerTolerance);
    m_timer->start();
}

void BXVersionCheckSchedule::checkTimerAction()
{
    QDateTime last = m_defaults.dateForKey(LastUpdatesCheck);
    const QDateTime now = platform::WallClock::now();
    if (last.isValid() && last > now) {
        // A clock set back would otherwise hold checks off until it caught up: the date counts
        // as now, so the next check comes at most one interval later.
        last = now;
        m_defaults.setDate(LastUpdatesCheck, now);
    }
    double next = kCheckInterval;
    const double timeLeft
        = last.isValid() ? double(now.msecsTo(last)) / 1000.0 + kCheckInterval : 0;
    if (timeLeft > 0)
        next = timeLeft;
    else
        checkVersion(false);
    if (m_timer)
        m_timer->setFireDate(platform::Scheduler::current().now() + next);
}

void BXVersionCheckSchedule::checkVersion(bool askedByUser)
{
    if (askedByUser)
        m_check.setDelegate(this);
    m_check.checkVersion();
}

void BXVersionCheckSchedule::versionCheckCompleteNotification(const QVariantMap& userInfo)
{
    m_check.setDelegate(nullptr);
    const QVariant value = userInfo.value(kVersionCheck::ErrorKey);
    if (!value.isValid())
        return;
    const auto error = value.value<kVersionCheckError>();
    platform::Alert alert;
    alert.style = platform::AlertStyle::Warning;
    alert.messageText = error.localizedDescription();
    alert.informativeText = error.localizedRecoverySuggestion();
    alert.buttonTitles = error.localizedRecoveryOptions();
    if (alert.buttonTitles.size() > 1)
        alert.cancelButton = 1;
    const platform::AlertResponse response = platform::AlertPresenter::current().runModal(alert);
    if (error.code() != kVersionCheckError::UpToDate && alert.buttonTitles.size() > 1
        && response.button == 0 && m_openDownloadPage)
        m_openDownloadPage();
}
