// The periodic timer on a thread of its own that sleeps on a stop event
// between ticks.
#include "camera/common/periodic_timer.h"

#include <system_error>
#include <thread>

#include "camera/common/stop_event.h"

namespace qcx {

struct PeriodicTimer::State {
    StopEvent stop;
    std::thread thread;
};

PeriodicTimer::PeriodicTimer() = default;

PeriodicTimer::~PeriodicTimer() { Stop(); }

bool PeriodicTimer::Start(std::chrono::milliseconds period, std::function<void()> tick) {
    Stop();
    auto state = std::make_unique<State>();
    StopEvent* stop = &state->stop;
    try {
        state->thread = std::thread([stop, period, tick = std::move(tick)] {
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
        return false;
    }
    state_ = std::move(state);
    return true;
}

void PeriodicTimer::Stop() {
    if (!state_) return;
    state_->stop.Set();
    state_->thread.join();
    state_.reset();
}

}  // namespace qcx
