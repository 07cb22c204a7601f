// Raising the calling thread's scheduling priority for the preview worker.
#pragma once

namespace qcx {

// Asks for the highest priority of the normal scheduling class the process
// may set for the calling thread: the lowest nice value allowed. Real-time
// classes are left alone on purpose: a worker that never sleeps (a camera
// that delivers frames without pause) would starve the machine. False when
// nothing could be raised, which is not an error for the caller.
bool RaiseCurrentThreadPriority();

}  // namespace qcx
