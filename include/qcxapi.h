/*
 * qcxapi.h - public C interface of the QCXApi camera library.
 *
 * QCXApi drives a family of USB 2.0 cameras (CMOS and CCD sensors behind an
 * FX2 controller) through 136 plain C functions, all prefixed QCX_.
 *
 * Conventions shared by every function below:
 *
 *  - Every function returns an int status code (QCX_STATUS_*), except
 *    QCX_DeviceGetCount, which returns the number of cameras.
 *  - The first argument of a "device" function is the device index,
 *    0 ... QCX_DeviceGetCount() - 1 (at most 31). An index does not pick a
 *    particular camera: cameras are bound to indexes in the order in which
 *    the indexes are first used. The first call that names an index opens
 *    and initialises that camera.
 *  - Every device function returns QCX_STATUS_NOT_INITIALIZED (-5) when
 *    QCX_Init has not been called, when the index is out of range, or when
 *    the camera cannot be opened or initialised (a later call tries again).
 *    The per-function comments below do not repeat this.
 *  - Functions that talk to the camera return -5 when the channel to the
 *    camera has been lost and -8 when the driver refuses a request or the
 *    camera reports a failure.
 *  - Unsupported features return -3 (QCX_STATUS_NOT_SUPPORTED); most getters
 *    return -1 (QCX_STATUS_PARAMETER_ERROR) for a null output pointer.
 *  - No function throws or shows a message.
 *  - Image buffers belong to the caller, who sizes them with the size
 *    functions (QCX_CaptureGetSizeEx, QCX_PreviewGetSizeEx). Images are rows
 *    of width pixels without row padding: one grey byte, or blue, green, red
 *    (and a fourth byte at 32 bits per pixel).
 *
 * Threads: QCX_Init, QCX_UnInit and QCX_LogSet must not overlap any other
 * call, and the first call that names an index must not be made from two
 * threads at once. Once a camera is open its functions may be called from
 * several threads. Callbacks run on the camera's preview thread (see the
 * callback types).
 */
#ifndef QCXAPI_H
#define QCXAPI_H

#include <stdint.h>

/* ------------------------------------------------------------------------ */
/* Calling convention and symbol visibility                                  */
/* ------------------------------------------------------------------------ */

/* The standard Windows calling convention on 32-bit Windows; the platform's
 * default everywhere else. Used by every export and every callback type. */
#if defined(_WIN32) && !defined(_WIN64)
#define QCXAPI_CALL __stdcall
#else
#define QCXAPI_CALL
#endif

/* QCXAPI_BUILDING is defined only while the library itself is compiled. */
#if defined(QCXAPI_BUILDING)
#if defined(_WIN32)
#define QCXAPI_EXPORT /* the DLL's module definition file names its exports, undecorated */
#else
#define QCXAPI_EXPORT __attribute__((visibility("default")))
#endif
#else
#if defined(_WIN32)
#define QCXAPI_EXPORT __declspec(dllimport)
#else
#define QCXAPI_EXPORT
#endif
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------ */
/* Basic types                                                               */
/* ------------------------------------------------------------------------ */

typedef uint8_t QCX_BYTE;   /* unsigned 8-bit */
typedef uint16_t QCX_WORD;  /* unsigned 16-bit */
typedef uint32_t QCX_DWORD; /* unsigned 32-bit */
typedef uint8_t QCX_BOOL8;  /* one-byte flag: 0 or 1 (inputs: any non-zero value counts as 1) */

/* Window into which the preview is drawn. On Linux an X11 window id; on
 * Windows an HWND. 0 means the root window (the whole screen). */
typedef uintptr_t QCX_WINDOW;

/* ------------------------------------------------------------------------ */
/* Status codes (texts as QCX_GetErrorInfo reports them)                     */
/* ------------------------------------------------------------------------ */

#define QCX_STATUS_SUCCESS (1)               /* "Successful" */
#define QCX_STATUS_PARAMETER_ERROR (-1)      /* "Parameter Error" */
#define QCX_STATUS_NO_MEMORY (-2)            /* "Memory Allocation Failed" */
#define QCX_STATUS_NOT_SUPPORTED (-3)        /* "Operation is not Supported" */
#define QCX_STATUS_NO_DEVICE (-4)            /* "Device cannt be Detected" */
#define QCX_STATUS_NOT_INITIALIZED (-5)      /* "Device wasn't Initialized" */
#define QCX_STATUS_ILLEGAL_OPERATION (-6)    /* "Illegal Operation" */
#define QCX_STATUS_NO_PRIVILEGE (-7)         /* "User No Privilege" */
#define QCX_STATUS_FAIL (-8)                 /* "Fail" */
/* There is no code -9. */
#define QCX_STATUS_RECOVERY_SUCCESSFUL (-10) /* "Device Recovery Successful": the camera was
                                                brought back after a failed read; try again */
#define QCX_STATUS_RECOVERY_FAIL (-11)       /* "Device Recovery Fail" */
#define QCX_STATUS_BAD_FRAME (-12)           /* "Bad Frame From Device, Should be Discarded" */
#define QCX_STATUS_INVALID_FRAME (-13)       /* "Invalid Frame, Transmission Error" */
#define QCX_STATUS_ZERO_FRAME (-14)          /* "Zero Frame, Tranmission Error" */
#define QCX_STATUS_VERSION_ERROR (-15)       /* "Version Error" */

