/**
 * @file qcxapi.h
 * @brief Public C interface of the QCXApi camera library.
 *
 * QCXApi drives a family of USB 2.0 cameras (CMOS and CCD sensors behind an
 * FX2 controller) through 136 plain C functions, all prefixed QCX_.
 *
 * @par Conventions shared by every function below
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
 *    The per-function descriptions below do not repeat this; their lists of
 *    return values name it briefly.
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
 * @par Threads
 * QCX_Init, QCX_UnInit and QCX_LogSet must not overlap any other
 * call, and the first call that names an index must not be made from two
 * threads at once. Once a camera is open its functions may be called from
 * several threads. Callbacks run on the camera's preview thread (see the
 * callback types).
 *
 * @par Device types
 * Each camera reports a device type code (QCX_DeviceGetInformation). It
 * selects the camera's sensor family, and the documentation of every
 * function names the device types the function serves:
 *  - MT9V032: device types 21-24, 28, 29, 36, 37;
 *  - 1280 x 1024 CMOS: device types 0, 1, 4, 5, 17, 18, 33, 34, 38, 39;
 *  - MT9T001: device types 3, 7, 12, 30, 35, 40;
 *  - MT9P001: device types 8-11, 31, 32, 41, 42;
 *  - MT9J001: device types 13-16, 25-27, 43-45;
 *  - ICX205 CCD: device types 19, 20;
 *  - 1628 x 1236 CCD: device types 48, 49.
 *
 * These are the sensor families. A camera whose type is in none of them
 * cannot be initialised, so every device function returns -5 for it.
 * Monochrome cameras (no colour processing) are the device types 1, 5, 9,
 * 11, 18, 22, 24, 29, 32, 34, 37, 39, 42; the monochrome CCD types 20 and
 * 49 also deliver grey images but are not among them, so the colour
 * functions do not refuse them. The cameras with a working-mode word in
 * their firmware are the device types 17, 18, 25-32 and 36-49.
 */
/**
 * @mainpage QCXApi
 *
 * QCXApi is the library of a family of USB 2.0 cameras. Its C interface is
 * qcxapi.h: 136 functions, all prefixed QCX_, listed by subject under
 * Modules. The conventions every function follows (status codes, device
 * indexes, threads, device types) are in the documentation of qcxapi.h.
 *
 * qcxsim.h controls the simulated cameras of the library, for tests and
 * tools.
 */
#ifndef QCXAPI_H
#define QCXAPI_H

#include <stdint.h>

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_visibility Calling convention and symbol visibility
 *
 * The macros that every export and every callback type is declared with.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** The standard Windows calling convention on 32-bit Windows; the platform's
 * default everywhere else. Used by every export and every callback type. */
#if defined(_WIN32) && !defined(_WIN64)
#define QCXAPI_CALL __stdcall
#else
#define QCXAPI_CALL
#endif

/** Marks the declaration of every export.
 *
 * QCXAPI_BUILDING is defined only while the library itself is compiled.
 * While it is compiled, the macro gives the exports default visibility
 * (on Windows it is empty: the DLL's module definition file names its
 * exports, undecorated). In programs that use the library it is
 * `__declspec(dllimport)` on Windows and empty everywhere else. */
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

/** @} */

