#include "ProgressPanel.h"

#include "platform/foundation/Dispatch.h"

namespace platform {

namespace {

ProgressPanel::Maker& installedMaker()
{
    static ProgressPanel::Maker maker;
    return maker;
}

} // namespace

void ProgressPanel::postWindowTitle(const QString& title)
{
    dispatchAsyncMain([self = shared_from_this(), title] { self->setWindowTitle(title); });
}

void ProgressPanel::postMessage(const QString& message)
{
    dispatchAsyncMain([self = shared_from_this(), message] { self->setMessage(message); });
}

void ProgressPanel::postIndeterminate()
{
    dispatchAsyncMain([self = shared_from_this()] { self->setProgressBarValue(-1.0); });
}

void ProgressPanel::postProgress(double percent, const QString& details)
{
    std::lock_guard lock(m_pendingMutex);
    m_pendingPercent = std::max(m_pendingPercent, percent);
    m_pendingDetails = details;
    if (m_progressPosted)
        return;
    m_progressPosted = true;
    dispatchAsyncMain([self = shared_from_this()] { self->flushProgress(); });
}

void ProgressPanel::flushProgress()
{
    double percent = 0;
    QString details;
    {
        std::lock_guard lock(m_pendingMutex);
        m_progressPosted = false;
        percent = m_pendingPercent;
        details = m_pendingDetails;
    }
    // The bar only moves forward, also when an earlier value arrives late.
    if (progressBarValue() < percent)
        setProgressBarValue(percent);
    setDetails(details);
}

double ProgressPanel::percentOf(qsizetype done, qsizetype total)
{
    return total > 0 ? double(quint64(done) * 100 / quint64(total)) : 0.0;
}

ProgressPanel::Ref ProgressPanel::fromDictionary(const QVariantMap& dictionary)
{
    return dictionary.value(PanelKey).value<Ref>();
}

ProgressPanel::Ref ProgressPanel::make()
{
    return installedMaker() ? installedMaker()() : nullptr;
}

void ProgressPanel::setMaker(Maker maker)
{
    installedMaker() = std::move(maker);
}

} // namespace platform