/* Buffer sizes the caller supplies. */
#define QCX_ERROR_TEXT_SIZE 43  /* QCX_GetErrorInfo: longest text (42) and its zero */
#define QCX_LOG_FOLDER_SIZE 260 /* QCX_LogGet: log folder (259) and its zero */

/* Preview states reported by QCX_PreviewGetStatus. */
#define QCX_PREVIEW_STOPPED 0
#define QCX_PREVIEW_RUNNING 1
#define QCX_PREVIEW_PAUSED 2

/* ------------------------------------------------------------------------ */
/* Parameter identifiers of QCX_SetParam, QCX_GetParam, QCX_GetParamRange    */
/* ------------------------------------------------------------------------ */

typedef enum QCX_PARAM {
    QCX_EXPOSURE = 0,             /* exposure time in whole milliseconds */
    QCX_RED = 1,                  /* red gain, in the sensor's gain code */
    QCX_GREEN = 2,                /* green gain */
    QCX_BLUE = 3,                 /* blue gain */
    QCX_GAMMA = 4,                /* gamma value of the colour pipeline, -9 ... 9 */
    QCX_PREVIEW_COLUMNSTART = 5,  /* column start of the preview window */
    QCX_PREVIEW_ROWSTART = 6,     /* row start of the preview window */
    QCX_CAPTURE_COLUMNSTART = 7,  /* column start of the capture window */
    QCX_CAPTURE_ROWSTART = 8,     /* row start of the capture window */
    QCX_HORIZONTALBLANK = 9,      /* horizontal blanking, in the sensor's units */
    QCX_VERTICALBLANK = 10,       /* vertical blanking */
    QCX_FLIP = 11,                /* vertical flip (rows in reverse order), flag */
    QCX_BIN = 12,                 /* binning, flag */
    QCX_MIRROR = 13,              /* horizontal mirror (each row reversed), flag */
    QCX_CONTRAST = 14,            /* contrast of the colour pipeline, -128 ... 128 */
    QCX_BRIGHTNESS = 15,          /* brightness of the colour pipeline, -128 ... 128 */
    QCX_VGAGAIN = 16,             /* variable gain amplifier of a CCD front end */
    QCX_CLAMPLEVEL = 17,          /* clamp (black) level of a CCD front end */
    QCX_CDSGAIN = 18,             /* correlated double sampling gain of a CCD front end */
    QCX_RED_SHIFT = 19,           /* red offset of colour correction, -255 ... 255 */
    QCX_GREEN_SHIFT = 20,         /* green offset of colour correction */
    QCX_BLUE_SHIFT = 21,          /* blue offset of colour correction */
    QCX_COMPANDING = 22,          /* sensor companding (10-to-8-bit), flag */
    QCX_EXPOSURE_LINES = 23,      /* exposure in sensor lines */
    QCX_SATURATION = 24           /* saturation of the colour pipeline, -128 ... 128 */
} QCX_PARAM;

/* ------------------------------------------------------------------------ */
/* Callback types                                                            */
/*                                                                           */
/* The library ignores the int that a callback returns. Callbacks run on the */
/* camera's preview thread, except the colour-correction callback with state */
/* 0, which runs on the thread that called QCX_ColorCorrectSet (and the one  */
/* with state 1 when no preview runs). Buffers handed to a callback are      */
/* valid only during the call. A callback may read and change the image; it  */
/* should not start or stop the preview of its own camera, since stopping    */
/* waits for the preview thread that is running the callback. Called from a  */
/* callback, a window change, still capture, preview start or stop, 16-bit   */
/* switch or QCX_SetParam of a window start, flip or mirror returns -8 at    */
/* once while another thread is doing one of these on that camera.           */
/* ------------------------------------------------------------------------ */

/* Per-frame preview callback: the processed image (height rows of width
 * pixels of bitCount / 8 bytes, bitCount 8, 24 or 32), before it is drawn
 * and recorded. */
typedef int(QCXAPI_CALL *QCX_PREVIEW_CALLBACK)(QCX_BYTE *buffer, int width, int height,
                                               int bitCount, void *context);

#if defined(_WIN32)
/* Drawing target of the extended preview callback on Windows: a memory
 * device context (an HDC) with a device-independent section selected into
 * it that holds a copy of the preview image in the display bitmap's layout
 * (rows bottom-up, each padded to 4 bytes; 8-bit images with a grey
 * palette). Whatever the callback draws into it with GDI is copied back into
 * the display buffer after the call, so it is what the window shows and the
 * recording keeps. */
typedef struct HDC__ *QCX_DRAWING;
#else
/* Drawing surface of the extended preview callback: a copy of the preview
 * image (height rows of stride bytes, in the layout of the display buffer).
 * Whatever the callback draws into it is copied back into the display buffer
 * after the call, so it is what the window shows and the recording keeps. */
typedef struct QCX_SURFACE {
    QCX_BYTE *pixels;
    int width;
    int height;
    int stride;   /* bytes per row */
    int bitCount; /* 8, 24 or 32 */
} QCX_SURFACE;
typedef QCX_SURFACE *QCX_DRAWING;
#endif

