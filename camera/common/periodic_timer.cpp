#include "camera/common/periodic_timer.h"

#include <system_error>

namespace qcx {

bool PeriodicTimer::Start(std::chrono::milliseconds period, std::function<void()> tick) {
    Stop();
    stop_ = std::make_unique<StopEvent>();
    StopEvent* stop = stop_.get();
    try {
        thread_ = std::thread([stop, period, tick = std::move(tick)] {
            // Deadlines advance by whole periods so a slow tick does not make
            // the timer drift.
            auto next = std::chrono::steady_clock::now() + period;
            for (;;) {
                const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(
                    next - std::chrono::steady_clock::now());
                if (stop->WaitFor(wait.count() > 0 ? wait : std::chrono::milliseconds(0))) return;
                tick();
                next += period;
            }
        });
    } catch (const std::system_error&) {
        stop_.reset();
        return false;
    }
    return true;
}

void PeriodicTimer::Stop() {
    if (!thread_.joinable()) return;
    stop_->Set();
    thread_.join();
    stop_.reset();
}

}  // namespace qcx
