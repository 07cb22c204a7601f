// qcx capture: still frames of the capture window, saved by file name.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>

#include "cli/camera_facts.h"
#include "cli/camera_settings.h"
#include "cli/command_support.h"
#include "cli/commands.h"
#include "cli/image_files.h"
#include "cli/progress_line.h"
#include "qcxapi.h"
#include "qcxsim.h"

namespace qcxcli {

namespace {

struct CaptureOptions {
    std::string device = "0";
    CameraSettings settings;
    bool raw = false;
    int count = 1;
    bool trigger = false;
    bool fire = false;
    bool fresh = false;
    long long timeoutMs = -1;
    int quality = 90;
    std::string output;
};

// A failed read that made the library reopen the camera asks for another try.
constexpr int kReadAttempts = 3;

int CaptureOnce(int index, bool raw, bool fresh, std::vector<std::uint8_t>& buffer, int* width, int* height,
                int* bitCount) {
    if (raw) {
        return fresh ? Traced(QCX_CaptureRawDataAfterEmptyFrameBuffer(index, buffer.data()),
                              "QCX_CaptureRawDataAfterEmptyFrameBuffer")
                     : Traced(QCX_CaptureRawData(index, buffer.data()), "QCX_CaptureRawData");
    }
    return fresh ? Traced(QCX_CaptureRgbDataExAfterEmptyFrameBuffer(index, buffer.data(), width, height, bitCount),
                          "QCX_CaptureRgbDataExAfterEmptyFrameBuffer")
                 : Traced(QCX_CaptureRgbDataEx(index, buffer.data(), width, height, bitCount), "QCX_CaptureRgbDataEx");
}

// Refuses, before any frame is read, a file format that cannot hold the frames.
void CheckFormatHolds(const std::string& path, int bitCount, int dataBits) {
    const FileKind kind = KindOfFile(path);
    if (dataBits == 16 && (kind == FileKind::Bmp || kind == FileKind::Jpeg))
        throw UsageError(path + ": frames of 16-bit transfer have 16-bit samples; save them as .tif, .ppm, .pgm or .raw");
    if (bitCount != 8 && kind == FileKind::Pgm)
        throw UsageError(path + ": a colour image needs .ppm (or --raw, or a grey Bayer mode 16 ... 23)");
}

void RunCapture(const CaptureOptions& options) {
    ValidateCameraSettings(options.settings);
    KindOfFile(options.output);
    if (options.count > 1 && !HasSequenceField(options.output))
        throw UsageError("--count " + std::to_string(options.count) + " needs %d in the file name, e.g. frame%03d.tif");
    if (options.fire && !options.trigger) throw UsageError("--fire goes with --trigger");

    LibrarySession session;
    const int index = session.Open(options.device);
    ApplyCameraSettings(index, options.settings, Window::Capture);
    if (options.timeoutMs >= 0)
        Check(QCX_CaptureSetTimeOut(index, static_cast<QCX_DWORD>(options.timeoutMs)), "QCX_CaptureSetTimeOut");
    int node = -1;
    if (options.fire) {
        node = SimulatedNodeOf(index);
        if (node < 0) throw UsageError("--fire works on simulated cameras; a real camera waits for its trigger input");
    }
    if (options.trigger) Check(QCX_TriggerModeSet(index, 1), "QCX_TriggerModeSet");

    int width = 0, height = 0, bitCount = 0, dataBits = 0;
    Check(QCX_CaptureGetSizeExEx(index, &width, &height, &bitCount, &dataBits), "QCX_CaptureGetSizeExEx");
    CheckFormatHolds(options.output, options.raw ? 8 : bitCount, dataBits);
    int bayerMode = 0;
    Check(QCX_BayerGetMode(index, &bayerMode), "QCX_BayerGetMode");
    // Grey output mode hands back the raw frame, which may be 16-bit.
    const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> buffer(pixels * (options.raw ? dataBits / 8 : 4 * (dataBits / 8)));

    ProgressLine progress("frames");
    int status = QCX_STATUS_SUCCESS;
    for (int k = 0; k < options.count && !Interrupted(); ++k) {
        int w = width, h = height, bits = bitCount;
        for (int attempt = 0; attempt < kReadAttempts; ++attempt) {
            if (node >= 0) Check(QCXSimTrigger(node), "QCXSimTrigger");
            status = CaptureOnce(index, options.raw, options.fresh, buffer, &w, &h, &bits);
            if (status != QCX_STATUS_RECOVERY_SUCCESSFUL) break;
            if (!verbosity.quiet) std::fprintf(stderr, "qcx: the camera was reopened after a failed read; again\n");
        }
        Check(status, options.raw ? "QCX_CaptureRawData" : "QCX_CaptureRgbDataEx");
        const std::string path = SequenceName(options.output, k);
        if (options.raw) {
            RawFrame frame;
            frame.data.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(pixels * (dataBits / 8)));
            frame.width = width;
            frame.height = height;
            frame.dataBits = dataBits;
            SaveRawFrame(path, frame);
            progress.Finish();
            if (!verbosity.quiet) std::printf("wrote %s: %d x %d raw, %d-bit samples\n", path.c_str(), w, h, dataBits);
        } else {
            Image image;
            image.width = w;
            image.height = h;
            image.bitCount = bits;
            image.channelBytes = dataBits / 8;
            image.bottomUp = RowsBottomUp(bayerMode, dataBits == 16);
            const std::size_t bytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * image.PixelBytes();
            image.pixels.assign(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(bytes));
            SaveImage(path, image, options.quality);
            progress.Finish();
            if (!verbosity.quiet)
                std::printf("wrote %s: %d x %d, %d-bit image%s\n", path.c_str(), w, h, bits,
                            dataBits == 16 ? " with 16-bit channels" : "");
        }
        progress.Update(k + 1);
    }
    progress.Finish();
    if (options.trigger) Traced(QCX_TriggerModeSet(index, 0), "QCX_TriggerModeSet");
    if (Interrupted()) throw ApiError("interrupted", QCX_STATUS_FAIL);
}

}  // namespace