/* Extended per-frame preview callback: the drawing target and the display
 * buffer it was copied from. While it is set the preview is drawn with
 * smooth (halftone) stretching. */
typedef int(QCXAPI_CALL *QCX_PREVIEW_CALLBACK_EX)(QCX_DRAWING drawing, QCX_BYTE *buffer, int width,
                                                  int height, int bitCount, void *context);

/* Automatic exposure finished (once, on the frame on which it stops):
 * success flag and the exposure time in milliseconds as QCX_GetParam
 * reports QCX_EXPOSURE. */
typedef int(QCXAPI_CALL *QCX_AE_CALLBACK)(QCX_BOOL8 success, int exposureMs, void *context);

/* Automatic white balance finished (once, on the frame on which it stops):
 * success flag and the red, green and blue gains as QCX_GetParam reports
 * them. */
typedef int(QCXAPI_CALL *QCX_AWB_CALLBACK)(QCX_BOOL8 success, int red, int green, int blue,
                                           void *context);

/* Focus measurement: called on every frame while it runs, with a sharpness
 * figure of 0 ... 10200 (larger is sharper). */
typedef int(QCXAPI_CALL *QCX_AF_CALLBACK)(int focusValue, void *context);

/* Colour correction: state 0 when QCX_ColorCorrectSet has reset the
 * correction (before a calibration on the preview), state 1 when a
 * calibration is done; with the red, green and blue offsets in force. */
typedef int(QCXAPI_CALL *QCX_COLOR_CORRECT_CALLBACK)(int state, int redOffset, int greenOffset,
                                                     int blueOffset, void *context);

/* ------------------------------------------------------------------------ */
/* Library frame                                                             */
/* ------------------------------------------------------------------------ */

/* Creates the device manager and counts the cameras present now; opens no
 * camera. Called again, it first closes every camera of the previous call.
 * Returns 1, also when no camera is present; -8 when out of memory. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_Init(void);

/* Closes every camera (stopping preview and recording) and destroys the
 * device manager; switches the log off (the log folder is kept). Always 1,
 * also without QCX_Init. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_UnInit(void);

/* Returns the number of cameras, counted afresh at each call; -5 before
 * QCX_Init. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_DeviceGetCount(void);

/* Copies the text of a status code into text (QCX_ERROR_TEXT_SIZE bytes).
 * Returns 1; for a code without a text copies "Illegal Operation" and
 * returns -6. Works without QCX_Init. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GetErrorInfo(int code, char *text);

/* Switches the per-camera log files on or off, for open cameras and for
 * cameras opened later. A non-null folder is stored (an empty string
 * selects the default folder "QCXLogFolder" beside the library); open
 * cameras get the folder exactly as passed, so null sends them to the
 * default folder. Every switch-on starts a new file. Always 1, also
 * without QCX_Init; a folder that cannot be created leaves a camera
 * without log. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_LogSet(QCX_BOOL8 enable, const char *folder);

/* Reads the log switch and folder (QCX_LOG_FOLDER_SIZE bytes). Either
 * pointer may be null. Always 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_LogGet(QCX_BOOL8 *enable, char *folder);

/* ------------------------------------------------------------------------ */
/* Device transport: controller registers, EEPROM, sensor registers,         */
/* vendor requests, frame transfer settings                                  */
/*                                                                           */
/* The register functions return 1; -5 when the channel to the camera is     */
/* lost; -8 when the driver refuses the request or the camera reports a      */
/* failure. Read values are stored only on success.                          */
/* ------------------------------------------------------------------------ */

/* Writes / reads a register of the camera's FX2 USB controller. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrFx2Reg(int index, QCX_WORD address, QCX_BYTE value);
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdFx2Reg(int index, QCX_WORD address, QCX_BYTE *value);

/* Writes / reads a special function register of the FX2 controller. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrFx2Sfr(int index, QCX_WORD sfr, QCX_BYTE value);
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdFx2Sfr(int index, QCX_WORD sfr, QCX_BYTE *value);

/* Writes / reads one EEPROM byte at a 16-bit address. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrEEPROM(int index, QCX_WORD address, QCX_BYTE value);
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdEEPROM(int index, QCX_WORD address, QCX_BYTE *value);

/* Writes one EEPROM byte at a 32-bit address. The camera reports no status
 * for this request: 1 means the driver carried it. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrEEPROMEx(int index, QCX_DWORD address, QCX_BYTE value);

/* Reads one EEPROM byte at a 32-bit address. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdEEPROMEx(int index, QCX_DWORD address, QCX_BYTE *value);

/* Writes / reads a 16-bit sensor register at an 8-bit address.
 * QCX_RdSensorReg returns -1 for a null value before anything else. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrSensorReg(int index, QCX_BYTE reg, QCX_WORD value);
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdSensorReg(int index, QCX_BYTE reg, QCX_WORD *value);

/* Writes / reads a 16-bit sensor register at a 16-bit address. The value
 * pointer of QCX_RdSensorRegX must not be null. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrSensorRegX(int index, QCX_WORD reg, QCX_WORD value);
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdSensorRegX(int index, QCX_WORD reg, QCX_WORD *value);

/* Sends any vendor request. setup is the 8-byte USB setup packet
 * (bmRequestType, bRequest, wValue, wIndex, wLength; little-endian); data
 * holds at least wLength bytes (sent to the camera or filled from it, by
 * the direction bit of bmRequestType). Returns 1 when the driver carried
 * the request (the data that came back is not interpreted); -5 when the
 * channel is lost; -8 when the driver refuses it. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_VendorCmd(int index, const QCX_BYTE *setup /* 8 bytes */,
                                            void *data);

