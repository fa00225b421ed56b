#pragma once

#include <QtGlobal>

// The resident size of this process, as the kernel counts it (/proc/self/statm): memory figures
// are differences of it, taken in a fresh process so that freed memory of earlier work neither
// hides nor inflates them.
class ResidentMemory final {
public:
    static qint64 bytes();
    // The largest resident size this process has had so far (VmHWM in /proc/self/status).
    static qint64 peakBytes();
};
