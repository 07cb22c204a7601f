// Sequences of C-API calls on simulated cameras. Each input names a few
// cameras (device types taken from the sensor family table), then a series of
// export calls with arbitrary arguments, interleaved with the simulator's
// faults: failed requests, dropped, empty and short frames, unplugging.
// Invariants: no crash, no sanitizer report, no hang, every status one of the
// documented codes, every window the getters report starts on the sensor,
// and the callbacks get what their types promise.
//
// Every input starts from a new library session over new simulated cameras,
// so inputs are independent. Frames are made as fast as the simulator can
// and every read times out after a few milliseconds, so no input waits long.
// While a preview runs its thread races the calls; those inputs may not
// replay exactly.
//
// QCX_FUZZ_TRACE=1 prints each call and its status to stderr.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <algorithm>
#include <cfloat>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "camera/sensors/sensor_family.h"
#include "fuzz/fuzz_stream.h"
#include "qcxapi.h"
#include "qcxsim.h"
#include "sim/sim_node_provider.h"

namespace {

namespace fs = std::filesystem;
using qcx::fuzz::Check;

constexpr int kMaxCameras = 4;
constexpr int kMaxCalls = 64;
constexpr int kSlots = 32;
// Short enough that a read the simulator holds back (external trigger, a
// dropped frame) costs little; long enough for any simulated frame.
constexpr QCX_DWORD kTimeOutMs = 20;
constexpr QCX_DWORD kLongestTimeOutMs = 50;
// Frames cost most of an input's time: most inputs window each camera down
// when it opens (calls may widen the windows again), and larger sensors are
// always windowed to at most this many pixels.
constexpr long long kMaxFramePixels = 1 << 20;
constexpr int kSmallWindow[4] = {64, 32, 256, 192};

bool IsDocumentedStatus(int status) {
    return status == 1 || (status <= -1 && status >= -8) || (status <= -10 && status >= -15);
}

bool IsSimStatus(int status) { return status == 1 || status == -1 || status == -2 || status == -3 || status == -5; }

// ---- Process-wide set-up ----------------------------------------------------

struct Harness {
    std::string folder;                     // private scratch folder of this process
    std::vector<qcx::DeviceType> openable;  // types of the families whose cameras open
    std::vector<qcx::DeviceType> all;       // every type of the family table
    bool trace = false;
};

Harness& Process() {
    static Harness harness;
    return harness;
}

std::string Path(const char* name) { return Process().folder + "/" + name; }

// Empties the scratch folder and makes its sub-folders again.
void ClearFolder() {
    std::error_code ignored;
    for (const auto& entry : fs::directory_iterator(Process().folder, ignored)) fs::remove_all(entry.path(), ignored);
    for (const char* sub : {"locks", "registry", "logs", "files"}) fs::create_directories(Path(sub), ignored);
}

// Closes every camera and forgets the simulated ones, then lists `cameras`.
void NewSession(const std::string& cameras, const char* codec, bool cancelDialog) {
    QCX_UnInit();
    qcx::SimNodeProvider::Instance().Reset();
    ClearFolder();
    QCX_LogSet(0, "");
    setenv("QCX_SIM", cameras.c_str(), 1);
    setenv("QCX_AVI_CODEC", codec, 1);
    if (cancelDialog)
        setenv("QCX_AVI_DIALOG", "cancel", 1);
    else
        unsetenv("QCX_AVI_DIALOG");
}

// The families whose cameras open now; a family without a driver is left to
// the rare input that asks for any type.
void FindOpenableFamilies() {
    Harness& harness = Process();
    for (const qcx::SensorFamilyTraits* family : qcx::SensorFamilies()) {
        harness.all.insert(harness.all.end(), family->types.begin(), family->types.end());
        NewSession(std::to_string(family->types.front()), "DIB", false);
        QCX_Init();
        if (QCX_DeviceGetInformation(0, nullptr, nullptr, nullptr) == QCX_STATUS_SUCCESS)
            harness.openable.insert(harness.openable.end(), family->types.begin(), family->types.end());
        QCX_UnInit();
    }
    if (harness.openable.empty()) harness.openable = harness.all;
}

// ---- Callbacks ----------------------------------------------------------------

int QCXAPI_CALL OnPreview(QCX_BYTE* buffer, int width, int height, int bitCount, void*) {
    Check(buffer != nullptr && width > 0 && height > 0, "the preview callback gets an image");
    Check(bitCount == 8 || bitCount == 24 || bitCount == 32, "the preview callback gets 8, 24 or 32 bits");
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * (bitCount / 8);
    buffer[0] = buffer[bytes - 1];  // the callback may change the image
    return 0;
}

int QCXAPI_CALL OnPreviewEx(QCX_SURFACE* surface, QCX_BYTE* buffer, int width, int height, int bitCount, void*) {
    Check(surface != nullptr && surface->pixels != nullptr && buffer != nullptr,
          "the extended callback gets a surface");
    Check(bitCount == 8 || bitCount == 24 || bitCount == 32, "the extended callback gets 8, 24 or 32 bits");
    Check(width > 0 && height > 0 && surface->width == width && surface->height == height &&
              surface->bitCount == bitCount,
          "the surface has the image's size");
    Check(surface->stride >= width * (bitCount / 8), "a surface row holds a row of the image");
    const std::size_t bytes = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * (bitCount / 8);
    surface->pixels[static_cast<std::size_t>(surface->stride) * (height - 1)] = buffer[bytes - 1];
    return 0;
}

int QCXAPI_CALL OnAe(QCX_BOOL8 success, int, void*) {
    Check(success <= 1, "the exposure report is 0 or 1");
    return 0;
}

int QCXAPI_CALL OnAwb(QCX_BOOL8 success, int, int, int, void*) {
    Check(success <= 1, "the white balance report is 0 or 1");
    return 0;
}

int QCXAPI_CALL OnFocus(int value, void*) {
    Check(value >= 0 && value <= 10200, "the focus value is 0 ... 10200");
    return 0;
}

int QCXAPI_CALL OnCorrection(int state, int, int, int, void*) {
    Check(state == 0 || state == 1, "the correction state is 0 or 1");
    return 0;
}

// ---- One input --------------------------------------------------------------

class Session {
   public:
    explicit Session(FuzzedDataProvider& in) : in_(in) {}

    // Lists the cameras of this input and starts the library.
    void Start() {
        const Harness& harness = Process();
        cameras_ = in_.ConsumeIntegralInRange(1, kMaxCameras);
        std::string list;
        for (int i = 0; i < cameras_; ++i) {
            const std::uint8_t pick = in_.ConsumeIntegral<std::uint8_t>();
            const auto& types = pick < 240 ? harness.openable : harness.all;
            if (!list.empty()) list += ',';
            list += std::to_string(types[pick % types.size()]);
        }
        smallWindows_ = in_.ConsumeIntegralInRange(0, 3) != 0;
        static const char* const kCodecs[] = {"DIB", "MJPG", "FFV1"};
        const char* codec = in_.PickValueInArray(kCodecs);
        NewSession(list, codec, in_.ConsumeIntegralInRange(0, 7) == 0);
        if (harness.trace)
            std::fprintf(stderr, "-- QCX_SIM=%s QCX_AVI_CODEC=%s%s\n", list.c_str(), codec,
                         smallWindows_ ? " small windows" : "");
        Library("QCX_Init", QCX_Init());
        initialised_ = true;
    }

