/*
 * The public header as a strict C99 program sees it: every export is
 * declared with the argument types of the interface, the basic types have
 * their sizes and signedness, QCX_PARAM has its values, and the callback
 * types accept functions of the documented shapes. Almost everything here
 * is checked by the compiler; main() only makes sure the program links
 * against the shared library and that a status text comes back.
 */
#include "qcxapi.h"

#include <stdio.h>
#include <string.h>

/* Compile-time assertion usable at file scope in C99. */
#define CHECK(name, cond) typedef char check_##name[(cond) ? 1 : -1]

/* ---- Basic types ------------------------------------------------------- */

CHECK(byte_is_8_bits, sizeof(QCX_BYTE) == 1 && (QCX_BYTE)-1 > 0);
CHECK(word_is_16_bits, sizeof(QCX_WORD) == 2 && (QCX_WORD)-1 > 0);
CHECK(dword_is_32_bits, sizeof(QCX_DWORD) == 4 && (QCX_DWORD)-1 > 0);
CHECK(bool8_is_one_unsigned_byte, sizeof(QCX_BOOL8) == 1 && (QCX_BOOL8)-1 > 0);
CHECK(window_is_pointer_sized, sizeof(QCX_WINDOW) == sizeof(void *) && (QCX_WINDOW)-1 > 0);
CHECK(int_is_32_bits, sizeof(int) == 4);

/* ---- Status codes -------------------------------------------------------- */

CHECK(status_success, QCX_STATUS_SUCCESS == 1);
CHECK(status_parameter_error, QCX_STATUS_PARAMETER_ERROR == -1);
CHECK(status_no_memory, QCX_STATUS_NO_MEMORY == -2);
CHECK(status_not_supported, QCX_STATUS_NOT_SUPPORTED == -3);
CHECK(status_no_device, QCX_STATUS_NO_DEVICE == -4);
CHECK(status_not_initialized, QCX_STATUS_NOT_INITIALIZED == -5);
CHECK(status_illegal_operation, QCX_STATUS_ILLEGAL_OPERATION == -6);
CHECK(status_no_privilege, QCX_STATUS_NO_PRIVILEGE == -7);
CHECK(status_fail, QCX_STATUS_FAIL == -8);
CHECK(status_recovery_successful, QCX_STATUS_RECOVERY_SUCCESSFUL == -10);
CHECK(status_recovery_fail, QCX_STATUS_RECOVERY_FAIL == -11);
CHECK(status_bad_frame, QCX_STATUS_BAD_FRAME == -12);
CHECK(status_invalid_frame, QCX_STATUS_INVALID_FRAME == -13);
CHECK(status_zero_frame, QCX_STATUS_ZERO_FRAME == -14);
CHECK(status_version_error, QCX_STATUS_VERSION_ERROR == -15);
/* "Bad Frame From Device, Should be Discarded" is the longest text. */
CHECK(error_text_buffer_holds_longest_text,
      QCX_ERROR_TEXT_SIZE >= sizeof("Bad Frame From Device, Should be Discarded"));

/* ---- QCX_PARAM ----------------------------------------------------------- */

