// Live preview of simulated cameras through the C interface: the MT9V032 at
// its full 752 x 480, colour (type 21) and grey (type 22), and in realtime
// timing also the MT9P001 (type 8), MT9T001 (type 3), 1280 x 1024 CMOS
// (type 0), MT9J001 (types 13 and 27) and the CCDs (types 19 and 48):
//  - realtime timing: the frame rate the preview measures itself
//    (QCX_PreviewGetFrameRate) and the rate at which the camera delivered
//    frames, beside the rate the sensor model computes for the window;
//  - fast timing (frames as fast as they can be made): frames per second the
//    preview loop hands to its callback, and the CPU time each frame costs,
//    without drawing and, when DISPLAY names an X server, drawn 1:1 into a
//    window of its own. The worker's CPU time is its own thread's, read in
//    the callback; it includes the simulator, which renders each frame on
//    the reading thread, but not the X server's share of the drawing.
// One line per measurement. preview_bench [seconds of each fast run]
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <tuple>

#include "qcxapi.h"
#include "qcxsim.h"

#if QCX_BENCH_WITH_X11
#include <X11/Xlib.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kWidth = 752, kHeight = 480;
// The preview measures its rate every 2 s; at 4.5 s the second period,
// free of the start, has been measured.
constexpr auto kRealtimeRun = 4500ms;
// Frames before the fast measurement starts: buffers, caches and the X
// connection are warm by then.
constexpr int kWarmUpFrames = 20;

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// What the callback saw, read by the main thread: the frame count and the
// preview thread's own CPU time at the latest frame, taken together.
struct FrameMeter {
    std::mutex lock;
    int frames = 0;
    double workerCpu = 0.0;
    std::atomic<int> count{0};

    struct Reading {
        int frames;
        double workerCpu;
        double processCpu;
        Clock::time_point when;
    };
    Reading Read() {
        std::lock_guard<std::mutex> hold(lock);
        return Reading{frames, workerCpu, CpuSeconds(RUSAGE_SELF), Clock::now()};
    }
};

int QCXAPI_CALL MeterFrame(QCX_BYTE*, int, int, int, void* context) {
    auto* meter = static_cast<FrameMeter*>(context);
    const double cpu = CpuSeconds(RUSAGE_THREAD);  // runs on the preview thread
    std::lock_guard<std::mutex> hold(meter->lock);
    ++meter->frames;
    meter->workerCpu = cpu;
    ++meter->count;
    return 0;
}

