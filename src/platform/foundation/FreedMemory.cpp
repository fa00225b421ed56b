#include "FreedMemory.h"

#include <malloc.h>

namespace platform {

void FreedMemory::returnPromptly()
{
    constexpr int kThreshold = 128 * 1024;
    // Setting either fixes both: the threshold then no longer follows the blocks freed.
    mallopt(M_MMAP_THRESHOLD, kThreshold);
    mallopt(M_TRIM_THRESHOLD, kThreshold);
}

} // namespace platform