CHECK(param_exposure, QCX_EXPOSURE == 0);
CHECK(param_red, QCX_RED == 1);
CHECK(param_green, QCX_GREEN == 2);
CHECK(param_blue, QCX_BLUE == 3);
CHECK(param_gamma, QCX_GAMMA == 4);
CHECK(param_preview_columnstart, QCX_PREVIEW_COLUMNSTART == 5);
CHECK(param_preview_rowstart, QCX_PREVIEW_ROWSTART == 6);
CHECK(param_capture_columnstart, QCX_CAPTURE_COLUMNSTART == 7);
CHECK(param_capture_rowstart, QCX_CAPTURE_ROWSTART == 8);
CHECK(param_horizontalblank, QCX_HORIZONTALBLANK == 9);
CHECK(param_verticalblank, QCX_VERTICALBLANK == 10);
CHECK(param_flip, QCX_FLIP == 11);
CHECK(param_bin, QCX_BIN == 12);
CHECK(param_mirror, QCX_MIRROR == 13);
CHECK(param_contrast, QCX_CONTRAST == 14);
CHECK(param_brightness, QCX_BRIGHTNESS == 15);
CHECK(param_vgagain, QCX_VGAGAIN == 16);
CHECK(param_clamplevel, QCX_CLAMPLEVEL == 17);
CHECK(param_cdsgain, QCX_CDSGAIN == 18);
CHECK(param_red_shift, QCX_RED_SHIFT == 19);
CHECK(param_green_shift, QCX_GREEN_SHIFT == 20);
CHECK(param_blue_shift, QCX_BLUE_SHIFT == 21);
CHECK(param_companding, QCX_COMPANDING == 22);
CHECK(param_exposure_lines, QCX_EXPOSURE_LINES == 23);
CHECK(param_saturation, QCX_SATURATION == 24);

/* ---- Exports ------------------------------------------------------------- */

/*
 * The 136 exports with the argument types of the interface tables, written
 * down independently of the header. Each entry is checked twice: its name
 * must already be declared (sizeof of its address, which references no
 * symbol), and redeclaring it with these arguments must not conflict, which
 * C refuses for any difference in an argument type.
 */
