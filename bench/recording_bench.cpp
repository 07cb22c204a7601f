// Sustained recording rate of AVI files, frames per second:
//  - the file layer alone (camera/platform/video_file.h), fed as fast as it
//    takes them with 24-bit frames of 752 x 480 and 2592 x 1944 pixels, for
//    Motion JPEG (quality 7500) and uncompressed frames;
//  - end to end through the C interface: a simulated MT9V032 previewing in
//    fast timing (752 x 480, colour) while it records, frames in the file per
//    second of recording, beside the preview's rate without a recording.
// Files go to the folder of argv[1] (default /tmp) and are removed after.
// recording_bench [folder] [seconds per run]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "camera/platform/video_file.h"
#include "qcxapi.h"
#include "qcxsim.h"

namespace {

using Clock = std::chrono::steady_clock;

// A photo-like bottom-up BGR frame: smooth gradients, a few edges and some
// noise, shifted by `phase` so consecutive frames differ.
std::vector<std::uint8_t> MakeFrame(int width, int height, int phase) {
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(width) * height * 3);
    std::uint32_t noise = 12345u + static_cast<std::uint32_t>(phase);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            noise = noise * 1664525u + 1013904223u;
            const int n = static_cast<int>(noise >> 28) - 8;
            const int u = (x + phase * 7) % width;
            const int block = ((u / 64) + (y / 64)) % 2 ? 40 : 0;
            std::uint8_t* p = &frame[(static_cast<std::size_t>(y) * width + x) * 3];
            p[0] = static_cast<std::uint8_t>(std::clamp(u * 255 / width + n, 0, 255));
            p[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / height + block + n, 0, 255));
            p[2] = static_cast<std::uint8_t>(std::clamp(128 + static_cast<int>(100 * std::sin(u * 0.02 + y * 0.01)) + n, 0, 255));
        }
    }
    return frame;
}

std::vector<std::uint8_t> BitmapInfo(int width, int height) {
    std::vector<std::uint8_t> header(40, 0);
    const auto put32 = [&](int offset, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) header[offset + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put32(0, 40);
    put32(4, static_cast<std::uint32_t>(width));
    put32(8, static_cast<std::uint32_t>(height));
    header[12] = 1;
    header[14] = 24;
    put32(20, static_cast<std::uint32_t>(width) * height * 3);
    return header;
}

void FileLayer(const std::string& folder, int width, int height, std::uint32_t handler, const char* name,
               double seconds) {
    const std::string path = folder + "/recording_bench.avi";
    std::unique_ptr<qcx::VideoFile> file = qcx::OpenVideoFile(path);
    qcx::VideoStreamInfo info;
    info.rate = 2500;
    info.suggestedBufferSize = static_cast<std::uint32_t>(width) * height * 3;
    info.width = width;
    info.height = height;
    qcx::VideoCompressOptions options;
    options.fccType = qcx::kStreamTypeVideo;
    options.fccHandler = handler;
    options.dwQuality = 7500;
    const std::vector<std::uint8_t> header = BitmapInfo(width, height);
    if (!file || !file->CreateStream(info) || !file->MakeCompressedStream(options) ||
        !file->SetFormat(header.data(), header.size())) {
        std::printf("file layer %4d x %4d %-5s: cannot open a recording in %s\n", width, height, name, folder.c_str());
        return;
    }
    const std::vector<std::uint8_t> frames[2] = {MakeFrame(width, height, 0), MakeFrame(width, height, 1)};
    std::uint32_t written = 0, dropped = 0;
    const auto start = Clock::now();
    double elapsed = 0.0;
    while (elapsed < seconds) {
        const auto& frame = frames[(written + dropped) % 2];
        if (file->Write(written, frame.data(), frame.size())) ++written; else ++dropped;
        elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    }
    file.reset();  // the index and the header are finished inside the timing of nothing
    std::printf("file layer %4d x %4d %-5s: %7.1f frames/s (%u frames, %u dropped, %.1f ms per frame)\n", width,
                height, name, written / elapsed, written, dropped, 1000.0 * elapsed / std::max(1u, written));
    std::remove(path.c_str());
}

int QCXAPI_CALL CountFrame(QCX_BYTE*, int, int, int, void* context) {
    static_cast<std::atomic<int>*>(context)->fetch_add(1);
    return 0;
}

// Frames per second the preview delivers over `seconds`, recording or not.
double PreviewRate(int camera, double seconds, const char* file) {
    std::atomic<int> frames{0};
    QCX_PreviewSetCallback(camera, CountFrame, &frames);
    if (file != nullptr && QCX_RecordStart(camera, 1, 25.0f, file) != 1) {
        std::printf("end to end: the recording does not start\n");
        QCX_PreviewSetCallback(camera, nullptr, nullptr);
        return 0.0;
    }
    const int before = frames.load();
    const auto start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const int counted = frames.load() - before;
    const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
    if (file != nullptr) QCX_RecordStart(camera, 0, 0.0f, nullptr);
    QCX_PreviewSetCallback(camera, nullptr, nullptr);
    return counted / elapsed;
}

void EndToEnd(const std::string& folder, const char* codec, double seconds) {
    setenv("QCX_AVI_CODEC", codec, 1);
    const std::string path = folder + "/recording_bench_e2e.avi";
    const int camera = 0;
    QCX_PreviewStart(camera, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const double plain = PreviewRate(camera, seconds, nullptr);
    const double recording = PreviewRate(camera, seconds, path.c_str());
    QCX_PreviewStart(camera, 0);
    std::printf("end to end  752 x  480 %-5s: %7.1f frames/s recorded, preview alone %7.1f frames/s\n", codec,
                recording, plain);
    std::remove(path.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const double seconds = argc > 2 ? std::atof(argv[2]) : 5.0;
    for (const auto& [w, h] : {std::pair{752, 480}, std::pair{2592, 1944}}) {
        FileLayer(folder, w, h, qcx::kHandlerMotionJpeg, "MJPG", seconds);
        FileLayer(folder, w, h, qcx::kHandlerUncompressed, "DIB", seconds);
    }

    setenv("QCX_SIM", "21", 1);
    setenv("QCX_SIM_TIMING", "fast", 1);
    setenv("QCX_SIM_SCENE", "picture", 1);
    unsetenv("DISPLAY");
    const std::string registry = folder + "/recording_bench_registry";
    setenv("QCX_REGISTRY_ROOT", registry.c_str(), 1);
    if (QCX_Init() != 1 || QCX_DeviceGetCount() < 1) {
        std::printf("end to end: no simulated camera\n");
        return 1;
    }
    EndToEnd(folder, "MJPG", seconds);
    EndToEnd(folder, "DIB", seconds);
    QCX_UnInit();
    std::system(("rm -rf '" + registry + "'").c_str());
    return 0;
}
