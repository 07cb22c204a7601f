// Every export the library defines, called with null pointers, invalid
// device indexes and arguments at the extremes of their types, against a
// simulated MT9V032 through the shipped library: each case gives its
// documented status, nothing crashes or leaks (the sanitizer builds), and a
// call the library refuses sends nothing to the camera.
//
// Every defined export has at least one row here, written ROW(state, QCX_...
// or add("QCX_...; tests/check_exports.sh holds the library to that list.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "e2e/sim_session.h"
#include "support/temp_folder.h"

namespace {

// When a row runs: helpers and the library frame before QCX_Init, device
// rows on camera 0 with the preview stopped, running or paused, and last.
enum State { Helper, Stopped, Running, Paused, Last };

struct Row {
    const char* name;
    const std::string what;
    int expected;
    std::function<int(int index)> call;
    State state;
    bool answeredByCamera = false;  // the camera refuses it, so it has traffic
};

// `...` is the call on device index i, as an expression.
#define ROW(state, name, what, expected, ...) \
    Row { #name, what, expected, [](int i) { return (void)i, __VA_ARGS__; }, state }

Row ByCamera(Row row) {
    row.answeredByCamera = true;
    return row;
}

constexpr int kMixed = 1000;  // the calls of one row disagreed
constexpr float kNaN = NAN;

// The common status of the calls of one row, or kMixed.
int Same(std::initializer_list<int> statuses) {
    for (int s : statuses)
        if (s != *statuses.begin()) return kMixed;
    return *statuses.begin();
}

// Scratch outputs, and room for the largest image of the camera.
QCX_BYTE g_image[752 * 480 * 4];
QCX_BYTE g_byte;
QCX_WORD g_word;
QCX_BOOL8 g_flag;
int g_int;
char g_text[QCX_LOG_FOLDER_SIZE];
const QCX_BYTE kSetupZero[8] = {};
const QCX_BYTE kSetupOnes[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
const std::string kLongFolder(300, 'f');
std::string g_folder;

int* I() { return &g_int; }
QCX_WORD* W() { return &g_word; }
std::string Path(const char* name) { return g_folder + "/" + name; }
const char* File(const char* name) {
    static std::string path;
    return (path = Path(name)).c_str();
}
// A refusal must leave no file behind.
int NoFile(int status, const char* name) {
    struct stat info {};
    return stat(Path(name).c_str(), &info) == 0 ? kMixed : status;
}
// As Same, for rows whose last call only puts a setting back.
int SameThenRestore(std::initializer_list<int> statuses) {
    for (auto s = statuses.begin(); s + 1 != statuses.end(); ++s)
        if (*s != *statuses.begin()) return kMixed;
    return *statuses.begin();
}
// An output the camera refuses to fill is still zeroed (preset it to 7).
int Zeroed(int status) { return status != -5 && g_int != 0 ? kMixed : status; }
int FlagCleared(int status) { return g_flag != 0 ? kMixed : status; }

std::vector<Row> Rows() {
    std::vector<Row> rows = {
        // Library frame and image files need no camera. Sizes beyond the
        // caller's buffer cannot be told from good ones, so only sizes that
        // describe no image are tried on the image writers.
        ROW(Helper, QCX_UnInit, "without QCX_Init", 1, QCX_UnInit()),
        ROW(Helper, QCX_DeviceGetCount, "without QCX_Init", -5, QCX_DeviceGetCount()),
        ROW(Helper, QCX_GetErrorInfo, "code INT_MIN, INT_MAX", -6,
            Same({QCX_GetErrorInfo(INT_MIN, g_text), QCX_GetErrorInfo(INT_MAX, g_text)})),
        ROW(Helper, QCX_GetErrorInfo, "null text", -1, QCX_GetErrorInfo(1, nullptr)),
        ROW(Helper, QCX_LogSet, "enable 255, null folder", 1, QCX_LogSet(255, nullptr)),
        ROW(Helper, QCX_LogSet, "folder of 300 characters", -1, QCX_LogSet(0, kLongFolder.c_str())),
        ROW(Helper, QCX_LogGet, "null switch and folder", 1, QCX_LogGet(nullptr, nullptr)),
        ROW(Helper, QCX_HelperGetBmpFileHeaderSize, "null size, bit count INT_MIN, INT_MAX", -1,
            Same({QCX_HelperGetBmpFileHeaderSize(8, nullptr), QCX_HelperGetBmpFileHeaderSize(INT_MIN, I()),
                  QCX_HelperGetBmpFileHeaderSize(INT_MAX, I())})),
        ROW(Helper, QCX_HelperGetBmpFileHeader, "null header, width INT_MIN, height 0, bit count INT_MAX", -1,
            Same({QCX_HelperGetBmpFileHeader(2, 2, 8, nullptr), QCX_HelperGetBmpFileHeader(INT_MIN, 2, 24, g_image),
                  QCX_HelperGetBmpFileHeader(2, 0, 24, g_image), QCX_HelperGetBmpFileHeader(2, 2, INT_MAX, g_image)})),
        ROW(Helper, QCX_HelperGetBmpFileHeader, "width and height INT_MAX", 1,
            QCX_HelperGetBmpFileHeader(INT_MAX, INT_MAX, 32, g_image)),
        ROW(Helper, QCX_HelperSaveToBmp, "null data or file, width, height INT_MIN, bit count INT_MAX", -1,
            NoFile(Same({QCX_HelperSaveToBmp(nullptr, 2, 2, 24, File("b.bmp")),
                         QCX_HelperSaveToBmp(g_image, 2, 2, 24, nullptr),
                         QCX_HelperSaveToBmp(g_image, INT_MIN, 2, 24, File("b.bmp")),
                         QCX_HelperSaveToBmp(g_image, 2, INT_MIN, 24, File("b.bmp")),
                         QCX_HelperSaveToBmp(g_image, 2, 2, INT_MAX, File("b.bmp"))}), "b.bmp")),
        ROW(Helper, QCX_HelperSaveToBmp, "folder that does not exist", -8,
            QCX_HelperSaveToBmp(g_image, 2, 2, 24, "/nonexistent-qcx/a.bmp")),
        ROW(Helper, QCX_HelperSaveToJpg, "null data or file; width, height, bit count INT_MIN", -8,
            NoFile(Same({QCX_HelperSaveToJpg(nullptr, 2, 2, 24, 75, File("b.jpg")),
                         QCX_HelperSaveToJpg(g_image, 2, 2, 24, 75, nullptr),
                         QCX_HelperSaveToJpg(g_image, INT_MIN, 2, 24, 75, File("b.jpg")),
                         QCX_HelperSaveToJpg(g_image, 2, INT_MIN, 24, 75, File("b.jpg")),
                         QCX_HelperSaveToJpg(g_image, 2, 2, INT_MIN, 75, File("b.jpg"))}), "b.jpg")),
        ROW(Helper, QCX_HelperSaveToJpg, "quality INT_MIN, INT_MAX", 1,
            Same({QCX_HelperSaveToJpg(g_image, 2, 2, 24, INT_MIN, File("c.jpg")),
                  QCX_HelperSaveToJpg(g_image, 2, 2, 24, INT_MAX, File("c.jpg"))})),
        ROW(Helper, QCX_HelperSaveToTiff, "null data or file, width INT_MIN, bits INT_MAX, samples INT_MIN", -8,
            Same({QCX_HelperSaveToTiff(nullptr, 2, 2, 8, 1, File("b.tif")),
                  QCX_HelperSaveToTiff(g_image, 2, 2, 8, 1, nullptr),
                  QCX_HelperSaveToTiff(g_image, INT_MIN, 2, 8, 1, File("b.tif")),
                  QCX_HelperSaveToTiff(g_image, 2, 2, INT_MAX, 1, File("b.tif")),
                  QCX_HelperSaveToTiff(g_image, 2, 2, 8, INT_MIN, File("b.tif"))})),
        ROW(Helper, QCX_HelperStretchBmp, "null source or target, sizes INT_MIN or 0, bit count INT_MIN", -1,
            Same({QCX_HelperStretchBmp(nullptr, 2, 2, 24, g_image, 2, 2),
                  QCX_HelperStretchBmp(g_image, 2, 2, 24, nullptr, 2, 2),
                  QCX_HelperStretchBmp(g_image, INT_MIN, 2, 24, g_image + 64, 2, 2),
                  QCX_HelperStretchBmp(g_image, 2, 0, 24, g_image + 64, 2, 2),
                  QCX_HelperStretchBmp(g_image, 2, 2, 24, g_image + 64, INT_MIN, 2),
                  QCX_HelperStretchBmp(g_image, 2, 2, 24, g_image + 64, 2, 0),
                  QCX_HelperStretchBmp(g_image, 2, 2, INT_MIN, g_image + 64, 2, 2)})),

        // Device transport.
        ROW(Stopped, QCX_WrFx2Reg, "0, 0 and 0xFFFF, 0xFF", 1,
            Same({QCX_WrFx2Reg(i, 0, 0), QCX_WrFx2Reg(i, 0xFFFF, 0xFF)})),
        ROW(Stopped, QCX_RdFx2Reg, "null value", -1, QCX_RdFx2Reg(i, 0xFFFF, nullptr)),
        ROW(Stopped, QCX_WrFx2Sfr, "0, 0 and 0xFFFF, 0xFF", 1,
            Same({QCX_WrFx2Sfr(i, 0, 0), QCX_WrFx2Sfr(i, 0xFFFF, 0xFF)})),
        ROW(Stopped, QCX_RdFx2Sfr, "null value", -1, QCX_RdFx2Sfr(i, 0, nullptr)),
        ROW(Stopped, QCX_WrEEPROM, "0, 0 and 0xFFFF, 0xFF", 1,
            Same({QCX_WrEEPROM(i, 0, 0), QCX_WrEEPROM(i, 0xFFFF, 0xFF)})),
        ROW(Stopped, QCX_RdEEPROM, "null value", -1, QCX_RdEEPROM(i, 0xFFFF, nullptr)),
        ROW(Stopped, QCX_WrEEPROMEx, "address 0 and UINT_MAX", 1,
            Same({QCX_WrEEPROMEx(i, 0, 0), QCX_WrEEPROMEx(i, UINT_MAX, 0xFF)})),
        ROW(Stopped, QCX_RdEEPROMEx, "address 0 and UINT_MAX", 1,
            Same({QCX_RdEEPROMEx(i, 0, &g_byte), QCX_RdEEPROMEx(i, UINT_MAX, &g_byte)})),
        ROW(Stopped, QCX_RdEEPROMEx, "null value", -1, QCX_RdEEPROMEx(i, 0, nullptr)),
        ROW(Stopped, QCX_WrSensorReg, "0, 0 and 0xFF, 0xFFFF", 1,
            Same({QCX_WrSensorReg(i, 0, 0), QCX_WrSensorReg(i, 0xFF, 0xFFFF)})),
        ROW(Stopped, QCX_RdSensorReg, "null value", -1, QCX_RdSensorReg(i, 0xFF, nullptr)),
        ROW(Stopped, QCX_WrSensorRegX, "register and value 0xFFFF", 1, QCX_WrSensorRegX(i, 0xFFFF, 0xFFFF)),
        ROW(Stopped, QCX_RdSensorRegX, "null value", -1, QCX_RdSensorRegX(i, 0xFFFF, nullptr)),
        ROW(Stopped, QCX_VendorCmd, "null setup packet", -1, QCX_VendorCmd(i, nullptr, g_image)),
        ROW(Stopped, QCX_VendorCmd, "null data for 65535 bytes", -1, QCX_VendorCmd(i, kSetupOnes, nullptr)),
        // The firmware stalls requests it does not know.
        ByCamera(ROW(Stopped, QCX_VendorCmd, "setup all 0x00 and all 0xFF", -8,
                     Same({QCX_VendorCmd(i, kSetupZero, nullptr), QCX_VendorCmd(i, kSetupOnes, g_image)}))),
        ROW(Stopped, QCX_DeviceGetInformation, "every output null", 1,
            QCX_DeviceGetInformation(i, nullptr, nullptr, nullptr)),
        ROW(Stopped, QCX_EmptyFrameBuffer, "camera without working mode", -3, QCX_EmptyFrameBuffer(i)),
        ROW(Stopped, QCX_SetData16Bits, "0 and 255, camera without 16 bits", -3,
            Same({QCX_SetData16Bits(i, 0), QCX_SetData16Bits(i, 255)})),
        ROW(Stopped, QCX_GetData16Bits, "null flag", -1, QCX_GetData16Bits(i, nullptr)),
        ROW(Stopped, QCX_CaptureSetTimeOut, "0, then UINT_MAX", 1,
            Same({QCX_CaptureSetTimeOut(i, 0), QCX_CaptureSetTimeOut(i, UINT_MAX)})),
        ROW(Stopped, QCX_CaptureGetTimeOut, "null time", -1, QCX_CaptureGetTimeOut(i, nullptr)),

        // Still capture: a null buffer is refused before anything happens.
        ROW(Stopped, QCX_CaptureRawData, "null buffer", -1, QCX_CaptureRawData(i, nullptr)),
        ROW(Stopped, QCX_CaptureRgbData, "null buffer", -1, QCX_CaptureRgbData(i, nullptr)),
        ROW(Stopped, QCX_CaptureRgbDataEx, "null buffer", -1, QCX_CaptureRgbDataEx(i, nullptr, I(), I(), I())),
        ROW(Stopped, QCX_CaptureRgbDataEx, "null sizes", 1,
            QCX_CaptureRgbDataEx(i, g_image, nullptr, nullptr, nullptr)),
        ROW(Stopped, QCX_CaptureRawDataAfterEmptyFrameBuffer, "null buffer", -1,
            QCX_CaptureRawDataAfterEmptyFrameBuffer(i, nullptr)),
        ROW(Stopped, QCX_CaptureRgbDataAfterEmptyFrameBuffer, "null buffer", -1,
            QCX_CaptureRgbDataAfterEmptyFrameBuffer(i, nullptr)),
        ROW(Stopped, QCX_CaptureRgbDataExAfterEmptyFrameBuffer, "null buffer", -1,
            QCX_CaptureRgbDataExAfterEmptyFrameBuffer(i, nullptr, I(), I(), I())),
        ROW(Stopped, QCX_CaptureRgbDataExAfterEmptyFrameBuffer, "null sizes", 1,
            QCX_CaptureRgbDataExAfterEmptyFrameBuffer(i, g_image, nullptr, nullptr, nullptr)),

        // Windows: sizes and starts are clamped, unknown address modes refused.
        ROW(Stopped, QCX_CaptureSetFieldOfView, "starts and sizes INT_MIN", 1,
            QCX_CaptureSetFieldOfView(i, INT_MIN, INT_MIN, INT_MIN, INT_MIN, 0, 0)),
        ROW(Stopped, QCX_CaptureSetFieldOfView, "sizes INT_MAX", 1,
            QCX_CaptureSetFieldOfView(i, 0, 0, INT_MAX, INT_MAX, 0, 0)),
        ROW(Stopped, QCX_CaptureSetFieldOfView, "address modes INT_MIN, INT_MAX", -3,
            Same({QCX_CaptureSetFieldOfView(i, 0, 0, 64, 64, INT_MIN, 0),
                  QCX_CaptureSetFieldOfView(i, 0, 0, 64, 64, 0, INT_MAX)})),
        ROW(Running, QCX_PreviewSetFieldOfView, "starts and sizes INT_MIN", 1,
            QCX_PreviewSetFieldOfView(i, INT_MIN, INT_MIN, INT_MIN, INT_MIN, 0, 0)),
        ROW(Running, QCX_PreviewSetFieldOfView, "sizes INT_MAX", 1,
            QCX_PreviewSetFieldOfView(i, 0, 0, INT_MAX, INT_MAX, 0, 0)),
        ROW(Running, QCX_PreviewSetFieldOfView, "address modes INT_MAX, INT_MIN", -3,
            Same({QCX_PreviewSetFieldOfView(i, 0, 0, 64, 64, INT_MAX, 0),
                  QCX_PreviewSetFieldOfView(i, 0, 0, 64, 64, 0, INT_MIN)})),
        ROW(Stopped, QCX_CaptureGetFieldOfView, "every output null", 1,
            QCX_CaptureGetFieldOfView(i, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)),
        ROW(Stopped, QCX_PreviewGetFieldOfView, "every output null", 1,
            QCX_PreviewGetFieldOfView(i, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)),
        ROW(Stopped, QCX_CaptureGetDefaultFieldOfView, "every output null", 1,
            QCX_CaptureGetDefaultFieldOfView(i, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)),
        ROW(Stopped, QCX_PreviewGetDefaultFieldOfView, "every output null", 1,
            QCX_PreviewGetDefaultFieldOfView(i, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr)),
        ROW(Stopped, QCX_CaptureGetSize, "every output null", 1, QCX_CaptureGetSize(i, nullptr, nullptr)),
        ROW(Stopped, QCX_CaptureGetSizeEx, "every output null", 1, QCX_CaptureGetSizeEx(i, nullptr, nullptr, nullptr)),
        ROW(Stopped, QCX_CaptureGetSizeExEx, "every output null", 1,
            QCX_CaptureGetSizeExEx(i, nullptr, nullptr, nullptr, nullptr)),
        ROW(Stopped, QCX_PreviewGetSize, "every output null", 1, QCX_PreviewGetSize(i, nullptr, nullptr)),
        ROW(Stopped, QCX_PreviewGetSizeEx, "every output null", 1, QCX_PreviewGetSizeEx(i, nullptr, nullptr, nullptr)),

        // Preview.
        ROW(Stopped, QCX_PreviewStart, "start 0 while stopped", 1, QCX_PreviewStart(i, 0)),
        ROW(Running, QCX_PreviewStart, "start 255 while running", -8, QCX_PreviewStart(i, 255)),
        ROW(Paused, QCX_PreviewStart, "start 255 while paused", -8, QCX_PreviewStart(i, 255)),
        ROW(Stopped, QCX_PreviewPause, "0 and 255 while stopped", -8,
            Same({QCX_PreviewPause(i, 0), QCX_PreviewPause(i, 255)})),
        ROW(Stopped, QCX_PreviewGetStatus, "null state", -1, QCX_PreviewGetStatus(i, nullptr)),
        ROW(Running, QCX_PreviewSetPos, "window UINTPTR_MAX, rectangle INT_MIN", 1,
            QCX_PreviewSetPos(i, UINTPTR_MAX, INT_MIN, INT_MIN, INT_MIN, INT_MIN)),
        ROW(Running, QCX_PreviewSetPos, "rectangle INT_MAX", 1,
            QCX_PreviewSetPos(i, 0, INT_MAX, INT_MAX, INT_MAX, INT_MAX)),
        ROW(Stopped, QCX_PreviewGetPos, "each output null", -1,
            Same({QCX_PreviewGetPos(i, nullptr, I(), I(), I()), QCX_PreviewGetPos(i, I(), nullptr, I(), I()),
                  QCX_PreviewGetPos(i, I(), I(), nullptr, I()), QCX_PreviewGetPos(i, I(), I(), I(), nullptr)})),
        ROW(Stopped, QCX_PreviewGetPausedData, "null buffer while stopped", -8, QCX_PreviewGetPausedData(i, nullptr)),
        ROW(Paused, QCX_PreviewGetPausedData, "null buffer", -1, QCX_PreviewGetPausedData(i, nullptr)),
        ROW(Paused, QCX_PreviewGetPausedDataEx, "null buffer", -1,
            QCX_PreviewGetPausedDataEx(i, nullptr, I(), I(), I())),
        ROW(Paused, QCX_PreviewGetPausedDataEx, "null sizes", 1,
            QCX_PreviewGetPausedDataEx(i, g_image, nullptr, nullptr, nullptr)),
        ROW(Running, QCX_PreviewGetFrameRate, "null rate", -1, QCX_PreviewGetFrameRate(i, nullptr)),
        ROW(Running, QCX_PreviewSetCallback, "null callback", 1, QCX_PreviewSetCallback(i, nullptr, nullptr)),
        ROW(Running, QCX_PreviewSetCallbackEx, "null callback", 1, QCX_PreviewSetCallbackEx(i, nullptr, nullptr)),
        // Refused modes are stored all the same; colour is put back.
        ROW(Stopped, QCX_PreviewSetMode, "mode INT_MIN, INT_MAX", -3,
            SameThenRestore(
                {QCX_PreviewSetMode(i, INT_MIN), QCX_PreviewSetMode(i, INT_MAX), QCX_PreviewSetMode(i, 1)})),
        ROW(Stopped, QCX_PreviewGetMode, "null mode", -1, QCX_PreviewGetMode(i, nullptr)),

        // Parameters (QCX_SetParam, QCX_GetParam and QCX_GetParamRange per identifier below).
        ROW(Stopped, QCX_ExposureTimeSet, "FLT_MAX, -FLT_MAX, NaN", 1,
            Same({QCX_ExposureTimeSet(i, FLT_MAX), QCX_ExposureTimeSet(i, -FLT_MAX), QCX_ExposureTimeSet(i, kNaN)})),
        ROW(Stopped, QCX_ExposureTimeGet, "null time", -1, QCX_ExposureTimeGet(i, nullptr)),

        // Automatic exposure, white balance and focus.
        ROW(Running, QCX_AESetRegion, "INT_MIN and INT_MAX", 1,
            Same({QCX_AESetRegion(i, INT_MIN, INT_MIN, INT_MIN, INT_MIN),
                  QCX_AESetRegion(i, INT_MAX, INT_MAX, INT_MAX, INT_MAX)})),
        ROW(Stopped, QCX_AEStart, "start 255 while stopped", -3, QCX_AEStart(i, 255, 100, 128)),
        ROW(Paused, QCX_AEStart, "start 255 while paused", -3, QCX_AEStart(i, 255, 100, 128)),
        ROW(Running, QCX_AEStart, "maximum count INT_MIN, INT_MAX", 1,
            Same({QCX_AEStart(i, 255, INT_MIN, 128), QCX_AEStart(i, 0, INT_MAX, 128)})),
        ROW(Stopped, QCX_AESetCallback, "null callback", 1, QCX_AESetCallback(i, nullptr, nullptr)),
        ROW(Running, QCX_AWBSetRegion, "INT_MIN and INT_MAX", 1,
            Same({QCX_AWBSetRegion(i, INT_MIN, INT_MIN, INT_MIN, INT_MIN),
                  QCX_AWBSetRegion(i, INT_MAX, INT_MAX, INT_MAX, INT_MAX)})),
        ROW(Stopped, QCX_AWBStart, "start 255 while stopped", -3, QCX_AWBStart(i, 255, 100, 128, 128, 128)),
        ROW(Paused, QCX_AWBStart, "start 255 while paused", -3, QCX_AWBStart(i, 255, 100, 128, 128, 128)),
        ROW(Running, QCX_AWBStart, "maximum count INT_MIN, INT_MAX", 1,
            Same({QCX_AWBStart(i, 255, INT_MIN, 128, 128, 128), QCX_AWBStart(i, 0, INT_MAX, 128, 128, 128)})),
        ROW(Stopped, QCX_AWBSetCallback, "null callback", 1, QCX_AWBSetCallback(i, nullptr, nullptr)),
        ROW(Stopped, QCX_AFSetRegion, "any region in colour output", -3,
            QCX_AFSetRegion(i, INT_MIN, INT_MIN, INT_MAX, INT_MAX)),
        ROW(Stopped, QCX_AFSetRegion, "INT_MIN and INT_MAX in grey output", 1,
            Same({QCX_PreviewSetMode(i, 0), QCX_AFSetRegion(i, INT_MIN, INT_MIN, INT_MIN, INT_MIN),
                  QCX_AFSetRegion(i, INT_MAX, INT_MAX, INT_MAX, INT_MAX), QCX_PreviewSetMode(i, 1)})),
        ROW(Stopped, QCX_AFStart, "start 255 while stopped", -3, QCX_AFStart(i, 255)),
        ROW(Stopped, QCX_AFSetCallback, "null callback in colour output", -3, QCX_AFSetCallback(i, nullptr, nullptr)),
        ROW(Stopped, QCX_AECSetEnable, "255, then 0", 1, Same({QCX_AECSetEnable(i, 255), QCX_AECSetEnable(i, 0)})),
        ROW(Stopped, QCX_AECGetEnable, "null flag", 1, QCX_AECGetEnable(i, nullptr)),
        ROW(Stopped, QCX_AECSetRange, "0 and 0xFFFF", 1,
            Same({QCX_AECSetRange(i, 0, 0), QCX_AECSetRange(i, 0xFFFF, 0xFFFF)})),
        ROW(Stopped, QCX_AECGetRange, "null minimum or maximum", -1,
            Same({QCX_AECGetRange(i, nullptr, W()), QCX_AECGetRange(i, W(), nullptr)})),
        ROW(Stopped, QCX_AECGetCur, "null value", -1, QCX_AECGetCur(i, nullptr)),
        ROW(Stopped, QCX_AGCSetEnable, "255, then 0", 1, Same({QCX_AGCSetEnable(i, 255), QCX_AGCSetEnable(i, 0)})),
        ROW(Stopped, QCX_AGCGetEnable, "null flag", 1, QCX_AGCGetEnable(i, nullptr)),
        ROW(Stopped, QCX_AGCSetRange, "0 and 0xFFFF", 1,
            Same({QCX_AGCSetRange(i, 0, 0), QCX_AGCSetRange(i, 0xFFFF, 0xFFFF)})),
        ROW(Stopped, QCX_AGCGetRange, "null minimum and maximum", 1, QCX_AGCGetRange(i, nullptr, nullptr)),
        ROW(Stopped, QCX_AGCGetCur, "null value", -1, QCX_AGCGetCur(i, nullptr)),

        // Bayer filter and colour pipeline: modes are kept unchecked, values clamped.
        ROW(Stopped, QCX_BayerSetMode, "INT_MIN, INT_MAX", 1,
            Same({QCX_BayerSetMode(i, INT_MIN), QCX_BayerSetMode(i, INT_MAX), QCX_BayerSetMode(i, 0)})),
        ROW(Stopped, QCX_BayerGetMode, "null mode", -1, QCX_BayerGetMode(i, nullptr)),
        ROW(Stopped, QCX_BayerGetDefaultMode, "null mode", -1, QCX_BayerGetDefaultMode(i, nullptr)),
        ROW(Stopped, QCX_FilterSetMode, "INT_MIN, INT_MAX", 1,
            Same({QCX_FilterSetMode(i, INT_MIN), QCX_FilterSetMode(i, INT_MAX)})),
        ROW(Stopped, QCX_FilterGetMode, "null mode", -1, QCX_FilterGetMode(i, nullptr)),
        ROW(Stopped, QCX_GammaSetValue, "INT_MIN, INT_MAX", 1,
            Same({QCX_GammaSetValue(i, INT_MIN), QCX_GammaSetValue(i, INT_MAX)})),
        ROW(Stopped, QCX_GammaOn, "INT_MIN, INT_MAX", 1, Same({QCX_GammaOn(i, INT_MIN), QCX_GammaOn(i, INT_MAX)})),
        ROW(Stopped, QCX_ProcessContrastSet, "INT_MIN, then INT_MAX", 1,
            Same({QCX_ProcessContrastSet(i, INT_MIN), QCX_ProcessContrastSet(i, INT_MAX)})),
        ROW(Stopped, QCX_ProcessContrastSet, "INT_MAX again", -8, QCX_ProcessContrastSet(i, INT_MAX)),
        ROW(Stopped, QCX_ProcessContrastGet, "null contrast", -1, QCX_ProcessContrastGet(i, nullptr)),
        ROW(Stopped, QCX_ProcessContrastGetRange, "null minimum or maximum", -1,
            Same({QCX_ProcessContrastGetRange(i, nullptr, I()), QCX_ProcessContrastGetRange(i, I(), nullptr)})),
        ROW(Stopped, QCX_ProcessBrightnessGetRange, "null minimum or maximum", -1,
            Same({QCX_ProcessBrightnessGetRange(i, nullptr, I()), QCX_ProcessBrightnessGetRange(i, I(), nullptr)})),
        ROW(Stopped, QCX_ProcessBrightnessSet, "INT_MIN, then INT_MAX", 1,
            Same({QCX_ProcessBrightnessSet(i, INT_MIN), QCX_ProcessBrightnessSet(i, INT_MAX)})),
        ROW(Stopped, QCX_ProcessBrightnessGet, "null brightness", -1, QCX_ProcessBrightnessGet(i, nullptr)),
        ROW(Stopped, QCX_ProcessSaturationSet, "INT_MIN, INT_MAX", 1,
            Same({QCX_ProcessSaturationSet(i, INT_MIN), QCX_ProcessSaturationSet(i, INT_MAX)})),
        ROW(Stopped, QCX_ProcessSaturationGet, "null saturation", -1, QCX_ProcessSaturationGet(i, nullptr)),
        ROW(Stopped, QCX_ProcessSaturationGetRange, "null minimum or maximum", -1,
            Same({QCX_ProcessSaturationGetRange(i, nullptr, I()), QCX_ProcessSaturationGetRange(i, I(), nullptr)})),
        ROW(Stopped, QCX_BadPixelCorrectionSetThreshold, "0 and 0xFF, camera without it", -3,
            Same({QCX_BadPixelCorrectionSetThreshold(i, 0, 0), QCX_BadPixelCorrectionSetThreshold(i, 0xFF, 0xFF)})),
        ROW(Stopped, QCX_BadPixelCorrectionGetThreshold, "null outputs, camera without it", -3,
            QCX_BadPixelCorrectionGetThreshold(i, nullptr, nullptr)),
        ROW(Stopped, QCX_BadPixelCorrectionSet, "mode INT_MIN, INT_MAX, camera without it", -3,
            Same({QCX_BadPixelCorrectionSet(i, 255, INT_MIN), QCX_BadPixelCorrectionSet(i, 0, INT_MAX)})),
        ROW(Stopped, QCX_BadPixelCorrectionGet, "null outputs, camera without it", -3,
            QCX_BadPixelCorrectionGet(i, nullptr, nullptr)),
        ROW(Stopped, QCX_LoadMapTableFile, "enable 255, null file", -1, QCX_LoadMapTableFile(i, 255, nullptr)),
        ROW(Stopped, QCX_LoadMapTableFile, "enable 0, null file", 1, QCX_LoadMapTableFile(i, 0, nullptr)),
        ROW(Stopped, QCX_LoadMapTableFile, "file that does not exist", -8,
            QCX_LoadMapTableFile(i, 255, "/nonexistent-qcx/map")),
        ROW(Stopped, QCX_ColorCorrectSet, "mode and values INT_MIN, INT_MAX", 1,
            Same({QCX_ColorCorrectSet(i, INT_MIN, INT_MIN, INT_MIN, INT_MIN),
                  QCX_ColorCorrectSet(i, INT_MAX, INT_MAX, INT_MAX, INT_MAX), QCX_ColorCorrectSet(i, 4, INT_MIN, 0, 0),
                  QCX_ColorCorrectSet(i, 4, INT_MAX, 0, 0)})),
        ROW(Running, QCX_ColorCorrectSet, "mode INT_MAX while previewing", 1,
            QCX_ColorCorrectSet(i, INT_MAX, INT_MIN, INT_MAX, 0)),
        ROW(Stopped, QCX_ColorCorrectGet, "null mode", -1, QCX_ColorCorrectGet(i, nullptr)),
        ROW(Stopped, QCX_ColorCorrectSetCallback, "null callback", 1, QCX_ColorCorrectSetCallback(i, nullptr, nullptr)),
        ROW(Stopped, QCX_ColorCorrectTableSave, "null file", -8, QCX_ColorCorrectTableSave(i, nullptr)),
        ROW(Stopped, QCX_ColorCorrectTableLoad, "file that does not exist", -8,
            QCX_ColorCorrectTableLoad(i, "/nonexistent-qcx/table")),
        ROW(Stopped, QCX_ColorCorrectTableLoad, "null file", 1, QCX_ColorCorrectTableLoad(i, nullptr)),
        ROW(Stopped, QCX_IsColorCorrectTableLoad, "null flag", -1, QCX_IsColorCorrectTableLoad(i, nullptr)),
        ROW(Stopped, QCX_IsColorCorrectTableLoad, "flag 0 also with -5", 1,
            FlagCleared(QCX_IsColorCorrectTableLoad(i, (g_flag = 7, &g_flag)))),

        // Camera I/O lines: the flash pin, which the sensor drives.
        ROW(Stopped, QCX_FlashControlSet, "flags 255, mode INT_MIN; flags 0, mode INT_MAX", 1,
            Same({QCX_FlashControlSet(i, 255, 255, INT_MIN), QCX_FlashControlSet(i, 0, 0, INT_MAX)})),
        ROW(Stopped, QCX_FlashControlGet, "every output null", 1, QCX_FlashControlGet(i, nullptr, nullptr, nullptr)),

        // I/O lines: the MT9V032 of type 21 has none of them.
        ROW(Stopped, QCX_SnapButtonStatus, "camera without the button; null", -3,
            Same({QCX_SnapButtonStatus(i, I()), QCX_SnapButtonStatus(i, nullptr)})),
        ROW(Stopped, QCX_GpioSetDirection, "camera without lines, 0 and 0xFF", -3,
            Same({QCX_GpioSetDirection(i, 0), QCX_GpioSetDirection(i, 0xFF)})),
        ROW(Stopped, QCX_GpioGetDirection, "camera without lines", -3, QCX_GpioGetDirection(i, &g_byte)),
        ROW(Stopped, QCX_GpioSetStatus, "camera without lines, 0xFF", -3, QCX_GpioSetStatus(i, 0xFF)),
        ROW(Stopped, QCX_GpioGetStatus, "camera without lines", -3, QCX_GpioGetStatus(i, &g_byte)),
        ROW(Stopped, QCX_LedSetStatus, "camera without lamps, lamp and state INT_MIN, INT_MAX", -3,
            Same({QCX_LedSetStatus(i, INT_MIN, INT_MAX), QCX_LedSetStatus(i, 0, 1)})),
        ROW(Stopped, QCX_LedGetStatus, "camera without lamps, lamp INT_MAX", -3, QCX_LedGetStatus(i, INT_MAX, I())),
        ROW(Stopped, QCX_TriggerModeSet, "camera without trigger, 0 and 255", -3,
            Same({QCX_TriggerModeSet(i, 0), QCX_TriggerModeSet(i, 255)})),
        ROW(Stopped, QCX_TriggerModeGet, "camera without trigger", -3, (g_int = 7, Zeroed(QCX_TriggerModeGet(i, I())))),
        ROW(Stopped, QCX_TriggerModeGet, "null mode", -1, QCX_TriggerModeGet(i, nullptr)),
        ROW(Stopped, QCX_SensorModeSet, "camera without sensor mode, INT_MIN", -3, QCX_SensorModeSet(i, INT_MIN)),
        ROW(Stopped, QCX_SensorModeGet, "camera without sensor mode", -3, QCX_SensorModeGet(i, I())),
        ROW(Stopped, QCX_TriggerStatusGet, "camera without trigger status", -3, QCX_TriggerStatusGet(i, I())),
        ROW(Stopped, QCX_TriggerDelaySet, "camera without trigger, 0xFFFF", -3, QCX_TriggerDelaySet(i, 0xFFFF)),
        ROW(Stopped, QCX_TriggerDelayGet, "camera without trigger", -3, QCX_TriggerDelayGet(i, W())),
        ROW(Stopped, QCX_StrobeDelaySet, "camera without trigger, 0xFFFF", -3, QCX_StrobeDelaySet(i, 0xFFFF)),
        ROW(Stopped, QCX_StrobeDelayGet, "camera without trigger", -3, QCX_StrobeDelayGet(i, W())),
        ROW(Stopped, QCX_TriggerDelayGetRange, "camera without trigger; null outputs", -3,
            Same({QCX_TriggerDelayGetRange(i, W(), W()), QCX_TriggerDelayGetRange(i, nullptr, nullptr)})),
        ROW(Stopped, QCX_StrobeDelayGetRange, "camera without trigger; null outputs", -3,
            Same({QCX_StrobeDelayGetRange(i, W(), W()), QCX_StrobeDelayGetRange(i, nullptr, nullptr)})),
        ROW(Stopped, QCX_SensitivitySetMode, "camera without sensitivity, INT_MIN and INT_MAX", -3,
            Same({QCX_SensitivitySetMode(i, INT_MIN), QCX_SensitivitySetMode(i, INT_MAX)})),
        ROW(Stopped, QCX_SensitivityGetMode, "camera without sensitivity", -3, QCX_SensitivityGetMode(i, I())),

        // Recording: refused starts leave no file.
        ROW(Stopped, QCX_RecordStart, "start 255 while stopped", -6,
            NoFile(QCX_RecordStart(i, 255, 25.0f, File("a.avi")), "a.avi")),
        ROW(Paused, QCX_RecordStart, "start 255 while paused", -6,
            NoFile(QCX_RecordStart(i, 255, 25.0f, File("a.avi")), "a.avi")),
        ROW(Running, QCX_RecordStart, "rate -FLT_MAX, FLT_MAX, NaN", -8,
            NoFile(Same({QCX_RecordStart(i, 255, -FLT_MAX, File("b.avi")),
                         QCX_RecordStart(i, 255, FLT_MAX, File("b.avi")),
                         QCX_RecordStart(i, 255, kNaN, File("b.avi"))}), "b.avi")),
        ROW(Running, QCX_RecordStart, "null file", -8, QCX_RecordStart(i, 255, 25.0f, nullptr)),
        ROW(Running, QCX_RecordStart, "stop with rate NaN and null file", 1, QCX_RecordStart(i, 0, kNaN, nullptr)),
        ROW(Running, QCX_RecordStartEx, "rate -FLT_MAX, FLT_MAX, NaN; dialog flag 255", -8,
            Same({QCX_RecordStartEx(i, 255, -FLT_MAX, File("c.avi"), 255),
                  QCX_RecordStartEx(i, 255, FLT_MAX, File("c.avi"), 0),
                  QCX_RecordStartEx(i, 255, kNaN, File("c.avi"), 0)})),
        ROW(Running, QCX_RecordStartEx, "null file", -8, QCX_RecordStartEx(i, 255, 25.0f, nullptr, 255)),
        ROW(Stopped, QCX_RecordStatusGet, "null flag", -1, QCX_RecordStatusGet(i, nullptr)),

        // A second QCX_Init closes the camera with its preview paused.
        ROW(Last, QCX_Init, "again with a paused preview", 1, QCX_Init()),
    };

    // The generic parameter functions, per identifier. The MT9V032 has no
    // binning and no CCD front end; identifiers outside 0 ... 24 are refused.
    auto add = [&rows](const char* name, const std::string& what, int expected, std::function<int(int)> call) {
        rows.push_back({name, what, expected, std::move(call), Stopped});
    };
    for (int id : {INT_MIN, -1, 12, 16, 17, 18, 25, INT_MAX})
        add("QCX_SetParam", "parameter " + std::to_string(id) + ", value INT_MIN and INT_MAX", -3,
            [id](int i) { return Same({QCX_SetParam(i, id, INT_MIN), QCX_SetParam(i, id, INT_MAX)}); });
    for (int id = 0; id <= 24; ++id) {
        if (id == 12 || (id >= 16 && id <= 18)) continue;
        add("QCX_SetParam", "parameter " + std::to_string(id) + ", value INT_MIN", 1,
            [id](int i) { return QCX_SetParam(i, id, INT_MIN); });
        if (id < QCX_PREVIEW_COLUMNSTART || id > QCX_CAPTURE_ROWSTART)
            add("QCX_SetParam", "parameter " + std::to_string(id) + ", value INT_MAX", 1,
                [id](int i) { return QCX_SetParam(i, id, INT_MAX); });
    }
    for (int id : {INT_MIN, -1, 0, 1, 4, 5, 9, 11, 12, 14, 16, 19, 22, 23, 24, 25, INT_MAX}) {
        add("QCX_GetParam", "parameter " + std::to_string(id) + ", null value", -1,
            [id](int i) { return QCX_GetParam(i, id, nullptr); });
        add("QCX_GetParamRange", "parameter " + std::to_string(id) + ", null minimum or maximum", -1,
            [id](int i) {
                return Same({QCX_GetParamRange(i, id, nullptr, I()), QCX_GetParamRange(i, id, I(), nullptr)});
            });
    }
    for (int id : {INT_MIN, INT_MAX}) {
        add("QCX_GetParam", "parameter " + std::to_string(id), -3,
            [id](int i) { return g_int = 7, Zeroed(QCX_GetParam(i, id, I())); });
        add("QCX_GetParamRange", "parameter " + std::to_string(id), -3,
            [id](int i) { return g_int = 7, Zeroed(QCX_GetParamRange(i, id, I(), I())); });
    }
    return rows;
}

class BadInputSweepE2E : public e2e::SimSession {
protected:
    // Runs `row` on `index`; a refusal of the library's own must send nothing.
    void Check(const Row& row, int index, int expected) {
        const bool quiet = expected != 1 && !row.answeredByCamera && row.state != Helper;
        unsigned requests = 0;
        if (quiet) QCXSimResetRequestCount(node);
        EXPECT_EQ(row.call(index), expected) << row.name << ": " << row.what << ", index " << index;
        if (quiet && QCXSimGetRequestCount(node, &requests) == 1) {
            EXPECT_EQ(requests, 0u) << row.name << ": " << row.what << ", index " << index;
        }
    }
    qcx::test::TempFolder folder;
};

TEST_F(BadInputSweepE2E, EveryExportGivesItsStatusForBadArgumentsAndARefusalSendsNothing) {
    g_folder = folder.Path();
    const std::vector<Row> rows = Rows();
    auto onCamera = [](const Row& row) { return row.state != Helper && row.state != Last; };

    // Without QCX_Init the helpers work and every device export gives -5.
    setenv("QCX_SIM", "21", 1);
    for (const Row& row : rows) {
        if (row.state == Helper) Check(row, 0, row.expected);
        if (onCamera(row)) {
            EXPECT_EQ(row.call(0), -5) << row.name << ": " << row.what << ", without QCX_Init";
        }
    }
    QCX_UnInit();  // the log goes off again

    Start("21", "fast", "picture");
    ASSERT_EQ(QCX_DeviceGetInformation(0, nullptr, nullptr, nullptr), 1);
    for (const Row& row : rows) {
        if (!onCamera(row)) continue;
        for (int index : {-1, 32, QCX_DeviceGetCount()}) Check(row, index, -5);
    }
    for (State state : {Stopped, Running, Paused, Last}) {
        if (state == Running) {
            ASSERT_EQ(QCX_PreviewStart(0, 1), 1);
        } else if (state == Paused) {
            ASSERT_EQ(QCX_PreviewPause(0, 1), 1);
        }
        for (const Row& row : rows)
            if (row.state == state) Check(row, 0, row.expected);
    }
}

}  // namespace