#define QCX_ALL_EXPORTS(X)                                                                  \
    /* Library frame */                                                                     \
    X(QCX_Init, (void))                                                                     \
    X(QCX_UnInit, (void))                                                                   \
    X(QCX_DeviceGetCount, (void))                                                           \
    X(QCX_GetErrorInfo, (int, char *))                                                      \
    X(QCX_LogSet, (QCX_BOOL8, const char *))                                                \
    X(QCX_LogGet, (QCX_BOOL8 *, char *))                                                    \
    /* Device transport */                                                                  \
    X(QCX_WrFx2Reg, (int, QCX_WORD, QCX_BYTE))                                              \
    X(QCX_RdFx2Reg, (int, QCX_WORD, QCX_BYTE *))                                            \
    X(QCX_WrFx2Sfr, (int, QCX_WORD, QCX_BYTE))                                              \
    X(QCX_RdFx2Sfr, (int, QCX_WORD, QCX_BYTE *))                                            \
    X(QCX_WrEEPROM, (int, QCX_WORD, QCX_BYTE))                                              \
    X(QCX_RdEEPROM, (int, QCX_WORD, QCX_BYTE *))                                            \
    X(QCX_WrEEPROMEx, (int, QCX_DWORD, QCX_BYTE))                                           \
    X(QCX_RdEEPROMEx, (int, QCX_DWORD, QCX_BYTE *))                                         \
    X(QCX_WrSensorReg, (int, QCX_BYTE, QCX_WORD))                                           \
    X(QCX_RdSensorReg, (int, QCX_BYTE, QCX_WORD *))                                         \
    X(QCX_WrSensorRegX, (int, QCX_WORD, QCX_WORD))                                          \
    X(QCX_RdSensorRegX, (int, QCX_WORD, QCX_WORD *))                                        \
    X(QCX_VendorCmd, (int, const QCX_BYTE *, void *))                                       \
    X(QCX_DeviceGetInformation, (int, int *, int *, QCX_WORD *))                            \
    X(QCX_EmptyFrameBuffer, (int))                                                          \
    X(QCX_SetData16Bits, (int, QCX_BOOL8))                                                  \
    X(QCX_GetData16Bits, (int, QCX_BOOL8 *))                                                \
    X(QCX_CaptureSetTimeOut, (int, QCX_DWORD))                                              \
    X(QCX_CaptureGetTimeOut, (int, QCX_DWORD *))                                            \
    /* Still capture */                                                                     \
    X(QCX_CaptureRawData, (int, QCX_BYTE *))                                                \
    X(QCX_CaptureRgbData, (int, QCX_BYTE *))                                                \
    X(QCX_CaptureRgbDataEx, (int, QCX_BYTE *, int *, int *, int *))                         \
    X(QCX_CaptureRawDataAfterEmptyFrameBuffer, (int, QCX_BYTE *))                           \
    X(QCX_CaptureRgbDataAfterEmptyFrameBuffer, (int, QCX_BYTE *))                           \
    X(QCX_CaptureRgbDataExAfterEmptyFrameBuffer, (int, QCX_BYTE *, int *, int *, int *))    \
    /* Field of view and frame sizes */                                                     \
    X(QCX_CaptureSetFieldOfView, (int, int, int, int, int, int, int))                       \
    X(QCX_CaptureGetFieldOfView, (int, int *, int *, int *, int *, int *, int *))           \
    X(QCX_CaptureGetDefaultFieldOfView, (int, int *, int *, int *, int *, int *, int *))    \
    X(QCX_PreviewGetDefaultFieldOfView, (int, int *, int *, int *, int *, int *, int *))    \
    X(QCX_PreviewSetFieldOfView, (int, int, int, int, int, int, int))                       \
    X(QCX_PreviewGetFieldOfView, (int, int *, int *, int *, int *, int *, int *))           \
    X(QCX_CaptureGetSize, (int, int *, int *))                                              \
    X(QCX_CaptureGetSizeEx, (int, int *, int *, int *))                                     \
    X(QCX_CaptureGetSizeExEx, (int, int *, int *, int *, int *))                            \
    X(QCX_PreviewGetSize, (int, int *, int *))                                              \
    X(QCX_PreviewGetSizeEx, (int, int *, int *, int *))                                     \
    /* Preview */                                                                           \
    X(QCX_PreviewStart, (int, QCX_BOOL8))                                                   \
    X(QCX_PreviewPause, (int, QCX_BOOL8))                                                   \
    X(QCX_PreviewGetStatus, (int, int *))                                                   \
    X(QCX_PreviewSetPos, (int, QCX_WINDOW, int, int, int, int))                             \
    X(QCX_PreviewGetPos, (int, int *, int *, int *, int *))                                 \
    X(QCX_PreviewGetPausedData, (int, QCX_BYTE *))                                          \
    X(QCX_PreviewGetPausedDataEx, (int, QCX_BYTE *, int *, int *, int *))                   \
    X(QCX_PreviewGetFrameRate, (int, float *))                                              \
    X(QCX_PreviewSetCallback, (int, QCX_PREVIEW_CALLBACK, void *))                          \
    X(QCX_PreviewSetCallbackEx, (int, QCX_PREVIEW_CALLBACK_EX, void *))                     \
    X(QCX_PreviewSetMode, (int, int))                                                       \
    X(QCX_PreviewGetMode, (int, int *))                                                     \
    /* Parameters */                                                                        \
    X(QCX_SetParam, (int, int, int))                                                        \
    X(QCX_GetParam, (int, int, int *))                                                      \
    X(QCX_GetParamRange, (int, int, int *, int *))                                          \
    X(QCX_ExposureTimeSet, (int, float))                                                    \
    X(QCX_ExposureTimeGet, (int, float *))                                                  \
    /* Automatic exposure, white balance and focus */                                       \
    X(QCX_AESetRegion, (int, int, int, int, int))                                           \
    X(QCX_AEStart, (int, QCX_BOOL8, int, int))                                              \
    X(QCX_AESetCallback, (int, QCX_AE_CALLBACK, void *))                                    \
    X(QCX_AWBSetRegion, (int, int, int, int, int))                                          \
    X(QCX_AWBStart, (int, QCX_BOOL8, int, int, int, int))                                   \
    X(QCX_AWBSetCallback, (int, QCX_AWB_CALLBACK, void *))                                  \
    X(QCX_AFSetRegion, (int, int, int, int, int))                                           \
    X(QCX_AFStart, (int, QCX_BOOL8))                                                        \
    X(QCX_AFSetCallback, (int, QCX_AF_CALLBACK, void *))                                    \
    X(QCX_AECSetEnable, (int, QCX_BOOL8))                                                   \
    X(QCX_AECGetEnable, (int, QCX_BOOL8 *))                                                 \
    X(QCX_AECSetRange, (int, QCX_WORD, QCX_WORD))                                           \
    X(QCX_AECGetRange, (int, QCX_WORD *, QCX_WORD *))                                       \
    X(QCX_AECGetCur, (int, QCX_WORD *))                                                     \
    X(QCX_AGCSetEnable, (int, QCX_BOOL8))                                                   \
    X(QCX_AGCGetEnable, (int, QCX_BOOL8 *))                                                 \
    X(QCX_AGCSetRange, (int, QCX_WORD, QCX_WORD))                                           \
    X(QCX_AGCGetRange, (int, QCX_WORD *, QCX_WORD *))                                       \
    X(QCX_AGCGetCur, (int, QCX_WORD *))                                                     \
    /* Bayer filter and colour pipeline */                                                  \
    X(QCX_BayerSetMode, (int, int))                                                         \
    X(QCX_BayerGetMode, (int, int *))                                                       \
    X(QCX_BayerGetDefaultMode, (int, int *))                                                \
    X(QCX_FilterSetMode, (int, int))                                                        \
    X(QCX_FilterGetMode, (int, int *))                                                      \
    X(QCX_GammaSetValue, (int, int))                                                        \
    X(QCX_GammaOn, (int, int))                                                              \
    X(QCX_ProcessContrastSet, (int, int))                                                   \
    X(QCX_ProcessContrastGet, (int, int *))                                                 \
    X(QCX_ProcessContrastGetRange, (int, int *, int *))                                     \
    X(QCX_ProcessBrightnessGetRange, (int, int *, int *))                                   \
    X(QCX_ProcessBrightnessSet, (int, int))                                                 \
    X(QCX_ProcessBrightnessGet, (int, int *))                                               \
    X(QCX_ProcessSaturationSet, (int, int))                                                 \
    X(QCX_ProcessSaturationGet, (int, int *))                                               \
    X(QCX_ProcessSaturationGetRange, (int, int *, int *))                                   \
    X(QCX_BadPixelCorrectionSetThreshold, (int, QCX_BYTE, QCX_BYTE))                        \
    X(QCX_BadPixelCorrectionGetThreshold, (int, QCX_BYTE *, QCX_BYTE *))                    \
    X(QCX_BadPixelCorrectionSet, (int, QCX_BOOL8, int))                                     \
    X(QCX_BadPixelCorrectionGet, (int, QCX_BOOL8 *, int *))                                 \
    X(QCX_LoadMapTableFile, (int, QCX_BOOL8, const char *))                                 \
    X(QCX_ColorCorrectSet, (int, int, int, int, int))                                       \
    X(QCX_ColorCorrectGet, (int, int *))                                                    \
    X(QCX_ColorCorrectSetCallback, (int, QCX_COLOR_CORRECT_CALLBACK, void *))               \
    X(QCX_ColorCorrectTableSave, (int, const char *))                                       \
    X(QCX_ColorCorrectTableLoad, (int, const char *))                                       \
    X(QCX_IsColorCorrectTableLoad, (int, QCX_BOOL8 *))                                      \
    /* Camera I/O lines */                                                                  \
    X(QCX_SensitivitySetMode, (int, int))                                                   \
    X(QCX_SensitivityGetMode, (int, int *))                                                 \
    X(QCX_LedSetStatus, (int, int, int))                                                    \
    X(QCX_LedGetStatus, (int, int, int *))                                                  \
    X(QCX_SnapButtonStatus, (int, int *))                                                   \
    X(QCX_GpioSetDirection, (int, QCX_BYTE))                                                \
    X(QCX_GpioGetDirection, (int, QCX_BYTE *))                                              \
    X(QCX_GpioSetStatus, (int, QCX_BYTE))                                                   \
    X(QCX_GpioGetStatus, (int, QCX_BYTE *))                                                 \
    X(QCX_FlashControlSet, (int, QCX_BOOL8, QCX_BOOL8, int))                                \
    X(QCX_FlashControlGet, (int, QCX_BOOL8 *, QCX_BOOL8 *, int *))                          \
    X(QCX_TriggerModeSet, (int, QCX_BOOL8))                                                 \
    X(QCX_TriggerModeGet, (int, int *))                                                     \
    X(QCX_SensorModeSet, (int, int))                                                        \
    X(QCX_SensorModeGet, (int, int *))                                                      \
    X(QCX_TriggerStatusGet, (int, int *))                                                   \
    X(QCX_TriggerDelaySet, (int, QCX_WORD))                                                 \
    X(QCX_TriggerDelayGet, (int, QCX_WORD *))                                               \
    X(QCX_TriggerDelayGetRange, (int, QCX_WORD *, QCX_WORD *))                              \
    X(QCX_StrobeDelayGetRange, (int, QCX_WORD *, QCX_WORD *))                               \
    X(QCX_StrobeDelaySet, (int, QCX_WORD))                                                  \
    X(QCX_StrobeDelayGet, (int, QCX_WORD *))                                                \
    /* Image files and video */                                                             \
    X(QCX_HelperGetBmpFileHeaderSize, (int, int *))                                         \
    X(QCX_HelperGetBmpFileHeader, (int, int, int, QCX_BYTE *))                              \
    X(QCX_HelperSaveToBmp, (QCX_BYTE *, int, int, int, const char *))                       \
    X(QCX_HelperSaveToJpg, (QCX_BYTE *, int, int, int, int, const char *))                  \
    X(QCX_HelperSaveToTiff, (QCX_BYTE *, int, int, int, int, const char *))                 \
    X(QCX_HelperStretchBmp, (QCX_BYTE *, int, int, int, QCX_BYTE *, int, int))              \
    X(QCX_RecordStart, (int, QCX_BOOL8, float, const char *))                               \
    X(QCX_RecordStartEx, (int, QCX_BOOL8, float, const char *, QCX_BOOL8))                  \
    X(QCX_RecordStatusGet, (int, QCX_BOOL8 *))