    void Run() {
        for (int calls = 0; calls < kMaxCalls && in_.remaining_bytes() > 0; ++calls) RunOne();
    }

    ~Session() { QCX_UnInit(); }

   private:
    // ---- arguments

    int AnyInt() {
        switch (in_.ConsumeIntegralInRange(0, 7)) {
            case 0: return 0;
            case 1: return 1;
            case 2: return -1;
            case 3: return INT_MIN;
            case 4: return INT_MAX;
            case 5: return in_.ConsumeIntegralInRange(-1024, 4096);
            case 6:
                return in_.PickValueInArray({2,   3,   4,   8,   16,  24,  32,   63,    64,    128,  -128,
                                             255, 256, 479, 480, 751, 752, 1024, 32767, 65535, 65536});
            default: return in_.ConsumeIntegral<int>();
        }
    }

    // Mostly small: counts, modes, flags.
    int SmallInt(int low, int high) {
        return in_.ConsumeIntegralInRange(0, 3) == 0 ? AnyInt() : in_.ConsumeIntegralInRange(low, high);
    }

    float AnyFloat() {
        switch (in_.ConsumeIntegralInRange(0, 5)) {
            case 0: return in_.PickValueInArray({0.0f, 1.0f, -1.0f, 0.01f, 0.5f, 25.0f, 1000.0f, 1e9f});
            case 1: return in_.PickValueInArray({NAN, INFINITY, -INFINITY, FLT_MAX, -FLT_MAX, FLT_MIN, FLT_TRUE_MIN});
            case 2: return in_.ConsumeFloatingPointInRange(-100.0f, 2000.0f);
            default: {
                const std::uint32_t bits = in_.ConsumeIntegral<std::uint32_t>();
                float value;
                static_assert(sizeof value == sizeof bits);
                std::memcpy(&value, &bits, sizeof value);
                return value;
            }
        }
    }

    bool Flag() { return in_.ConsumeBool(); }
    // A bool8 as callers pass it: any byte, mostly 0 or 1.
    QCX_BOOL8 Bool8() {
        return in_.ConsumeIntegralInRange(0, 7) == 0 ? in_.ConsumeIntegral<QCX_BYTE>() : in_.ConsumeBool();
    }
    bool Null() { return in_.ConsumeIntegralInRange(0, 7) == 0; }

    // A device index, mostly one of the listed cameras; opens the camera and
    // shortens its time-out before the call does (same index, same moment).
    int Index() {
        int index;
        switch (in_.ConsumeIntegralInRange(0, 15)) {
            case 0: index = in_.PickValueInArray({-1, cameras_, kSlots - 1, kSlots, INT_MIN, INT_MAX}); break;
            default: index = in_.ConsumeIntegralInRange(0, cameras_ - 1); break;
        }
        Prepare(index);
        index_ = index;
        return index;
    }

    // A simulator node number, mostly one of the cameras.
    int Node() {
        return in_.ConsumeIntegralInRange(0, 15) == 0 ? in_.PickValueInArray({-1, cameras_, INT_MAX})
                                                      : in_.ConsumeIntegralInRange(0, cameras_ - 1);
    }

    void Prepare(int index) {
        if (!initialised_ || index < 0 || index >= kSlots || timeOutSet_[index]) return;
        if (QCX_CaptureSetTimeOut(index, kTimeOutMs) != QCX_STATUS_SUCCESS) return;
        timeOutSet_[index] = true;
        int width = 0, height = 0;
        QCX_CaptureGetDefaultFieldOfView(index, nullptr, nullptr, &width, &height, nullptr, nullptr);
        const int* w = kSmallWindow;
        if (smallWindows_) {
            QCX_CaptureSetFieldOfView(index, w[0], w[1], w[2], w[3], 0, 0);
            QCX_PreviewSetFieldOfView(index, w[0], w[1], w[2], w[3], 0, 0);
        } else if (static_cast<long long>(width) * height > kMaxFramePixels) {
            QCX_CaptureSetFieldOfView(index, 0, 0, 1024, 768, 0, 0);
            QCX_PreviewSetFieldOfView(index, 0, 0, 1024, 768, 0, 0);
        }
    }

    // A buffer for `bytes` bytes: exact, larger, or none at all. None either
    // when the size is unknown: a camera that did not open for the size query
    // may open for the call.
    QCX_BYTE* Buffer(std::optional<std::size_t> size) {
        const int choice = in_.ConsumeIntegralInRange(0, 7);
        if (choice == 0 || !size) return nullptr;
        std::size_t bytes = *size;
        if (choice == 1) bytes += in_.ConsumeIntegralInRange<std::size_t>(1, 4096);
        buffer_.assign(bytes == 0 ? 1 : bytes, 0xA5);
        buffer_.shrink_to_fit();  // exactly that size, so a write past it shows
        return buffer_.data();
    }

    // A file name: in the scratch folder, in a folder that does not exist, a
    // folder, a file holding bytes of the input, empty, or none.
    const char* File(const char* extension) {
        switch (in_.ConsumeIntegralInRange(0, 7)) {
            case 0: return nullptr;
            case 1: file_ = ""; break;
            case 2: file_ = Path("missing/folder/file") + extension; break;
            case 3: file_ = Path("files"); break;
            case 4: {
                file_ = Path("files/input") + std::to_string(in_.ConsumeIntegralInRange(0, 1));
                const std::vector<std::uint8_t> bytes =
                    in_.ConsumeBytes<std::uint8_t>(in_.ConsumeIntegralInRange(0, 2048));
                if (std::FILE* f = std::fopen(file_.c_str(), "wb")) {
                    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
                    std::fclose(f);
                }
                break;
            }
            default: file_ = Path("files/out") + std::to_string(in_.ConsumeIntegralInRange(0, 2)) + extension; break;
        }
        return file_.c_str();
    }

    // ---- results

    void Trace(const char* name, int result, const char* format, va_list args) {
        const auto elapsed = std::chrono::steady_clock::now() - started_;
        std::fprintf(stderr, "%7.1f ms  %s(", std::chrono::duration<double, std::milli>(elapsed).count(), name);
        std::vfprintf(stderr, format, args);
        std::fprintf(stderr, ") = %d\n", result);
    }

    // A device export: without QCX_Init it answers -5, else a documented code.
    int Device(const char* name, int result, const char* format = "", ...) {
        if (Process().trace) {
            va_list args;
            va_start(args, format);
            Trace(name, result, format, args);
            va_end(args);
        }
        if (!IsDocumentedStatus(result)) Broken(name, result, "a status outside the documented codes");
        if (!initialised_ && result != QCX_STATUS_NOT_INITIALIZED)
            Broken(name, result, "a device call without QCX_Init is -5");
        // The camera may have opened for this call rather than for Prepare.
        if (result != QCX_STATUS_NOT_INITIALIZED) Prepare(index_);
        return result;
    }

