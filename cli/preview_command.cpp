// qcx preview: the live preview for a while, optionally in a window, with the
// automatic loops and recording.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <mutex>
#include <string>

#include "cli/camera_settings.h"
#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/image_files.h"
#include "cli/preview_window.h"
#include "cli/progress_line.h"
#include "qcxapi.h"

namespace qcxcli {

namespace {

struct PreviewOptions {
    std::string device = "0";
    CameraSettings settings;
    double seconds = 5;
    bool window = false;
    int aeTarget = -1;
    bool awb = false;
    std::string awbTarget = "128,128,128";
    bool af = false;
    int loopFrames = 100;
    std::string record;
    double fps = 15;
    std::string codec = "MJPG";
    std::string output;
};

// What the preview thread reports through the callbacks; read by the main
// thread at the end and for the progress line.
struct PreviewReport {
    std::atomic<long long> frames{0};
    std::mutex lock;  // guards the fields below
    bool aeDone = false, aeSuccess = false;
    int aeExposureMs = 0;
    bool awbDone = false, awbSuccess = false;
    int awbGains[3] = {};
    long long focusCount = 0;
    int focusLast = 0, focusBest = 0;
};

int QCXAPI_CALL CountFrame(QCX_BYTE*, int, int, int, void* context) {
    static_cast<PreviewReport*>(context)->frames.fetch_add(1);
    return 0;
}

int QCXAPI_CALL OnExposureDone(QCX_BOOL8 success, int exposureMs, void* context) {
    auto* report = static_cast<PreviewReport*>(context);
    std::lock_guard<std::mutex> hold(report->lock);
    report->aeDone = true;
    report->aeSuccess = success != 0;
    report->aeExposureMs = exposureMs;
    return 0;
}

int QCXAPI_CALL OnWhiteBalanceDone(QCX_BOOL8 success, int red, int green, int blue, void* context) {
    auto* report = static_cast<PreviewReport*>(context);
    std::lock_guard<std::mutex> hold(report->lock);
    report->awbDone = true;
    report->awbSuccess = success != 0;
    report->awbGains[0] = red;
    report->awbGains[1] = green;
    report->awbGains[2] = blue;
    return 0;
}

int QCXAPI_CALL OnFocus(int focusValue, void* context) {
    auto* report = static_cast<PreviewReport*>(context);
    std::lock_guard<std::mutex> hold(report->lock);
    ++report->focusCount;
    report->focusLast = focusValue;
    report->focusBest = std::max(report->focusBest, focusValue);
    return 0;
}

const char* const kCodecs[] = {"MJPG", "DIB", "FFV1", "H264"};

std::string UpperCodec(const std::string& text) {
    std::string upper;
    for (const char c : text) upper += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return upper;
}

void Validate(const PreviewOptions& options) {
    ValidateCameraSettings(options.settings);
    if (options.seconds < 0) throw UsageError("--seconds takes 0 (until Ctrl-C) or more");
    if (!options.record.empty()) {
        const std::size_t dot = options.record.find_last_of('.');
        if (dot == std::string::npos || UpperCodec(options.record.substr(dot)) != ".AVI")
            throw UsageError("--record writes an AVI file: name it .avi");
        if (!(options.fps > 0.01)) throw UsageError("--fps takes a rate above 0.01 frames per second");
        if (std::find(std::begin(kCodecs), std::end(kCodecs), UpperCodec(options.codec)) == std::end(kCodecs))
            throw UsageError("--codec is MJPG, DIB, FFV1 or H264");
    }
    if (options.seconds == 0 && !options.output.empty())
        throw UsageError("-o keeps the last frame of a timed preview; give --seconds");
    if (!options.output.empty()) KindOfFile(options.output);
    const std::vector<long long> targets = ParseIntegerList(options.awbTarget, "--awb-target");
    if (targets.size() != 3) throw UsageError("--awb-target takes RED,GREEN,BLUE levels");
    for (long long level : targets)
        if (level < 0 || level > 255) throw UsageError("--awb-target levels are 0 ... 255");
}

// The client size for a preview of this size: the frame itself, shrunk by
// halves until it fits a common screen.
void WindowSize(int width, int height, int* windowWidth, int* windowHeight) {
    *windowWidth = width;
    *windowHeight = height;
    while (*windowWidth > 1280 || *windowHeight > 960) {
        *windowWidth /= 2;
        *windowHeight /= 2;
    }
}

void SaveLastFrame(int index, const std::string& path) {
    Check(QCX_PreviewPause(index, 1), "QCX_PreviewPause");
    int width = 0, height = 0, bitCount = 0;
    Check(QCX_PreviewGetSizeEx(index, &width, &height, &bitCount), "QCX_PreviewGetSizeEx");
    Image image;
    image.pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4);
    Check(QCX_PreviewGetPausedDataEx(index, image.pixels.data(), &image.width, &image.height, &image.bitCount),
          "QCX_PreviewGetPausedDataEx");
    int bayerMode = 0, outputMode = 1;
    Check(QCX_BayerGetMode(index, &bayerMode), "QCX_BayerGetMode");
    Check(QCX_PreviewGetMode(index, &outputMode), "QCX_PreviewGetMode");
    // The preview hands on 8-bit images; the grey output mode keeps the
    // raw frame's top-down rows.
    image.bottomUp = outputMode != 0 && RowsBottomUp(bayerMode, false);
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * image.PixelBytes());
    SaveImage(path, image, 90);
    std::printf("wrote %s: %d x %d, %d-bit image\n", path.c_str(), image.width, image.height, image.bitCount);
}

