// The periodic timer as a multimedia timer event: the system calls the tick
// on its timer thread every period, with a resolution of one millisecond
// for as long as the timer runs.
#include "camera/common/periodic_timer.h"

#include <windows.h>
#include <mmsystem.h>

#include <algorithm>
#include <limits>

namespace qcx {

struct PeriodicTimer::State {
    std::function<void()> tick;
    UINT event = 0;
};

namespace {

constexpr UINT kResolutionMs = 1;

void CALLBACK OnTimerEvent(UINT /*event*/, UINT /*message*/, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    reinterpret_cast<const std::function<void()>*>(user)->operator()();
}

}  // namespace

PeriodicTimer::PeriodicTimer() = default;

PeriodicTimer::~PeriodicTimer() { Stop(); }

bool PeriodicTimer::Start(std::chrono::milliseconds period, std::function<void()> tick) {
    Stop();
    auto state = std::make_unique<State>();
    state->tick = std::move(tick);
    // The multimedia timer counts whole milliseconds, at least one.
    const auto delay = static_cast<UINT>(std::clamp<std::chrono::milliseconds::rep>(
        period.count(), 1, std::numeric_limits<UINT>::max()));
    timeBeginPeriod(kResolutionMs);
    // The callback is handed the tick inside the State object, which stays
    // put until Stop has killed the event.
    state->event = timeSetEvent(delay, kResolutionMs, &OnTimerEvent, reinterpret_cast<DWORD_PTR>(&state->tick),
                                TIME_PERIODIC | TIME_CALLBACK_FUNCTION | TIME_KILL_SYNCHRONOUS);
    if (state->event == 0) {
        timeEndPeriod(kResolutionMs);
        return false;
    }
    state_ = std::move(state);
    return true;
}

void PeriodicTimer::Stop() {
    if (!state_) return;
    // A synchronous kill returns once a callback in progress has returned,
    // and no callback starts after it.
    timeKillEvent(state_->event);
    timeEndPeriod(kResolutionMs);
    state_.reset();
}

}  // namespace qcx