    // An export that needs no camera.
    int Library(const char* name, int result, const char* format = "", ...) {
        if (Process().trace) {
            va_list args;
            va_start(args, format);
            Trace(name, result, format, args);
            va_end(args);
        }
        if (!IsDocumentedStatus(result)) Broken(name, result, "a status outside the documented codes");
        return result;
    }

    int Sim(const char* name, int result, int node) {
        if (Process().trace) std::fprintf(stderr, "%s(%d) = %d\n", name, node, result);
        if (!IsSimStatus(result)) Broken(name, result, "a simulator status outside its documented codes");
        return result;
    }

    [[noreturn]] static void Broken(const char* name, int result, const char* what) {
        std::fprintf(stderr, "%s returned %d\n", name, result);
        qcx::fuzz::Fail(what);
    }

    // A window the getters report starts on the sensor and fits on it.
    void CheckWindow(int index, const int* window) {
        int width = 0, height = 0;
        if (QCX_CaptureGetDefaultFieldOfView(index, nullptr, nullptr, &width, &height, nullptr, nullptr) != 1) return;
        Check(window[0] >= 0 && window[0] < width && window[1] >= 0 && window[1] < height,
              "a window starts on the sensor");
        Check(window[2] >= 1 && window[2] <= width && window[3] >= 1 && window[3] <= height,
              "a window is no larger than the sensor");
    }

    // Bytes of the capture image the next capture writes.
    std::optional<std::size_t> CaptureBytes(int index, bool colour) {
        int width = 0, height = 0, bitCount = 0, dataBits = 0;
        if (QCX_CaptureGetSizeExEx(index, &width, &height, &bitCount, &dataBits) != 1) return std::nullopt;
        const std::size_t pixels =
            static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0));
        const std::size_t raw = pixels * static_cast<std::size_t>(dataBits / 8);
        return colour ? std::max(raw, pixels * static_cast<std::size_t>(bitCount / 8)) : raw;
    }

    std::optional<std::size_t> PreviewBytes(int index) {
        int width = 0, height = 0, bitCount = 0;
        if (QCX_PreviewGetSizeEx(index, &width, &height, &bitCount) != 1) return std::nullopt;
        return static_cast<std::size_t>(std::max(width, 0)) * static_cast<std::size_t>(std::max(height, 0)) *
               static_cast<std::size_t>(bitCount / 8);
    }

    void RunOne();
    void RunLibrary(int which);
    void RunCapture(int which);
    void RunHelper(int which);
    void RunIoLine(int which);
    void RunSimulator(int which);

    FuzzedDataProvider& in_;
    int cameras_ = 0;
    int index_ = 0;  // of the current call
    bool smallWindows_ = false;
    bool initialised_ = false;
    bool timeOutSet_[kSlots] = {};
    std::vector<QCX_BYTE> buffer_;
    std::string file_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
};

// Calls that need no camera, with buffers sized from their own arguments.
void Session::RunHelper(int which) {
    const int bitCount = in_.PickValueInArray({8, 24, 32, 8, 24, 32, 0, 16, -8, INT_MAX});
    const bool valid = bitCount == 8 || bitCount == 24 || bitCount == 32;
    const int width = Flag() ? in_.ConsumeIntegralInRange(1, 64) : AnyInt();
    const int height = Flag() ? in_.ConsumeIntegralInRange(1, 64) : AnyInt();
    const bool sized = valid && width > 0 && height > 0 && width <= 4096 && height <= 4096;
    const std::size_t bytes = sized ? static_cast<std::size_t>(width) * height * (bitCount / 8) : 1;
    switch (which) {
        case 0: {
            int size = 0;
            Library("QCX_HelperGetBmpFileHeaderSize",
                    QCX_HelperGetBmpFileHeaderSize(bitCount, Null() ? nullptr : &size), "%d", bitCount);
            break;
        }
        case 1: {
            std::vector<QCX_BYTE> header(bitCount == 8 ? 1078 : 54);
            Library("QCX_HelperGetBmpFileHeader",
                    QCX_HelperGetBmpFileHeader(width, height, bitCount, Null() ? nullptr : header.data()), "%d, %d, %d",
                    width, height, bitCount);
            break;
        }
        case 2: {
            // A picture larger than its buffer is the caller's fault: only
            // sizes the buffer holds, or sizes the helper refuses.
            if (!sized && valid && width > 0 && height > 0) break;
            QCX_BYTE* data = Buffer(bytes);
            Library("QCX_HelperSaveToBmp", QCX_HelperSaveToBmp(data, width, height, bitCount, File(".bmp")),
                    "%d, %d, %d", width, height, bitCount);
            break;
        }
        case 3: {
            if (!sized && valid && width > 0 && height > 0) break;
            QCX_BYTE* data = Buffer(bytes);
            const int quality = SmallInt(0, 100);
            Library("QCX_HelperSaveToJpg", QCX_HelperSaveToJpg(data, width, height, bitCount, quality, File(".jpg")),
                    "%d, %d, %d, %d", width, height, bitCount, quality);
            break;
        }
        case 4: {
            // The TIFF helper checks nothing: only what a caller's image can be.
            const int bits = in_.PickValueInArray({8, 16});
            const int samples = in_.PickValueInArray({1, 3, 4});
            const int w = in_.ConsumeIntegralInRange(1, 64), h = in_.ConsumeIntegralInRange(1, 64);
            std::vector<QCX_BYTE> data(static_cast<std::size_t>(w) * h * samples * (bits / 8), 0x5A);
            Library("QCX_HelperSaveToTiff", QCX_HelperSaveToTiff(data.data(), w, h, bits, samples, File(".tif")),
                    "%d, %d, %d, %d", w, h, bits, samples);
            break;
        }
        default: {
            if (!sized && valid && width > 0 && height > 0) break;
            const int targetWidth = Flag() ? in_.ConsumeIntegralInRange(1, 128) : AnyInt();
            const int targetHeight = Flag() ? in_.ConsumeIntegralInRange(1, 128) : AnyInt();
            const bool targetSized = targetWidth > 0 && targetHeight > 0 && targetWidth <= 4096 && targetHeight <= 4096;
            if (!targetSized && valid && sized && targetWidth > 0 && targetHeight > 0) break;
            std::vector<QCX_BYTE> source(bytes, 0x3C);
            std::vector<QCX_BYTE> target(
                targetSized && valid ? static_cast<std::size_t>(targetWidth) * targetHeight * (bitCount / 8) : 1);
            Library("QCX_HelperStretchBmp",
                    QCX_HelperStretchBmp(Null() ? nullptr : source.data(), width, height, bitCount,
                                         Null() ? nullptr : target.data(), targetWidth, targetHeight),
                    "%d, %d, %d, %d, %d", width, height, bitCount, targetWidth, targetHeight);
            break;
        }
    }
}