/* Identifies the camera: device type code, device number and firmware
 * version. Each pointer may be null (the request is made all the same).
 * -8 when the camera reports a failure. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_DeviceGetInformation(int index, int *deviceType,
                                                       int *deviceNumber,
                                                       QCX_WORD *firmwareVersion);

/* Makes the camera discard the frames it holds. -3 for cameras without a
 * working-mode word (nothing is sent); failures of the working-mode
 * requests are returned as they are. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_EmptyFrameBuffer(int index);

/* Chooses 16-bit (enable 1) or 8-bit pixel transfer; raw frames then carry
 * one little-endian 16-bit word per pixel. -3 for cameras without 16-bit
 * transfer (device types 31, 32, 46, 47, 48, 49 have it); failures of the
 * working-mode requests are returned as they are. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SetData16Bits(int index, QCX_BOOL8 enable);

/* Reads the transfer choice: 1 for 16-bit. -3 (and 0) for cameras without
 * 16-bit transfer. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GetData16Bits(int index, QCX_BOOL8 *enabled);

/* Sets the time-out of every frame read, preview included (default 8000
 * ms). Not checked: 0 makes every read time out at once. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureSetTimeOut(int index, QCX_DWORD milliseconds);

/* Reads the frame read time-out. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetTimeOut(int index, QCX_DWORD *milliseconds);

/* ------------------------------------------------------------------------ */
/* Still capture                                                             */
/*                                                                           */
/* One frame of the capture window. A running preview is stopped for the     */
/* capture and started again afterwards; a paused one is left alone.         */
/* Buffer sizes: raw, width x height bytes (twice that with 16-bit           */
/* transfer); colour, width x height x bitCount / 8 bytes, as                */
/* QCX_CaptureGetSizeEx reports them. In grey output mode the colour         */
/* functions return the raw grey frame.                                      */
/*                                                                           */
/* All return -1 for a null buffer (nothing else happens) and otherwise the  */
/* status of the frame read: 1; -10 when a time-out or failed read made the  */
/* library reopen the camera (capture again); -11 when that failed; -13 for  */
/* a short frame or transfer error; -14 for an empty frame; -3 for a bad     */
/* frame size or no memory. After a failed read the caller's buffer of a     */
/* colour capture is left as it was.                                         */
/* ------------------------------------------------------------------------ */

QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRawData(int index, QCX_BYTE *buffer);
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRgbData(int index, QCX_BYTE *buffer);

/* Also reports the image size; each of width, height and bitCount may be
 * null. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRgbDataEx(int index, QCX_BYTE *buffer, int *width,
                                                   int *height, int *bitCount);

/* The same three, after making the camera discard the frames it holds, so
 * that the frame returned was exposed after the call. Nothing is discarded
 * in external trigger mode (a triggered frame is kept) or when the preview
 * had to be stopped; a failed discard is not reported. Calls of these three
 * on one camera run one after the other. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRawDataAfterEmptyFrameBuffer(int index,
                                                                      QCX_BYTE *buffer);
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRgbDataAfterEmptyFrameBuffer(int index,
                                                                      QCX_BYTE *buffer);
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRgbDataExAfterEmptyFrameBuffer(int index,
                                                                        QCX_BYTE *buffer,
                                                                        int *width, int *height,
                                                                        int *bitCount);

/* ------------------------------------------------------------------------ */
/* Field of view and frame sizes                                             */
/*                                                                           */
/* A window is six values: column start, row start (relative to the first    */
/* active pixel), column count, row count (before skipping), column address  */
/* mode and row address mode (0 ... 4: every 1st, 2nd, 3rd, 4th or 8th       */
/* column or row). The capture window serves still capture, the preview      */
/* window the live preview.                                                  */
/* ------------------------------------------------------------------------ */

