#include "camera/platform/thread_priority.h"

#include <windows.h>

namespace qcx {

bool RaiseCurrentThreadPriority() { return SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL) != 0; }

}  // namespace qcx
