// A manual-reset event a worker thread polls and sleeps on, so that setting
// it ends any wait at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace qcx {

class StopEvent {
public:
    void Set() {
        {
            std::lock_guard<std::mutex> hold(mutex_);
            set_ = true;
        }
        changed_.notify_all();
    }
    bool IsSet() const {
        std::lock_guard<std::mutex> hold(mutex_);
        return set_;
    }
    // Sleeps up to `timeout`; true when the event is (or becomes) set.
    bool WaitFor(std::chrono::milliseconds timeout) const {
        std::unique_lock<std::mutex> hold(mutex_);
        return changed_.wait_for(hold, timeout, [this] { return set_; });
    }

private:
    mutable std::mutex mutex_;
    mutable std::condition_variable changed_;
    bool set_ = false;
};

}  // namespace qcx