/* Sets the capture / preview window. Out-of-range sizes and starts are
 * clamped and aligned to the sensor's steps (read the result back with the
 * getters). -3 for an address mode the sensor refuses and for cameras
 * without windowing (the CCD cameras); a failing register write returns its
 * status. Changing the preview size while preview runs restarts it. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureSetFieldOfView(int index, int columnStart,
                                                        int rowStart, int width, int height,
                                                        int columnMode, int rowMode);
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetFieldOfView(int index, int columnStart,
                                                        int rowStart, int width, int height,
                                                        int columnMode, int rowMode);

/* Reads the stored capture / preview window. Null pointers are skipped.
 * Always 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetFieldOfView(int index, int *columnStart,
                                                        int *rowStart, int *width, int *height,
                                                        int *columnMode, int *rowMode);
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetFieldOfView(int index, int *columnStart,
                                                        int *rowStart, int *width, int *height,
                                                        int *columnMode, int *rowMode);

/* The full sensor window: 0, 0, maximum width, maximum height, 0, 0. The
 * two names are one function. Null pointers are skipped. Always 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetDefaultFieldOfView(int index, int *columnStart,
                                                               int *rowStart, int *width,
                                                               int *height, int *columnMode,
                                                               int *rowMode);
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetDefaultFieldOfView(int index, int *columnStart,
                                                               int *rowStart, int *width,
                                                               int *height, int *columnMode,
                                                               int *rowMode);

/* Size of a delivered capture / preview frame (after skipping). The Ex
 * forms add the bits per pixel of a processed image (8, 24 or 32), the
 * ExEx form the transfer bits (16 with 16-bit transfer, else 8). Null
 * pointers are skipped. Always 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetSize(int index, int *width, int *height);
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetSizeEx(int index, int *width, int *height,
                                                   int *bitCount);
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetSizeExEx(int index, int *width, int *height,
                                                     int *bitCount, int *dataBits);
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetSize(int index, int *width, int *height);
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetSizeEx(int index, int *width, int *height,
                                                   int *bitCount);

/* ------------------------------------------------------------------------ */
/* Preview                                                                   */
/*                                                                           */
/* A worker thread per camera reads frames of the preview window, runs the   */
/* automatic control loops, converts each frame, calls the callbacks, draws  */
/* it stretched into a rectangle of a window and records it while recording. */
/* Frame read failures inside the preview are not reported; the frame is     */
/* skipped.                                                                  */
/* ------------------------------------------------------------------------ */

/* start 1: starts the preview; -8 when it is already running or paused or
 * the thread cannot be created. start 0: stops it (ending recording and the
 * automatic loops) and switches the sensor back to the capture window;
 * returns the status of that switch. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewStart(int index, QCX_BOOL8 start);

/* pause 1 freezes a running preview (the last frame keeps being drawn,
 * passed to the callbacks and recorded); pause 0 resumes it. -8 when the
 * preview is stopped; otherwise 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewPause(int index, QCX_BOOL8 pause);

/* QCX_PREVIEW_STOPPED, QCX_PREVIEW_RUNNING or QCX_PREVIEW_PAUSED. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetStatus(int index, int *status);

/* Where to draw: the rectangle x, y, width, height of the window's client
 * area (0 = root window). A width or height of 0 draws nothing while
 * callbacks and recording go on. Takes effect with the next frame.
 * Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetPos(int index, QCX_WINDOW window, int x, int y,
                                                int width, int height);

/* Reads the stored rectangle; all four pointers are required. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetPos(int index, int *x, int *y, int *width,
                                                int *height);

/* Copies the frozen image of a paused preview (bitCount / 8 x preview
 * width x height bytes). -8 unless paused; -1 for a null buffer. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetPausedData(int index, QCX_BYTE *buffer);

/* The same, and its size; each of width, height and bitCount may be null. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetPausedDataEx(int index, QCX_BYTE *buffer,
                                                         int *width, int *height,
                                                         int *bitCount);

/* Frames per second, measured every 2 s. 1 while running; otherwise 0.0
 * and -3. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetFrameRate(int index, float *rate);

/* Sets the per-frame callback / extended callback and its context; a null
 * callback switches it off. May be called at any time. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetCallback(int index, QCX_PREVIEW_CALLBACK callback,
                                                     void *context);
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetCallbackEx(int index,
                                                       QCX_PREVIEW_CALLBACK_EX callback,
                                                       void *context);

/* Output mode: 0 grey (the raw frame as grey levels), 1 colour (through the
 * Bayer filter). Returns -3 when the mode is neither 0 nor 1, or it is 1
 * and the Bayer mode is outside 0 ... 23; the mode is stored all the same. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetMode(int index, int mode);

/* Reads the output mode. -1 for a null pointer. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetMode(int index, int *mode);

/* ------------------------------------------------------------------------ */
/* Parameters                                                                */
/* ------------------------------------------------------------------------ */

/* Sets one QCX_PARAM. Exposure and exposure lines below 1 become 1, gains
 * below 0 become 0, flags any non-zero value 1; further clamping is the
 * sensor's or the pipeline's. -3 for an identifier outside 0 ... 24 or a
 * parameter the camera does not have; otherwise the status of the
 * operation behind it (-8 for a failed register write). */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SetParam(int index, int parameter, int value);

/* Reads one QCX_PARAM; value (required) is set to 0 first. -3 as for
 * QCX_SetParam. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GetParam(int index, int parameter, int *value);

/* Range of one QCX_PARAM; both outputs (required) are set to 0 first. -3
 * with 0 ... 0 as for QCX_SetParam. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GetParamRange(int index, int parameter, int *minimum,
                                                int *maximum);

/* Exposure time in milliseconds. -3 for a camera outside the sensor
 * families; a failed register write returns its status. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ExposureTimeSet(int index, float milliseconds);

/* Reads the exposure time in milliseconds. -1 for a null pointer; -3 for a
 * camera outside the sensor families. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ExposureTimeGet(int index, float *milliseconds);

/* ------------------------------------------------------------------------ */
/* Automatic exposure (AE), white balance (AWB) and focus measurement (AF)   */
/*                                                                           */
/* The loops run on the preview frames. Regions are in preview image pixels  */
/* and are clipped to the image. AE and AWB stop by themselves and then call */
/* their callback; AF reports every frame until it is stopped. Starting with */
/* start 0 stops a loop without calling its callback.                        */
/* ------------------------------------------------------------------------ */

