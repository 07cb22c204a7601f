// Soak: a simulated MT9V032 (A) and MT9P001 (B) under steady load from three threads
// for a given number of minutes, with unplugs and frame faults, through the
// shipped library only. Each minute it samples the process's resident
// memory, open file descriptors and threads; it fails when they are not flat
// from minute 2 to the end, or when a minute passes without a frame.
//
//   qcx_soak [minutes]      (default 10)
//
// Camera A previews with automatic exposure and white balance and records
// (thread 1, restarted every 30 s) while thread 2 takes raw and colour still
// captures from it. Thread 3 sends parameters, register traffic and now and
// then a window change to A, and window changes in every address mode with
// binning switched, each followed by a capture from the same thread, to B.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "qcxapi.h"
#include "qcxsim.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kCameraA = 0;  // device indexes
constexpr int kCameraB = 1;
constexpr int kFrameBytes = 752 * 480 * 4;  // the largest image of an MT9V032

std::atomic<bool> g_stop{false};
std::atomic<unsigned long> g_previewFrames{0};
std::atomic<unsigned long> g_captures{0};
std::atomic<unsigned long> g_recordings{0};

// Statuses other than 1, by thread and status.
std::mutex g_errorsLock;
std::map<std::string, std::map<int, unsigned long>> g_errors;

const Clock::time_point g_start = Clock::now();
const bool g_trace = std::getenv("QCX_SOAK_TRACE") != nullptr;  // print every status other than 1

int Note(const char* thread, const char* call, int status) {
    if (status != QCX_STATUS_SUCCESS) {
        std::lock_guard<std::mutex> lock(g_errorsLock);
        ++g_errors[thread][status];
        if (g_trace)
            std::printf("%9.3f s %-15s %4d %s\n", std::chrono::duration<double>(Clock::now() - g_start).count(), thread,
                        status, call);
    }
    return status;
}
#define NOTE(thread, ...) Note(thread, #__VA_ARGS__, __VA_ARGS__)

// Sleeps in short steps so that a stop is seen quickly.
void Pause(std::chrono::milliseconds time) {
    const auto end = Clock::now() + time;
    while (!g_stop && Clock::now() < end)
        std::this_thread::sleep_for(std::min<Clock::duration>(20ms, end - Clock::now()));
}

int QCXAPI_CALL OnPreviewFrame(QCX_BYTE*, int, int, int, void*) {
    ++g_previewFrames;
    return 0;
}

// Thread 1: preview of A with both loops and a recording, restarted.
void PreviewAndRecord(const std::string& folder) {
    const char* t = "preview+record";
    NOTE(t, QCX_PreviewSetCallback(kCameraA, OnPreviewFrame, nullptr));
    for (unsigned cycle = 0; !g_stop; ++cycle) {
        const std::string file = folder + "/soak" + std::to_string(cycle % 2) + ".avi";
        NOTE(t, QCX_PreviewStart(kCameraA, 1));
        NOTE(t, QCX_AEStart(kCameraA, 1, 200, 110));
        NOTE(t, QCX_AWBStart(kCameraA, 1, 200, 120, 120, 120));
        if (NOTE(t, QCX_RecordStartEx(kCameraA, 1, 25.0f, file.c_str(), 0)) == QCX_STATUS_SUCCESS) ++g_recordings;
        for (int slice = 0; slice < 6 && !g_stop; ++slice) {
            Pause(5s);
            NOTE(t, QCX_AEStart(kCameraA, 1, 200, slice % 2 ? 90 : 140));
        }
        NOTE(t, QCX_RecordStart(kCameraA, 0, 0.0f, nullptr));
        NOTE(t, QCX_PreviewStart(kCameraA, 0));
        std::error_code ignored;
        std::filesystem::remove(file, ignored);
    }
}

// Thread 2: still captures from A, raw and colour by turns.
void StillCaptures() {
    const char* t = "captures";
    std::vector<QCX_BYTE> image(kFrameBytes);
    for (unsigned n = 0; !g_stop; ++n) {
        int status;
        switch (n % 3) {
            case 0: status = NOTE(t, QCX_CaptureRawData(kCameraA, image.data())); break;
            case 1: status = NOTE(t, QCX_CaptureRgbData(kCameraA, image.data())); break;
            default: status = NOTE(t, QCX_CaptureRgbDataAfterEmptyFrameBuffer(kCameraA, image.data())); break;
        }
        if (status == QCX_STATUS_SUCCESS) ++g_captures;
        Pause(150ms);
    }
}

