#include "platform/audio/realtime.h"

#include <algorithm>

#include <pthread.h>
#include <sched.h>

bool VXRequestRealtimePriority(int priority) {
    sched_param param{};
    param.sched_priority = std::clamp(priority, sched_get_priority_min(SCHED_FIFO),
                                      sched_get_priority_max(SCHED_FIFO));
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &param) == 0;
}