/* The list above has all 136 names. */
#define COUNT_ONE(name, args) +1
enum { kExportCount = 0 QCX_ALL_EXPORTS(COUNT_ONE) };
CHECK(export_list_has_136_names, kExportCount == 136);

/* Each name is declared by the header (an undeclared one fails here). */
#define CHECK_DECLARED(name, args) CHECK(name##_is_declared, sizeof(&name) > 0);
QCX_ALL_EXPORTS(CHECK_DECLARED)

/* Each declaration has exactly these argument types and returns int. */
#define REDECLARE(name, args) QCXAPI_EXPORT int QCXAPI_CALL name args;
QCX_ALL_EXPORTS(REDECLARE)

#if defined(QCX_HEADER_TEST_LINK_ALL)
/* With QCX_HEADER_TEST_LINK_ALL defined, this makes each export link: the
 * table has external linkage, so it is emitted and references them all, and
 * the program links only against a library that defines all 136. */
#define ADDRESS_OF(name, args) (void (*)(void)) & name,
void (*const qcx_all_exports[])(void) = {QCX_ALL_EXPORTS(ADDRESS_OF)};
CHECK(every_export_is_linked, sizeof(qcx_all_exports) / sizeof(qcx_all_exports[0]) == 136);
#endif

/* ---- Callback types ------------------------------------------------------ */

