// A recursive mutex that serves waiting threads in the order they came. The
// camera's I/O lock is one: the preview worker takes it again right after
// releasing it, frame after frame, and an ordinary mutex would let the worker
// win every time while an application thread waits for a register write.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace qcx {

class FairRecursiveMutex {
public:
    void lock() {
        const std::thread::id self = std::this_thread::get_id();
        std::unique_lock<std::mutex> hold(state_);
        if (owner_ == self) {
            ++depth_;
            return;
        }
        const std::uint64_t ticket = nextTicket_++;
        turn_.wait(hold, [&] { return serving_ == ticket; });
        owner_ = self;
        depth_ = 1;
    }

    bool try_lock() {
        const std::thread::id self = std::this_thread::get_id();
        std::lock_guard<std::mutex> hold(state_);
        if (owner_ == self) {
            ++depth_;
            return true;
        }
        if (depth_ != 0 || serving_ != nextTicket_) return false;
        ++nextTicket_;
        owner_ = self;
        depth_ = 1;
        return true;
    }

    void unlock() {
        {
            std::lock_guard<std::mutex> hold(state_);
            if (--depth_ != 0) return;
            owner_ = std::thread::id();
            ++serving_;
        }
        turn_.notify_all();
    }

private:
    std::mutex state_;
    std::condition_variable turn_;
    std::thread::id owner_;
    int depth_ = 0;
    std::uint64_t nextTicket_ = 0;  // the next waiter's place in the queue
    std::uint64_t serving_ = 0;     // the place whose turn it is
};

}  // namespace qcx
