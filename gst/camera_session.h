// The camera of one qcxsrc element: the process's hold on the library (the
// first element that finds it uninitialised calls QCX_Init, the last one to
// close calls QCX_UnInit), the settings made when the camera opens, and the
// frame capture.
#pragma once

#include <string>

#include "frame_format.h"

namespace qcxgst {

struct CameraSettings {
    int device = 0;
    std::string simulate;   // QCX_SIM for the process; empty leaves it as it is
    std::string fov;        // "x,y,w,h[,cm,rm]"; empty keeps the camera's window
    double exposureMs = 0;  // 0 keeps the camera's exposure
    int gain = -1;          // -1 keeps the camera's gains
    int bayerMode = -1;     // -1: the sensor's own
    int filterMode = 1;
    bool raw = false;
};

struct CameraError {
    GstResourceError code = GST_RESOURCE_ERROR_OPEN_READ;
    int status = 0;  // the library's status, 0 when the failure is not one
    std::string what;
};

// What a capture's status asks for: -10 (the camera was recovered after a
// time-out or a failed read), short, empty or bad frames and refused
// requests are worth another read; anything else ends the stream.
enum class ReadOutcome { Frame, Retry, Fatal };

class CameraSession {
public:
    CameraSession() = default;
    ~CameraSession() { Close(); }
    CameraSession(const CameraSession&) = delete;
    CameraSession& operator=(const CameraSession&) = delete;

    bool Open(const CameraSettings& settings, CameraError* error);
    void Close();
    bool IsOpen() const { return index_ >= 0; }
    int Index() const { return index_; }
    const FrameFormat& Format() const { return format_; }

    // One frame of Format().FrameBytes() bytes into `destination`; returns
    // the library's status.
    int Capture(unsigned char* destination);
    int SetExposure(double milliseconds);
    int SetGain(int gain);

    static ReadOutcome Classify(int status);
    static std::string StatusText(int status);

private:
    bool Configure(const CameraSettings& settings, CameraError* error);
    int UpdateTimeOut();

    int index_ = -1;
    FrameFormat format_;
};

}  // namespace qcxgst