void RunPreview(const PreviewOptions& options) {
    Validate(options);
    LibrarySession session;
    const int index = session.Open(options.device);
    ApplyCameraSettings(index, options.settings, Window::Preview);
    if (options.af) Check(QCX_PreviewSetMode(index, 0), "QCX_PreviewSetMode");  // focus is measured on grey frames

    int width = 0, height = 0, bitCount = 0;
    Check(QCX_PreviewGetSizeEx(index, &width, &height, &bitCount), "QCX_PreviewGetSizeEx");
    std::unique_ptr<PreviewWindow> window;
    int windowWidth = 0, windowHeight = 0;
    if (options.window) {
        WindowSize(width, height, &windowWidth, &windowHeight);
        std::string error;
        window = OpenPreviewWindow(windowWidth, windowHeight, "qcx preview " + options.device, &error);
        if (!window) throw ApiError("--window: " + error, QCX_STATUS_FAIL);
        Check(QCX_PreviewSetPos(index, window->handle(), 0, 0, windowWidth, windowHeight), "QCX_PreviewSetPos");
    } else {
        Check(QCX_PreviewSetPos(index, 0, 0, 0, 0, 0), "QCX_PreviewSetPos");  // callbacks and recording only
    }

    PreviewReport report;
    Check(QCX_PreviewSetCallback(index, CountFrame, &report), "QCX_PreviewSetCallback");
    Check(QCX_PreviewStart(index, 1), "QCX_PreviewStart");
    if (!verbosity.quiet)
        std::printf("preview %d x %d, %d-bit images%s\n", width, height, bitCount, window ? ", in a window" : "");
    if (options.aeTarget >= 0) {
        Check(QCX_AESetCallback(index, OnExposureDone, &report), "QCX_AESetCallback");
        Check(QCX_AEStart(index, 1, options.loopFrames, options.aeTarget), "QCX_AEStart");
    }
    if (options.awb) {
        const std::vector<long long> t = ParseIntegerList(options.awbTarget, "--awb-target");
        Check(QCX_AWBSetCallback(index, OnWhiteBalanceDone, &report), "QCX_AWBSetCallback");
        Check(QCX_AWBStart(index, 1, options.loopFrames, static_cast<int>(t[0]), static_cast<int>(t[1]),
                           static_cast<int>(t[2])),
              "QCX_AWBStart");
    }
    if (options.af) {
        Check(QCX_AFSetCallback(index, OnFocus, &report), "QCX_AFSetCallback");
        Check(QCX_AFStart(index, 1), "QCX_AFStart");
    }
    if (!options.record.empty()) {
        // The compressor is chosen here rather than in the system's dialog.
        SetEnvironment("QCX_AVI_CODEC", UpperCodec(options.codec));
        Check(QCX_RecordStart(index, 1, static_cast<float>(options.fps), options.record.c_str()), "QCX_RecordStart");
    }

    ProgressLine progress("frames");
    const double start = NowSeconds();
    const long long firstFrames = report.frames.load();
    bool windowOpen = true;
    while (!Interrupted() && windowOpen && (options.seconds == 0 || NowSeconds() - start < options.seconds)) {
        SleepMilliseconds(50);
        if (window) {
            int w = 0, h = 0;
            windowOpen = window->Poll(&w, &h);
            if (w != windowWidth || h != windowHeight) {
                windowWidth = w;
                windowHeight = h;
                Check(QCX_PreviewSetPos(index, window->handle(), 0, 0, w, h), "QCX_PreviewSetPos");
            }
        }
        float rate = 0;
        const bool measured = QCX_PreviewGetFrameRate(index, &rate) == QCX_STATUS_SUCCESS && rate > 0;
        progress.Update(report.frames.load() - firstFrames, measured ? rate : -1.0,
                        options.record.empty() ? "" : "recording");
    }
    progress.Finish();
    const double elapsed = NowSeconds() - start;
    const long long frames = report.frames.load() - firstFrames;

    if (!options.output.empty()) SaveLastFrame(index, options.output);
    if (!options.record.empty()) Check(QCX_RecordStart(index, 0, 0, nullptr), "QCX_RecordStart");
    Check(QCX_PreviewStart(index, 0), "QCX_PreviewStart");

    std::printf("%lld frames in %.1f s (%.1f per second)\n", frames, elapsed, elapsed > 0 ? frames / elapsed : 0.0);
    std::lock_guard<std::mutex> hold(report.lock);
    if (options.aeTarget >= 0) {
        if (report.aeDone)
            std::printf("automatic exposure %s: exposure %d ms\n", report.aeSuccess ? "reached its target" : "stopped off target",
                        report.aeExposureMs);
        else
            std::printf("automatic exposure still running when the preview stopped\n");
    }
    if (options.awb) {
        if (report.awbDone)
            std::printf("white balance %s: gains red %d, green %d, blue %d\n",
                        report.awbSuccess ? "reached its target" : "stopped off target", report.awbGains[0],
                        report.awbGains[1], report.awbGains[2]);
        else
            std::printf("white balance still running when the preview stopped\n");
    }
    if (options.af)
        std::printf("focus value %d (best %d over %lld frames)\n", report.focusLast, report.focusBest, report.focusCount);
    if (!options.record.empty()) std::printf("recorded %s\n", options.record.c_str());
}

}  // namespace

