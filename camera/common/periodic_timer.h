// A timer that calls a function every period until it is stopped (or
// destroyed). On Linux the calls come from a thread of the timer's own; on
// Windows from the multimedia timer's thread.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

namespace qcx {

class PeriodicTimer {
public:
    PeriodicTimer();
    ~PeriodicTimer();
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Starts calling `tick` every `period` (the first call one period from
    // now); a running timer is stopped first. False when the system gives no
    // timer (no thread, no multimedia timer event).
    bool Start(std::chrono::milliseconds period, std::function<void()> tick);
    // Ends the timer and waits for a tick in progress. Not from inside `tick`.
    void Stop();
    bool Running() const { return state_ != nullptr; }

private:
    struct State;  // the platform's timer, present while running
    std::unique_ptr<State> state_;
};

}  // namespace qcx