// Thread 3: parameters, registers and now and then a window on A; windows,
// each checked by a capture, on B.
void Traffic() {
    const char* t = "traffic";
    std::mt19937 random(7);
    std::vector<QCX_BYTE> image(kFrameBytes);
    auto pick = [&random](int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); };
    for (unsigned n = 0; !g_stop; ++n) {
        int value = 0;
        QCX_BYTE byte = 0;
        QCX_WORD word = 0;
        NOTE(t, QCX_SetParam(kCameraA, QCX_GREEN, pick(0, 63)));
        NOTE(t, QCX_GetParam(kCameraA, QCX_EXPOSURE, &value));
        NOTE(t, QCX_GammaSetValue(kCameraA, pick(-9, 9)));
        NOTE(t, QCX_SetParam(kCameraA, QCX_SATURATION, pick(-128, 128)));
        NOTE(t, QCX_SetParam(kCameraA, QCX_HORIZONTALBLANK, pick(61, 200)));
        NOTE(t, QCX_RdSensorReg(kCameraA, 0x0B, &word));
        NOTE(t, QCX_AECGetCur(kCameraA, &word));
        NOTE(t, QCX_WrEEPROM(kCameraA, static_cast<QCX_WORD>(0x100 + n % 64), static_cast<QCX_BYTE>(n)));
        NOTE(t, QCX_RdEEPROM(kCameraA, static_cast<QCX_WORD>(0x100 + n % 64), &byte));
        NOTE(t, QCX_RdFx2Reg(kCameraA, 0xE600, &byte));
        if (n % 25 == 0) {
            NOTE(t, QCX_PreviewSetFieldOfView(kCameraA, pick(0, 200), pick(0, 100), pick(320, 752), pick(240, 480), 0, 0));
            NOTE(t, QCX_CaptureSetFieldOfView(kCameraA, pick(0, 100), pick(0, 60), pick(400, 752), pick(300, 480), 0, 0));
        }

        const int mode = pick(0, 4);
        NOTE(t, QCX_CaptureSetFieldOfView(kCameraB, pick(-8, 700), pick(-8, 400), pick(32, 752), pick(16, 480), mode,
                                          pick(0, 1)));
        NOTE(t, QCX_PreviewSetFieldOfView(kCameraB, pick(0, 400), pick(0, 200), pick(64, 400), pick(48, 280), 0, 0));
        NOTE(t, QCX_SetParam(kCameraB, QCX_CAPTURE_ROWSTART, pick(0, 100)));
        NOTE(t, QCX_SetParam(kCameraB, QCX_EXPOSURE, pick(1, 30)));
        NOTE(t, QCX_SetParam(kCameraB, QCX_FLIP, pick(0, 1)));
        NOTE(t, QCX_SetParam(kCameraB, QCX_BIN, pick(0, 1)));
        NOTE(t, QCX_WrSensorReg(kCameraB, 0x35, static_cast<QCX_WORD>(pick(16, 64))));
        int width = 0, height = 0;
        if (NOTE(t, QCX_CaptureGetSize(kCameraB, &width, &height)) == QCX_STATUS_SUCCESS &&
            width * height <= kFrameBytes && NOTE(t, QCX_CaptureRawData(kCameraB, image.data())) == QCX_STATUS_SUCCESS)
            ++g_captures;
        Pause(40ms);
    }
}

// Fault injection, at sim node numbers; unplugging a camera moves the ones
// after it down, so every fault is aimed while all are plugged in.
void Faults(int firstNode, const std::atomic<bool>& stop) {
    for (unsigned n = 1; !stop; ++n) {
        Pause(5s);
        if (stop) break;
        const int node = firstNode + static_cast<int>(n / 6 % 2);  // each fault on A, then on B
        switch (n % 6) {
            case 0: QCXSimDropFrames(node, 2); break;
            case 1: QCXSimShortFrames(node, 1, 0); break;
            case 2: QCXSimEmptyFrames(node, 1); break;
            case 3: QCXSimFailRequests(node, 2, QCXSIM_FAIL_STATUS); break;
            case 4: QCXSimFailRequests(node, 1, QCXSIM_FAIL_REFUSE); break;
            case 5:  // every 30 s, A and B by turns
                QCXSimUnplug(node);
                Pause(1s);
                QCXSimReplugAll();
                break;
        }
    }
    QCXSimReplugAll();
}

struct Sample {
    long rssKiB = 0;
    int fds = 0;
    int threads = 0;
    unsigned long frames = 0;
};