void AddCaptureCommand(CLI::App& app) {
    static CaptureOptions options;
    CLI::App* capture = app.add_subcommand(
        "capture", "Capture still frames of the capture window and save them; the format follows the file name: "
                   ".bmp .jpg .tif (through the library's helpers), .raw (bytes as delivered), .pgm/.ppm");
    AddDeviceOption(*capture, options.device);
    capture->add_option("-o,--output", options.output, "File to write; %d (or %03d) numbers the frames of --count")
        ->required()
        ->type_name("FILE");
    capture->add_flag("--raw", options.raw,
                      "Save the raw sensor frame (before the Bayer filter; 16-bit words with --16bit) instead of "
                      "the colour image");
    AddCameraSettingOptions(*capture, options.settings);
    capture->add_option("--count", options.count, "Frames to capture")->check(CLI::Range(1, 1000000))->type_name("K");
    capture->add_flag("--trigger", options.trigger,
                      "Arm external trigger: each frame waits for the trigger input (free run again afterwards)");
    capture->add_flag("--fire", options.fire,
                      "With --trigger on a simulated camera: pulse its trigger input before each frame");
    capture->add_flag("--fresh", options.fresh, "Discard the frames the camera holds first, so each frame is exposed "
                                                "after the request");
    capture->add_option("--timeout", options.timeoutMs, "Frame read time-out in milliseconds (default 8000)")
        ->check(CLI::Range(0LL, 4294967295LL))
        ->type_name("MS");
    capture->add_option("--quality", options.quality, "JPEG quality")->check(CLI::Range(1, 100))->default_val(90);
    capture->callback([] {
        WatchInterrupt();
        RunCapture(options);
    });
}

}  // namespace qcxcli