void Session::RunCapture(int which) {
    const int index = Index();
    int width = 0, height = 0, bitCount = 0;
    int* w = Null() ? nullptr : &width;
    int* h = Null() ? nullptr : &height;
    int* b = Null() ? nullptr : &bitCount;
    switch (which) {
        case 0:
            Device("QCX_CaptureRawData", QCX_CaptureRawData(index, Buffer(CaptureBytes(index, false))), "%d", index);
            break;
        case 1:
            Device("QCX_CaptureRgbData", QCX_CaptureRgbData(index, Buffer(CaptureBytes(index, true))), "%d", index);
            break;
        case 2:
            Device("QCX_CaptureRgbDataEx", QCX_CaptureRgbDataEx(index, Buffer(CaptureBytes(index, true)), w, h, b),
                   "%d", index);
            break;
        case 3:
            Device("QCX_CaptureRawDataAfterEmptyFrameBuffer",
                   QCX_CaptureRawDataAfterEmptyFrameBuffer(index, Buffer(CaptureBytes(index, false))), "%d", index);
            break;
        case 4:
            Device("QCX_CaptureRgbDataAfterEmptyFrameBuffer",
                   QCX_CaptureRgbDataAfterEmptyFrameBuffer(index, Buffer(CaptureBytes(index, true))), "%d", index);
            break;
        default:
            Device("QCX_CaptureRgbDataExAfterEmptyFrameBuffer",
                   QCX_CaptureRgbDataExAfterEmptyFrameBuffer(index, Buffer(CaptureBytes(index, true)), w, h, b), "%d",
                   index);
            break;
    }
}

void Session::RunIoLine(int which) {
    const int index = Index();
    int value = 0;
    QCX_BYTE byte = 0;
    QCX_WORD low = 0, high = 0;
    int* out = Null() ? nullptr : &value;
    switch (which) {
        case 0:
            Device("QCX_SensitivitySetMode", QCX_SensitivitySetMode(index, SmallInt(0, 8)));
            break;
        case 1:
            Device("QCX_SensitivityGetMode", QCX_SensitivityGetMode(index, out));
            break;
        case 2:
            Device("QCX_LedSetStatus", QCX_LedSetStatus(index, SmallInt(-1, 3), SmallInt(-1, 2)));
            break;
        case 3:
            Device("QCX_LedGetStatus", QCX_LedGetStatus(index, SmallInt(-1, 3), out));
            break;
        case 4:
            Device("QCX_SnapButtonStatus", QCX_SnapButtonStatus(index, out));
            break;
        case 5:
            Device("QCX_GpioSetDirection", QCX_GpioSetDirection(index, in_.ConsumeIntegral<QCX_BYTE>()));
            break;
        case 6:
            Device("QCX_GpioGetDirection", QCX_GpioGetDirection(index, Null() ? nullptr : &byte));
            break;
        case 7:
            Device("QCX_GpioSetStatus", QCX_GpioSetStatus(index, in_.ConsumeIntegral<QCX_BYTE>()));
            break;
        case 8:
            Device("QCX_GpioGetStatus", QCX_GpioGetStatus(index, Null() ? nullptr : &byte));
            break;
        case 9:
            Device("QCX_TriggerModeSet", QCX_TriggerModeSet(index, Bool8()));
            break;
        case 10:
            Device("QCX_TriggerModeGet", QCX_TriggerModeGet(index, out));
            break;
        case 11:
            Device("QCX_SensorModeSet", QCX_SensorModeSet(index, SmallInt(-1, 2)));
            break;
        case 12:
            Device("QCX_SensorModeGet", QCX_SensorModeGet(index, out));
            break;
        case 13:
            Device("QCX_TriggerStatusGet", QCX_TriggerStatusGet(index, out));
            break;
        case 14:
            Device("QCX_TriggerDelaySet", QCX_TriggerDelaySet(index, in_.ConsumeIntegral<QCX_WORD>()));
            break;
        case 15:
            Device("QCX_TriggerDelayGet", QCX_TriggerDelayGet(index, Null() ? nullptr : &low));
            break;
        case 16:
            Device("QCX_TriggerDelayGetRange",
                       QCX_TriggerDelayGetRange(index, Null() ? nullptr : &low, Null() ? nullptr : &high));
            break;
        case 17:
            Device("QCX_StrobeDelaySet", QCX_StrobeDelaySet(index, in_.ConsumeIntegral<QCX_WORD>()));
            break;
        case 18:
            Device("QCX_StrobeDelayGet", QCX_StrobeDelayGet(index, Null() ? nullptr : &low));
            break;
        default:
            Device("QCX_StrobeDelayGetRange",
                       QCX_StrobeDelayGetRange(index, Null() ? nullptr : &low, Null() ? nullptr : &high));
            break;
    }
}

void Session::RunSimulator(int which) {
    const int node = Node();
    switch (which) {
        case 0:
            Sim("QCXSimFailRequests",
                QCXSimFailRequests(node, in_.ConsumeIntegralInRange(-1, 4), in_.ConsumeIntegralInRange(0, 2)), node);
            break;
        case 1: Sim("QCXSimUnplug", QCXSimUnplug(node), node); break;
        case 2: Sim("QCXSimReplugAll", QCXSimReplugAll(), node); break;
        case 3: Sim("QCXSimDropFrames", QCXSimDropFrames(node, in_.ConsumeIntegralInRange(-1, 3)), node); break;
        case 4: Sim("QCXSimEmptyFrames", QCXSimEmptyFrames(node, in_.ConsumeIntegralInRange(-1, 3)), node); break;
        case 5: {
            const unsigned bytes =
                in_.PickValueInArray<unsigned>({0, 1, 2, 100, 4096, 0xFFFFFFFFu, in_.ConsumeIntegral<unsigned>()});
            Sim("QCXSimShortFrames", QCXSimShortFrames(node, in_.ConsumeIntegralInRange(-1, 3), bytes), node);
            break;
        }
        case 6: Sim("QCXSimSetScene", QCXSimSetScene(node, in_.ConsumeIntegralInRange(-1, 3)), node); break;
        case 7: {
            // A register the chip changed on its own, behind the driver's shadows.
            const unsigned short reg = in_.ConsumeIntegralInRange(0, 7) == 0 ? in_.ConsumeIntegral<unsigned short>()
                                                                             : in_.ConsumeIntegral<std::uint8_t>();
            Sim("QCXSimWriteSensorReg", QCXSimWriteSensorReg(node, reg, in_.ConsumeIntegral<unsigned short>()), node);
            break;
        }
        case 8: Sim("QCXSimTrigger", QCXSimTrigger(node), node); break;
        case 9:
            if (in_.ConsumeBool()) {
                Sim("QCXSimSetSnapButton", QCXSimSetSnapButton(node, in_.ConsumeIntegralInRange(0, 1)), node);
            } else {
                Sim("QCXSimSetGpioInputs", QCXSimSetGpioInputs(node, in_.ConsumeIntegral<unsigned char>()), node);
            }
            break;
        default:
            Sim("QCXSimSetWorkingMode", QCXSimSetWorkingMode(node, in_.ConsumeIntegral<unsigned short>()), node);
            break;
    }
}

