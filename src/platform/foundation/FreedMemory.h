#pragma once

namespace platform {

// How the process's heap gives freed memory back to the system.
class FreedMemory final {
public:
    // The C library raises its trim threshold each time a large block is freed (up to tens of
    // megabytes), and a worker thread's heap returns its free top only above that threshold: so
    // after work spread over every core, such as a search, each pool thread's heap kept
    // megabytes nothing used. Fixed thresholds keep every heap's free top within 128 KiB, and
    // blocks that large are mapped on their own and returned when freed. Call once, early.
    static void returnPromptly();
};

} // namespace platform