static int QCXAPI_CALL OnPreview(QCX_BYTE *buffer, int width, int height, int bitCount,
                                 void *context) {
    (void)buffer, (void)width, (void)height, (void)bitCount, (void)context;
    return 0;
}

static int QCXAPI_CALL OnPreviewEx(QCX_SURFACE *surface, QCX_BYTE *buffer, int width,
                                   int height, int bitCount, void *context) {
    (void)surface, (void)buffer, (void)width, (void)height, (void)bitCount, (void)context;
    return 0;
}

/* The drawing surface of the extended callback: pixels and geometry. */
#define SURFACE_FIELD_SIZE(field) sizeof(((QCX_SURFACE *)0)->field)
CHECK(surface_pixels_are_bytes, sizeof(*((QCX_SURFACE *)0)->pixels) == 1 &&
                                    SURFACE_FIELD_SIZE(pixels) == sizeof(QCX_BYTE *));
CHECK(surface_geometry_is_int, SURFACE_FIELD_SIZE(width) == sizeof(int) &&
                                   SURFACE_FIELD_SIZE(height) == sizeof(int) &&
                                   SURFACE_FIELD_SIZE(stride) == sizeof(int) &&
                                   SURFACE_FIELD_SIZE(bitCount) == sizeof(int));

static int QCXAPI_CALL OnAE(QCX_BOOL8 success, int exposureMs, void *context) {
    (void)success, (void)exposureMs, (void)context;
    return 0;
}