void Session::RunLibrary(int which) {
    switch (which) {
        case 0:
            Library("QCX_Init", QCX_Init());
            initialised_ = true;
            std::fill(std::begin(timeOutSet_), std::end(timeOutSet_), false);
            return;
        case 1:
            Library("QCX_UnInit", QCX_UnInit());
            initialised_ = false;
            std::fill(std::begin(timeOutSet_), std::end(timeOutSet_), false);
            return;
        case 2: {
            const int count = QCX_DeviceGetCount();
            if (Process().trace) std::fprintf(stderr, "QCX_DeviceGetCount() = %d\n", count);
            Check(initialised_ ? count >= 0 && count <= kSlots : count == QCX_STATUS_NOT_INITIALIZED,
                  "QCX_DeviceGetCount gives a count, or -5 without QCX_Init");
            return;
        }
        case 3: {
            char text[QCX_ERROR_TEXT_SIZE];
            const int code = AnyInt();
            Library("QCX_GetErrorInfo", QCX_GetErrorInfo(code, Null() ? nullptr : text), "%d", code);
            return;
        }
        case 4: {
            // Logging on without a folder writes beside the fuzzer's own
            // file; those calls name the scratch folder instead.
            const QCX_BOOL8 enable = Bool8();
            std::string folder;
            bool none = false;
            switch (in_.ConsumeIntegralInRange(0, 4)) {
                case 0:
                    none = enable == 0;
                    folder = none ? "" : Path("logs");
                    break;
                case 1: folder = Path("logs"); break;
                case 2: folder = Path("logs/deeper/still"); break;
                case 3: folder = Path("files/input0/log"); break;  // below a file, when there is one
                default: folder.assign(300, 'x'); break;
            }
            const char* given = none && Flag() ? nullptr : folder.c_str();
            Library("QCX_LogSet", QCX_LogSet(enable, given), "%u, %s", enable, given ? given : "null");
            return;
        }
        default: {
            QCX_BOOL8 enable = 0;
            char folder[QCX_LOG_FOLDER_SIZE];
            Library("QCX_LogGet", QCX_LogGet(Null() ? nullptr : &enable, Null() ? nullptr : folder));
            return;
        }
    }
}