int CountEntries(const char* folder) {
    int count = 0;
    if (DIR* dir = opendir(folder)) {
        while (const dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') ++count;
        closedir(dir);
    }
    return count;
}

Sample Take() {
    Sample s;
    if (FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, status))
            if (std::sscanf(line, "VmRSS: %ld kB", &s.rssKiB) == 1) break;
        std::fclose(status);
    }
    s.fds = CountEntries("/proc/self/fd") - 1;  // less the one this count opens
    s.threads = CountEntries("/proc/self/task");
    s.frames = g_previewFrames + g_captures;
    return s;
}

}  // namespace

int main(int argc, char** argv) {
    const int minutes = argc > 1 ? std::atoi(argv[1]) : 10;
    if (minutes < 3) {
        std::fprintf(stderr, "usage: qcx_soak [minutes, at least 3]\n");
        return 2;
    }
    std::string pattern = (std::filesystem::temp_directory_path() / "qcx-soak-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) return 2;
    const std::string folder = pattern;
    setenv("QCX_LOCK_DIR", folder.c_str(), 1);
    setenv("QCX_REGISTRY_ROOT", (folder + "/registry").c_str(), 1);
    setenv("QCX_SIM", "21,8", 1);  // A an MT9V032, B an MT9P001
    setenv("QCX_SIM_TIMING", "realtime", 1);
    setenv("QCX_SIM_SCENE", "picture", 1);
    unsetenv("DISPLAY");

    if (QCX_Init() != QCX_STATUS_SUCCESS) return 2;
    const int firstNode = QCX_DeviceGetCount() - QCXSimGetCount();
    for (int camera : {kCameraA, kCameraB}) {
        if (QCX_DeviceGetInformation(camera, nullptr, nullptr, nullptr) != QCX_STATUS_SUCCESS) {
            std::fprintf(stderr, "camera %d does not open\n", camera);
            return 2;
        }
        QCX_CaptureSetTimeOut(camera, 1000);  // a dropped frame costs a second, not eight
    }

    std::vector<Sample> samples{Take()};
    std::atomic<bool> faultsStop{false};
    std::thread faults(Faults, firstNode, std::cref(faultsStop));
    std::vector<std::thread> workers;
    workers.emplace_back(PreviewAndRecord, folder);
    workers.emplace_back(StillCaptures);
    workers.emplace_back(Traffic);
    for (int minute = 1; minute <= minutes; ++minute) {
        std::this_thread::sleep_until(Clock::now() + 60s);
        samples.push_back(Take());
        const Sample& s = samples.back();
        std::printf("minute %2d: frames %8lu  RSS %7ld KiB  fds %3d  threads %3d\n", minute, s.frames, s.rssKiB, s.fds,
                    s.threads);
        std::fflush(stdout);
    }
    faultsStop = true;
    faults.join();
    g_stop = true;
    for (std::thread& worker : workers) worker.join();
    QCX_UnInit();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);

    std::printf("\npreview frames %lu, still captures %lu, recordings %lu\n", g_previewFrames.load(), g_captures.load(),
                g_recordings.load());
    std::printf("statuses other than 1:\n");
    for (const auto& [thread, counts] : g_errors)
        for (const auto& [status, count] : counts) {
            char text[QCX_ERROR_TEXT_SIZE] = "";
            QCX_GetErrorInfo(status, text);
            std::printf("  %-15s %4d %-44s %8lu\n", thread.c_str(), status, text, count);
        }

    // Flat from minute 2 on: no later sample above the minute-2 sample by
    // more than a tolerance (RSS: 16 MiB or 10 %, whichever is more; descriptors
    // and threads: 4, which covers a preview thread, its timer and an open
    // recording between two samples). And every minute delivered frames.
    bool ok = true;
    const Sample& base = samples[2];
    const long rssTolerance = std::max(16L * 1024, base.rssKiB / 10);
    for (std::size_t m = 2; m < samples.size(); ++m) {
        const Sample& s = samples[m];
        if (s.rssKiB - base.rssKiB > rssTolerance || s.fds - base.fds > 4 || s.threads - base.threads > 4) {
            std::printf("minute %zu is not flat against minute 2\n", m);
            ok = false;
        }
    }
    for (std::size_t m = 1; m < samples.size(); ++m) {
        if (samples[m].frames == samples[m - 1].frames) {
            std::printf("minute %zu delivered no frame\n", m);
            ok = false;
        }
    }
    std::printf("minute 2: RSS %ld KiB, fds %d, threads %d; minute %d: RSS %ld KiB, fds %d, threads %d: %s\n",
                base.rssKiB, base.fds, base.threads, minutes, samples.back().rssKiB, samples.back().fds,
                samples.back().threads, ok ? "flat" : "NOT FLAT");
    return ok ? 0 : 1;
}