/* Metering region of the exposure loop. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AESetRegion(int index, int x, int y, int width, int height);

/* Runs the exposure loop for at most maximumCount frames toward the mean
 * level target (0 ... 255). An empty region becomes the whole image. -3
 * unless the preview is running. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AEStart(int index, QCX_BOOL8 start, int maximumCount,
                                          int target);

/* Callback of the exposure loop (null switches it off). Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AESetCallback(int index, QCX_AE_CALLBACK callback,
                                                void *context);

/* Region of the white balance loop. -3 for a monochrome camera. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AWBSetRegion(int index, int x, int y, int width, int height);

/* Runs the white balance loop for at most maximumCount frames toward the
 * channel levels (0 ... 255). An empty region becomes the whole image. -3
 * for a monochrome camera or unless the preview is running. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AWBStart(int index, QCX_BOOL8 start, int maximumCount,
                                           int redTarget, int greenTarget, int blueTarget);

/* Callback of the white balance loop. -3 for a monochrome camera. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AWBSetCallback(int index, QCX_AWB_CALLBACK callback,
                                                 void *context);

/* Region of the focus measurement (at least 3 x 3). -3 in colour output
 * mode. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AFSetRegion(int index, int x, int y, int width, int height);

/* Runs or stops the focus measurement. An empty region becomes the whole
 * image. -3 unless the preview is running, and in colour output mode. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AFStart(int index, QCX_BOOL8 start);

/* Callback of the focus measurement. -3 in colour output mode. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AFSetCallback(int index, QCX_AF_CALLBACK callback,
                                                void *context);

/* The sensor's own automatic exposure (AEC) and gain (AGC) control, on
 * MT9V032 cameras only: -3 for every other camera (the Get...Enable
 * functions then store 0). Register failures as for QCX_WrSensorReg.
 * Set...Range ignores the minimum and sets the upper limit (exposure 1 ...
 * 2047 rows, gain 16 ... 63); Get...Range reports minimum 1 (exposure) or
 * 16 (gain); Get...Cur reads the value the chip uses now. QCX_AECGetRange
 * and the Get...Cur functions return -1 for a null pointer (nothing is
 * read); the Get...Enable functions and QCX_AGCGetRange skip null
 * pointers. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AECSetEnable(int index, QCX_BOOL8 enable);
QCXAPI_EXPORT int QCXAPI_CALL QCX_AECGetEnable(int index, QCX_BOOL8 *enabled);
QCXAPI_EXPORT int QCXAPI_CALL QCX_AECSetRange(int index, QCX_WORD minimum, QCX_WORD maximum);
QCXAPI_EXPORT int QCXAPI_CALL QCX_AECGetRange(int index, QCX_WORD *minimum, QCX_WORD *maximum);
QCXAPI_EXPORT int QCXAPI_CALL QCX_AECGetCur(int index, QCX_WORD *current);
QCXAPI_EXPORT int QCXAPI_CALL QCX_AGCSetEnable(int index, QCX_BOOL8 enable);
QCXAPI_EXPORT int QCXAPI_CALL QCX_AGCGetEnable(int index, QCX_BOOL8 *enabled);
QCXAPI_EXPORT int QCXAPI_CALL QCX_AGCSetRange(int index, QCX_WORD minimum, QCX_WORD maximum);
QCXAPI_EXPORT int QCXAPI_CALL QCX_AGCGetRange(int index, QCX_WORD *minimum, QCX_WORD *maximum);
QCXAPI_EXPORT int QCXAPI_CALL QCX_AGCGetCur(int index, QCX_WORD *current);

/* ------------------------------------------------------------------------ */
/* Bayer filter and colour pipeline                                          */
/* ------------------------------------------------------------------------ */

/* Bayer mode: colour order BGGR, GRBG, RGGB, GBRG for mode % 4; 0-7 24-bit
 * colour, 8-15 32-bit colour, 16-23 8-bit grey; 0-3, 8-11, 16-19 rows
 * bottom-up, the others top-down (the other way round for 16-bit frames).
 * Not checked: a mode of 24 or more, or negative, converts nothing.
 * Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BayerSetMode(int index, int mode);

/* Reads the Bayer mode. -1 for a null pointer. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BayerGetMode(int index, int *mode);

/* The sensor's own Bayer mode, the one a camera starts with. -1 for a null
 * pointer; -3 for a camera outside the sensor families. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BayerGetDefaultMode(int index, int *mode);

/* Demosaic method: 0 block copy, 1 bilinear (the default), 2 colour ratio,
 * 3 edge-directed, 4 gradient-corrected; any other value works as 1. Not
 * checked. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_FilterSetMode(int index, int mode);

/* Reads the demosaic method. -1 for a null pointer. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_FilterGetMode(int index, int *mode);

/* Gamma, clamped to -9 ... 9; a non-zero value also switches gamma on, 0
 * leaves frames unchanged. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GammaSetValue(int index, int gamma);

/* Switches the gamma table on (non-zero) or off. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GammaOn(int index, int on);

/* Contrast, -128 ... 128 (clamped), 0 neutral. Returns 1; -8 when the value
 * equals the one in force (nothing changes). */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessContrastSet(int index, int contrast);