void Session::RunOne() {
    // Groups of calls; the operation numbers below index into them. Mutated
    // inputs are rich in small bytes, so the groups that restart or stop the
    // library come last.
    enum : int {
        kWindow = 0,       // 11
        kPreview = 11,     // 12
        kParameters = 23,  // 5
        kAuto = 28,        // 19
        kImaging = 47,     // 27
        kTransport = 74,   // 19
        kCapture = 93,     // 6
        kHelpers = 99,     // 6
        kRecording = 105,  // 3
        kIoLines = 108,    // 20
        kSimulator = 128,  // 11, weighted twice
        kLibrary = 150,    // 6
        kCount = 156,
    };
    const int op = in_.ConsumeIntegralInRange(0, kCount - 1);
    if (op >= kLibrary) return RunLibrary(op - kLibrary);
    if (op >= kSimulator) return RunSimulator((op - kSimulator) % 11);
    if (op >= kIoLines) return RunIoLine(op - kIoLines);
    if (op >= kHelpers && op < kRecording) return RunHelper(op - kHelpers);
    if (op >= kCapture && op < kHelpers) return RunCapture(op - kCapture);

    const int index = Index();
    QCX_BYTE byte = 0, byte2 = 0;
    QCX_WORD word = 0, word2 = 0;
    QCX_DWORD dword = 0;
    int value = 0, value2 = 0;
    float real = 0;
    QCX_BYTE* bytePtr = Null() ? nullptr : &byte;
    QCX_WORD* wordPtr = Null() ? nullptr : &word;
    int* intPtr = Null() ? nullptr : &value;
    int* intPtr2 = Null() ? nullptr : &value2;
    switch (op) {
        // ---- transport
        case kTransport + 0: {
            const QCX_WORD address = in_.ConsumeIntegral<QCX_WORD>();
            const QCX_BYTE v = in_.ConsumeIntegral<QCX_BYTE>();
            Device("QCX_WrFx2Reg", QCX_WrFx2Reg(index, address, v), "%d, 0x%x, %u", index, address, v);
            return;
        }
        case kTransport + 1:
            Device("QCX_RdFx2Reg", QCX_RdFx2Reg(index, in_.ConsumeIntegral<QCX_WORD>(), bytePtr), "%d", index);
            return;
        case kTransport + 2: {
            const QCX_WORD sfr = in_.ConsumeIntegral<QCX_WORD>();
            const QCX_BYTE v = in_.ConsumeIntegral<QCX_BYTE>();
            Device("QCX_WrFx2Sfr", QCX_WrFx2Sfr(index, sfr, v), "%d, 0x%x, %u", index, sfr, v);
            return;
        }
        case kTransport + 3:
            Device("QCX_RdFx2Sfr", QCX_RdFx2Sfr(index, in_.ConsumeIntegral<QCX_WORD>(), bytePtr), "%d", index);
            return;
        case kTransport + 4: {
            const QCX_WORD address = in_.ConsumeIntegral<QCX_WORD>();
            const QCX_BYTE v = in_.ConsumeIntegral<QCX_BYTE>();
            Device("QCX_WrEEPROM", QCX_WrEEPROM(index, address, v), "%d, 0x%x, %u", index, address, v);
            return;
        }
        case kTransport + 5:
            Device("QCX_RdEEPROM", QCX_RdEEPROM(index, in_.ConsumeIntegral<QCX_WORD>(), bytePtr), "%d", index);
            return;
        case kTransport + 6: {
            const QCX_DWORD address = in_.ConsumeIntegral<QCX_DWORD>();
            const QCX_BYTE v = in_.ConsumeIntegral<QCX_BYTE>();
            Device("QCX_WrEEPROMEx", QCX_WrEEPROMEx(index, address, v), "%d, 0x%x, %u", index, address, v);
            return;
        }
        case kTransport + 7:
            Device("QCX_RdEEPROMEx", QCX_RdEEPROMEx(index, in_.ConsumeIntegral<QCX_DWORD>(), bytePtr), "%d", index);
            return;
        case kTransport + 8: {
            const QCX_BYTE reg = in_.ConsumeIntegral<QCX_BYTE>();
            const QCX_WORD v = in_.ConsumeIntegral<QCX_WORD>();
            Device("QCX_WrSensorReg", QCX_WrSensorReg(index, reg, v), "%d, 0x%x, 0x%x", index, reg, v);
            return;
        }
        case kTransport + 9:
            Device("QCX_RdSensorReg", QCX_RdSensorReg(index, in_.ConsumeIntegral<QCX_BYTE>(), wordPtr), "%d", index);
            return;
        case kTransport + 10: {
            const QCX_WORD reg = in_.ConsumeIntegral<QCX_WORD>();
            const QCX_WORD v = in_.ConsumeIntegral<QCX_WORD>();
            Device("QCX_WrSensorRegX", QCX_WrSensorRegX(index, reg, v), "%d, 0x%x, 0x%x", index, reg, v);
            return;
        }
        case kTransport + 11:
            Device("QCX_RdSensorRegX", QCX_RdSensorRegX(index, in_.ConsumeIntegral<QCX_WORD>(), wordPtr), "%d", index);
            return;
        case kTransport + 12: {
            QCX_BYTE setup[8];
            for (QCX_BYTE& b : setup) b = in_.ConsumeIntegral<QCX_BYTE>();
            const std::size_t length = setup[6] | (setup[7] << 8);
            std::vector<QCX_BYTE> data(length == 0 ? 1 : length, 0);
            Device("QCX_VendorCmd", QCX_VendorCmd(index, Null() ? nullptr : setup, Null() ? nullptr : data.data()),
                   "%d, %02x %02x %04x %04x %04x", index, setup[0], setup[1], setup[2] | (setup[3] << 8),
                   setup[4] | (setup[5] << 8), static_cast<unsigned>(length));
            return;
        }
        case kTransport + 13:
            Device("QCX_DeviceGetInformation", QCX_DeviceGetInformation(index, intPtr, intPtr2, wordPtr), "%d", index);
            return;
        case kTransport + 14: Device("QCX_EmptyFrameBuffer", QCX_EmptyFrameBuffer(index), "%d", index); return;
        case kTransport + 15: {
            const QCX_BOOL8 on = Bool8();
            Device("QCX_SetData16Bits", QCX_SetData16Bits(index, on), "%d, %u", index, on);
            return;
        }
        case kTransport + 16: Device("QCX_GetData16Bits", QCX_GetData16Bits(index, bytePtr), "%d", index); return;
        case kTransport + 17: {
            const QCX_DWORD ms = in_.ConsumeIntegralInRange<QCX_DWORD>(0, kLongestTimeOutMs);
            Device("QCX_CaptureSetTimeOut", QCX_CaptureSetTimeOut(index, ms), "%d, %u", index, ms);
            return;
        }
        case kTransport + 18:
            Device("QCX_CaptureGetTimeOut", QCX_CaptureGetTimeOut(index, Null() ? nullptr : &dword), "%d", index);
            return;

        // ---- windows and sizes
        case kWindow + 0:
        case kWindow + 1: {
            int w[6];
            for (int i = 0; i < 6; ++i)
                w[i] = i < 2   ? AnyInt()
                       : i < 4 ? (Flag() ? in_.ConsumeIntegralInRange(-8, 800) : AnyInt())
                               : SmallInt(-1, 5);
            const bool capture = op == kWindow + 0;
            const int result = capture ? QCX_CaptureSetFieldOfView(index, w[0], w[1], w[2], w[3], w[4], w[5])
                                       : QCX_PreviewSetFieldOfView(index, w[0], w[1], w[2], w[3], w[4], w[5]);
            Device(capture ? "QCX_CaptureSetFieldOfView" : "QCX_PreviewSetFieldOfView", result,
                   "%d, %d, %d, %d, %d, %d, %d", index, w[0], w[1], w[2], w[3], w[4], w[5]);
            return;
        }
        case kWindow + 2:
        case kWindow + 3:
        case kWindow + 4:
        case kWindow + 5: {
            int w[6] = {-7, -7, -7, -7, -7, -7};
            int* p[6];
            const bool skipSome = Null();
            for (int i = 0; i < 6; ++i) p[i] = skipSome && Flag() ? nullptr : &w[i];
            static const char* const kNames[] = {"QCX_CaptureGetFieldOfView", "QCX_PreviewGetFieldOfView",
                                                 "QCX_CaptureGetDefaultFieldOfView",
                                                 "QCX_PreviewGetDefaultFieldOfView"};
            using Getter = int(QCXAPI_CALL*)(int, int*, int*, int*, int*, int*, int*);
            static const Getter kGetters[] = {QCX_CaptureGetFieldOfView, QCX_PreviewGetFieldOfView,
                                              QCX_CaptureGetDefaultFieldOfView, QCX_PreviewGetDefaultFieldOfView};
            const int which = op - (kWindow + 2);
            if (Device(kNames[which], kGetters[which](index, p[0], p[1], p[2], p[3], p[4], p[5]), "%d", index) == 1 &&
                !skipSome)
                CheckWindow(index, w);
            return;
        }
        case kWindow + 6: Device("QCX_CaptureGetSize", QCX_CaptureGetSize(index, intPtr, intPtr2), "%d", index); return;
        case kWindow + 7: {
            int bits = 0;
            Device("QCX_CaptureGetSizeEx", QCX_CaptureGetSizeEx(index, intPtr, intPtr2, Null() ? nullptr : &bits), "%d",
                   index);
            return;
        }
        case kWindow + 8: {
            int bits = 0, dataBits = 0;
            Device(
                "QCX_CaptureGetSizeExEx",
                QCX_CaptureGetSizeExEx(index, intPtr, intPtr2, Null() ? nullptr : &bits, Null() ? nullptr : &dataBits),
                "%d", index);
            return;
        }
        case kWindow + 9: Device("QCX_PreviewGetSize", QCX_PreviewGetSize(index, intPtr, intPtr2), "%d", index); return;
        case kWindow + 10: {
            int bits = 0;
            Device("QCX_PreviewGetSizeEx", QCX_PreviewGetSizeEx(index, intPtr, intPtr2, Null() ? nullptr : &bits), "%d",
                   index);
            return;
        }

        // ---- preview
        case kPreview + 0: {
            const QCX_BOOL8 start = Bool8();
            Device("QCX_PreviewStart", QCX_PreviewStart(index, start), "%d, %u", index, start);
            return;
        }
        case kPreview + 1: {
            const QCX_BOOL8 pause = Bool8();
            Device("QCX_PreviewPause", QCX_PreviewPause(index, pause), "%d, %u", index, pause);
            return;
        }
        case kPreview + 2: Device("QCX_PreviewGetStatus", QCX_PreviewGetStatus(index, intPtr), "%d", index); return;
        case kPreview + 3: {
            const QCX_WINDOW window = Flag() ? 0 : in_.ConsumeIntegral<QCX_WINDOW>();
            const int x = AnyInt(), y = AnyInt(), w = AnyInt(), h = AnyInt();
            Device("QCX_PreviewSetPos", QCX_PreviewSetPos(index, window, x, y, w, h), "%d, %lu, %d, %d, %d, %d", index,
                   static_cast<unsigned long>(window), x, y, w, h);
            return;
        }
        case kPreview + 4: {
            int x = 0, y = 0;
            Device("QCX_PreviewGetPos",
                   QCX_PreviewGetPos(index, Null() ? nullptr : &x, Null() ? nullptr : &y, intPtr, intPtr2), "%d",
                   index);
            return;
        }
        case kPreview + 5:
            Device("QCX_PreviewGetPausedData", QCX_PreviewGetPausedData(index, Buffer(PreviewBytes(index))), "%d",
                   index);
            return;
        case kPreview + 6: {
            int bits = 0;
            Device("QCX_PreviewGetPausedDataEx",
                   QCX_PreviewGetPausedDataEx(index, Buffer(PreviewBytes(index)), intPtr, intPtr2,
                                              Null() ? nullptr : &bits),
                   "%d", index);
            return;
        }
        case kPreview + 7:
            Device("QCX_PreviewGetFrameRate", QCX_PreviewGetFrameRate(index, Null() ? nullptr : &real), "%d", index);
            return;
        case kPreview + 8:
            Device("QCX_PreviewSetCallback", QCX_PreviewSetCallback(index, Flag() ? OnPreview : nullptr, &value), "%d",
                   index);
            return;
        case kPreview + 9:
            Device("QCX_PreviewSetCallbackEx", QCX_PreviewSetCallbackEx(index, Flag() ? OnPreviewEx : nullptr, &value),
                   "%d", index);
            return;
        case kPreview + 10: {
            const int mode = SmallInt(-1, 2);
            Device("QCX_PreviewSetMode", QCX_PreviewSetMode(index, mode), "%d, %d", index, mode);
            return;
        }
        case kPreview + 11: Device("QCX_PreviewGetMode", QCX_PreviewGetMode(index, intPtr), "%d", index); return;

        // ---- parameters
        case kParameters + 0: {
            const int parameter = SmallInt(0, 25), v = AnyInt();
            if (Device("QCX_SetParam", QCX_SetParam(index, parameter, v), "%d, %d, %d", index, parameter, v) == 1 &&
                parameter >= QCX_PREVIEW_COLUMNSTART && parameter <= QCX_CAPTURE_ROWSTART) {
                int w[6];
                const bool preview = parameter <= QCX_PREVIEW_ROWSTART;
                (preview ? QCX_PreviewGetFieldOfView : QCX_CaptureGetFieldOfView)(index, &w[0], &w[1], &w[2], &w[3],
                                                                                  &w[4], &w[5]);
                CheckWindow(index, w);
            }
            return;
        }
        case kParameters + 1: {
            const int parameter = SmallInt(0, 25);
            Device("QCX_GetParam", QCX_GetParam(index, parameter, intPtr), "%d, %d", index, parameter);
            return;
        }
        case kParameters + 2: {
            const int parameter = SmallInt(0, 25);
            Device("QCX_GetParamRange", QCX_GetParamRange(index, parameter, intPtr, intPtr2), "%d, %d", index,
                   parameter);
            return;
        }
        case kParameters + 3: {
            const float ms = AnyFloat();
            Device("QCX_ExposureTimeSet", QCX_ExposureTimeSet(index, ms), "%d, %g", index, static_cast<double>(ms));
            return;
        }
        case kParameters + 4:
            Device("QCX_ExposureTimeGet", QCX_ExposureTimeGet(index, Null() ? nullptr : &real), "%d", index);
            return;

        // ---- automatic loops and the chip's own controls
        case kAuto + 0:
        case kAuto + 3:
        case kAuto + 6: {
            const int x = AnyInt(), y = AnyInt(), w = AnyInt(), h = AnyInt();
            const int which = (op - kAuto) / 3;
            static const char* const kNames[] = {"QCX_AESetRegion", "QCX_AWBSetRegion", "QCX_AFSetRegion"};
            const int result = which == 0   ? QCX_AESetRegion(index, x, y, w, h)
                               : which == 1 ? QCX_AWBSetRegion(index, x, y, w, h)
                                            : QCX_AFSetRegion(index, x, y, w, h);
            Device(kNames[which], result, "%d, %d, %d, %d, %d", index, x, y, w, h);
            return;
        }
        case kAuto + 1: {
            const QCX_BOOL8 start = Bool8();
            const int count = SmallInt(0, 20), target = AnyInt();
            Device("QCX_AEStart", QCX_AEStart(index, start, count, target), "%d, %u, %d, %d", index, start, count,
                   target);
            return;
        }
        case kAuto + 4: {
            const QCX_BOOL8 start = Bool8();
            const int count = SmallInt(0, 20), red = AnyInt(), green = AnyInt(), blue = AnyInt();
            Device("QCX_AWBStart", QCX_AWBStart(index, start, count, red, green, blue), "%d, %u, %d, %d, %d, %d", index,
                   start, count, red, green, blue);
            return;
        }
        case kAuto + 7: {
            const QCX_BOOL8 start = Bool8();
            Device("QCX_AFStart", QCX_AFStart(index, start), "%d, %u", index, start);
            return;
        }
        case kAuto + 2:
            Device("QCX_AESetCallback", QCX_AESetCallback(index, Flag() ? OnAe : nullptr, nullptr), "%d", index);
            return;
        case kAuto + 5:
            Device("QCX_AWBSetCallback", QCX_AWBSetCallback(index, Flag() ? OnAwb : nullptr, nullptr), "%d", index);
            return;
        case kAuto + 8:
            Device("QCX_AFSetCallback", QCX_AFSetCallback(index, Flag() ? OnFocus : nullptr, nullptr), "%d", index);
            return;
        case kAuto + 9: Device("QCX_AECSetEnable", QCX_AECSetEnable(index, Bool8()), "%d", index); return;
        case kAuto + 10: Device("QCX_AECGetEnable", QCX_AECGetEnable(index, bytePtr), "%d", index); return;
        case kAuto + 11: {
            const QCX_WORD low = in_.ConsumeIntegral<QCX_WORD>(), high = in_.ConsumeIntegral<QCX_WORD>();
            Device("QCX_AECSetRange", QCX_AECSetRange(index, low, high), "%d, %u, %u", index, low, high);
            return;
        }
        // Known to answer 1 for a null output (mended elsewhere): real pointers only, for now.
        case kAuto + 12: Device("QCX_AECGetRange", QCX_AECGetRange(index, &word, &word2), "%d", index); return;
        case kAuto + 13: Device("QCX_AECGetCur", QCX_AECGetCur(index, &word), "%d", index); return;
        case kAuto + 14: Device("QCX_AGCSetEnable", QCX_AGCSetEnable(index, Bool8()), "%d", index); return;
        case kAuto + 15: Device("QCX_AGCGetEnable", QCX_AGCGetEnable(index, bytePtr), "%d", index); return;
        case kAuto + 16: {
            const QCX_WORD low = in_.ConsumeIntegral<QCX_WORD>(), high = in_.ConsumeIntegral<QCX_WORD>();
            Device("QCX_AGCSetRange", QCX_AGCSetRange(index, low, high), "%d, %u, %u", index, low, high);
            return;
        }
        case kAuto + 17:
            Device("QCX_AGCGetRange", QCX_AGCGetRange(index, wordPtr, Null() ? nullptr : &word2), "%d", index);
            return;
        case kAuto + 18: Device("QCX_AGCGetCur", QCX_AGCGetCur(index, &word), "%d", index); return;

        // ---- Bayer filter and colour pipeline
        case kImaging + 0: {
            const int mode = SmallInt(-1, 25);
            Device("QCX_BayerSetMode", QCX_BayerSetMode(index, mode), "%d, %d", index, mode);
            return;
        }
        case kImaging + 1: Device("QCX_BayerGetMode", QCX_BayerGetMode(index, intPtr), "%d", index); return;
        case kImaging + 2:
            Device("QCX_BayerGetDefaultMode", QCX_BayerGetDefaultMode(index, intPtr), "%d", index);
            return;
        case kImaging + 3: {
            const int mode = SmallInt(-1, 5);
            Device("QCX_FilterSetMode", QCX_FilterSetMode(index, mode), "%d, %d", index, mode);
            return;
        }
        case kImaging + 4: Device("QCX_FilterGetMode", QCX_FilterGetMode(index, intPtr), "%d", index); return;
        case kImaging + 5: {
            const int gamma = SmallInt(-10, 10);
            Device("QCX_GammaSetValue", QCX_GammaSetValue(index, gamma), "%d, %d", index, gamma);
            return;
        }
        case kImaging + 6: Device("QCX_GammaOn", QCX_GammaOn(index, SmallInt(0, 1)), "%d", index); return;
        case kImaging + 7: {
            const int v = SmallInt(-130, 130);
            Device("QCX_ProcessContrastSet", QCX_ProcessContrastSet(index, v), "%d, %d", index, v);
            return;
        }
        case kImaging + 8: Device("QCX_ProcessContrastGet", QCX_ProcessContrastGet(index, intPtr), "%d", index); return;
        case kImaging + 9:
            Device("QCX_ProcessContrastGetRange", QCX_ProcessContrastGetRange(index, intPtr, intPtr2), "%d", index);
            return;
        case kImaging + 10:
            Device("QCX_ProcessBrightnessGetRange", QCX_ProcessBrightnessGetRange(index, intPtr, intPtr2), "%d", index);
            return;
        case kImaging + 11: {
            const int v = SmallInt(-130, 130);
            Device("QCX_ProcessBrightnessSet", QCX_ProcessBrightnessSet(index, v), "%d, %d", index, v);
            return;
        }
        case kImaging + 12:
            Device("QCX_ProcessBrightnessGet", QCX_ProcessBrightnessGet(index, intPtr), "%d", index);
            return;
        case kImaging + 13: {
            const int v = SmallInt(-130, 130);
            Device("QCX_ProcessSaturationSet", QCX_ProcessSaturationSet(index, v), "%d, %d", index, v);
            return;
        }
        case kImaging + 14:
            Device("QCX_ProcessSaturationGet", QCX_ProcessSaturationGet(index, intPtr), "%d", index);
            return;
        case kImaging + 15:
            Device("QCX_ProcessSaturationGetRange", QCX_ProcessSaturationGetRange(index, intPtr, intPtr2), "%d", index);
            return;
        case kImaging + 16: {
            const QCX_BYTE first = in_.ConsumeIntegral<QCX_BYTE>(), second = in_.ConsumeIntegral<QCX_BYTE>();
            Device("QCX_BadPixelCorrectionSetThreshold", QCX_BadPixelCorrectionSetThreshold(index, first, second),
                   "%d, %u, %u", index, first, second);
            return;
        }
        case kImaging + 17:
            Device("QCX_BadPixelCorrectionGetThreshold",
                   QCX_BadPixelCorrectionGetThreshold(index, bytePtr, Null() ? nullptr : &byte2), "%d", index);
            return;
        case kImaging + 18: {
            const QCX_BOOL8 on = Bool8();
            const int mode = SmallInt(-1, 3);
            Device("QCX_BadPixelCorrectionSet", QCX_BadPixelCorrectionSet(index, on, mode), "%d, %u, %d", index, on,
                   mode);
            return;
        }
        case kImaging + 19:
            Device("QCX_BadPixelCorrectionGet", QCX_BadPixelCorrectionGet(index, bytePtr, intPtr), "%d", index);
            return;
        case kImaging + 20: {
            const QCX_BOOL8 on = Bool8();
            const char* file = File(".map");
            Device("QCX_LoadMapTableFile", QCX_LoadMapTableFile(index, on, file), "%d, %u, %s", index, on,
                   file ? file : "null");
            return;
        }
        case kImaging + 21: {
            const int mode = SmallInt(-1, 5), v1 = AnyInt(), v2 = AnyInt(), v3 = AnyInt();
            Device("QCX_ColorCorrectSet", QCX_ColorCorrectSet(index, mode, v1, v2, v3), "%d, %d, %d, %d, %d", index,
                   mode, v1, v2, v3);
            return;
        }
        case kImaging + 22: Device("QCX_ColorCorrectGet", QCX_ColorCorrectGet(index, intPtr), "%d", index); return;
        case kImaging + 23:
            Device("QCX_ColorCorrectSetCallback",
                   QCX_ColorCorrectSetCallback(index, Flag() ? OnCorrection : nullptr, nullptr), "%d", index);
            return;
        case kImaging + 24: {
            const char* file = File(".qcc");
            Device("QCX_ColorCorrectTableSave", QCX_ColorCorrectTableSave(index, file), "%d, %s", index,
                   file ? file : "null");
            return;
        }
        case kImaging + 25: {
            const char* file = File(".qcc");
            Device("QCX_ColorCorrectTableLoad", QCX_ColorCorrectTableLoad(index, file), "%d, %s", index,
                   file ? file : "null");
            return;
        }
        case kImaging + 26: {
            byte = 0xEE;
            const bool null = bytePtr == nullptr;
            const int result =
                Device("QCX_IsColorCorrectTableLoad", QCX_IsColorCorrectTableLoad(index, bytePtr), "%d", index);
            Check(null || byte <= 1, "the table flag is 0 or 1");
            Check(null || result == 1 || byte == 0, "the table flag is 0 on every failure");
            return;
        }

        // ---- recording
        case kRecording + 0:
        case kRecording + 1: {
            const QCX_BOOL8 start = Bool8();
            const float rate = AnyFloat();
            const char* file = File(".avi");
            if (op == kRecording + 0) {
                Device("QCX_RecordStart", QCX_RecordStart(index, start, rate, file), "%d, %u, %g, %s", index, start,
                       static_cast<double>(rate), file ? file : "null");
            } else {
                const QCX_BOOL8 dialog = Bool8();
                Device("QCX_RecordStartEx", QCX_RecordStartEx(index, start, rate, file, dialog), "%d, %u, %g, %s, %u",
                       index, start, static_cast<double>(rate), file ? file : "null", dialog);
            }
            return;
        }
        case kRecording + 2: Device("QCX_RecordStatusGet", QCX_RecordStatusGet(index, bytePtr), "%d", index); return;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Harness& harness = Process();
    std::string pattern = (fs::temp_directory_path() / "qcx-api-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) qcx::fuzz::Fail("no scratch folder");
    harness.folder = pattern;
    harness.trace = std::getenv("QCX_FUZZ_TRACE") != nullptr;
    ClearFolder();
    // Nothing is drawn, frames come at once, claims and stored settings stay
    // in the scratch folder.
    unsetenv("DISPLAY");
    setenv("QCX_SIM_TIMING", "fast", 1);
    setenv("QCX_SIM_SCENE", "picture", 1);
    setenv("QCX_LOCK_DIR", Path("locks").c_str(), 1);
    setenv("QCX_REGISTRY_ROOT", Path("registry").c_str(), 1);
    FindOpenableFamilies();
    std::atexit([] {
        QCX_UnInit();
        std::error_code ignored;
        fs::remove_all(Process().folder, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Session session(in);
    session.Start();
    session.Run();
    return 0;
}
