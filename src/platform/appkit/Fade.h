#pragma once

#include "platform/foundation/Dispatch.h"

#include <QObject>

#include <functional>

namespace platform {

// A number moving from one value to another over a duration, on the current scheduler's clock
// in frames of a sixtieth of a second, for fading views in and out. Each frame hands the value
// to the setter; the completion runs when the end is reached by time. Starting again takes
// over from a running fade; destroying the fade (or its parent) stops it. Main thread only.
class Fade final : public QObject {
    Q_OBJECT

public:
    enum class Curve { Linear, EaseIn, EaseOut };

    static constexpr double kFrameInterval = 1.0 / 60.0;

    explicit Fade(QObject* parent = nullptr);

    void start(double from, double to, double duration, std::function<void(double)> setter,
        std::function<void()> completion = {}, Curve curve = Curve::Linear);
    // Stops a running fade where it is, without its completion.
    void stop();
    // Sets the end value at once and stops, without the completion.
    void jumpToEnd();

    bool isRunning() const { return m_running; }
    // 0 to 1 along the time of the running or last fade.
    double progress() const { return m_progress; }

    // The curve's share of the way at `progress` (0 to 1).
    static double valueAt(Curve curve, double progress);

private:
    void step(quint64 generation);

    double m_from = 0;
    double m_to = 0;
    double m_duration = 0;
    double m_start = 0;
    double m_progress = 0;
    Curve m_curve = Curve::Linear;
    bool m_running = false;
    quint64 m_generation = 0; // bumped to retire the frames of an earlier fade
    std::function<void(double)> m_setter;
    std::function<void()> m_completion;
};

} // namespace platform
