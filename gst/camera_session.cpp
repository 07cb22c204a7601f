#include "camera_session.h"

#include <glib.h>

#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <set>
#include <vector>

#include "qcxapi.h"

namespace qcxgst {

namespace {

// A read that finds no frame ends at the time-out, and only then can a
// flushing element stop waiting for it: the time-out is kept short, yet
// longer than the slowest frame the settings allow (the exposure twice,
// the transfer at a slow USB 2.0 link's rate, and slack).
constexpr double kReadSlackMs = 250.0;
constexpr double kSlowLinkBytesPerMs = 10000.0;

// The process's hold on the library, shared by every qcxsrc element.
struct LibraryHold {
    std::mutex lock;
    int users = 0;                 // open sessions
    bool initialisedHere = false;  // our QCX_Init, so the last session ends it
    std::set<int> indexes;         // device indexes open in this process
};

LibraryHold& Hold() {
    static LibraryHold hold;
    return hold;
}

bool ParseFieldOfView(const std::string& text, std::vector<int>* values) {
    const char* cursor = text.c_str();
    while (*cursor != '\0') {
        char* end = nullptr;
        errno = 0;
        const long value = std::strtol(cursor, &end, 10);
        if (end == cursor || errno != 0 || value < G_MININT || value > G_MAXINT) return false;
        values->push_back(static_cast<int>(value));
        if (*end == '\0') break;
        if (*end != ',' || end[1] == '\0') return false;
        cursor = end + 1;
    }
    return values->size() == 4 || values->size() == 6;
}

bool Fail(CameraError* error, GstResourceError code, int status, std::string what) {
    error->code = code;
    error->status = status;
    error->what = std::move(what);
    if (status != 0) error->what += ": " + CameraSession::StatusText(status) + " (" + std::to_string(status) + ")";
    return false;
}

}  // namespace

bool CameraSession::Open(const CameraSettings& settings, CameraError* error) {
    LibraryHold& hold = Hold();
    std::lock_guard<std::mutex> guard(hold.lock);
    if (hold.indexes.count(settings.device) != 0)
        return Fail(error, GST_RESOURCE_ERROR_BUSY, 0, "used by another qcxsrc of this process");
    if (!settings.simulate.empty()) {
        // Set only when it changes: the library reads the environment at
        // every frame read, also on other elements' streaming threads.
        const char* current = g_getenv("QCX_SIM");
        if (current == nullptr || settings.simulate != current)
            g_setenv("QCX_SIM", settings.simulate.c_str(), TRUE);
    }
    if (hold.users == 0) {
        // -5 before QCX_Init: nobody in the process has the library open. An
        // application that opened it itself keeps it open after us.
        hold.initialisedHere = QCX_DeviceGetCount() == QCX_STATUS_NOT_INITIALIZED;
        if (hold.initialisedHere) {
            const int status = QCX_Init();
            if (status != QCX_STATUS_SUCCESS) return Fail(error, GST_RESOURCE_ERROR_OPEN_READ, status, "QCX_Init");
        }
    }
    ++hold.users;
    hold.indexes.insert(settings.device);
    index_ = settings.device;
    if (Configure(settings, error)) return true;
    hold.indexes.erase(index_);
    index_ = -1;
    if (--hold.users == 0 && hold.initialisedHere) QCX_UnInit();
    return false;
}

void CameraSession::Close() {
    if (index_ < 0) return;
    LibraryHold& hold = Hold();
    std::lock_guard<std::mutex> guard(hold.lock);
    hold.indexes.erase(index_);
    index_ = -1;
    if (--hold.users == 0 && hold.initialisedHere) QCX_UnInit();
}

bool CameraSession::Configure(const CameraSettings& settings, CameraError* error) {
    const int count = QCX_DeviceGetCount();
    if (settings.device >= count)
        return Fail(error, GST_RESOURCE_ERROR_NOT_FOUND, QCX_STATUS_NO_DEVICE,
                    "not found among " + std::to_string(count < 0 ? 0 : count) + " camera(s)");
    // The first call that names the index opens the camera.
    const int opened = QCX_DeviceGetInformation(index_, nullptr, nullptr, nullptr);
    if (opened != QCX_STATUS_SUCCESS) return Fail(error, GST_RESOURCE_ERROR_OPEN_READ, opened, "does not open");
    // A setting the camera refuses ends the start with the library's status.
    auto refused = [error](int status, const std::string& what) {
        if (status == QCX_STATUS_SUCCESS) return false;
        Fail(error, GST_RESOURCE_ERROR_SETTINGS, status, what);
        return true;
    };

    if (!settings.fov.empty()) {
        std::vector<int> v;
        if (!ParseFieldOfView(settings.fov, &v))
            return Fail(error, GST_RESOURCE_ERROR_SETTINGS, 0,
                        "fov \"" + settings.fov + "\" is not x,y,width,height[,column mode,row mode]");
        v.resize(6, 0);
        if (refused(QCX_CaptureSetFieldOfView(index_, v[0], v[1], v[2], v[3], v[4], v[5]), "fov " + settings.fov))
            return false;
    }
    int mode = settings.bayerMode;
    if (mode < 0 && refused(QCX_BayerGetDefaultMode(index_, &mode), "the sensor's Bayer mode")) return false;
    // GStreamer's rows run top to bottom: rather than flip each image, ask
    // the library for the top-down mode of the same colours and pixels.
    QCX_BayerSetMode(index_, TopDownBayerMode(mode));
    QCX_FilterSetMode(index_, settings.filterMode);
    if (settings.exposureMs > 0 && refused(SetExposure(settings.exposureMs), "exposure")) return false;
    if (settings.gain >= 0 && refused(SetGain(settings.gain), "gain")) return false;
    if (refused(UpdateTimeOut(), "capture time-out")) return false;

    CameraOutput output;
    int outputMode = 1;
    QCX_PreviewGetMode(index_, &outputMode);
    output.colour = outputMode != 0;
    // In grey output mode (the monochrome cameras) the raw frame is the
    // image, and the camera opens with its rows flipped so that the image
    // comes bottom row first; unflipped it comes top row first.
    if (!output.colour && refused(QCX_SetParam(index_, QCX_FLIP, 0), "row order")) return false;
    QCX_CaptureGetSizeExEx(index_, &output.width, &output.height, &output.bitCount, &output.dataBits);
    QCX_BayerGetMode(index_, &output.bayerMode);
    format_ = ChooseFrameFormat(output, settings.raw);
    if (!format_.RowsUnpadded())
        return Fail(error, GST_RESOURCE_ERROR_SETTINGS, 0,
                    "rows of " + std::to_string(format_.RowBytes()) + " bytes are not a multiple of 4");
    return true;
}

int CameraSession::Capture(unsigned char* destination) {
    if (format_.rawCapture) return QCX_CaptureRawData(index_, destination);
    return QCX_CaptureRgbDataEx(index_, destination, nullptr, nullptr, nullptr);
}

int CameraSession::SetExposure(double milliseconds) {
    const int status = QCX_ExposureTimeSet(index_, static_cast<float>(milliseconds));
    if (status != QCX_STATUS_SUCCESS) return status;
    return UpdateTimeOut();
}

int CameraSession::SetGain(int gain) {
    // The sensor's colour gains; cameras with one global gain take any of them.
    for (int parameter : {QCX_RED, QCX_GREEN, QCX_BLUE}) {
        const int status = QCX_SetParam(index_, parameter, gain);
        if (status != QCX_STATUS_SUCCESS) return status;
    }
    return QCX_STATUS_SUCCESS;
}

int CameraSession::UpdateTimeOut() {
    float exposure = 0.0f;
    int width = 0, height = 0, dataBits = 8;
    QCX_ExposureTimeGet(index_, &exposure);
    QCX_CaptureGetSizeExEx(index_, &width, &height, nullptr, &dataBits);
    const double bytes = static_cast<double>(width) * height * (dataBits / 8);
    const double ms = kReadSlackMs + 2.0 * exposure + bytes / kSlowLinkBytesPerMs;
    return QCX_CaptureSetTimeOut(index_, static_cast<QCX_DWORD>(ms));
}

ReadOutcome CameraSession::Classify(int status) {
    switch (status) {
    case QCX_STATUS_SUCCESS: return ReadOutcome::Frame;
    case QCX_STATUS_RECOVERY_SUCCESSFUL:
    case QCX_STATUS_BAD_FRAME:
    case QCX_STATUS_INVALID_FRAME:
    case QCX_STATUS_ZERO_FRAME:
    case QCX_STATUS_FAIL: return ReadOutcome::Retry;
    default: return ReadOutcome::Fatal;
    }
}

std::string CameraSession::StatusText(int status) {
    char text[QCX_ERROR_TEXT_SIZE] = {};
    QCX_GetErrorInfo(status, text);
    return text;
}

}  // namespace qcxgst
