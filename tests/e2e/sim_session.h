// A library session over simulated cameras for the end-to-end tests, and a
// bounded wait for what the preview thread does.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "qcxapi.h"
#include "qcxsim.h"

namespace e2e {

template <typename Predicate>
bool WaitUntil(Predicate predicate, std::chrono::milliseconds limit = std::chrono::seconds(20)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!predicate()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// A simulated camera's sensor register (0xDEAD when it cannot be read), and
// the vendor requests it has received.
inline unsigned short SimSensorReg(int node, unsigned short reg) {
    unsigned short value = 0xDEAD;
    QCXSimReadSensorReg(node, reg, &value);
    return value;
}
inline unsigned SimRequests(int node) {
    unsigned count = 0;
    QCXSimGetRequestCount(node, &count);
    return count;
}

// A 24-bit blue-green-red image whose red is more than twice its green and
// twice its blue: the picture's red patch, seen through the right filter order.
inline bool MostlyRed(const std::vector<unsigned char>& bgr) {
    long sum[3] = {0, 0, 0};
    for (std::size_t i = 0; i < bgr.size(); ++i) sum[i % 3] += bgr[i];
    return sum[2] > 2 * sum[1] && sum[2] > 2 * sum[0];
}

// `list` as QCX_SIM takes it; with QCX_E2E_OVER_USB set (the USB test
// program) every camera is put on the simulated USB bus, so the library
// reaches it through libusb.
inline std::string CameraList(const char* list) {
    const char* overUsb = std::getenv("QCX_E2E_OVER_USB");
    if (overUsb == nullptr || overUsb[0] == '\0') return list;
    std::string out = "usb:";
    for (const char* c = list; *c != '\0'; ++c) out += *c == ',' ? std::string(",usb:") : std::string(1, *c);
    return out;
}

class SimSession : public ::testing::Test {
protected:
    // Opens the simulated cameras of `list`; nothing is drawn (the drawing
    // has tests of its own). `node` is the first simulated camera's node,
    // `camera` the index the tests use.
    void Start(const char* list, const char* timing = "fast", const char* scene = "ramp") {
        // Cameras whose entry stays the same keep their state: every test
        // starts from cameras just plugged in.
        setenv("QCX_SIM", "", 1);
        QCXSimGetCount();
        setenv("QCX_SIM", CameraList(list).c_str(), 1);
        QCXSimGetCount();  // puts cameras on the USB bus before the library looks there
        setenv("QCX_SIM_SCENE", scene, 1);
        setenv("QCX_SIM_TIMING", timing, 1);
        unsetenv("DISPLAY");
        ASSERT_EQ(QCX_Init(), QCX_STATUS_SUCCESS);
        node = QCX_DeviceGetCount() - QCXSimGetCount();
        ASSERT_GE(node, 0);
    }
    void TearDown() override {
        QCX_UnInit();
        // Emptied, not removed: a variable that leaves the environment and
        // comes back makes setenv move the environment while a library
        // thread may be reading it.
        setenv("QCX_SIM", "", 1);
        setenv("QCX_SIM_SCENE", "", 1);
        setenv("QCX_SIM_TIMING", "", 1);
    }
    int camera = 0;
    int node = 0;
};

}  // namespace e2e