bool WaitForFrames(const FrameMeter& meter, int frames) {
    const auto end = Clock::now() + 10s;
    while (meter.count < frames) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

const char* Kind(int type) { return type == 21 ? "colour (type 21)" : "grey (type 22)  "; }

// One simulated camera of `type` with the given frame timing, its preview
// window set to `width` x `height` at the origin; closed again when this goes.
class SimCamera {
public:
    SimCamera(int type, const char* timing, int width = kWidth, int height = kHeight) {
        setenv("QCX_SIM", std::to_string(type).c_str(), 1);
        setenv("QCX_SIM_SCENE", "picture", 1);
        setenv("QCX_SIM_TIMING", timing, 1);
        if (QCX_Init() != QCX_STATUS_SUCCESS) return;
        for (int i = 0; i < QCX_DeviceGetCount() && index_ < 0; ++i) {
            int found = 0;
            if (QCX_DeviceGetInformation(i, &found, nullptr, nullptr) == QCX_STATUS_SUCCESS && found == type) index_ = i;
        }
        node_ = QCX_DeviceGetCount() - QCXSimGetCount();
        // The CCDs have their whole array as their only window.
        int w = 0, h = 0;
        if (index_ >= 0 && QCX_PreviewGetSize(index_, &w, &h) == QCX_STATUS_SUCCESS && (w != width || h != height) &&
            QCX_PreviewSetFieldOfView(index_, 0, 0, width, height, 0, 0) != QCX_STATUS_SUCCESS)
            index_ = -1;
        if (index_ >= 0 && (QCX_PreviewGetSize(index_, &w, &h) != QCX_STATUS_SUCCESS || w != width || h != height))
            index_ = -1;
        // The 1628 x 1236 CCD opens with an exposure of 52 s.
        if (index_ >= 0 && (type == 48 || type == 49)) QCX_ExposureTimeSet(index_, 100.0f);
    }
    ~SimCamera() { QCX_UnInit(); }
    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    int Index() const { return index_; }
    int Node() const { return node_; }
    unsigned Delivered() const {
        unsigned delivered = 0;
        QCXSimGetFrameCounts(node_, &delivered, nullptr);
        return delivered;
    }

private:
    int index_ = -1;
    int node_ = 0;
};

// The preview's own measurement (frames counted over its 2 s periods, so
// whole frames per period) and the rate the camera delivered, beside the rate
// the sensor model gives for the programmed window.
// Nothing is drawn, so that the X server's pauses do not cost frames.
void RealtimeFrameRate(int type, int width, int height, std::chrono::milliseconds run) {
    const char* display = std::getenv("DISPLAY");
    const std::string savedDisplay = display != nullptr ? display : "";
    unsetenv("DISPLAY");
    struct RestoreDisplay {
        const std::string& value;
        ~RestoreDisplay() {
            if (!value.empty()) setenv("DISPLAY", value.c_str(), 1);
        }
    } restore{savedDisplay};
    char what[64];
    std::snprintf(what, sizeof what, "type %2d  %4d x %4d", type, width, height);
    SimCamera camera(type, "realtime", width, height);
    if (camera.Index() < 0) {
        std::printf("realtime  %s  no simulated camera opens\n", what);
        return;
    }
    if (QCX_PreviewStart(camera.Index(), 1) != QCX_STATUS_SUCCESS) {
        std::printf("realtime  %s  the preview does not start\n", what);
        return;
    }
    // The first frames start the frame clock; count from the third. The
    // rate is taken between the arrivals of the first and the last frame
    // counted, seen by polling every millisecond.
    const auto settle = Clock::now() + 2s;
    while (camera.Delivered() < 3 && Clock::now() < settle) std::this_thread::sleep_for(1ms);
    const unsigned delivered0 = camera.Delivered();
    const auto t0 = Clock::now();
    unsigned last = delivered0;
    auto lastArrival = t0;
    while (Clock::now() - t0 < run) {
        std::this_thread::sleep_for(1ms);
        const unsigned now = camera.Delivered();
        if (now != last) {
            last = now;
            lastArrival = Clock::now();
        }
    }
    float rate = 0.0f;
    const int status = QCX_PreviewGetFrameRate(camera.Index(), &rate);
    const double seconds = std::chrono::duration<double>(lastArrival - t0).count();
    const double delivered = seconds > 0.0 ? (last - delivered0) / seconds : 0.0;
    double frameMs = 0.0;
    QCXSimGetFrameTime(camera.Node(), &frameMs);
    QCX_PreviewStart(camera.Index(), 0);
    const double model = frameMs > 0.0 ? 1000.0 / frameMs : 0.0;
    std::printf(
        "realtime  %s  sensor model %6.2f fps; QCX_PreviewGetFrameRate %6.2f fps (status %d); "
        "delivered %6.2f fps over %.1f s (%+.2f %%)\n",
        what, model, static_cast<double>(rate), status, delivered, seconds,
        model > 0.0 ? 100.0 * (delivered - model) / model : 0.0);
}

#if QCX_BENCH_WITH_X11
// A window of the preview's size on the X server of DISPLAY, or none.
class BenchWindow {
public:
    BenchWindow() {
        const char* name = std::getenv("DISPLAY");
        if (name == nullptr || name[0] == '\0') return;
        connection_ = XOpenDisplay(nullptr);
        if (connection_ == nullptr) return;
        const int screen = DefaultScreen(connection_);
        window_ = XCreateSimpleWindow(connection_, RootWindow(connection_, screen), 0, 0, kWidth, kHeight, 0, 0,
                                      BlackPixel(connection_, screen));
        XSelectInput(connection_, window_, StructureNotifyMask);
        XMapWindow(connection_, window_);
        XEvent event;
        do XWindowEvent(connection_, window_, StructureNotifyMask, &event);
        while (event.type != MapNotify);
        XSync(connection_, False);
    }
    ~BenchWindow() {
        if (connection_ != nullptr) XCloseDisplay(connection_);
    }
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    std::optional<QCX_WINDOW> Window() const {
        if (connection_ == nullptr) return std::nullopt;
        return static_cast<QCX_WINDOW>(window_);
    }

private:
    ::Display* connection_ = nullptr;
    ::Window window_ = 0;
};
#else
struct BenchWindow {
    std::optional<QCX_WINDOW> Window() const { return std::nullopt; }
};
#endif

// `window` empty: nothing is drawn (position 0 x 0); else drawn 1:1.
void FastThroughput(int type, std::optional<QCX_WINDOW> window, std::chrono::milliseconds run) {
    const char* drawing = window ? "drawn 1:1 into an X window" : "not drawn                 ";
    SimCamera camera(type, "fast");
    if (camera.Index() < 0) {
        std::printf("fast      %s  %s  no simulated camera opens\n", Kind(type), drawing);
        return;
    }
    FrameMeter meter;
    QCX_PreviewSetCallback(camera.Index(), MeterFrame, &meter);
    QCX_PreviewSetPos(camera.Index(), window.value_or(0), 0, 0, window ? kWidth : 0, window ? kHeight : 0);
    if (QCX_PreviewStart(camera.Index(), 1) != QCX_STATUS_SUCCESS || !WaitForFrames(meter, kWarmUpFrames)) {
        std::printf("fast      %s  %s  the preview delivers no frames\n", Kind(type), drawing);
        QCX_PreviewStart(camera.Index(), 0);
        return;
    }
    const FrameMeter::Reading before = meter.Read();
    std::this_thread::sleep_for(run);
    const FrameMeter::Reading after = meter.Read();
    QCX_PreviewStart(camera.Index(), 0);

    const int frames = after.frames - before.frames;
    const double seconds = std::chrono::duration<double>(after.when - before.when).count();
    if (frames <= 0) {
        std::printf("fast      %s  %s  no frames in %.1f s\n", Kind(type), drawing, seconds);
        return;
    }
    std::printf("fast      %s  %s  %7.1f frames/s  CPU per frame %.3f ms worker, %.3f ms process  (%d frames, %.1f s)\n",
                Kind(type), drawing, frames / seconds, 1e3 * (after.workerCpu - before.workerCpu) / frames,
                1e3 * (after.processCpu - before.processCpu) / frames, frames, seconds);
}

}  // namespace