static int QCXAPI_CALL OnAWB(QCX_BOOL8 success, int red, int green, int blue, void *context) {
    (void)success, (void)red, (void)green, (void)blue, (void)context;
    return 0;
}

static int QCXAPI_CALL OnAF(int focusValue, void *context) {
    (void)focusValue, (void)context;
    return 0;
}

static int QCXAPI_CALL OnColorCorrect(int state, int redOffset, int greenOffset, int blueOffset,
                                      void *context) {
    (void)state, (void)redOffset, (void)greenOffset, (void)blueOffset, (void)context;
    return 0;
}

/* ---- Run time ------------------------------------------------------------ */

int main(void) {
    char text[QCX_ERROR_TEXT_SIZE];
    QCX_BOOL8 logOn = 1;
    int failures = 0;
    int status;

    /* Functions of the documented shapes convert to the callback types
     * without a cast; a mismatch in any argument is an incompatible-pointer
     * diagnostic, which -Werror turns into a failed build. */
    QCX_PREVIEW_CALLBACK preview = OnPreview;
    QCX_PREVIEW_CALLBACK_EX previewEx = OnPreviewEx;
    QCX_AE_CALLBACK ae = OnAE;
    QCX_AWB_CALLBACK awb = OnAWB;
    QCX_AF_CALLBACK af = OnAF;
    QCX_COLOR_CORRECT_CALLBACK colorCorrect = OnColorCorrect;
    (void)preview, (void)previewEx, (void)ae, (void)awb, (void)af, (void)colorCorrect;

    status = QCX_GetErrorInfo(QCX_STATUS_NOT_INITIALIZED, text);
    if (status != QCX_STATUS_SUCCESS || strcmp(text, "Device wasn't Initialized") != 0) {
        fprintf(stderr, "QCX_GetErrorInfo(-5): %d \"%s\"\n", status, text);
        ++failures;
    }

    /* Before QCX_Init there is no device manager. */
    status = QCX_DeviceGetCount();
    if (status != QCX_STATUS_NOT_INITIALIZED) {
        fprintf(stderr, "QCX_DeviceGetCount before QCX_Init: %d\n", status);
        ++failures;
    }

    status = QCX_Init();
    if (status != QCX_STATUS_SUCCESS) {
        fprintf(stderr, "QCX_Init: %d\n", status);
        ++failures;
    }
    status = QCX_DeviceGetCount();
    if (status < 0 || status > 32) {
        fprintf(stderr, "QCX_DeviceGetCount after QCX_Init: %d\n", status);
        ++failures;
    }
    status = QCX_UnInit();
    if (status != QCX_STATUS_SUCCESS) {
        fprintf(stderr, "QCX_UnInit: %d\n", status);
        ++failures;
    }

    /* QCX_UnInit switches the log off; a null folder pointer is allowed. */
    status = QCX_LogGet(&logOn, NULL);
    if (status != QCX_STATUS_SUCCESS || logOn != 0) {
        fprintf(stderr, "QCX_LogGet after QCX_UnInit: %d, log %d\n", status, logOn);
        ++failures;
    }

    return failures == 0 ? 0 : 1;
}
