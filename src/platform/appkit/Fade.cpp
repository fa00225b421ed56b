#include "Fade.h"

#include <algorithm>

namespace platform {

Fade::Fade(QObject* parent) : QObject(parent) { }

double Fade::valueAt(Curve curve, double progress)
{
    progress = std::clamp(progress, 0.0, 1.0);
    switch (curve) {
    case Curve::EaseIn:
        return progress * progress;
    case Curve::EaseOut:
        return 1.0 - (1.0 - progress) * (1.0 - progress);
    case Curve::Linear:
        break;
    }
    return progress;
}

void Fade::start(double from, double to, double duration, std::function<void(double)> setter,
    std::function<void()> completion, Curve curve)
{
    m_from = from;
    m_to = to;
    m_duration = duration;
    m_curve = curve;
    m_setter = std::move(setter);
    m_completion = std::move(completion);
    m_start = Scheduler::current().now();
    m_progress = 0;
    m_running = true;
    const quint64 generation = ++m_generation;
    dispatchAfter(kFrameInterval, this, [this, generation] { step(generation); });
}

void Fade::step(quint64 generation)
{
    if (generation != m_generation || !m_running)
        return;
    m_progress
        = m_duration > 0 ? std::min(1.0, (Scheduler::current().now() - m_start) / m_duration) : 1.0;
    if (m_setter)
        m_setter(m_from + (m_to - m_from) * valueAt(m_curve, m_progress));
    if (m_progress < 1.0) {
        dispatchAfter(kFrameInterval, this, [this, generation] { step(generation); });
        return;
    }
    m_running = false;
    if (auto completion = std::move(m_completion))
        completion();
}

void Fade::stop()
{
    ++m_generation;
    m_running = false;
}

void Fade::jumpToEnd()
{
    if (!m_running)
        return;
    stop();
    m_progress = 1.0;
    if (m_setter)
        m_setter(m_to);
}

} // namespace platform