/* Reads the contrast. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessContrastGet(int index, int *contrast);

/* -128 and 128. The two names are one function. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessContrastGetRange(int index, int *minimum,
                                                          int *maximum);
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessBrightnessGetRange(int index, int *minimum,
                                                            int *maximum);

/* Brightness, -128 ... 128 (clamped), 0 neutral. Returns 1; -8 when the
 * value equals the one in force (nothing changes). */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessBrightnessSet(int index, int brightness);

/* Reads the brightness. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessBrightnessGet(int index, int *brightness);

/* Saturation, -128 ... 128 (clamped), 0 neutral, -128 grey. -3 for a
 * monochrome camera; otherwise 1 (also when unchanged). */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessSaturationSet(int index, int saturation);

/* Reads the saturation. -3 (and 0) for a monochrome camera. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessSaturationGet(int index, int *saturation);

/* -128 and 128. -3 (and 0, 0) for a monochrome camera. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessSaturationGetRange(int index, int *minimum,
                                                            int *maximum);

/* Thresholds of the library's bad pixel filter (first for correction mode
 * 1, second otherwise). -3 unless the camera's bad pixels are corrected in
 * the library (device types 8-11, 13-16). */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BadPixelCorrectionSetThreshold(int index, QCX_BYTE first,
                                                                 QCX_BYTE second);
QCXAPI_EXPORT int QCXAPI_CALL QCX_BadPixelCorrectionGetThreshold(int index, QCX_BYTE *first,
                                                                 QCX_BYTE *second);

/* Bad pixel correction on or off, and its mode; done in the camera or in
 * the library depending on the camera. -3 for cameras that have neither;
 * failures of the working-mode requests are returned as they are. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BadPixelCorrectionSet(int index, QCX_BOOL8 enable, int mode);

/* Reads it; null pointers are skipped. -3 as for the setter. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BadPixelCorrectionGet(int index, QCX_BOOL8 *enabled,
                                                        int *mode);

/* Loads the 16-to-8-bit pixel value map from a file and puts it in use
 * (enable 0 takes it out of use and returns 1). -1 for a null file; -8
 * when the file cannot be opened or announces more than 4096 entries (the
 * map in use stays). */
QCXAPI_EXPORT int QCXAPI_CALL QCX_LoadMapTableFile(int index, QCX_BOOL8 enable,
                                                   const char *file);

/* Colour correction mode: 0 off, 1 grey world (red and blue onto the green
 * mean), 2 per-channel histogram equalisation, 3 common histogram
 * equalisation, 4 white point (value1 is its threshold; value2 and value3
 * are kept and saved only). With the preview running the calibration runs
 * on the next preview frame, otherwise at once on a frame read for it. -3
 * for a monochrome camera; otherwise 1 (a failed frame read is not
 * reported). */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ColorCorrectSet(int index, int mode, int value1, int value2,
                                                  int value3);

/* Reads the correction mode. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ColorCorrectGet(int index, int *mode);

/* Callback of the colour correction (null switches it off). -3 for a
 * monochrome camera. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ColorCorrectSetCallback(int index,
                                                          QCX_COLOR_CORRECT_CALLBACK callback,
                                                          void *context);

/* Saves the correction tables, mode, offsets and values to a file (812
 * bytes, replaced if it exists). -8 when the mode is 0, or the file cannot
 * be created or fully written. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ColorCorrectTableSave(int index, const char *file);

/* Loads a saved correction; a null file switches correction off and
 * returns 1. -8 when the file cannot be opened or is short; -15 when it is
 * not a correction table file of this version. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ColorCorrectTableLoad(int index, const char *file);

/* Whether a correction table file is loaded. Returns 1; the flag is 0 on
 * every failure, -5 included. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_IsColorCorrectTableLoad(int index, QCX_BOOL8 *loaded);

/* ------------------------------------------------------------------------ */
/* Camera I/O lines and trigger                                              */
/*                                                                           */
/* Which lines a camera has depends on its model. On cameras without the     */
/* feature the functions return -3 and send nothing. Otherwise 1; -5 when    */
/* the channel is lost; -8 when the camera reports a failure; failures of    */
/* the working-mode requests are returned as they are.                       */
/* ------------------------------------------------------------------------ */

