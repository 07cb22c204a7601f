// Sustained raw capture over the real libusb against simulated cameras that
// umockdev presents as USB devices, beside the same capture from the
// in-process simulated node: frames per second, MB/s and milliseconds per
// frame at 752 x 480 (MT9V032) and 2592 x 1944 (MT9P001), fast timing. The
// USB column's time includes the emulated device's own work (it runs in this
// process), so it bounds the host side's cost per frame from above.
// Run under umockdev-wrapper: usb_bench [seconds per row, default 3]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "qcxapi.h"
#include "qcxsim.h"
#include "sim/sim_node_provider.h"
#include "tests/usb/umockdev_camera_bus.h"

namespace {

struct Rate {
    double framesPerSecond = 0;
    double megabytesPerSecond = 0;
    double msPerFrame = 0;
    int failures = 0;
};

Rate Measure(const std::string& list, double seconds) {
    Rate rate;
    setenv("QCX_SIM", "", 1);
    QCXSimGetCount();
    setenv("QCX_SIM", list.c_str(), 1);
    QCXSimGetCount();
    if (QCX_Init() != QCX_STATUS_SUCCESS) return rate;
    int w = 0, h = 0;
    if (QCX_CaptureGetSize(0, &w, &h) != QCX_STATUS_SUCCESS) {
        QCX_UnInit();
        return rate;
    }
    std::vector<unsigned char> raw(static_cast<std::size_t>(w) * h);
    for (int i = 0; i < 3; ++i) QCX_CaptureRawData(0, raw.data());
    using Clock = std::chrono::steady_clock;
    const auto start = Clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    int frames = 0;
    while (Clock::now() < end) {
        if (QCX_CaptureRawData(0, raw.data()) == QCX_STATUS_SUCCESS) {
            ++frames;
        } else {
            ++rate.failures;
        }
    }
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    QCX_UnInit();
    rate.framesPerSecond = frames / elapsed;
    rate.megabytesPerSecond = rate.framesPerSecond * static_cast<double>(raw.size()) / 1e6;
    rate.msPerFrame = frames > 0 ? elapsed * 1000.0 / frames : 0;
    return rate;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    const char* preload = std::getenv("LD_PRELOAD");
    if (!qcx::UmockdevCameraBus::Available()) {
        std::fprintf(stderr, "usb_bench: run it under umockdev-wrapper (%s)\n", preload ? preload : "no LD_PRELOAD");
        return 2;
    }
    setenv("QCX_SIM_TIMING", "fast", 1);
    setenv("QCX_SIM_SCENE", "ramp", 1);
    qcx::UmockdevCameraBus bus;
    qcx::SimNodeProvider::Instance().SetUsbBus(&bus);

    std::printf("%-12s %-10s %10s %10s %12s %9s\n", "frame", "path", "frames/s", "MB/s", "ms/frame", "failures");
    const struct {
        const char* type;
        const char* size;
    } rows[] = {{"21", "752x480"}, {"8", "2592x1944"}};
    for (const auto& row : rows) {
        for (const bool overUsb : {true, false}) {
            const Rate r = Measure(std::string(overUsb ? "usb:" : "") + row.type, seconds);
            std::printf("%-12s %-10s %10.1f %10.1f %12.2f %9d\n", row.size, overUsb ? "libusb" : "in-process",
                        r.framesPerSecond, r.megabytesPerSecond, r.msPerFrame, r.failures);
        }
    }
    // USB 2.0 moves at most about 40 MB/s of bulk data: 9 ms for a 752 x 480
    // frame, 126 ms for a 2592 x 1944 one.
    std::printf("USB 2.0 bulk ceiling: about 40 MB/s\n");
    qcx::SimNodeProvider::Instance().SetUsbBus(nullptr);
    return 0;
}
