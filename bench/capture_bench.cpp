// Time of one colour capture of a simulated camera in fast frame timing, whole
// and split into its parts: the frame read, the raw corrections and the
// conversion into a colour image. The argument of each benchmark is the
// device type: 21, an MT9V032 at 752 x 480; 8, an MT9P001 at 2592 x 1944;
// 0, a 1280 x 1024 CMOS; and 27, an MT9J001 at 4608 x 3288.
// capture_bench [Google Benchmark options]
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "camera/api/library.h"
#include "camera/imaging/bayer_filter.h"
#include "camera/imaging/colour_correction.h"
#include "camera/imaging/saturation.h"
#include "camera/imaging/tone_tables.h"
#include "qcxapi.h"

namespace {

using qcx::CDevice;

// The simulated camera, opened once for all benchmarks.
struct Camera {
    int index = -1;
    CDevice* device = nullptr;
    int width = 0;
    int height = 0;
    int bitCount = 0;
};

Camera OpenCamera(int wanted) {
    Camera c;
    static const int initialized = QCX_Init();
    if (initialized != QCX_STATUS_SUCCESS) return c;
    for (int i = 0; i < QCX_DeviceGetCount(); ++i) {
        int type = 0;
        if (QCX_DeviceGetInformation(i, &type, nullptr, nullptr) == QCX_STATUS_SUCCESS && type == wanted) {
            c.index = i;
            break;
        }
    }
    if (c.index < 0) return c;
    c.device = qcx::Library().manager->GetDevice(c.index);
    QCX_CaptureGetSizeEx(c.index, &c.width, &c.height, &c.bitCount);
    return c;
}

void SetPixels(benchmark::State& state, const Camera& camera) {
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(camera.width) * camera.height / 1e6,
                                                benchmark::Counter::kIsIterationInvariantRate);
}

void WholeColourCapture(benchmark::State& state) {
    const Camera camera = OpenCamera(static_cast<int>(state.range(0)));
    if (camera.device == nullptr) return state.SkipWithError("no simulated camera of that type opens");
    std::vector<unsigned char> image(static_cast<std::size_t>(camera.width) * camera.height * camera.bitCount / 8);
    for (auto _ : state) {
        if (QCX_CaptureRgbData(camera.index, image.data()) != QCX_STATUS_SUCCESS)
            return state.SkipWithError("capture failed");
    }
    SetPixels(state, camera);
}

// The read alone: the simulator renders the frame and the channel delivers it.
void FrameRead(benchmark::State& state) {
    const Camera camera = OpenCamera(static_cast<int>(state.range(0)));
    if (camera.device == nullptr) return state.SkipWithError("no simulated camera of that type opens");
    const std::uint32_t bytes = static_cast<std::uint32_t>(camera.width * camera.height);
    std::vector<unsigned char> raw(bytes);
    for (auto _ : state) {
        const qcx::FrameReadResult read = camera.device->Channel().ReadFrame(raw.data(), bytes, 8000);
        if (read.bytesRead != bytes) return state.SkipWithError("read failed");
    }
    SetPixels(state, camera);
}

// The raw corrections a read applies with the camera's settings.
void RawCorrections(benchmark::State& state) {
    const Camera camera = OpenCamera(static_cast<int>(state.range(0)));
    if (camera.device == nullptr) return state.SkipWithError("no simulated camera of that type opens");
    std::vector<unsigned char> raw(static_cast<std::size_t>(camera.width) * camera.height);
    camera.device->Channel().ReadFrame(raw.data(), static_cast<std::uint32_t>(raw.size()), 8000);
    for (auto _ : state) {
        qcx::PatchRawEdges(raw.data(), camera.width, camera.height);
        qcx::RunGammaContrastBrightness(raw.data(), camera.width * camera.height, 1, camera.device->Pipeline());
        benchmark::DoNotOptimize(raw.data());
    }
    SetPixels(state, camera);
}

// Demosaic, saturation and colour correction with the camera's settings.
void Conversion(benchmark::State& state) {
    const Camera camera = OpenCamera(static_cast<int>(state.range(0)));
    if (camera.device == nullptr) return state.SkipWithError("no simulated camera of that type opens");
    std::vector<unsigned char> raw(static_cast<std::size_t>(camera.width) * camera.height);
    std::vector<unsigned char> image(raw.size() * camera.bitCount / 8);
    camera.device->Channel().ReadFrame(raw.data(), static_cast<std::uint32_t>(raw.size()), 8000);
    const qcx::CQCXBayerFilter filter;
    CDevice& device = *camera.device;
    for (auto _ : state) {
        filter.ConvertRawToImage(raw.data(), camera.width, camera.height, image.data(), false, device.BayerMode(),
                                 device.FilterMode());
        qcx::AdjustSaturation(image.data(), camera.width, camera.height, camera.bitCount, device.Pipeline());
        qcx::ApplyColorCorrection(device.Colour(), image.data(), camera.width, camera.height, camera.bitCount);
        benchmark::DoNotOptimize(image.data());
    }
    SetPixels(state, camera);
}

BENCHMARK(WholeColourCapture)->Arg(21)->Arg(0)->Arg(8)->Arg(27)->Unit(benchmark::kMicrosecond);
BENCHMARK(FrameRead)->Arg(21)->Arg(0)->Arg(8)->Arg(27)->Unit(benchmark::kMicrosecond);
BENCHMARK(RawCorrections)->Arg(21)->Arg(0)->Arg(8)->Arg(27)->Unit(benchmark::kMicrosecond);
BENCHMARK(Conversion)->Arg(21)->Arg(0)->Arg(8)->Arg(27)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    // A simulated colour MT9V032 and MT9P001 with frames as fast as they can
    // be made.
    setenv("QCX_SIM", "21,0,8,27", 1);
    setenv("QCX_SIM_TIMING", "fast", 1);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    QCX_UnInit();
    return 0;
}
