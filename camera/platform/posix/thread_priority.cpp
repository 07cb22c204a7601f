#include "camera/platform/thread_priority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace qcx {

bool RaiseCurrentThreadPriority() {
    // On Linux the nice value belongs to the thread (its kernel task id).
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    const int current = getpriority(PRIO_PROCESS, thread);
    for (int nice = -20; nice < current; ++nice) {
        if (setpriority(PRIO_PROCESS, thread, nice) == 0) return true;
    }
    return false;
}

}  // namespace qcx
