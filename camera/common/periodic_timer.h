// A timer that calls a function every period on a thread of its own until it
// is stopped (or destroyed); Stop joins that thread.
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include "camera/common/stop_event.h"

namespace qcx {

class PeriodicTimer {
public:
    PeriodicTimer() = default;
    ~PeriodicTimer() { Stop(); }
    PeriodicTimer(const PeriodicTimer&) = delete;
    PeriodicTimer& operator=(const PeriodicTimer&) = delete;

    // Starts calling `tick` every `period` (the first call one period from
    // now); a running timer is stopped first. False when no thread can be had.
    bool Start(std::chrono::milliseconds period, std::function<void()> tick);
    // Ends the timer and waits for a tick in progress. Not from inside `tick`.
    void Stop();
    bool Running() const { return thread_.joinable(); }

private:
    std::thread thread_;
    std::unique_ptr<StopEvent> stop_;
};

}  // namespace qcx