/* Sensitivity mode. On working-mode cameras -3 also while 16-bit transfer
 * is chosen. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SensitivitySetMode(int index, int mode);
QCXAPI_EXPORT int QCXAPI_CALL QCX_SensitivityGetMode(int index, int *mode);

/* A lamp (led 0 ... 2) on (1) or off (0). -1 for another led or on value. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_LedSetStatus(int index, int led, int on);

/* Reads a lamp. -8 when the lamp's two lines disagree. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_LedGetStatus(int index, int led, int *on);

/* 1 while the camera's button is pressed, else 0. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SnapButtonStatus(int index, int *pressed);

/* Directions (1 = output) and levels of the general purpose lines, one bit
 * per line. The getters return -1 for a null pointer. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GpioSetDirection(int index, QCX_BYTE directions);
QCXAPI_EXPORT int QCXAPI_CALL QCX_GpioGetDirection(int index, QCX_BYTE *directions);
QCXAPI_EXPORT int QCXAPI_CALL QCX_GpioSetStatus(int index, QCX_BYTE levels);
QCXAPI_EXPORT int QCXAPI_CALL QCX_GpioGetStatus(int index, QCX_BYTE *levels);

/* Flash (strobe) output on or off and its polarity; mode is not used. -3
 * on cameras whose sensor does not drive it. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_FlashControlSet(int index, QCX_BOOL8 enable, QCX_BOOL8 invert,
                                                  int mode);

/* Reads it; mode is always 0; each pointer may be null. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_FlashControlGet(int index, QCX_BOOL8 *enable,
                                                  QCX_BOOL8 *invert, int *mode);

/* External trigger (1) or free run (0). QCX_TriggerModeGet stores 0 with
 * its -3. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerModeSet(int index, QCX_BOOL8 external);
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerModeGet(int index, int *external);

/* Sensor mode, 0 or 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SensorModeSet(int index, int mode);
QCXAPI_EXPORT int QCXAPI_CALL QCX_SensorModeGet(int index, int *mode);

/* Trigger state reported by the camera: 1 or 0. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerStatusGet(int index, int *status);

/* Trigger delay, in the camera firmware's units. The getter returns the
 * last value the camera accepted (0 after opening), not read back. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerDelaySet(int index, QCX_WORD delay);
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerDelayGet(int index, QCX_WORD *delay);

/* 0 and 65535. The two names are one function. With -3 the outputs are
 * left untouched. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerDelayGetRange(int index, QCX_WORD *minimum,
                                                       QCX_WORD *maximum);
QCXAPI_EXPORT int QCXAPI_CALL QCX_StrobeDelayGetRange(int index, QCX_WORD *minimum,
                                                      QCX_WORD *maximum);

/* Strobe delay, as the trigger delay. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_StrobeDelaySet(int index, QCX_WORD delay);
QCXAPI_EXPORT int QCXAPI_CALL QCX_StrobeDelayGet(int index, QCX_WORD *delay);

/* ------------------------------------------------------------------------ */
/* Image files and video                                                     */
/*                                                                           */
/* The helpers need no camera, work without QCX_Init and may run on any      */
/* thread. Images in memory: 8-bit grey, 24-bit or 32-bit blue-green-red;    */
/* the first row in memory is the bottom row of the picture (TIFF: only for  */
/* one sample per pixel).                                                    */
/* ------------------------------------------------------------------------ */

/* Size of a BMP file header with its palette: 1078 for bitCount 8, 54 for
 * 24 and 32. -1 for a null pointer or another bit count. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperGetBmpFileHeaderSize(int bitCount, int *size);

/* Builds a BMP file header (and grey palette for 8 bits) into header, of
 * the size above. -1 when width or height is not positive or bitCount is
 * not 8, 24 or 32. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperGetBmpFileHeader(int width, int height, int bitCount,
                                                         QCX_BYTE *header);

/* Saves a BMP file. -1 for null data or file, a size below 1 or a bit count
 * other than 8, 24, 32; -8 when the file cannot be created; -2 when out of
 * memory. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperSaveToBmp(QCX_BYTE *data, int width, int height,
                                                  int bitCount, const char *file);

/* Saves a baseline JPEG file with the given quality. -8 for bad arguments
 * (as for BMP), a file that cannot be opened, or a compression error. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperSaveToJpg(QCX_BYTE *data, int width, int height,
                                                  int bitCount, int quality, const char *file);

/* Saves an uncompressed TIFF file. The arguments are not checked. -8 when
 * the file cannot be opened or out of memory. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperSaveToTiff(QCX_BYTE *data, int width, int height,
                                                   int bitsPerSample, int samplesPerPixel,
                                                   const char *file);

/* Resizes an image into target (targetWidth x targetHeight pixels of the
 * same bit count). -1 for null buffers, a size below 1 or a bit count
 * other than 8, 24, 32; -2 when out of memory. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperStretchBmp(QCX_BYTE *source, int width, int height,
                                                   int bitCount, QCX_BYTE *target,
                                                   int targetWidth, int targetHeight);

/* start 1: records the preview into an AVI file, choosing the compressor
 * in a dialog. -6 when already recording or the preview is not running
 * (paused counts as not running); -8 for a frame rate of 0.01 or less, a
 * file or stream that cannot be created or a cancelled dialog (the file is
 * deleted); -3 when the video services are too old. start 0: stops
 * recording; always 1. Stopping the preview stops recording too. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RecordStart(int index, QCX_BOOL8 start, float frameRate,
                                              const char *file);

/* As QCX_RecordStart; with showDialog 0 the compressor options of an
 * earlier recording are used without a dialog when they are stored. On a
 * failed start the file is left on disk. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RecordStartEx(int index, QCX_BOOL8 start, float frameRate,
                                                const char *file, QCX_BOOL8 showDialog);

/* Whether a recording is open. Returns 1. */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RecordStatusGet(int index, QCX_BOOL8 *recording);

#ifdef __cplusplus
}
#endif

#endif /* QCXAPI_H */
