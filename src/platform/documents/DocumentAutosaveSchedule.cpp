#include "DocumentAutosaveSchedule.h"

#include "AlertPresenter.h"

#include "platform/foundation/Error.h"
#include "platform/foundation/Localized.h"

#include <algorithm>
#include <utility>

namespace platform {

DocumentAutosaveSchedule::DocumentAutosaveSchedule(std::function<void()> autosave)
    : m_autosave(std::move(autosave))
{ }

DocumentAutosaveSchedule::~DocumentAutosaveSchedule() = default;

void DocumentAutosaveSchedule::changed()
{
    if (!m_timer)
        m_timer = std::make_unique<Timer>(kDelay, false, [this] { m_autosave(); });
    const double now = Scheduler::current().now();
    if (!m_timer->isValid()) {
        m_firstUnsavedChange = now;
        m_timer->start();
        return;
    }
    m_timer->setFireDate(std::min(now + kDelay, m_firstUnsavedChange + kLongestDelay));
}

void DocumentAutosaveSchedule::stop()
{
    if (m_timer)
        m_timer->invalidate();
}

void DocumentAutosaveSchedule::failed(const Error& error, const QString& name, QWidget* window)
{
    changed();
    // Every retry fails alike while the disk stays full: one sheet says it, not one a retry.
    // A document without a window has only the log.
    if (!window || std::exchange(m_failureTold, true))
        return;
    Alert alert;
    alert.messageText = localizedFormat(
        QStringLiteral("The document “%@” could not be saved automatically."), name);
    const QString reason = error.localizedFailureReason().isEmpty()
        ? error.localizedDescription()
        : error.localizedFailureReason();
    alert.informativeText = reason + QLatin1Char(' ')
        + localized(QStringLiteral("Your changes are kept in the window, and saving is tried "
                                   "again."));
    alert.style = AlertStyle::Warning;
    AlertPresenter::current().beginSheet(alert, window, {});
}

} // namespace platform