#ifdef __cplusplus
extern "C" {
#endif

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_types Basic types
 *
 * Fixed-size integer types of the interface and the window handle of the
 * preview.
 * @{
 */
/* ------------------------------------------------------------------------ */

typedef uint8_t QCX_BYTE;   /**< unsigned 8-bit */
typedef uint16_t QCX_WORD;  /**< unsigned 16-bit */
typedef uint32_t QCX_DWORD; /**< unsigned 32-bit */
typedef uint8_t QCX_BOOL8;  /**< one-byte flag: 0 or 1 (inputs: any non-zero value counts as 1) */

/** Window into which the preview is drawn. On Linux an X11 window id; on
 * Windows an HWND. 0 means the root window (the whole screen). */
typedef uintptr_t QCX_WINDOW;

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_status Status codes
 *
 * Status codes (texts as QCX_GetErrorInfo reports them). There is no code
 * -9.
 * @{
 */
/* ------------------------------------------------------------------------ */

#define QCX_STATUS_SUCCESS (1)               /**< "Successful" */
#define QCX_STATUS_PARAMETER_ERROR (-1)      /**< "Parameter Error" */
#define QCX_STATUS_NO_MEMORY (-2)            /**< "Memory Allocation Failed" */
#define QCX_STATUS_NOT_SUPPORTED (-3)        /**< "Operation is not Supported" */
#define QCX_STATUS_NO_DEVICE (-4)            /**< "Device cannt be Detected" */
#define QCX_STATUS_NOT_INITIALIZED (-5)      /**< "Device wasn't Initialized" */
#define QCX_STATUS_ILLEGAL_OPERATION (-6)    /**< "Illegal Operation" */
#define QCX_STATUS_NO_PRIVILEGE (-7)         /**< "User No Privilege" */
#define QCX_STATUS_FAIL (-8)                 /**< "Fail" */
/* There is no code -9. */
#define QCX_STATUS_RECOVERY_SUCCESSFUL (-10) /**< "Device Recovery Successful": the camera was
                                                brought back after a failed read; try again */
#define QCX_STATUS_RECOVERY_FAIL (-11)       /**< "Device Recovery Fail" */
#define QCX_STATUS_BAD_FRAME (-12)           /**< "Bad Frame From Device, Should be Discarded" */
#define QCX_STATUS_INVALID_FRAME (-13)       /**< "Invalid Frame, Transmission Error" */
#define QCX_STATUS_ZERO_FRAME (-14)          /**< "Zero Frame, Tranmission Error" */
#define QCX_STATUS_VERSION_ERROR (-15)       /**< "Version Error" */

/** @} */

/* Buffer sizes the caller supplies. */
/** @ingroup qcx_library
 * Buffer size the caller supplies to QCX_GetErrorInfo: longest text (42)
 * and its zero. */
#define QCX_ERROR_TEXT_SIZE 43
/** @ingroup qcx_library
 * Buffer size the caller supplies to QCX_LogGet: log folder (259) and its
 * zero. */
#define QCX_LOG_FOLDER_SIZE 260

/* Preview states reported by QCX_PreviewGetStatus. */
/** @ingroup qcx_preview
 * Preview state reported by QCX_PreviewGetStatus: stopped. */
#define QCX_PREVIEW_STOPPED 0
/** @ingroup qcx_preview
 * Preview state reported by QCX_PreviewGetStatus: running. */
#define QCX_PREVIEW_RUNNING 1
/** @ingroup qcx_preview
 * Preview state reported by QCX_PreviewGetStatus: paused. */
#define QCX_PREVIEW_PAUSED 2

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_param_ids Parameter identifiers
 *
 * Parameter identifiers of QCX_SetParam, QCX_GetParam, QCX_GetParamRange.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Parameter identifiers of QCX_SetParam, QCX_GetParam and
 * QCX_GetParamRange. Which parameters a camera has depends on its sensor
 * family (see the values); a parameter the camera does not have gives -3. */
typedef enum QCX_PARAM {
    QCX_EXPOSURE = 0,             /**< exposure time in whole milliseconds. All cameras. */
    QCX_RED = 1,                  /**< red gain, in the sensor's gain code. Set on all
                                       but the CCD cameras (device types 19, 20, 48, 49);
                                       on the MT9V032 and the monochrome 1280 x 1024 CMOS
                                       and MT9P001 cameras red, green and blue are one
                                       global gain. Read on all but device types 48, 49. */
    QCX_GREEN = 2,                /**< green gain. Cameras as for #QCX_RED. */
    QCX_BLUE = 3,                 /**< blue gain. Cameras as for #QCX_RED. */
    QCX_GAMMA = 4,                /**< gamma value of the colour pipeline, -9 ... 9. All cameras. */
    QCX_PREVIEW_COLUMNSTART = 5,  /**< column start of the preview window. Set on cameras
                                       with windowing (not the CCD cameras, device types
                                       19, 20, 48, 49); read on all. */
    QCX_PREVIEW_ROWSTART = 6,     /**< row start of the preview window. Cameras as for
                                       #QCX_PREVIEW_COLUMNSTART. */
    QCX_CAPTURE_COLUMNSTART = 7,  /**< column start of the capture window. Cameras as for
                                       #QCX_PREVIEW_COLUMNSTART. */
    QCX_CAPTURE_ROWSTART = 8,     /**< row start of the capture window. Cameras as for
                                       #QCX_PREVIEW_COLUMNSTART. */
    QCX_HORIZONTALBLANK = 9,      /**< horizontal blanking, in the sensor's units. MT9V032,
                                       1280 x 1024 CMOS, MT9T001 and MT9P001 cameras. */
    QCX_VERTICALBLANK = 10,       /**< vertical blanking. Cameras as for
                                       #QCX_HORIZONTALBLANK. */
    QCX_FLIP = 11,                /**< vertical flip (rows in reverse order), flag. All
                                       cameras (the CCD cameras flip in the library). */
    QCX_BIN = 12,                 /**< binning, flag. Set on MT9T001 and MT9P001 cameras
                                       only; MT9V032 cameras read it as 1. */
    QCX_MIRROR = 13,              /**< horizontal mirror (each row reversed), flag. All
                                       cameras but the 1280 x 1024 CMOS (the CCD cameras
                                       mirror in the library). */
    QCX_CONTRAST = 14,            /**< contrast of the colour pipeline, -128 ... 128. All cameras. */
    QCX_BRIGHTNESS = 15,          /**< brightness of the colour pipeline, -128 ... 128. All
                                       cameras. */
    QCX_VGAGAIN = 16,             /**< variable gain amplifier of a CCD front end. CCD
                                       cameras only (device types 19, 20, 48, 49). */
    QCX_CLAMPLEVEL = 17,          /**< clamp (black) level of a CCD front end. CCD cameras
                                       only (device types 19, 20, 48, 49). */
    QCX_CDSGAIN = 18,             /**< correlated double sampling gain of a CCD front end.
                                       CCD cameras only (device types 19, 20, 48, 49). */
    QCX_RED_SHIFT = 19,           /**< red offset of colour correction, -255 ... 255. All
                                       cameras. */
    QCX_GREEN_SHIFT = 20,         /**< green offset of colour correction. All cameras. */
    QCX_BLUE_SHIFT = 21,          /**< blue offset of colour correction. All cameras. */
    QCX_COMPANDING = 22,          /**< sensor companding (10-to-8-bit), flag. MT9V032
                                       cameras only (device types 21-24, 28, 29, 36, 37). */
    QCX_EXPOSURE_LINES = 23,      /**< exposure in sensor lines. All cameras. */
    QCX_SATURATION = 24           /**< saturation of the colour pipeline, -128 ... 128. All
                                       but the monochrome cameras. */
} QCX_PARAM;

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_callbacks Callback types
 *
 * The library ignores the int that a callback returns. Callbacks run on the
 * camera's preview thread, except the colour-correction callback with state
 * 0, which runs on the thread that called QCX_ColorCorrectSet (and the one
 * with state 1 when no preview runs). Buffers handed to a callback are
 * valid only during the call. A callback may read and change the image; it
 * should not start or stop the preview of its own camera, since stopping
 * waits for the preview thread that is running the callback. Called from a
 * callback, a window change, still capture, preview start or stop, 16-bit
 * switch or QCX_SetParam of a window start, flip or mirror returns -8 at
 * once while another thread is doing one of these on that camera.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Per-frame preview callback: the processed image (height rows of width
 * pixels of bitCount / 8 bytes, bitCount 8, 24 or 32), before it is drawn
 * and recorded.
 *
 * Set with QCX_PreviewSetCallback; runs on the camera's preview thread.
 *
 * @param[in,out] buffer   The processed image; valid only during the call.
 *                         The callback may read and change it.
 * @param[in]     width    Width of the image in pixels.
 * @param[in]     height   Height of the image in rows.
 * @param[in]     bitCount Bits per pixel: 8, 24 or 32.
 * @param[in]     context  The context passed to QCX_PreviewSetCallback.
 * @return Ignored by the library.
 */
typedef int(QCXAPI_CALL *QCX_PREVIEW_CALLBACK)(QCX_BYTE *buffer, int width, int height,
                                               int bitCount, void *context);

#if defined(_WIN32)
/** Drawing target of the extended preview callback on Windows: a memory
 * device context (an HDC) with a device-independent section selected into
 * it that holds a copy of the preview image in the display bitmap's layout
 * (rows bottom-up, each padded to 4 bytes; 8-bit images with a grey
 * palette). Whatever the callback draws into it with GDI is copied back into
 * the display buffer after the call, so it is what the window shows and the
 * recording keeps. */
typedef struct HDC__ *QCX_DRAWING;
#else
/** Drawing surface of the extended preview callback: a copy of the preview
 * image (height rows of stride bytes, in the layout of the display buffer).
 * Whatever the callback draws into it is copied back into the display buffer
 * after the call, so it is what the window shows and the recording keeps.
 *
 * This type exists everywhere but on Windows, where the extended preview
 * callback draws into a device context instead (see QCX_DRAWING). */
typedef struct QCX_SURFACE {
    QCX_BYTE *pixels; /**< the copy of the preview image: height rows of stride bytes */
    int width;        /**< width of the image in pixels */
    int height;       /**< height of the image in rows */
    int stride;   /**< bytes per row */
    int bitCount; /**< 8, 24 or 32 */
} QCX_SURFACE;
/** Drawing target of the extended preview callback (QCX_PREVIEW_CALLBACK_EX).
 *
 * Everywhere but on Windows it points to a QCX_SURFACE: a copy of the
 * preview image that the callback may draw into.
 *
 * On Windows (`_WIN32`) QCX_DRAWING is instead `struct HDC__ *`, an HDC: a
 * memory device context with a device-independent section selected into it
 * that holds a copy of the preview image in the display bitmap's layout
 * (rows bottom-up, each padded to 4 bytes; 8-bit images with a grey
 * palette). Whatever the callback draws into it with GDI is copied back into
 * the display buffer after the call, so it is what the window shows and the
 * recording keeps. */
typedef QCX_SURFACE *QCX_DRAWING;
#endif

/** Extended per-frame preview callback: the drawing target and the display
 * buffer it was copied from. While it is set the preview is drawn with
 * smooth (halftone) stretching.
 *
 * Set with QCX_PreviewSetCallbackEx; runs on the camera's preview thread.
 *
 * @param[in,out] drawing  The drawing target holding a copy of the image
 *                         (see QCX_DRAWING); what the callback draws into
 *                         it is copied back into the display buffer.
 * @param[in]     buffer   The display buffer the drawing target was copied
 *                         from; valid only during the call.
 * @param[in]     width    Width of the image in pixels.
 * @param[in]     height   Height of the image in rows.
 * @param[in]     bitCount Bits per pixel: 8, 24 or 32.
 * @param[in]     context  The context passed to QCX_PreviewSetCallbackEx.
 * @return Ignored by the library.
 */
typedef int(QCXAPI_CALL *QCX_PREVIEW_CALLBACK_EX)(QCX_DRAWING drawing, QCX_BYTE *buffer, int width,
                                                  int height, int bitCount, void *context);

/** Automatic exposure finished (once, on the frame on which it stops):
 * success flag and the exposure time in milliseconds as QCX_GetParam
 * reports QCX_EXPOSURE.
 *
 * Set with QCX_AESetCallback; runs on the camera's preview thread.
 *
 * @param[in] success    Success flag of the exposure loop.
 * @param[in] exposureMs Exposure time in milliseconds, as QCX_GetParam
 *                       reports QCX_EXPOSURE.
 * @param[in] context    The context passed to QCX_AESetCallback.
 * @return Ignored by the library.
 */
typedef int(QCXAPI_CALL *QCX_AE_CALLBACK)(QCX_BOOL8 success, int exposureMs, void *context);

/** Automatic white balance finished (once, on the frame on which it stops):
 * success flag and the red, green and blue gains as QCX_GetParam reports
 * them.
 *
 * Set with QCX_AWBSetCallback; runs on the camera's preview thread.
 *
 * @param[in] success Success flag of the white balance loop.
 * @param[in] red     Red gain, as QCX_GetParam reports QCX_RED.
 * @param[in] green   Green gain, as QCX_GetParam reports QCX_GREEN.
 * @param[in] blue    Blue gain, as QCX_GetParam reports QCX_BLUE.
 * @param[in] context The context passed to QCX_AWBSetCallback.
 * @return Ignored by the library.
 */
typedef int(QCXAPI_CALL *QCX_AWB_CALLBACK)(QCX_BOOL8 success, int red, int green, int blue,
                                           void *context);

/** Focus measurement: called on every frame while it runs, with a sharpness
 * figure of 0 ... 10200 (larger is sharper).
 *
 * Set with QCX_AFSetCallback; runs on the camera's preview thread.
 *
 * @param[in] focusValue Sharpness figure, 0 ... 10200 (larger is sharper).
 * @param[in] context    The context passed to QCX_AFSetCallback.
 * @return Ignored by the library.
 */
typedef int(QCXAPI_CALL *QCX_AF_CALLBACK)(int focusValue, void *context);

/** Colour correction: state 0 when QCX_ColorCorrectSet has reset the
 * correction (before a calibration on the preview), state 1 when a
 * calibration is done; with the red, green and blue offsets in force.
 *
 * Set with QCX_ColorCorrectSetCallback. State 0 runs on the thread that
 * called QCX_ColorCorrectSet; state 1 on the preview thread, or on the
 * thread that called QCX_ColorCorrectSet when no preview runs.
 *
 * @param[in] state       0: the correction was reset; 1: a calibration is
 *                        done.
 * @param[in] redOffset   Red offset in force.
 * @param[in] greenOffset Green offset in force.
 * @param[in] blueOffset  Blue offset in force.
 * @param[in] context     The context passed to QCX_ColorCorrectSetCallback.
 * @return Ignored by the library.
 */
typedef int(QCXAPI_CALL *QCX_COLOR_CORRECT_CALLBACK)(int state, int redOffset, int greenOffset,
                                                     int blueOffset, void *context);

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_library Library frame
 *
 * Start and end of the library, the number of cameras, status texts and the
 * diagnostic log. These functions are not device functions: they take no
 * device index and open no camera.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Creates the device manager and counts the cameras present now; opens no
 * camera. Called again, it first closes every camera of the previous call.
 * Returns 1, also when no camera is present; -8 when out of memory.
 *
 * @par Device types
 * All: the whole library; no camera is opened.
 *
 * @return Status code.
 * @retval 1  Success, also when no camera is present.
 * @retval -8 Out of memory.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_Init(void);

/** Closes every camera (stopping preview and recording) and destroys the
 * device manager; switches the log off (the log folder is kept). Always 1,
 * also without QCX_Init.
 *
 * @par Device types
 * All: every open camera is closed.
 *
 * @return Status code.
 * @retval 1 Always, also without QCX_Init.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_UnInit(void);

/** Returns the number of cameras, counted afresh at each call; -5 before
 * QCX_Init.
 *
 * @par Device types
 * All: every camera present is counted.
 *
 * @return The number of cameras (0 or more), or a status code.
 * @retval -5 QCX_Init has not been called.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_DeviceGetCount(void);

/** Copies the text of a status code into text (QCX_ERROR_TEXT_SIZE bytes).
 * Returns 1; for a code without a text copies "Illegal Operation" and
 * returns -6. Works without QCX_Init.
 *
 * @par Device types
 * None: needs no camera.
 *
 * @param[in]  code A status code (QCX_STATUS_*).
 * @param[out] text Buffer of QCX_ERROR_TEXT_SIZE bytes that receives the
 *                  zero-terminated text.
 * @return Status code.
 * @retval 1  The text of the code was copied.
 * @retval -6 The code has no text; "Illegal Operation" was copied.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GetErrorInfo(int code, char *text);

/** Switches the per-camera log files on or off, for open cameras and for
 * cameras opened later. A non-null folder is stored (an empty string
 * selects the default folder "QCXLogFolder" beside the library); open
 * cameras get the folder exactly as passed, so null sends them to the
 * default folder. Every switch-on starts a new file. Always 1, also
 * without QCX_Init; a folder that cannot be created leaves a camera
 * without log.
 *
 * @par Device types
 * All: open cameras and cameras opened later.
 *
 * @param[in] enable Non-zero switches the log files on, 0 off.
 * @param[in] folder Log folder, or null (see above).
 * @return Status code.
 * @retval 1 Always, also without QCX_Init.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_LogSet(QCX_BOOL8 enable, const char *folder);

/** Reads the log switch and folder (QCX_LOG_FOLDER_SIZE bytes). Either
 * pointer may be null. Always 1.
 *
 * @par Device types
 * None: needs no camera.
 *
 * @param[out] enable Receives the log switch; may be null.
 * @param[out] folder Buffer of QCX_LOG_FOLDER_SIZE bytes that receives the
 *                    log folder; may be null.
 * @return Status code.
 * @retval 1 Always.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_LogGet(QCX_BOOL8 *enable, char *folder);

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_transport Device transport
 *
 * Controller registers, EEPROM, sensor registers, vendor requests, frame
 * transfer settings.
 *
 * The register functions return 1; -5 when the channel to the camera is
 * lost; -8 when the driver refuses the request or the camera reports a
 * failure. Read values are stored only on success.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Writes a register of the camera's FX2 USB controller.
 *
 * @par Device types
 * All.
 *
 * @param[in] index   Device index.
 * @param[in] address Register address.
 * @param[in] value   Value to write.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrFx2Reg(int index, QCX_WORD address, QCX_BYTE value);
/** Reads a register of the camera's FX2 USB controller. The value is stored
 * only on success.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index   Device index.
 * @param[in]  address Register address.
 * @param[out] value   Receives the register's value.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdFx2Reg(int index, QCX_WORD address, QCX_BYTE *value);

/** Writes a special function register of the FX2 controller.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] sfr   Address of the special function register.
 * @param[in] value Value to write.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrFx2Sfr(int index, QCX_WORD sfr, QCX_BYTE value);
/** Reads a special function register of the FX2 controller. The value is
 * stored only on success.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index Device index.
 * @param[in]  sfr   Address of the special function register.
 * @param[out] value Receives the register's value.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdFx2Sfr(int index, QCX_WORD sfr, QCX_BYTE *value);

/** Writes one EEPROM byte at a 16-bit address.
 *
 * @par Device types
 * All.
 *
 * @param[in] index   Device index.
 * @param[in] address EEPROM address (16-bit).
 * @param[in] value   Byte to write.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrEEPROM(int index, QCX_WORD address, QCX_BYTE value);
/** Reads one EEPROM byte at a 16-bit address. The value is stored only on
 * success.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index   Device index.
 * @param[in]  address EEPROM address (16-bit).
 * @param[out] value   Receives the byte.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdEEPROM(int index, QCX_WORD address, QCX_BYTE *value);

/** Writes one EEPROM byte at a 32-bit address. The camera reports no status
 * for this request: 1 means the driver carried it.
 *
 * @par Device types
 * All.
 *
 * @param[in] index   Device index.
 * @param[in] address EEPROM address (32-bit).
 * @param[in] value   Byte to write.
 * @return Status code.
 * @retval 1  The driver carried the request.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrEEPROMEx(int index, QCX_DWORD address, QCX_BYTE value);

/** Reads one EEPROM byte at a 32-bit address. The value is stored only on
 * success.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index   Device index.
 * @param[in]  address EEPROM address (32-bit).
 * @param[out] value   Receives the byte.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdEEPROMEx(int index, QCX_DWORD address, QCX_BYTE *value);

/** Writes a 16-bit sensor register at an 8-bit address.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] reg   Register address (8-bit).
 * @param[in] value Value to write.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrSensorReg(int index, QCX_BYTE reg, QCX_WORD value);
/** Reads a 16-bit sensor register at an 8-bit address.
 * QCX_RdSensorReg returns -1 for a null value before anything else. The
 * value is stored only on success.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index Device index.
 * @param[in]  reg   Register address (8-bit).
 * @param[out] value Receives the register's value; must not be null.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 value is null (checked before anything else).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdSensorReg(int index, QCX_BYTE reg, QCX_WORD *value);

/** Writes a 16-bit sensor register at a 16-bit address.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] reg   Register address (16-bit).
 * @param[in] value Value to write.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrSensorRegX(int index, QCX_WORD reg, QCX_WORD value);
/** Reads a 16-bit sensor register at a 16-bit address. The value
 * pointer of QCX_RdSensorRegX must not be null. The value is stored only on
 * success.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index Device index.
 * @param[in]  reg   Register address (16-bit).
 * @param[out] value Receives the register's value; must not be null.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RdSensorRegX(int index, QCX_WORD reg, QCX_WORD *value);

/** Sends any vendor request. setup is the 8-byte USB setup packet
 * (bmRequestType, bRequest, wValue, wIndex, wLength; little-endian); data
 * holds at least wLength bytes (sent to the camera or filled from it, by
 * the direction bit of bmRequestType). Returns 1 when the driver carried
 * the request (the data that came back is not interpreted); -5 when the
 * channel is lost; -8 when the driver refuses it.
 *
 * @par Device types
 * All.
 *
 * @param[in]     index Device index.
 * @param[in]     setup The 8-byte USB setup packet.
 * @param[in,out] data  At least wLength bytes: sent to the camera or
 *                      filled from it, by the direction bit of
 *                      bmRequestType.
 * @return Status code.
 * @retval 1  The driver carried the request.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_VendorCmd(int index, const QCX_BYTE *setup /* 8 bytes */,
                                            void *data);

/** Identifies the camera: device type code, device number and firmware
 * version. Each pointer may be null (the request is made all the same).
 * -8 when the camera reports a failure.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index           Device index.
 * @param[out] deviceType      Receives the device type code; may be null.
 * @param[out] deviceNumber    Receives the device number; may be null.
 * @param[out] firmwareVersion Receives the firmware version; may be null.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The driver refuses the request or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_DeviceGetInformation(int index, int *deviceType,
                                                       int *deviceNumber,
                                                       QCX_WORD *firmwareVersion);

/** Makes the camera discard the frames it holds. -3 for cameras without a
 * working-mode word (nothing is sent); failures of the working-mode
 * requests are returned as they are.
 *
 * @par Device types
 * Cameras with a working-mode word: device types 17, 18, 25-32, 36-49.
 *
 * @param[in] index Device index.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The camera has no working-mode word (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 A working-mode request fails: the driver refuses it or the
 *            camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_EmptyFrameBuffer(int index);

/** Chooses 16-bit (enable 1) or 8-bit pixel transfer; raw frames then carry
 * one little-endian 16-bit word per pixel. -3 for cameras without 16-bit
 * transfer (device types 31, 32, 46, 47, 48, 49 have it); failures of the
 * working-mode requests are returned as they are.
 *
 * @par Device types
 * Device types 31, 32, 46, 47, 48, 49 only.
 *
 * @param[in] index  Device index.
 * @param[in] enable Non-zero: 16-bit transfer; 0: 8-bit transfer.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The camera has no 16-bit transfer.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 A working-mode request fails: the driver refuses it or the
 *            camera reports a failure; or called from a preview callback
 *            while another thread is doing such a change on that camera
 *            (see @ref qcx_callbacks).
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SetData16Bits(int index, QCX_BOOL8 enable);

/** Reads the transfer choice: 1 for 16-bit. -3 (and 0) for cameras without
 * 16-bit transfer.
 *
 * @par Device types
 * Device types 31, 32, 46, 47, 48, 49 only.
 *
 * @param[in]  index   Device index.
 * @param[out] enabled Receives 1 for 16-bit transfer, else 0.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The camera has no 16-bit transfer; 0 is stored.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GetData16Bits(int index, QCX_BOOL8 *enabled);

/** Sets the time-out of every frame read, preview included (default 8000
 * ms). Not checked: 0 makes every read time out at once. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index        Device index.
 * @param[in] milliseconds Time-out in milliseconds.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureSetTimeOut(int index, QCX_DWORD milliseconds);

/** Reads the frame read time-out. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index        Device index.
 * @param[out] milliseconds Receives the time-out in milliseconds.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetTimeOut(int index, QCX_DWORD *milliseconds);

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_capture Still capture
 *
 * One frame of the capture window. A running preview is stopped for the
 * capture and started again afterwards; a paused one is left alone.
 * Buffer sizes: raw, width x height bytes (twice that with 16-bit
 * transfer); colour, width x height x bitCount / 8 bytes, as
 * QCX_CaptureGetSizeEx reports them. In grey output mode the colour
 * functions return the raw grey frame.
 *
 * All return -1 for a null buffer (nothing else happens) and otherwise the
 * status of the frame read: 1; -10 when a time-out or failed read made the
 * library reopen the camera (capture again); -11 when that failed; -13 for
 * a short frame or transfer error; -14 for an empty frame; -3 for a bad
 * frame size or no memory. After a failed read the caller's buffer of a
 * colour capture is left as it was.
 *
 * All serve every device type.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Captures one raw frame of the capture window.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index  Device index.
 * @param[out] buffer Receives the raw frame: width x height bytes of the
 *                    capture size, twice that with 16-bit transfer.
 * @return Status code (the status of the frame read).
 * @retval 1   Success.
 * @retval -1  buffer is null (nothing else happens).
 * @retval -3  Bad frame size or no memory.
 * @retval -5  Not initialised, index out of range or camera not opened.
 * @retval -8  Called from a preview callback while another thread is doing
 *             a capture or another such operation on that camera (see
 *             @ref qcx_callbacks).
 * @retval -10 A time-out or failed read made the library reopen the camera:
 *             capture again.
 * @retval -11 Reopening the camera failed.
 * @retval -13 Short frame or transfer error.
 * @retval -14 Empty frame.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRawData(int index, QCX_BYTE *buffer);
/** Captures one colour frame of the capture window. In grey output mode it
 * returns the raw grey frame. After a failed read the buffer is left as it
 * was.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index  Device index.
 * @param[out] buffer Receives the image: width x height x bitCount / 8
 *                    bytes, as QCX_CaptureGetSizeEx reports them.
 * @return Status code (the status of the frame read).
 * @retval 1   Success.
 * @retval -1  buffer is null (nothing else happens).
 * @retval -3  Bad frame size or no memory.
 * @retval -5  Not initialised, index out of range or camera not opened.
 * @retval -8  Called from a preview callback while another thread is doing
 *             a capture or another such operation on that camera (see
 *             @ref qcx_callbacks).
 * @retval -10 A time-out or failed read made the library reopen the camera:
 *             capture again.
 * @retval -11 Reopening the camera failed.
 * @retval -13 Short frame or transfer error.
 * @retval -14 Empty frame.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRgbData(int index, QCX_BYTE *buffer);

/** Captures one colour frame as QCX_CaptureRgbData does. Also reports the
 * image size; each of width, height and bitCount may be null.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index    Device index.
 * @param[out] buffer   Receives the image: width x height x bitCount / 8
 *                      bytes, as QCX_CaptureGetSizeEx reports them.
 * @param[out] width    Receives the image width in pixels; may be null.
 * @param[out] height   Receives the image height in rows; may be null.
 * @param[out] bitCount Receives the bits per pixel (8, 24 or 32); may be
 *                      null.
 * @return Status code (the status of the frame read).
 * @retval 1   Success.
 * @retval -1  buffer is null (nothing else happens).
 * @retval -3  Bad frame size or no memory.
 * @retval -5  Not initialised, index out of range or camera not opened.
 * @retval -8  Called from a preview callback while another thread is doing
 *             a capture or another such operation on that camera (see
 *             @ref qcx_callbacks).
 * @retval -10 A time-out or failed read made the library reopen the camera:
 *             capture again.
 * @retval -11 Reopening the camera failed.
 * @retval -13 Short frame or transfer error.
 * @retval -14 Empty frame.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRgbDataEx(int index, QCX_BYTE *buffer, int *width,
                                                   int *height, int *bitCount);

/** QCX_CaptureRawData after making the camera discard the frames it holds.
 *
 * The same three (QCX_CaptureRawData, QCX_CaptureRgbData,
 * QCX_CaptureRgbDataEx), after making the camera discard the frames it
 * holds, so that the frame returned was exposed after the call. Nothing is
 * discarded in external trigger mode (a triggered frame is kept) or when the
 * preview had to be stopped; a failed discard is not reported. Calls of
 * these three on one camera run one after the other.
 *
 * @par Device types
 * All. Only cameras with a working-mode word (device types 17, 18, 25-32,
 * 36-49) discard frames; on the others the capture reads without a discard.
 *
 * @param[in]  index  Device index.
 * @param[out] buffer Receives the raw frame: width x height bytes of the
 *                    capture size, twice that with 16-bit transfer.
 * @return Status code (the status of the frame read).
 * @retval 1   Success.
 * @retval -1  buffer is null (nothing else happens).
 * @retval -3  Bad frame size or no memory.
 * @retval -5  Not initialised, index out of range or camera not opened.
 * @retval -8  Called from a preview callback while another thread is doing
 *             a capture or another such operation on that camera (see
 *             @ref qcx_callbacks).
 * @retval -10 A time-out or failed read made the library reopen the camera:
 *             capture again.
 * @retval -11 Reopening the camera failed.
 * @retval -13 Short frame or transfer error.
 * @retval -14 Empty frame.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRawDataAfterEmptyFrameBuffer(int index,
                                                                      QCX_BYTE *buffer);
/** QCX_CaptureRgbData after making the camera discard the frames it holds,
 * so that the frame returned was exposed after the call. Nothing is
 * discarded in external trigger mode (a triggered frame is kept) or when the
 * preview had to be stopped; a failed discard is not reported. Calls of
 * the three ...AfterEmptyFrameBuffer functions on one camera run one after
 * the other.
 *
 * @par Device types
 * All. Only cameras with a working-mode word (device types 17, 18, 25-32,
 * 36-49) discard frames; on the others the capture reads without a discard.
 *
 * @param[in]  index  Device index.
 * @param[out] buffer Receives the image: width x height x bitCount / 8
 *                    bytes, as QCX_CaptureGetSizeEx reports them.
 * @return Status code (the status of the frame read).
 * @retval 1   Success.
 * @retval -1  buffer is null (nothing else happens).
 * @retval -3  Bad frame size or no memory.
 * @retval -5  Not initialised, index out of range or camera not opened.
 * @retval -8  Called from a preview callback while another thread is doing
 *             a capture or another such operation on that camera (see
 *             @ref qcx_callbacks).
 * @retval -10 A time-out or failed read made the library reopen the camera:
 *             capture again.
 * @retval -11 Reopening the camera failed.
 * @retval -13 Short frame or transfer error.
 * @retval -14 Empty frame.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRgbDataAfterEmptyFrameBuffer(int index,
                                                                      QCX_BYTE *buffer);
/** QCX_CaptureRgbDataEx after making the camera discard the frames it
 * holds, so that the frame returned was exposed after the call. Nothing is
 * discarded in external trigger mode (a triggered frame is kept) or when the
 * preview had to be stopped; a failed discard is not reported. Calls of
 * the three ...AfterEmptyFrameBuffer functions on one camera run one after
 * the other.
 *
 * @par Device types
 * All. Only cameras with a working-mode word (device types 17, 18, 25-32,
 * 36-49) discard frames; on the others the capture reads without a discard.
 *
 * @param[in]  index    Device index.
 * @param[out] buffer   Receives the image: width x height x bitCount / 8
 *                      bytes, as QCX_CaptureGetSizeEx reports them.
 * @param[out] width    Receives the image width in pixels; may be null.
 * @param[out] height   Receives the image height in rows; may be null.
 * @param[out] bitCount Receives the bits per pixel (8, 24 or 32); may be
 *                      null.
 * @return Status code (the status of the frame read).
 * @retval 1   Success.
 * @retval -1  buffer is null (nothing else happens).
 * @retval -3  Bad frame size or no memory.
 * @retval -5  Not initialised, index out of range or camera not opened.
 * @retval -8  Called from a preview callback while another thread is doing
 *             a capture or another such operation on that camera (see
 *             @ref qcx_callbacks).
 * @retval -10 A time-out or failed read made the library reopen the camera:
 *             capture again.
 * @retval -11 Reopening the camera failed.
 * @retval -13 Short frame or transfer error.
 * @retval -14 Empty frame.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureRgbDataExAfterEmptyFrameBuffer(int index,
                                                                        QCX_BYTE *buffer,
                                                                        int *width, int *height,
                                                                        int *bitCount);

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_fov Field of view and frame sizes
 *
 * A window is six values: column start, row start (relative to the first
 * active pixel), column count, row count (before skipping), column address
 * mode and row address mode (0 ... 4: every 1st, 2nd, 3rd, 4th or 8th
 * column or row). The capture window serves still capture, the preview
 * window the live preview.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Sets the capture window. Out-of-range sizes and starts are
 * clamped and aligned to the sensor's steps (read the result back with the
 * getters). -3 for an address mode the sensor refuses and for cameras
 * without windowing (the CCD cameras); a failing register write returns its
 * status.
 *
 * @par Device types
 * Cameras with windowing: all but the CCD cameras (device types 19, 20, 48,
 * 49). Address modes refused: 2 and 4 on MT9V032 cameras (and any outside
 * 0 ... 4), 2 on 1280 x 1024 CMOS cameras, 2 and 4 on MT9J001 cameras.
 *
 * @param[in] index       Device index.
 * @param[in] columnStart Column start, relative to the first active pixel.
 * @param[in] rowStart    Row start, relative to the first active pixel.
 * @param[in] width       Column count, before skipping.
 * @param[in] height      Row count, before skipping.
 * @param[in] columnMode  Column address mode, 0 ... 4.
 * @param[in] rowMode     Row address mode, 0 ... 4.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 An address mode the sensor refuses, or a camera without
 *            windowing.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            a failing register write: the channel to the camera is lost.
 * @retval -8 A failing register write: the driver refuses it or the camera
 *            reports a failure; or called from a preview callback while
 *            another thread is doing a window change or another such
 *            operation on that camera (see @ref qcx_callbacks).
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureSetFieldOfView(int index, int columnStart,
                                                        int rowStart, int width, int height,
                                                        int columnMode, int rowMode);
/** Sets the preview window. Out-of-range sizes and starts are
 * clamped and aligned to the sensor's steps (read the result back with the
 * getters). -3 for an address mode the sensor refuses and for cameras
 * without windowing (the CCD cameras); a failing register write returns its
 * status. Changing the preview size while preview runs restarts it.
 *
 * @par Device types
 * Cameras with windowing: all but the CCD cameras (device types 19, 20, 48,
 * 49). Address modes refused: 2 and 4 on MT9V032 cameras (and any outside
 * 0 ... 4), 2 on 1280 x 1024 CMOS cameras, 2 and 4 on MT9J001 cameras.
 *
 * @param[in] index       Device index.
 * @param[in] columnStart Column start, relative to the first active pixel.
 * @param[in] rowStart    Row start, relative to the first active pixel.
 * @param[in] width       Column count, before skipping.
 * @param[in] height      Row count, before skipping.
 * @param[in] columnMode  Column address mode, 0 ... 4.
 * @param[in] rowMode     Row address mode, 0 ... 4.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 An address mode the sensor refuses, or a camera without
 *            windowing.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            a failing register write: the channel to the camera is lost.
 * @retval -8 A failing register write: the driver refuses it or the camera
 *            reports a failure; or called from a preview callback while
 *            another thread is doing a window change or another such
 *            operation on that camera (see @ref qcx_callbacks).
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetFieldOfView(int index, int columnStart,
                                                        int rowStart, int width, int height,
                                                        int columnMode, int rowMode);

/** Reads the stored capture window. Null pointers are skipped.
 * Always 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index       Device index.
 * @param[out] columnStart Receives the column start; may be null.
 * @param[out] rowStart    Receives the row start; may be null.
 * @param[out] width       Receives the column count; may be null.
 * @param[out] height      Receives the row count; may be null.
 * @param[out] columnMode  Receives the column address mode; may be null.
 * @param[out] rowMode     Receives the row address mode; may be null.
 * @return Status code.
 * @retval 1  Always, for an open camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetFieldOfView(int index, int *columnStart,
                                                        int *rowStart, int *width, int *height,
                                                        int *columnMode, int *rowMode);
/** Reads the stored preview window. Null pointers are skipped.
 * Always 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index       Device index.
 * @param[out] columnStart Receives the column start; may be null.
 * @param[out] rowStart    Receives the row start; may be null.
 * @param[out] width       Receives the column count; may be null.
 * @param[out] height      Receives the row count; may be null.
 * @param[out] columnMode  Receives the column address mode; may be null.
 * @param[out] rowMode     Receives the row address mode; may be null.
 * @return Status code.
 * @retval 1  Always, for an open camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetFieldOfView(int index, int *columnStart,
                                                        int *rowStart, int *width, int *height,
                                                        int *columnMode, int *rowMode);

/** The full sensor window: 0, 0, maximum width, maximum height, 0, 0. The
 * two names (QCX_CaptureGetDefaultFieldOfView,
 * QCX_PreviewGetDefaultFieldOfView) are one function. Null pointers are
 * skipped. Always 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index       Device index.
 * @param[out] columnStart Receives 0; may be null.
 * @param[out] rowStart    Receives 0; may be null.
 * @param[out] width       Receives the maximum width; may be null.
 * @param[out] height      Receives the maximum height; may be null.
 * @param[out] columnMode  Receives 0; may be null.
 * @param[out] rowMode     Receives 0; may be null.
 * @return Status code.
 * @retval 1  Always, for an open camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetDefaultFieldOfView(int index, int *columnStart,
                                                               int *rowStart, int *width,
                                                               int *height, int *columnMode,
                                                               int *rowMode);
/** The full sensor window: 0, 0, maximum width, maximum height, 0, 0. The
 * two names (QCX_CaptureGetDefaultFieldOfView,
 * QCX_PreviewGetDefaultFieldOfView) are one function. Null pointers are
 * skipped. Always 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index       Device index.
 * @param[out] columnStart Receives 0; may be null.
 * @param[out] rowStart    Receives 0; may be null.
 * @param[out] width       Receives the maximum width; may be null.
 * @param[out] height      Receives the maximum height; may be null.
 * @param[out] columnMode  Receives 0; may be null.
 * @param[out] rowMode     Receives 0; may be null.
 * @return Status code.
 * @retval 1  Always, for an open camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetDefaultFieldOfView(int index, int *columnStart,
                                                               int *rowStart, int *width,
                                                               int *height, int *columnMode,
                                                               int *rowMode);

/** Size of a delivered capture frame (after skipping). Null
 * pointers are skipped. Always 1.
 *
 * The Ex forms add the bits per pixel of a processed image (8, 24 or 32),
 * the ExEx form the transfer bits (16 with 16-bit transfer, else 8).
 *
 * @par Device types
 * All.
 *
 * @param[in]  index  Device index.
 * @param[out] width  Receives the frame width in pixels; may be null.
 * @param[out] height Receives the frame height in rows; may be null.
 * @return Status code.
 * @retval 1  Always, for an open camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetSize(int index, int *width, int *height);
/** Size of a delivered capture frame (after skipping) and the bits per
 * pixel of a processed image (8, 24 or 32). Null pointers are skipped.
 * Always 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index    Device index.
 * @param[out] width    Receives the frame width in pixels; may be null.
 * @param[out] height   Receives the frame height in rows; may be null.
 * @param[out] bitCount Receives the bits per pixel of a processed image;
 *                      may be null.
 * @return Status code.
 * @retval 1  Always, for an open camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetSizeEx(int index, int *width, int *height,
                                                   int *bitCount);
/** Size of a delivered capture frame (after skipping), the bits per pixel
 * of a processed image (8, 24 or 32) and the transfer bits (16 with 16-bit
 * transfer, else 8). Null pointers are skipped. Always 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index    Device index.
 * @param[out] width    Receives the frame width in pixels; may be null.
 * @param[out] height   Receives the frame height in rows; may be null.
 * @param[out] bitCount Receives the bits per pixel of a processed image;
 *                      may be null.
 * @param[out] dataBits Receives the transfer bits, 16 or 8; may be null.
 * @return Status code.
 * @retval 1  Always, for an open camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_CaptureGetSizeExEx(int index, int *width, int *height,
                                                     int *bitCount, int *dataBits);
/** Size of a delivered preview frame (after skipping). Null pointers are
 * skipped. Always 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index  Device index.
 * @param[out] width  Receives the frame width in pixels; may be null.
 * @param[out] height Receives the frame height in rows; may be null.
 * @return Status code.
 * @retval 1  Always, for an open camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetSize(int index, int *width, int *height);
/** Size of a delivered preview frame (after skipping) and the bits per
 * pixel of a processed image (8, 24 or 32). Null pointers are skipped.
 * Always 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index    Device index.
 * @param[out] width    Receives the frame width in pixels; may be null.
 * @param[out] height   Receives the frame height in rows; may be null.
 * @param[out] bitCount Receives the bits per pixel of a processed image;
 *                      may be null.
 * @return Status code.
 * @retval 1  Always, for an open camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetSizeEx(int index, int *width, int *height,
                                                   int *bitCount);

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_preview Preview
 *
 * A worker thread per camera reads frames of the preview window, runs the
 * automatic control loops, converts each frame, calls the callbacks, draws
 * it stretched into a rectangle of a window and records it while recording.
 * Frame read failures inside the preview are not reported; the frame is
 * skipped.
 *
 * All serve every device type.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Starts or stops the preview.
 *
 * start 1: starts the preview; -8 when it is already running or paused or
 * the thread cannot be created. start 0: stops it (ending recording and the
 * automatic loops) and switches the sensor back to the capture window;
 * returns the status of that switch.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] start 1 starts the preview, 0 stops it.
 * @return Status code; with start 0 the status of the switch to the capture
 *         window.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; with
 *            start 0 also a failing register write of the switch: the
 *            channel to the camera is lost.
 * @retval -8 start 1: the preview is already running or paused, or the
 *            thread cannot be created. start 0: a failing register write of
 *            the switch. Either: called from a preview callback while
 *            another thread is starting or stopping the preview or doing
 *            another such operation on that camera (see @ref qcx_callbacks).
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewStart(int index, QCX_BOOL8 start);

/** Pauses or resumes the preview.
 *
 * pause 1 freezes a running preview (the last frame keeps being drawn,
 * passed to the callbacks and recorded); pause 0 resumes it. -8 when the
 * preview is stopped; otherwise 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] pause 1 freezes a running preview, 0 resumes it.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 * @retval -8 The preview is stopped.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewPause(int index, QCX_BOOL8 pause);

/** Reads the preview state:
 * QCX_PREVIEW_STOPPED, QCX_PREVIEW_RUNNING or QCX_PREVIEW_PAUSED. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index  Device index.
 * @param[out] status Receives QCX_PREVIEW_STOPPED, QCX_PREVIEW_RUNNING or
 *                    QCX_PREVIEW_PAUSED.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetStatus(int index, int *status);

/** Where to draw: the rectangle x, y, width, height of the window's client
 * area (0 = root window). A width or height of 0 draws nothing while
 * callbacks and recording go on. Takes effect with the next frame.
 * Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index  Device index.
 * @param[in] window The window to draw into; 0 is the root window.
 * @param[in] x      Left edge of the rectangle in the window's client area.
 * @param[in] y      Top edge of the rectangle in the window's client area.
 * @param[in] width  Width of the rectangle; 0 draws nothing.
 * @param[in] height Height of the rectangle; 0 draws nothing.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetPos(int index, QCX_WINDOW window, int x, int y,
                                                int width, int height);

/** Reads the stored rectangle; all four pointers are required. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index  Device index.
 * @param[out] x      Receives the left edge; required.
 * @param[out] y      Receives the top edge; required.
 * @param[out] width  Receives the width; required.
 * @param[out] height Receives the height; required.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetPos(int index, int *x, int *y, int *width,
                                                int *height);

/** Copies the frozen image of a paused preview (bitCount / 8 x preview
 * width x height bytes). -8 unless paused; -1 for a null buffer.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index  Device index.
 * @param[out] buffer Receives the image: bitCount / 8 x preview width x
 *                    height bytes.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 buffer is null.
 * @retval -5 Not initialised, index out of range or camera not opened.
 * @retval -8 The preview is not paused.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetPausedData(int index, QCX_BYTE *buffer);

/** Copies the frozen image of a paused preview, as
 * QCX_PreviewGetPausedData does. The same, and its size; each of width,
 * height and bitCount may be null.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index    Device index.
 * @param[out] buffer   Receives the image: bitCount / 8 x preview width x
 *                      height bytes.
 * @param[out] width    Receives the image width in pixels; may be null.
 * @param[out] height   Receives the image height in rows; may be null.
 * @param[out] bitCount Receives the bits per pixel; may be null.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 buffer is null.
 * @retval -5 Not initialised, index out of range or camera not opened.
 * @retval -8 The preview is not paused.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetPausedDataEx(int index, QCX_BYTE *buffer,
                                                         int *width, int *height,
                                                         int *bitCount);

/** Frames per second, measured every 2 s. 1 while running; otherwise 0.0
 * and -3.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index Device index.
 * @param[out] rate  Receives the frames per second; 0.0 unless running.
 * @return Status code.
 * @retval 1  The preview is running.
 * @retval -3 The preview is not running; 0.0 is stored.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetFrameRate(int index, float *rate);

/** Sets the per-frame callback and its context; a null
 * callback switches it off. May be called at any time. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index    Device index.
 * @param[in] callback The callback, or null to switch it off.
 * @param[in] context  Passed to the callback unchanged.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetCallback(int index, QCX_PREVIEW_CALLBACK callback,
                                                     void *context);
/** Sets the extended per-frame callback and its context; a null
 * callback switches it off. May be called at any time. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index    Device index.
 * @param[in] callback The extended callback, or null to switch it off.
 * @param[in] context  Passed to the callback unchanged.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetCallbackEx(int index,
                                                       QCX_PREVIEW_CALLBACK_EX callback,
                                                       void *context);

/** Output mode: 0 grey (the raw frame as grey levels), 1 colour (through the
 * Bayer filter). Returns -3 when the mode is neither 0 nor 1, or it is 1
 * and the Bayer mode is outside 0 ... 23; the mode is stored all the same.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] mode  0 grey, 1 colour.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The mode is neither 0 nor 1, or it is 1 and the Bayer mode is
 *            outside 0 ... 23 (the mode is stored all the same).
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetMode(int index, int mode);

/** Reads the output mode. -1 for a null pointer.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index Device index.
 * @param[out] mode  Receives the output mode.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 mode is null.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewGetMode(int index, int *mode);

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_parameters Parameters
 *
 * Generic access to the QCX_PARAM settings, and the exposure time in
 * milliseconds.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Sets one QCX_PARAM. Exposure and exposure lines below 1 become 1, gains
 * below 0 become 0, flags any non-zero value 1; further clamping is the
 * sensor's or the pipeline's. -3 for an identifier outside 0 ... 24 or a
 * parameter the camera does not have; otherwise the status of the
 * operation behind it (-8 for a failed register write).
 *
 * @par Device types
 * All; which parameters a camera has depends on its sensor family (see the
 * values of QCX_PARAM).
 *
 * @param[in] index     Device index.
 * @param[in] parameter A QCX_PARAM identifier, 0 ... 24.
 * @param[in] value     The new value.
 * @return Status code: the status of the operation behind the parameter.
 * @retval 1  Success.
 * @retval -3 An identifier outside 0 ... 24, a parameter the camera does
 *            not have, or an operation behind it that the camera does not
 *            support.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 A failed register write, or another failure of the operation
 *            behind the parameter; or, for a window start, flip or mirror,
 *            called from a preview callback while another thread is doing
 *            such an operation on that camera (see @ref qcx_callbacks).
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SetParam(int index, int parameter, int value);

/** Reads one QCX_PARAM; value (required) is set to 0 first. -3 as for
 * QCX_SetParam.
 *
 * @par Device types
 * All; which parameters a camera has depends on its sensor family (see the
 * values of QCX_PARAM).
 *
 * @param[in]  index     Device index.
 * @param[in]  parameter A QCX_PARAM identifier, 0 ... 24.
 * @param[out] value     Receives the value (0 first); required.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 As for QCX_SetParam.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GetParam(int index, int parameter, int *value);

/** Range of one QCX_PARAM; both outputs (required) are set to 0 first. -3
 * with 0 ... 0 as for QCX_SetParam.
 *
 * @par Device types
 * All; which parameters a camera has depends on its sensor family (see the
 * values of QCX_PARAM).
 *
 * @param[in]  index     Device index.
 * @param[in]  parameter A QCX_PARAM identifier, 0 ... 24.
 * @param[out] minimum   Receives the smallest value (0 first); required.
 * @param[out] maximum   Receives the largest value (0 first); required.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 As for QCX_SetParam; the range is 0 ... 0.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GetParamRange(int index, int parameter, int *minimum,
                                                int *maximum);

/** Exposure time in milliseconds. -3 for a camera outside the sensor
 * families; a failed register write returns its status.
 *
 * @par Device types
 * All (every camera that opens belongs to a sensor family).
 *
 * @param[in] index        Device index.
 * @param[in] milliseconds Exposure time in milliseconds.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera outside the sensor families.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            a failed register write: the channel to the camera is lost.
 * @retval -8 A failed register write: the driver refuses it or the camera
 *            reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ExposureTimeSet(int index, float milliseconds);

/** Reads the exposure time in milliseconds. -1 for a null pointer; -3 for a
 * camera outside the sensor families.
 *
 * @par Device types
 * All (every camera that opens belongs to a sensor family).
 *
 * @param[in]  index        Device index.
 * @param[out] milliseconds Receives the exposure time in milliseconds.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 milliseconds is null.
 * @retval -3 A camera outside the sensor families.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ExposureTimeGet(int index, float *milliseconds);

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_auto Automatic exposure, white balance and focus
 *
 * Automatic exposure (AE), white balance (AWB) and focus measurement (AF).
 *
 * The loops run on the preview frames. Regions are in preview image pixels
 * and are clipped to the image. AE and AWB stop by themselves and then call
 * their callback; AF reports every frame until it is stopped. Starting with
 * start 0 stops a loop without calling its callback.
 *
 * The sensor's own automatic exposure (AEC) and gain (AGC) control, on
 * MT9V032 cameras only: -3 for every other camera (the Get...Enable
 * functions then store 0). Register failures as for QCX_WrSensorReg.
 * Set...Range ignores the minimum and sets the upper limit (exposure 1 ...
 * 2047 rows, gain 16 ... 63); Get...Range reports minimum 1 (exposure) or
 * 16 (gain); Get...Cur reads the value the chip uses now. QCX_AECGetRange
 * and the Get...Cur functions return -1 for a null pointer (nothing is
 * read); the Get...Enable functions and QCX_AGCGetRange skip null
 * pointers.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Metering region of the exposure loop. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index  Device index.
 * @param[in] x      Left edge, in preview image pixels.
 * @param[in] y      Top edge, in preview image pixels.
 * @param[in] width  Width, in preview image pixels.
 * @param[in] height Height, in preview image pixels.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AESetRegion(int index, int x, int y, int width, int height);

/** Runs the exposure loop for at most maximumCount frames toward the mean
 * level target (0 ... 255). An empty region becomes the whole image. -3
 * unless the preview is running.
 *
 * @par Device types
 * All.
 *
 * @param[in] index        Device index.
 * @param[in] start        Non-zero runs the loop; 0 stops it without calling
 *                         the callback.
 * @param[in] maximumCount Largest number of frames the loop runs for.
 * @param[in] target       Mean level to reach, 0 ... 255.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The preview is not running.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AEStart(int index, QCX_BOOL8 start, int maximumCount,
                                          int target);

/** Callback of the exposure loop (null switches it off). Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index    Device index.
 * @param[in] callback The callback, or null to switch it off.
 * @param[in] context  Passed to the callback unchanged.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AESetCallback(int index, QCX_AE_CALLBACK callback,
                                                void *context);

/** Region of the white balance loop. -3 for a monochrome camera.
 *
 * @par Device types
 * All but the monochrome cameras (device types 1, 5, 9, 11, 18, 22, 24, 29,
 * 32, 34, 37, 39, 42).
 *
 * @param[in] index  Device index.
 * @param[in] x      Left edge, in preview image pixels.
 * @param[in] y      Top edge, in preview image pixels.
 * @param[in] width  Width, in preview image pixels.
 * @param[in] height Height, in preview image pixels.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A monochrome camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AWBSetRegion(int index, int x, int y, int width, int height);

/** Runs the white balance loop for at most maximumCount frames toward the
 * channel levels (0 ... 255). An empty region becomes the whole image. -3
 * for a monochrome camera or unless the preview is running.
 *
 * @par Device types
 * All but the monochrome cameras (device types 1, 5, 9, 11, 18, 22, 24, 29,
 * 32, 34, 37, 39, 42).
 *
 * @param[in] index        Device index.
 * @param[in] start        Non-zero runs the loop; 0 stops it without calling
 *                         the callback.
 * @param[in] maximumCount Largest number of frames the loop runs for.
 * @param[in] redTarget    Red level to reach, 0 ... 255.
 * @param[in] greenTarget  Green level to reach, 0 ... 255.
 * @param[in] blueTarget   Blue level to reach, 0 ... 255.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A monochrome camera, or the preview is not running.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AWBStart(int index, QCX_BOOL8 start, int maximumCount,
                                           int redTarget, int greenTarget, int blueTarget);

/** Callback of the white balance loop. -3 for a monochrome camera.
 *
 * @par Device types
 * All but the monochrome cameras (device types 1, 5, 9, 11, 18, 22, 24, 29,
 * 32, 34, 37, 39, 42).
 *
 * @param[in] index    Device index.
 * @param[in] callback The callback, or null to switch it off.
 * @param[in] context  Passed to the callback unchanged.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A monochrome camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AWBSetCallback(int index, QCX_AWB_CALLBACK callback,
                                                 void *context);

/** Region of the focus measurement (at least 3 x 3). -3 in colour output
 * mode.
 *
 * @par Device types
 * All, in grey output mode.
 *
 * @param[in] index  Device index.
 * @param[in] x      Left edge, in preview image pixels.
 * @param[in] y      Top edge, in preview image pixels.
 * @param[in] width  Width, in preview image pixels.
 * @param[in] height Height, in preview image pixels.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 Colour output mode.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AFSetRegion(int index, int x, int y, int width, int height);

/** Runs or stops the focus measurement. An empty region becomes the whole
 * image. -3 unless the preview is running, and in colour output mode.
 *
 * @par Device types
 * All, in grey output mode.
 *
 * @param[in] index Device index.
 * @param[in] start Non-zero runs the measurement, 0 stops it.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The preview is not running, or colour output mode.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AFStart(int index, QCX_BOOL8 start);

/** Callback of the focus measurement. -3 in colour output mode.
 *
 * @par Device types
 * All, in grey output mode.
 *
 * @param[in] index    Device index.
 * @param[in] callback The callback, or null to switch it off.
 * @param[in] context  Passed to the callback unchanged.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 Colour output mode.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AFSetCallback(int index, QCX_AF_CALLBACK callback,
                                                void *context);

/** Switches the sensor's own automatic exposure (AEC) on or off.
 * -3 for every camera but MT9V032 cameras. Register failures as for
 * QCX_WrSensorReg.
 *
 * @par Device types
 * MT9V032 cameras only (device types 21-24, 28, 29, 36, 37).
 *
 * @param[in] index  Device index.
 * @param[in] enable Non-zero switches it on, 0 off.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 Not an MT9V032 camera.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The register write fails.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AECSetEnable(int index, QCX_BOOL8 enable);
/** Reads whether the sensor's own automatic exposure (AEC) is on. A null
 * pointer is skipped.
 *
 * @par Device types
 * MT9V032 cameras only (device types 21-24, 28, 29, 36, 37).
 *
 * @param[in]  index   Device index.
 * @param[out] enabled Receives 1 when on, else 0; may be null.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 Not an MT9V032 camera; 0 is stored.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AECGetEnable(int index, QCX_BOOL8 *enabled);
/** Sets the upper limit of the sensor's own automatic exposure (AEC),
 * 1 ... 2047 rows; the minimum is ignored. Register failures as for
 * QCX_WrSensorReg.
 *
 * @par Device types
 * MT9V032 cameras only (device types 21-24, 28, 29, 36, 37).
 *
 * @param[in] index   Device index.
 * @param[in] minimum Ignored.
 * @param[in] maximum Upper limit in rows, 1 ... 2047.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 Not an MT9V032 camera.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The register write fails.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AECSetRange(int index, QCX_WORD minimum, QCX_WORD maximum);
/** Reads the range of the sensor's own automatic exposure (AEC): minimum 1
 * and the upper limit. -1 for a null pointer (nothing is read).
 *
 * @par Device types
 * MT9V032 cameras only (device types 21-24, 28, 29, 36, 37).
 *
 * @param[in]  index   Device index.
 * @param[out] minimum Receives 1.
 * @param[out] maximum Receives the upper limit in rows.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 A null pointer (nothing is read).
 * @retval -3 Not an MT9V032 camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AECGetRange(int index, QCX_WORD *minimum, QCX_WORD *maximum);
/** Reads the exposure the sensor's own automatic exposure (AEC) uses now.
 * -1 for a null pointer (nothing is read). Register failures as for
 * QCX_WrSensorReg.
 *
 * @par Device types
 * MT9V032 cameras only (device types 21-24, 28, 29, 36, 37).
 *
 * @param[in]  index   Device index.
 * @param[out] current Receives the exposure the chip uses now, in rows.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 current is null (nothing is read).
 * @retval -3 Not an MT9V032 camera.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The register read fails.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AECGetCur(int index, QCX_WORD *current);
/** Switches the sensor's own automatic gain (AGC) on or off.
 * -3 for every camera but MT9V032 cameras. Register failures as for
 * QCX_WrSensorReg.
 *
 * @par Device types
 * MT9V032 cameras only (device types 21-24, 28, 29, 36, 37).
 *
 * @param[in] index  Device index.
 * @param[in] enable Non-zero switches it on, 0 off.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 Not an MT9V032 camera.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The register write fails.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AGCSetEnable(int index, QCX_BOOL8 enable);
/** Reads whether the sensor's own automatic gain (AGC) is on. A null
 * pointer is skipped.
 *
 * @par Device types
 * MT9V032 cameras only (device types 21-24, 28, 29, 36, 37).
 *
 * @param[in]  index   Device index.
 * @param[out] enabled Receives 1 when on, else 0; may be null.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 Not an MT9V032 camera; 0 is stored.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AGCGetEnable(int index, QCX_BOOL8 *enabled);
/** Sets the upper limit of the sensor's own automatic gain (AGC),
 * 16 ... 63; the minimum is ignored. Register failures as for
 * QCX_WrSensorReg.
 *
 * @par Device types
 * MT9V032 cameras only (device types 21-24, 28, 29, 36, 37).
 *
 * @param[in] index   Device index.
 * @param[in] minimum Ignored.
 * @param[in] maximum Upper limit of the gain, 16 ... 63.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 Not an MT9V032 camera.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The register write fails.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AGCSetRange(int index, QCX_WORD minimum, QCX_WORD maximum);
/** Reads the range of the sensor's own automatic gain (AGC): minimum 16 and
 * the upper limit. Null pointers are skipped.
 *
 * @par Device types
 * MT9V032 cameras only (device types 21-24, 28, 29, 36, 37).
 *
 * @param[in]  index   Device index.
 * @param[out] minimum Receives 16; may be null.
 * @param[out] maximum Receives the upper limit; may be null.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 Not an MT9V032 camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AGCGetRange(int index, QCX_WORD *minimum, QCX_WORD *maximum);
/** Reads the gain the sensor's own automatic gain (AGC) uses now. -1 for a
 * null pointer (nothing is read). Register failures as for QCX_WrSensorReg.
 *
 * @par Device types
 * MT9V032 cameras only (device types 21-24, 28, 29, 36, 37).
 *
 * @param[in]  index   Device index.
 * @param[out] current Receives the gain the chip uses now.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 current is null (nothing is read).
 * @retval -3 Not an MT9V032 camera.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The register read fails.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_AGCGetCur(int index, QCX_WORD *current);

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_pipeline Bayer filter and colour pipeline
 *
 * Conversion of raw frames into images (Bayer mode and demosaic method),
 * gamma, contrast, brightness, saturation, bad pixel correction, the
 * 16-to-8-bit pixel value map and colour correction.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Bayer mode: colour order BGGR, GRBG, RGGB, GBRG for mode % 4; 0-7 24-bit
 * colour, 8-15 32-bit colour, 16-23 8-bit grey; 0-3, 8-11, 16-19 rows
 * bottom-up, the others top-down (the other way round for 16-bit frames).
 * Not checked: a mode of 24 or more, or negative, converts nothing.
 * Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] mode  Bayer mode, 0 ... 23.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BayerSetMode(int index, int mode);

/** Reads the Bayer mode. -1 for a null pointer.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index Device index.
 * @param[out] mode  Receives the Bayer mode.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 mode is null.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BayerGetMode(int index, int *mode);

/** The sensor's own Bayer mode, the one a camera starts with. -1 for a null
 * pointer; -3 for a camera outside the sensor families.
 *
 * @par Device types
 * All (every camera that opens belongs to a sensor family).
 *
 * @param[in]  index Device index.
 * @param[out] mode  Receives the sensor's own Bayer mode.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 mode is null.
 * @retval -3 A camera outside the sensor families.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BayerGetDefaultMode(int index, int *mode);

/** Demosaic method: 0 block copy, 1 bilinear (the default), 2 colour ratio,
 * 3 edge-directed, 4 gradient-corrected; any other value works as 1. Not
 * checked. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] mode  Demosaic method, 0 ... 4.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_FilterSetMode(int index, int mode);

/** Reads the demosaic method. -1 for a null pointer.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index Device index.
 * @param[out] mode  Receives the demosaic method.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 mode is null.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_FilterGetMode(int index, int *mode);

/** Gamma, clamped to -9 ... 9; a non-zero value also switches gamma on, 0
 * leaves frames unchanged. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] gamma Gamma value, -9 ... 9.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GammaSetValue(int index, int gamma);

/** Switches the gamma table on (non-zero) or off. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] on    Non-zero switches the table on, 0 off.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GammaOn(int index, int on);

/** Contrast, -128 ... 128 (clamped), 0 neutral. Returns 1; -8 when the value
 * equals the one in force (nothing changes).
 *
 * @par Device types
 * All.
 *
 * @param[in] index    Device index.
 * @param[in] contrast Contrast, -128 ... 128.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 * @retval -8 The value equals the one in force (nothing changes).
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessContrastSet(int index, int contrast);

/** Reads the contrast. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index    Device index.
 * @param[out] contrast Receives the contrast.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessContrastGet(int index, int *contrast);

/** Range of the contrast and the brightness:
 * -128 and 128. The two names (QCX_ProcessContrastGetRange,
 * QCX_ProcessBrightnessGetRange) are one function. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index   Device index.
 * @param[out] minimum Receives -128.
 * @param[out] maximum Receives 128.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessContrastGetRange(int index, int *minimum,
                                                          int *maximum);
/** Range of the brightness and the contrast:
 * -128 and 128. The two names (QCX_ProcessContrastGetRange,
 * QCX_ProcessBrightnessGetRange) are one function. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index   Device index.
 * @param[out] minimum Receives -128.
 * @param[out] maximum Receives 128.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessBrightnessGetRange(int index, int *minimum,
                                                            int *maximum);

/** Brightness, -128 ... 128 (clamped), 0 neutral. Returns 1; -8 when the
 * value equals the one in force (nothing changes).
 *
 * @par Device types
 * All.
 *
 * @param[in] index      Device index.
 * @param[in] brightness Brightness, -128 ... 128.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 * @retval -8 The value equals the one in force (nothing changes).
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessBrightnessSet(int index, int brightness);

/** Reads the brightness. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index      Device index.
 * @param[out] brightness Receives the brightness.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessBrightnessGet(int index, int *brightness);

/** Saturation, -128 ... 128 (clamped), 0 neutral, -128 grey. -3 for a
 * monochrome camera; otherwise 1 (also when unchanged).
 *
 * @par Device types
 * All but the monochrome cameras (device types 1, 5, 9, 11, 18, 22, 24, 29,
 * 32, 34, 37, 39, 42).
 *
 * @param[in] index      Device index.
 * @param[in] saturation Saturation, -128 ... 128.
 * @return Status code.
 * @retval 1  Success, also when unchanged.
 * @retval -3 A monochrome camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessSaturationSet(int index, int saturation);

/** Reads the saturation. -3 (and 0) for a monochrome camera.
 *
 * @par Device types
 * All but the monochrome cameras (device types 1, 5, 9, 11, 18, 22, 24, 29,
 * 32, 34, 37, 39, 42).
 *
 * @param[in]  index      Device index.
 * @param[out] saturation Receives the saturation.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A monochrome camera; 0 is stored.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessSaturationGet(int index, int *saturation);

/** Range of the saturation:
 * -128 and 128. -3 (and 0, 0) for a monochrome camera.
 *
 * @par Device types
 * All but the monochrome cameras (device types 1, 5, 9, 11, 18, 22, 24, 29,
 * 32, 34, 37, 39, 42).
 *
 * @param[in]  index   Device index.
 * @param[out] minimum Receives -128.
 * @param[out] maximum Receives 128.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A monochrome camera; 0 and 0 are stored.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ProcessSaturationGetRange(int index, int *minimum,
                                                            int *maximum);

/** Sets the thresholds of the library's bad pixel filter (first for
 * correction mode 1, second otherwise). -3 unless the camera's bad pixels
 * are corrected in the library (device types 8-11, 13-16).
 *
 * @par Device types
 * Device types 8-11, 13-16 only.
 *
 * @param[in] index  Device index.
 * @param[in] first  Threshold for correction mode 1.
 * @param[in] second Threshold for the other correction modes.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The camera's bad pixels are not corrected in the library.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BadPixelCorrectionSetThreshold(int index, QCX_BYTE first,
                                                                 QCX_BYTE second);
/** Reads the thresholds of the library's bad pixel filter (first for
 * correction mode 1, second otherwise). -3 unless the camera's bad pixels
 * are corrected in the library (device types 8-11, 13-16).
 *
 * @par Device types
 * Device types 8-11, 13-16 only.
 *
 * @param[in]  index  Device index.
 * @param[out] first  Receives the threshold for correction mode 1.
 * @param[out] second Receives the threshold for the other correction modes.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The camera's bad pixels are not corrected in the library.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BadPixelCorrectionGetThreshold(int index, QCX_BYTE *first,
                                                                 QCX_BYTE *second);

/** Bad pixel correction on or off, and its mode; done in the camera or in
 * the library depending on the camera. -3 for cameras that have neither;
 * failures of the working-mode requests are returned as they are.
 *
 * @par Device types
 * Device types 25-27, 31, 32, 41-45 (correction in the camera, through the
 * working-mode word) and 8-11, 13-16 (correction in the library) only.
 *
 * @param[in] index  Device index.
 * @param[in] enable Non-zero switches the correction on, 0 off.
 * @param[in] mode   Correction mode.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The camera has no bad pixel correction.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 A working-mode request fails: the driver refuses it or the
 *            camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BadPixelCorrectionSet(int index, QCX_BOOL8 enable, int mode);

/** Reads the bad pixel correction switch and mode (see
 * QCX_BadPixelCorrectionSet). Reads it; null pointers are skipped. -3 as
 * for the setter.
 *
 * @par Device types
 * Device types 25-27, 31, 32, 41-45 (correction in the camera, through the
 * working-mode word) and 8-11, 13-16 (correction in the library) only.
 *
 * @param[in]  index   Device index.
 * @param[out] enabled Receives 1 when the correction is on, else 0; may be
 *                     null.
 * @param[out] mode    Receives the correction mode; may be null.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The camera has no bad pixel correction.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 A working-mode request fails: the driver refuses it or the
 *            camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_BadPixelCorrectionGet(int index, QCX_BOOL8 *enabled,
                                                        int *mode);

/** Loads the 16-to-8-bit pixel value map from a file and puts it in use
 * (enable 0 takes it out of use and returns 1). -1 for a null file; -8
 * when the file cannot be opened or announces more than 4096 entries (the
 * map in use stays).
 *
 * @par Device types
 * All.
 *
 * @param[in] index  Device index.
 * @param[in] enable Non-zero loads the map and puts it in use; 0 takes it
 *                   out of use.
 * @param[in] file   Path of the map file.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 file is null.
 * @retval -5 Not initialised, index out of range or camera not opened.
 * @retval -8 The file cannot be opened or announces more than 4096 entries
 *            (the map in use stays).
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_LoadMapTableFile(int index, QCX_BOOL8 enable,
                                                   const char *file);

/** Colour correction mode: 0 off, 1 grey world (red and blue onto the green
 * mean), 2 per-channel histogram equalisation, 3 common histogram
 * equalisation, 4 white point (value1 is its threshold; value2 and value3
 * are kept and saved only). With the preview running the calibration runs
 * on the next preview frame, otherwise at once on a frame read for it. -3
 * for a monochrome camera; otherwise 1 (a failed frame read is not
 * reported).
 *
 * @par Device types
 * All but the monochrome cameras (device types 1, 5, 9, 11, 18, 22, 24, 29,
 * 32, 34, 37, 39, 42).
 *
 * @param[in] index  Device index.
 * @param[in] mode   Correction mode, 0 ... 4.
 * @param[in] value1 Threshold of the white point mode.
 * @param[in] value2 Kept and saved only.
 * @param[in] value3 Kept and saved only.
 * @return Status code.
 * @retval 1  Success (a failed frame read is not reported).
 * @retval -3 A monochrome camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ColorCorrectSet(int index, int mode, int value1, int value2,
                                                  int value3);

/** Reads the correction mode. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index Device index.
 * @param[out] mode  Receives the correction mode.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ColorCorrectGet(int index, int *mode);

/** Callback of the colour correction (null switches it off). -3 for a
 * monochrome camera.
 *
 * @par Device types
 * All but the monochrome cameras (device types 1, 5, 9, 11, 18, 22, 24, 29,
 * 32, 34, 37, 39, 42).
 *
 * @param[in] index    Device index.
 * @param[in] callback The callback, or null to switch it off.
 * @param[in] context  Passed to the callback unchanged.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A monochrome camera.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ColorCorrectSetCallback(int index,
                                                          QCX_COLOR_CORRECT_CALLBACK callback,
                                                          void *context);

/** Saves the correction tables, mode, offsets and values to a file (812
 * bytes, replaced if it exists). -8 when the mode is 0, or the file cannot
 * be created or fully written.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] file  Path of the file.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 * @retval -8 The mode is 0, or the file cannot be created or fully written.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ColorCorrectTableSave(int index, const char *file);

/** Loads a saved correction; a null file switches correction off and
 * returns 1. -8 when the file cannot be opened or is short; -15 when it is
 * not a correction table file of this version.
 *
 * @par Device types
 * All.
 *
 * @param[in] index Device index.
 * @param[in] file  Path of the file, or null to switch correction off.
 * @return Status code.
 * @retval 1   Success.
 * @retval -5  Not initialised, index out of range or camera not opened.
 * @retval -8  The file cannot be opened or is short.
 * @retval -15 Not a correction table file of this version.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_ColorCorrectTableLoad(int index, const char *file);

/** Whether a correction table file is loaded. Returns 1; the flag is 0 on
 * every failure, -5 included.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index  Device index.
 * @param[out] loaded Receives 1 when a table file is loaded, else 0 (0 on
 *                    every failure).
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened; 0 is
 *            stored.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_IsColorCorrectTableLoad(int index, QCX_BOOL8 *loaded);

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_io Camera I/O lines and trigger
 *
 * Which lines a camera has depends on its model. On cameras without the
 * feature the functions return -3 and send nothing. Otherwise 1; -5 when
 * the channel is lost; -8 when the camera reports a failure; failures of
 * the working-mode requests are returned as they are.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Sets the sensitivity mode. On working-mode cameras -3 also while 16-bit
 * transfer is chosen.
 *
 * @par Device types
 * Device type 12, the CCD cameras of types 19 and 20, and the working-mode
 * cameras of types 17, 18, 25-32, 36-49.
 *
 * @param[in] index Device index.
 * @param[in] mode  Sensitivity mode.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without the feature (nothing is sent); on
 *            working-mode cameras also while 16-bit transfer is chosen.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure, or a working-mode request fails.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SensitivitySetMode(int index, int mode);
/** Reads the sensitivity mode.
 *
 * @par Device types
 * Device type 12, the CCD cameras of types 19 and 20, and the working-mode
 * cameras of types 17, 18, 25-32, 36-49.
 *
 * @param[in]  index Device index.
 * @param[out] mode  Receives the sensitivity mode.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without the feature (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure, or a working-mode request fails.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SensitivityGetMode(int index, int *mode);

/** A lamp (led 0 ... 2) on (1) or off (0). -1 for another led or on value.
 *
 * @par Device types
 * Device type 12 only.
 *
 * @param[in] index Device index.
 * @param[in] led   Lamp, 0 ... 2.
 * @param[in] on    1 on, 0 off.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 Another led or on value.
 * @retval -3 A camera without lamps (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_LedSetStatus(int index, int led, int on);

/** Reads a lamp. -8 when the lamp's two lines disagree.
 *
 * @par Device types
 * Device type 12 only.
 *
 * @param[in]  index Device index.
 * @param[in]  led   Lamp, 0 ... 2.
 * @param[out] on    Receives 1 when the lamp is on, 0 when off.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without lamps (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The lamp's two lines disagree, or the camera reports a
 *            failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_LedGetStatus(int index, int led, int *on);

/** 1 while the camera's button is pressed, else 0.
 *
 * @par Device types
 * Device types 4-7, 10, 11, 23, 24 only.
 *
 * @param[in]  index   Device index.
 * @param[out] pressed Receives 1 while the button is pressed, else 0.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without the button (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SnapButtonStatus(int index, int *pressed);

/** Sets the directions (1 = output) of the general purpose lines, one bit
 * per line.
 *
 * @par Device types
 * Device types 4-7, 10, 11, 17, 18, 23, 24, 30, 33-35 only.
 *
 * @param[in] index      Device index.
 * @param[in] directions One bit per line, 1 = output.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without general purpose lines (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GpioSetDirection(int index, QCX_BYTE directions);
/** Reads the directions (1 = output) of the general purpose lines, one bit
 * per line. The getters return -1 for a null pointer.
 *
 * @par Device types
 * Device types 4-7, 10, 11, 17, 18, 23, 24, 30, 33-35 only.
 *
 * @param[in]  index      Device index.
 * @param[out] directions Receives one bit per line, 1 = output.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 directions is null.
 * @retval -3 A camera without general purpose lines (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GpioGetDirection(int index, QCX_BYTE *directions);
/** Sets the levels of the general purpose lines, one bit per line.
 *
 * @par Device types
 * Device types 4-7, 10, 11, 17, 18, 23, 24, 30, 33-35 only.
 *
 * @param[in] index  Device index.
 * @param[in] levels One bit per line.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without general purpose lines (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GpioSetStatus(int index, QCX_BYTE levels);
/** Reads the levels of the general purpose lines, one bit per line. The
 * getters return -1 for a null pointer.
 *
 * @par Device types
 * Device types 4-7, 10, 11, 17, 18, 23, 24, 30, 33-35 only.
 *
 * @param[in]  index  Device index.
 * @param[out] levels Receives one bit per line.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 levels is null.
 * @retval -3 A camera without general purpose lines (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_GpioGetStatus(int index, QCX_BYTE *levels);

/** Flash (strobe) output on or off and its polarity; mode is not used. -3
 * on cameras whose sensor does not drive it.
 *
 * @par Device types
 * MT9V032 cameras (device types 21-24, 28, 29, 36, 37) and the 1280 x 1024
 * CMOS cameras of device types 4, 5, 17, 18, 38, 39 (these have no polarity
 * setting: invert is ignored). All others, MT9P001 cameras included, give
 * -3.
 *
 * @param[in] index  Device index.
 * @param[in] enable Non-zero switches the output on, 0 off.
 * @param[in] invert Non-zero inverts the output's polarity.
 * @param[in] mode   Not used.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The camera's sensor does not drive the output.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The register write fails.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_FlashControlSet(int index, QCX_BOOL8 enable, QCX_BOOL8 invert,
                                                  int mode);

/** Reads the flash (strobe) output switch and polarity (see
 * QCX_FlashControlSet). Reads it; mode is always 0; each pointer may be
 * null.
 *
 * @par Device types
 * MT9V032 cameras (device types 21-24, 28, 29, 36, 37), 1280 x 1024 CMOS
 * cameras (device types 0, 1, 4, 5, 17, 18, 33, 34, 38, 39; invert reads 0)
 * and MT9P001 cameras (device types 8-11, 31, 32, 41, 42; enable and invert
 * read 0).
 *
 * @param[in]  index  Device index.
 * @param[out] enable Receives 1 when the output is on, else 0; may be null.
 * @param[out] invert Receives 1 when the polarity is inverted, else 0; may
 *                    be null.
 * @param[out] mode   Receives 0; may be null.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 The camera's sensor does not drive the output.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_FlashControlGet(int index, QCX_BOOL8 *enable,
                                                  QCX_BOOL8 *invert, int *mode);

/** External trigger (1) or free run (0).
 *
 * @par Device types
 * Device types 17, 18, 28, 29, 31, 32, 36-39, 41, 42 only.
 *
 * @param[in] index    Device index.
 * @param[in] external 1 external trigger, 0 free run.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without external trigger (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 A working-mode request fails: the driver refuses it or the
 *            camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerModeSet(int index, QCX_BOOL8 external);
/** Reads external trigger (1) or free run (0). QCX_TriggerModeGet stores 0
 * with its -3.
 *
 * @par Device types
 * Device types 17, 18, 28, 29, 31, 32, 36-39, 41, 42 only.
 *
 * @param[in]  index    Device index.
 * @param[out] external Receives 1 for external trigger, 0 for free run.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without external trigger (nothing is sent); 0 is
 *            stored.
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 A working-mode request fails: the driver refuses it or the
 *            camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerModeGet(int index, int *external);

/** Sensor mode, 0 or 1.
 *
 * @par Device types
 * Device types 28, 29, 36, 37 only.
 *
 * @param[in] index Device index.
 * @param[in] mode  Sensor mode, 0 or 1.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without sensor modes (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 A working-mode request fails: the driver refuses it or the
 *            camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SensorModeSet(int index, int mode);
/** Reads the sensor mode, 0 or 1.
 *
 * @par Device types
 * Device types 28, 29, 36, 37 only.
 *
 * @param[in]  index Device index.
 * @param[out] mode  Receives the sensor mode, 0 or 1.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without sensor modes (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 A working-mode request fails: the driver refuses it or the
 *            camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_SensorModeGet(int index, int *mode);

/** Trigger state reported by the camera: 1 or 0.
 *
 * @par Device types
 * Device types 17, 18, 25-32, 36-45 only.
 *
 * @param[in]  index  Device index.
 * @param[out] status Receives the trigger state, 1 or 0.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without trigger state (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerStatusGet(int index, int *status);

/** Trigger delay, in the camera firmware's units.
 *
 * @par Device types
 * Device types 17, 18, 28, 29, 31, 32, 36-39, 41, 42 only.
 *
 * @param[in] index Device index.
 * @param[in] delay Delay, in the camera firmware's units.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without external trigger (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerDelaySet(int index, QCX_WORD delay);
/** Reads the trigger delay, in the camera firmware's units. The getter
 * returns the last value the camera accepted (0 after opening), not read
 * back.
 *
 * @par Device types
 * Device types 17, 18, 28, 29, 31, 32, 36-39, 41, 42 only.
 *
 * @param[in]  index Device index.
 * @param[out] delay Receives the last delay the camera accepted.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without external trigger.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerDelayGet(int index, QCX_WORD *delay);

/** Range of the trigger delay and the strobe delay:
 * 0 and 65535. The two names (QCX_TriggerDelayGetRange,
 * QCX_StrobeDelayGetRange) are one function. With -3 the outputs are left
 * untouched.
 *
 * @par Device types
 * Device types 17, 18, 28, 29, 31, 32, 36-39, 41, 42 only.
 *
 * @param[in]  index   Device index.
 * @param[out] minimum Receives 0.
 * @param[out] maximum Receives 65535.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without external trigger; the outputs are left
 *            untouched.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_TriggerDelayGetRange(int index, QCX_WORD *minimum,
                                                       QCX_WORD *maximum);
/** Range of the strobe delay and the trigger delay:
 * 0 and 65535. The two names (QCX_TriggerDelayGetRange,
 * QCX_StrobeDelayGetRange) are one function. With -3 the outputs are left
 * untouched.
 *
 * @par Device types
 * Device types 17, 18, 28, 29, 31, 32, 36-39, 41, 42 only.
 *
 * @param[in]  index   Device index.
 * @param[out] minimum Receives 0.
 * @param[out] maximum Receives 65535.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without external trigger; the outputs are left
 *            untouched.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_StrobeDelayGetRange(int index, QCX_WORD *minimum,
                                                      QCX_WORD *maximum);

/** Strobe delay, as the trigger delay (in the camera firmware's units).
 *
 * @par Device types
 * Device types 17, 18, 28, 29, 31, 32, 36-39, 41, 42 only.
 *
 * @param[in] index Device index.
 * @param[in] delay Delay, in the camera firmware's units.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without external trigger (nothing is sent).
 * @retval -5 Not initialised, index out of range or camera not opened; or
 *            the channel to the camera is lost.
 * @retval -8 The camera reports a failure.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_StrobeDelaySet(int index, QCX_WORD delay);
/** Reads the strobe delay, as the trigger delay: the last value the camera
 * accepted (0 after opening), not read back.
 *
 * @par Device types
 * Device types 17, 18, 28, 29, 31, 32, 36-39, 41, 42 only.
 *
 * @param[in]  index Device index.
 * @param[out] delay Receives the last delay the camera accepted.
 * @return Status code.
 * @retval 1  Success.
 * @retval -3 A camera without external trigger.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_StrobeDelayGet(int index, QCX_WORD *delay);

/** @} */

/* ------------------------------------------------------------------------ */
/** @defgroup qcx_files Image files and video
 *
 * The helpers need no camera, work without QCX_Init and may run on any
 * thread. Images in memory: 8-bit grey, 24-bit or 32-bit blue-green-red;
 * the first row in memory is the bottom row of the picture (TIFF: only for
 * one sample per pixel).
 *
 * The recording functions are device functions and serve every device
 * type.
 * @{
 */
/* ------------------------------------------------------------------------ */

/** Size of a BMP file header with its palette: 1078 for bitCount 8, 54 for
 * 24 and 32. -1 for a null pointer or another bit count.
 *
 * @par Device types
 * None: needs no camera; works without QCX_Init.
 *
 * @param[in]  bitCount Bits per pixel: 8, 24 or 32.
 * @param[out] size     Receives the header size in bytes.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 size is null, or another bit count.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperGetBmpFileHeaderSize(int bitCount, int *size);

/** Builds a BMP file header (and grey palette for 8 bits) into header, of
 * the size above. -1 when width or height is not positive or bitCount is
 * not 8, 24 or 32.
 *
 * @par Device types
 * None: needs no camera; works without QCX_Init.
 *
 * @param[in]  width    Image width in pixels, positive.
 * @param[in]  height   Image height in rows, positive.
 * @param[in]  bitCount Bits per pixel: 8, 24 or 32.
 * @param[out] header   Receives the header, of the size
 *                      QCX_HelperGetBmpFileHeaderSize reports.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 width or height is not positive, or bitCount is not 8, 24 or
 *            32.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperGetBmpFileHeader(int width, int height, int bitCount,
                                                         QCX_BYTE *header);

/** Saves a BMP file. -1 for null data or file, a size below 1 or a bit count
 * other than 8, 24, 32; -8 when the file cannot be created; -2 when out of
 * memory.
 *
 * @par Device types
 * None: needs no camera; works without QCX_Init.
 *
 * @param[in] data     The image.
 * @param[in] width    Image width in pixels.
 * @param[in] height   Image height in rows.
 * @param[in] bitCount Bits per pixel: 8, 24 or 32.
 * @param[in] file     Path of the file.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 Null data or file, a size below 1, or a bit count other than
 *            8, 24, 32.
 * @retval -2 Out of memory.
 * @retval -8 The file cannot be created.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperSaveToBmp(QCX_BYTE *data, int width, int height,
                                                  int bitCount, const char *file);

/** Saves a baseline JPEG file with the given quality. -8 for bad arguments
 * (as for BMP), a file that cannot be opened, or a compression error.
 *
 * @par Device types
 * None: needs no camera; works without QCX_Init.
 *
 * @param[in] data     The image.
 * @param[in] width    Image width in pixels.
 * @param[in] height   Image height in rows.
 * @param[in] bitCount Bits per pixel: 8, 24 or 32.
 * @param[in] quality  JPEG quality.
 * @param[in] file     Path of the file.
 * @return Status code.
 * @retval 1  Success.
 * @retval -8 Bad arguments (as for BMP), a file that cannot be opened, or a
 *            compression error.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperSaveToJpg(QCX_BYTE *data, int width, int height,
                                                  int bitCount, int quality, const char *file);

/** Saves an uncompressed TIFF file. The arguments are not checked. -8 when
 * the file cannot be opened or out of memory.
 *
 * @par Device types
 * None: needs no camera; works without QCX_Init.
 *
 * @param[in] data            The image.
 * @param[in] width           Image width in pixels.
 * @param[in] height          Image height in rows.
 * @param[in] bitsPerSample   Bits per sample.
 * @param[in] samplesPerPixel Samples per pixel.
 * @param[in] file            Path of the file.
 * @return Status code.
 * @retval 1  Success.
 * @retval -8 The file cannot be opened, or out of memory.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperSaveToTiff(QCX_BYTE *data, int width, int height,
                                                   int bitsPerSample, int samplesPerPixel,
                                                   const char *file);

/** Resizes an image into target (targetWidth x targetHeight pixels of the
 * same bit count). -1 for null buffers, a size below 1 or a bit count
 * other than 8, 24, 32; -2 when out of memory.
 *
 * @par Device types
 * None: needs no camera; works without QCX_Init.
 *
 * @param[in]  source       The image to resize.
 * @param[in]  width        Width of the source in pixels.
 * @param[in]  height       Height of the source in rows.
 * @param[in]  bitCount     Bits per pixel of both images: 8, 24 or 32.
 * @param[out] target       Receives the resized image.
 * @param[in]  targetWidth  Width of the target in pixels.
 * @param[in]  targetHeight Height of the target in rows.
 * @return Status code.
 * @retval 1  Success.
 * @retval -1 Null buffers, a size below 1, or a bit count other than 8,
 *            24, 32.
 * @retval -2 Out of memory.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperStretchBmp(QCX_BYTE *source, int width, int height,
                                                   int bitCount, QCX_BYTE *target,
                                                   int targetWidth, int targetHeight);

/** Starts or stops recording the preview into an AVI file.
 *
 * start 1: records the preview into an AVI file, choosing the compressor
 * in a dialog. -6 when already recording or the preview is not running
 * (paused counts as not running); -8 for a frame rate of 0.01 or less, a
 * file or stream that cannot be created or a cancelled dialog (the file is
 * deleted); -3 when the video services are too old. start 0: stops
 * recording; always 1. Stopping the preview stops recording too.
 *
 * @par Device types
 * All.
 *
 * @param[in] index     Device index.
 * @param[in] start     1 starts recording, 0 stops it.
 * @param[in] frameRate Frame rate of the file, above 0.01.
 * @param[in] file      Path of the AVI file.
 * @return Status code.
 * @retval 1  Success; always with start 0.
 * @retval -3 The video services are too old.
 * @retval -5 Not initialised, index out of range or camera not opened.
 * @retval -6 Already recording, or the preview is not running (paused
 *            counts as not running).
 * @retval -8 A frame rate of 0.01 or less, a file or stream that cannot be
 *            created, or a cancelled dialog (the file is deleted).
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RecordStart(int index, QCX_BOOL8 start, float frameRate,
                                              const char *file);

/** As QCX_RecordStart; with showDialog 0 the compressor options of an
 * earlier recording are used without a dialog when they are stored. On a
 * failed start the file is left on disk.
 *
 * @par Device types
 * All.
 *
 * @param[in] index      Device index.
 * @param[in] start      1 starts recording, 0 stops it.
 * @param[in] frameRate  Frame rate of the file, above 0.01.
 * @param[in] file       Path of the AVI file.
 * @param[in] showDialog Non-zero chooses the compressor in a dialog; 0 uses
 *                       the stored options of an earlier recording.
 * @return Status code.
 * @retval 1  Success; always with start 0.
 * @retval -3 The video services are too old.
 * @retval -5 Not initialised, index out of range or camera not opened.
 * @retval -6 Already recording, or the preview is not running (paused
 *            counts as not running).
 * @retval -8 A frame rate of 0.01 or less, a file or stream that cannot be
 *            created, or a cancelled dialog (the file is left on disk).
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RecordStartEx(int index, QCX_BOOL8 start, float frameRate,
                                                const char *file, QCX_BOOL8 showDialog);

/** Whether a recording is open. Returns 1.
 *
 * @par Device types
 * All.
 *
 * @param[in]  index     Device index.
 * @param[out] recording Receives 1 while a recording is open, else 0.
 * @return Status code.
 * @retval 1  Success.
 * @retval -5 Not initialised, index out of range or camera not opened.
 */
QCXAPI_EXPORT int QCXAPI_CALL QCX_RecordStatusGet(int index, QCX_BOOL8 *recording);

/** @} */

#ifdef __cplusplus
}
#endif

#endif /* QCXAPI_H */