int main(int argc, char** argv) {
    const double fastSeconds = argc > 1 ? std::atof(argv[1]) : 3.0;
    if (fastSeconds <= 0.0) {
        std::fprintf(stderr, "usage: preview_bench [seconds of each fast run, default 3]\n");
        return 2;
    }
    const auto run = std::chrono::milliseconds(static_cast<long>(fastSeconds * 1000.0));
    std::printf("preview_bench: simulated MT9V032, %d x %d, picture scene\n", kWidth, kHeight);
    std::fflush(stdout);

    for (int type : {21, 22}) {
        RealtimeFrameRate(type, kWidth, kHeight, kRealtimeRun);
        std::fflush(stdout);
    }
    // The megapixel cameras at their full arrays and at a VGA window; long
    // runs, as the full arrays give a few frames a second.
    for (const auto& [type, width, height] :
         {std::tuple{8, 2592, 1944}, {8, 640, 480}, {3, 2048, 1536}, {3, 640, 480}, {0, 1280, 1024}, {0, 640, 480},
          {13, 3488, 2616}, {27, 4608, 3288}, {27, 640, 480}, {19, 1360, 1024}, {48, 1628, 1236}}) {
        RealtimeFrameRate(type, width, height, 10s);
        std::fflush(stdout);
    }
    const BenchWindow window;
    for (int type : {21, 22}) {
        FastThroughput(type, std::nullopt, run);
        std::fflush(stdout);
        if (window.Window()) {
            FastThroughput(type, window.Window(), run);
        } else {
            std::printf("fast      %s  drawn 1:1 into an X window  skipped: no X server on DISPLAY\n", Kind(type));
        }
        std::fflush(stdout);
    }
    return 0;
}
