#include "platform/besidethread.h"

#include <sched.h>

int currentProcessor() {
    return ::sched_getcpu();
}

void stepOffProcessor(int processor) {
    cpu_set_t allowed;
    if (processor < 0 || processor >= CPU_SETSIZE ||
        ::sched_getaffinity(0, sizeof allowed, &allowed) != 0 || !CPU_ISSET(processor, &allowed) ||
        CPU_COUNT(&allowed) < 2)
        return;
    cpu_set_t others = allowed;
    CPU_CLR(processor, &others);
    // The move happens before the call returns; the scheduler is free again afterwards.
    if (::sched_setaffinity(0, sizeof others, &others) == 0)
        ::sched_setaffinity(0, sizeof allowed, &allowed);
}

void yieldProcessor() {
    ::sched_yield();
}
