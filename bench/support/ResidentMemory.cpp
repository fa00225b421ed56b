#include "ResidentMemory.h"

#include <cstdio>
#include <unistd.h>

qint64 ResidentMemory::bytes()
{
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return 0;
    long long size = 0;
    long long resident = 0;
    const int read = std::fscanf(statm, "%lld %lld", &size, &resident);
    std::fclose(statm);
    return read == 2 ? qint64(resident) * ::sysconf(_SC_PAGESIZE) : 0;
}