void AddPreviewCommand(CLI::App& app) {
    static PreviewOptions options;
    CLI::App* preview = app.add_subcommand(
        "preview", "Run the live preview for a while: count and measure frames, optionally draw them in a window, "
                   "run automatic exposure, white balance and focus measurement, and record an AVI file");
    AddDeviceOption(*preview, options.device);
    preview->add_option("--seconds", options.seconds, "How long; 0 runs until Ctrl-C or the window is closed")
        ->default_val(5)
        ->type_name("S");
    preview->add_flag("--window", options.window, "Open a window and draw the preview into it");
    AddCameraSettingOptions(*preview, options.settings);
    preview->add_option("--ae", options.aeTarget, "Automatic exposure toward this mean level")
        ->check(CLI::Range(0, 255))
        ->type_name("TARGET");
    preview->add_flag("--awb", options.awb, "Automatic white balance (colour cameras)");
    preview->add_option("--awb-target", options.awbTarget, "Channel levels the white balance aims at")
        ->default_val("128,128,128")
        ->type_name("R,G,B");
    preview->add_flag("--af", options.af,
                      "Measure sharpness on every frame (switches the preview to grey output, where focus is "
                      "measured)");
    preview->add_option("--loop-frames", options.loopFrames, "Most frames the exposure and white balance loops run")
        ->check(CLI::Range(1, 100000))
        ->default_val(100);
    preview->add_option("--record", options.record, "Record the preview into this AVI file")->type_name("FILE.avi");
    preview->add_option("--fps", options.fps, "Frame rate written into the recording")->default_val(15)->type_name("F");
    preview->add_option("--codec", options.codec, "Compressor of the recording: MJPG, DIB (uncompressed), FFV1 or H264")
        ->default_val("MJPG");
    preview->add_option("-o,--output", options.output, "Pause at the end and save the last frame (.bmp .jpg .tif ...)")
        ->type_name("FILE");
    preview->callback([] {
        WatchInterrupt();
        RunPreview(options);
    });
}

}  // namespace qcxcli
