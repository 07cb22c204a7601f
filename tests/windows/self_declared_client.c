/*
 * A C99 client of the 32-bit QCXApi.dll that does not include qcxapi.h but
 * declares the exports itself, as applications written against the DLL's
 * documentation do: __stdcall, int results, plain C types. It links only when
 * the import library offers every export under the decoration such a
 * declaration asks for (_QCX_Name@<argument bytes>).
 */
int __stdcall QCX_Init(void);
int __stdcall QCX_UnInit(void);
int __stdcall QCX_DeviceGetCount(void);
int __stdcall QCX_GetErrorInfo(int code, char *text);
int __stdcall QCX_LogSet(unsigned char enable, const char *folder);
int __stdcall QCX_LogGet(unsigned char *enable, char *folder);
int __stdcall QCX_WrFx2Reg(int index, unsigned short address, unsigned char value);
int __stdcall QCX_RdFx2Reg(int index, unsigned short address, unsigned char *value);
int __stdcall QCX_WrFx2Sfr(int index, unsigned short sfr, unsigned char value);
int __stdcall QCX_RdFx2Sfr(int index, unsigned short sfr, unsigned char *value);
int __stdcall QCX_WrEEPROM(int index, unsigned short address, unsigned char value);
int __stdcall QCX_RdEEPROM(int index, unsigned short address, unsigned char *value);
int __stdcall QCX_WrEEPROMEx(int index, unsigned int address, unsigned char value);
int __stdcall QCX_RdEEPROMEx(int index, unsigned int address, unsigned char *value);
int __stdcall QCX_WrSensorReg(int index, unsigned char reg, unsigned short value);
int __stdcall QCX_RdSensorReg(int index, unsigned char reg, unsigned short *value);
int __stdcall QCX_WrSensorRegX(int index, unsigned short reg, unsigned short value);
int __stdcall QCX_RdSensorRegX(int index, unsigned short reg, unsigned short *value);
int __stdcall QCX_VendorCmd(int index, const unsigned char *setup, void *data);
int __stdcall QCX_DeviceGetInformation(int index, int *deviceType, int *deviceNumber, unsigned short *firmwareVersion);
int __stdcall QCX_EmptyFrameBuffer(int index);
int __stdcall QCX_SetData16Bits(int index, unsigned char enable);
int __stdcall QCX_GetData16Bits(int index, unsigned char *enabled);
int __stdcall QCX_CaptureSetTimeOut(int index, unsigned int milliseconds);
int __stdcall QCX_CaptureGetTimeOut(int index, unsigned int *milliseconds);
int __stdcall QCX_CaptureRawData(int index, unsigned char *buffer);
int __stdcall QCX_CaptureRgbData(int index, unsigned char *buffer);
int __stdcall QCX_CaptureRgbDataEx(int index, unsigned char *buffer, int *width, int *height, int *bitCount);
int __stdcall QCX_CaptureRawDataAfterEmptyFrameBuffer(int index, unsigned char *buffer);
int __stdcall QCX_CaptureRgbDataAfterEmptyFrameBuffer(int index, unsigned char *buffer);
int __stdcall QCX_CaptureRgbDataExAfterEmptyFrameBuffer(int index, unsigned char *buffer, int *width, int *height, int *bitCount);
int __stdcall QCX_CaptureSetFieldOfView(int index, int columnStart, int rowStart, int width, int height, int columnMode, int rowMode);
int __stdcall QCX_PreviewSetFieldOfView(int index, int columnStart, int rowStart, int width, int height, int columnMode, int rowMode);
int __stdcall QCX_CaptureGetFieldOfView(int index, int *columnStart, int *rowStart, int *width, int *height, int *columnMode, int *rowMode);
int __stdcall QCX_PreviewGetFieldOfView(int index, int *columnStart, int *rowStart, int *width, int *height, int *columnMode, int *rowMode);
int __stdcall QCX_CaptureGetDefaultFieldOfView(int index, int *columnStart, int *rowStart, int *width, int *height, int *columnMode, int *rowMode);
int __stdcall QCX_PreviewGetDefaultFieldOfView(int index, int *columnStart, int *rowStart, int *width, int *height, int *columnMode, int *rowMode);
int __stdcall QCX_CaptureGetSize(int index, int *width, int *height);
int __stdcall QCX_CaptureGetSizeEx(int index, int *width, int *height, int *bitCount);
int __stdcall QCX_CaptureGetSizeExEx(int index, int *width, int *height, int *bitCount, int *dataBits);
int __stdcall QCX_PreviewGetSize(int index, int *width, int *height);
int __stdcall QCX_PreviewGetSizeEx(int index, int *width, int *height, int *bitCount);
int __stdcall QCX_PreviewStart(int index, unsigned char start);
int __stdcall QCX_PreviewPause(int index, unsigned char pause);
int __stdcall QCX_PreviewGetStatus(int index, int *status);
int __stdcall QCX_PreviewSetPos(int index, void *window, int x, int y, int width, int height);
int __stdcall QCX_PreviewGetPos(int index, int *x, int *y, int *width, int *height);
int __stdcall QCX_PreviewGetPausedData(int index, unsigned char *buffer);
int __stdcall QCX_PreviewGetPausedDataEx(int index, unsigned char *buffer, int *width, int *height, int *bitCount);
int __stdcall QCX_PreviewGetFrameRate(int index, float *rate);
int __stdcall QCX_PreviewSetCallback(int index, void *callback, void *context);
int __stdcall QCX_PreviewSetCallbackEx(int index, void *callback, void *context);
int __stdcall QCX_PreviewSetMode(int index, int mode);
int __stdcall QCX_PreviewGetMode(int index, int *mode);
int __stdcall QCX_SetParam(int index, int parameter, int value);
int __stdcall QCX_GetParam(int index, int parameter, int *value);
int __stdcall QCX_GetParamRange(int index, int parameter, int *minimum, int *maximum);
int __stdcall QCX_ExposureTimeSet(int index, float milliseconds);
int __stdcall QCX_ExposureTimeGet(int index, float *milliseconds);
int __stdcall QCX_AESetRegion(int index, int x, int y, int width, int height);
int __stdcall QCX_AEStart(int index, unsigned char start, int maximumCount, int target);
int __stdcall QCX_AESetCallback(int index, void *callback, void *context);
int __stdcall QCX_AWBSetRegion(int index, int x, int y, int width, int height);
int __stdcall QCX_AWBStart(int index, unsigned char start, int maximumCount, int redTarget, int greenTarget, int blueTarget);
int __stdcall QCX_AWBSetCallback(int index, void *callback, void *context);
int __stdcall QCX_AFSetRegion(int index, int x, int y, int width, int height);
int __stdcall QCX_AFStart(int index, unsigned char start);
int __stdcall QCX_AFSetCallback(int index, void *callback, void *context);
int __stdcall QCX_AECSetEnable(int index, unsigned char enable);
int __stdcall QCX_AECGetEnable(int index, unsigned char *enabled);
int __stdcall QCX_AECSetRange(int index, unsigned short minimum, unsigned short maximum);
int __stdcall QCX_AECGetRange(int index, unsigned short *minimum, unsigned short *maximum);
int __stdcall QCX_AECGetCur(int index, unsigned short *current);
int __stdcall QCX_AGCSetEnable(int index, unsigned char enable);
int __stdcall QCX_AGCGetEnable(int index, unsigned char *enabled);
int __stdcall QCX_AGCSetRange(int index, unsigned short minimum, unsigned short maximum);
int __stdcall QCX_AGCGetRange(int index, unsigned short *minimum, unsigned short *maximum);
int __stdcall QCX_AGCGetCur(int index, unsigned short *current);
int __stdcall QCX_BayerSetMode(int index, int mode);
int __stdcall QCX_BayerGetMode(int index, int *mode);
int __stdcall QCX_BayerGetDefaultMode(int index, int *mode);
int __stdcall QCX_FilterSetMode(int index, int mode);
int __stdcall QCX_FilterGetMode(int index, int *mode);
int __stdcall QCX_GammaSetValue(int index, int gamma);
int __stdcall QCX_GammaOn(int index, int on);
int __stdcall QCX_ProcessContrastSet(int index, int contrast);
int __stdcall QCX_ProcessContrastGet(int index, int *contrast);
int __stdcall QCX_ProcessContrastGetRange(int index, int *minimum, int *maximum);
int __stdcall QCX_ProcessBrightnessGetRange(int index, int *minimum, int *maximum);
int __stdcall QCX_ProcessBrightnessSet(int index, int brightness);
int __stdcall QCX_ProcessBrightnessGet(int index, int *brightness);
int __stdcall QCX_ProcessSaturationSet(int index, int saturation);
int __stdcall QCX_ProcessSaturationGet(int index, int *saturation);
int __stdcall QCX_ProcessSaturationGetRange(int index, int *minimum, int *maximum);
int __stdcall QCX_BadPixelCorrectionSetThreshold(int index, unsigned char first, unsigned char second);
int __stdcall QCX_BadPixelCorrectionGetThreshold(int index, unsigned char *first, unsigned char *second);
int __stdcall QCX_BadPixelCorrectionSet(int index, unsigned char enable, int mode);
int __stdcall QCX_BadPixelCorrectionGet(int index, unsigned char *enabled, int *mode);
int __stdcall QCX_LoadMapTableFile(int index, unsigned char enable, const char *file);
int __stdcall QCX_ColorCorrectSet(int index, int mode, int value1, int value2, int value3);
int __stdcall QCX_ColorCorrectGet(int index, int *mode);
int __stdcall QCX_ColorCorrectSetCallback(int index, void *callback, void *context);
int __stdcall QCX_ColorCorrectTableSave(int index, const char *file);
int __stdcall QCX_ColorCorrectTableLoad(int index, const char *file);
int __stdcall QCX_IsColorCorrectTableLoad(int index, unsigned char *loaded);
int __stdcall QCX_SensitivitySetMode(int index, int mode);
int __stdcall QCX_SensitivityGetMode(int index, int *mode);
int __stdcall QCX_LedSetStatus(int index, int led, int on);
int __stdcall QCX_LedGetStatus(int index, int led, int *on);
int __stdcall QCX_SnapButtonStatus(int index, int *pressed);
int __stdcall QCX_GpioSetDirection(int index, unsigned char directions);
int __stdcall QCX_GpioGetDirection(int index, unsigned char *directions);
int __stdcall QCX_GpioSetStatus(int index, unsigned char levels);
int __stdcall QCX_GpioGetStatus(int index, unsigned char *levels);
int __stdcall QCX_FlashControlSet(int index, unsigned char enable, unsigned char invert, int mode);
int __stdcall QCX_FlashControlGet(int index, unsigned char *enable, unsigned char *invert, int *mode);
int __stdcall QCX_TriggerModeSet(int index, unsigned char external);
int __stdcall QCX_TriggerModeGet(int index, int *external);
int __stdcall QCX_SensorModeSet(int index, int mode);
int __stdcall QCX_SensorModeGet(int index, int *mode);
int __stdcall QCX_TriggerStatusGet(int index, int *status);
int __stdcall QCX_TriggerDelaySet(int index, unsigned short delay);
int __stdcall QCX_TriggerDelayGet(int index, unsigned short *delay);
int __stdcall QCX_TriggerDelayGetRange(int index, unsigned short *minimum, unsigned short *maximum);
int __stdcall QCX_StrobeDelayGetRange(int index, unsigned short *minimum, unsigned short *maximum);
int __stdcall QCX_StrobeDelaySet(int index, unsigned short delay);
int __stdcall QCX_StrobeDelayGet(int index, unsigned short *delay);
int __stdcall QCX_HelperGetBmpFileHeaderSize(int bitCount, int *size);
int __stdcall QCX_HelperGetBmpFileHeader(int width, int height, int bitCount, unsigned char *header);
int __stdcall QCX_HelperSaveToBmp(unsigned char *data, int width, int height, int bitCount, const char *file);
int __stdcall QCX_HelperSaveToJpg(unsigned char *data, int width, int height, int bitCount, int quality, const char *file);
int __stdcall QCX_HelperSaveToTiff(unsigned char *data, int width, int height, int bitsPerSample, int samplesPerPixel, const char *file);
int __stdcall QCX_HelperStretchBmp(unsigned char *source, int width, int height, int bitCount, unsigned char *target, int targetWidth, int targetHeight);
int __stdcall QCX_RecordStart(int index, unsigned char start, float frameRate, const char *file);
int __stdcall QCX_RecordStartEx(int index, unsigned char start, float frameRate, const char *file, unsigned char showDialog);
int __stdcall QCX_RecordStatusGet(int index, unsigned char *recording);

/* Cast through void (*)(void), the one function type any other converts to without a warning. */
typedef int(__stdcall *AnyExport)(void);

int main(int argc, char **argv) {
    /* The addresses are taken, not called: the program only has to link. */
    static const AnyExport exports[] = {
        (AnyExport)(void (*)(void))QCX_Init,
        (AnyExport)(void (*)(void))QCX_UnInit,
        (AnyExport)(void (*)(void))QCX_DeviceGetCount,
        (AnyExport)(void (*)(void))QCX_GetErrorInfo,
        (AnyExport)(void (*)(void))QCX_LogSet,
        (AnyExport)(void (*)(void))QCX_LogGet,
        (AnyExport)(void (*)(void))QCX_WrFx2Reg,
        (AnyExport)(void (*)(void))QCX_RdFx2Reg,
        (AnyExport)(void (*)(void))QCX_WrFx2Sfr,
        (AnyExport)(void (*)(void))QCX_RdFx2Sfr,
        (AnyExport)(void (*)(void))QCX_WrEEPROM,
        (AnyExport)(void (*)(void))QCX_RdEEPROM,
        (AnyExport)(void (*)(void))QCX_WrEEPROMEx,
        (AnyExport)(void (*)(void))QCX_RdEEPROMEx,
        (AnyExport)(void (*)(void))QCX_WrSensorReg,
        (AnyExport)(void (*)(void))QCX_RdSensorReg,
        (AnyExport)(void (*)(void))QCX_WrSensorRegX,
        (AnyExport)(void (*)(void))QCX_RdSensorRegX,
        (AnyExport)(void (*)(void))QCX_VendorCmd,
        (AnyExport)(void (*)(void))QCX_DeviceGetInformation,
        (AnyExport)(void (*)(void))QCX_EmptyFrameBuffer,
        (AnyExport)(void (*)(void))QCX_SetData16Bits,
        (AnyExport)(void (*)(void))QCX_GetData16Bits,
        (AnyExport)(void (*)(void))QCX_CaptureSetTimeOut,
        (AnyExport)(void (*)(void))QCX_CaptureGetTimeOut,
        (AnyExport)(void (*)(void))QCX_CaptureRawData,
        (AnyExport)(void (*)(void))QCX_CaptureRgbData,
        (AnyExport)(void (*)(void))QCX_CaptureRgbDataEx,
        (AnyExport)(void (*)(void))QCX_CaptureRawDataAfterEmptyFrameBuffer,
        (AnyExport)(void (*)(void))QCX_CaptureRgbDataAfterEmptyFrameBuffer,
        (AnyExport)(void (*)(void))QCX_CaptureRgbDataExAfterEmptyFrameBuffer,
        (AnyExport)(void (*)(void))QCX_CaptureSetFieldOfView,
        (AnyExport)(void (*)(void))QCX_PreviewSetFieldOfView,
        (AnyExport)(void (*)(void))QCX_CaptureGetFieldOfView,
        (AnyExport)(void (*)(void))QCX_PreviewGetFieldOfView,
        (AnyExport)(void (*)(void))QCX_CaptureGetDefaultFieldOfView,
        (AnyExport)(void (*)(void))QCX_PreviewGetDefaultFieldOfView,
        (AnyExport)(void (*)(void))QCX_CaptureGetSize,
        (AnyExport)(void (*)(void))QCX_CaptureGetSizeEx,
        (AnyExport)(void (*)(void))QCX_CaptureGetSizeExEx,
        (AnyExport)(void (*)(void))QCX_PreviewGetSize,
        (AnyExport)(void (*)(void))QCX_PreviewGetSizeEx,
        (AnyExport)(void (*)(void))QCX_PreviewStart,
        (AnyExport)(void (*)(void))QCX_PreviewPause,
        (AnyExport)(void (*)(void))QCX_PreviewGetStatus,
        (AnyExport)(void (*)(void))QCX_PreviewSetPos,
        (AnyExport)(void (*)(void))QCX_PreviewGetPos,
        (AnyExport)(void (*)(void))QCX_PreviewGetPausedData,
        (AnyExport)(void (*)(void))QCX_PreviewGetPausedDataEx,
        (AnyExport)(void (*)(void))QCX_PreviewGetFrameRate,
        (AnyExport)(void (*)(void))QCX_PreviewSetCallback,
        (AnyExport)(void (*)(void))QCX_PreviewSetCallbackEx,
        (AnyExport)(void (*)(void))QCX_PreviewSetMode,
        (AnyExport)(void (*)(void))QCX_PreviewGetMode,
        (AnyExport)(void (*)(void))QCX_SetParam,
        (AnyExport)(void (*)(void))QCX_GetParam,
        (AnyExport)(void (*)(void))QCX_GetParamRange,
        (AnyExport)(void (*)(void))QCX_ExposureTimeSet,
        (AnyExport)(void (*)(void))QCX_ExposureTimeGet,
        (AnyExport)(void (*)(void))QCX_AESetRegion,
        (AnyExport)(void (*)(void))QCX_AEStart,
        (AnyExport)(void (*)(void))QCX_AESetCallback,
        (AnyExport)(void (*)(void))QCX_AWBSetRegion,
        (AnyExport)(void (*)(void))QCX_AWBStart,
        (AnyExport)(void (*)(void))QCX_AWBSetCallback,
        (AnyExport)(void (*)(void))QCX_AFSetRegion,
        (AnyExport)(void (*)(void))QCX_AFStart,
        (AnyExport)(void (*)(void))QCX_AFSetCallback,
        (AnyExport)(void (*)(void))QCX_AECSetEnable,
        (AnyExport)(void (*)(void))QCX_AECGetEnable,
        (AnyExport)(void (*)(void))QCX_AECSetRange,
        (AnyExport)(void (*)(void))QCX_AECGetRange,
        (AnyExport)(void (*)(void))QCX_AECGetCur,
        (AnyExport)(void (*)(void))QCX_AGCSetEnable,
        (AnyExport)(void (*)(void))QCX_AGCGetEnable,
        (AnyExport)(void (*)(void))QCX_AGCSetRange,
        (AnyExport)(void (*)(void))QCX_AGCGetRange,
        (AnyExport)(void (*)(void))QCX_AGCGetCur,
        (AnyExport)(void (*)(void))QCX_BayerSetMode,
        (AnyExport)(void (*)(void))QCX_BayerGetMode,
        (AnyExport)(void (*)(void))QCX_BayerGetDefaultMode,
        (AnyExport)(void (*)(void))QCX_FilterSetMode,
        (AnyExport)(void (*)(void))QCX_FilterGetMode,
        (AnyExport)(void (*)(void))QCX_GammaSetValue,
        (AnyExport)(void (*)(void))QCX_GammaOn,
        (AnyExport)(void (*)(void))QCX_ProcessContrastSet,
        (AnyExport)(void (*)(void))QCX_ProcessContrastGet,
        (AnyExport)(void (*)(void))QCX_ProcessContrastGetRange,
        (AnyExport)(void (*)(void))QCX_ProcessBrightnessGetRange,
        (AnyExport)(void (*)(void))QCX_ProcessBrightnessSet,
        (AnyExport)(void (*)(void))QCX_ProcessBrightnessGet,
        (AnyExport)(void (*)(void))QCX_ProcessSaturationSet,
        (AnyExport)(void (*)(void))QCX_ProcessSaturationGet,
        (AnyExport)(void (*)(void))QCX_ProcessSaturationGetRange,
        (AnyExport)(void (*)(void))QCX_BadPixelCorrectionSetThreshold,
        (AnyExport)(void (*)(void))QCX_BadPixelCorrectionGetThreshold,
        (AnyExport)(void (*)(void))QCX_BadPixelCorrectionSet,
        (AnyExport)(void (*)(void))QCX_BadPixelCorrectionGet,
        (AnyExport)(void (*)(void))QCX_LoadMapTableFile,
        (AnyExport)(void (*)(void))QCX_ColorCorrectSet,
        (AnyExport)(void (*)(void))QCX_ColorCorrectGet,
        (AnyExport)(void (*)(void))QCX_ColorCorrectSetCallback,
        (AnyExport)(void (*)(void))QCX_ColorCorrectTableSave,
        (AnyExport)(void (*)(void))QCX_ColorCorrectTableLoad,
        (AnyExport)(void (*)(void))QCX_IsColorCorrectTableLoad,
        (AnyExport)(void (*)(void))QCX_SensitivitySetMode,
        (AnyExport)(void (*)(void))QCX_SensitivityGetMode,
        (AnyExport)(void (*)(void))QCX_LedSetStatus,
        (AnyExport)(void (*)(void))QCX_LedGetStatus,
        (AnyExport)(void (*)(void))QCX_SnapButtonStatus,
        (AnyExport)(void (*)(void))QCX_GpioSetDirection,
        (AnyExport)(void (*)(void))QCX_GpioGetDirection,
        (AnyExport)(void (*)(void))QCX_GpioSetStatus,
        (AnyExport)(void (*)(void))QCX_GpioGetStatus,
        (AnyExport)(void (*)(void))QCX_FlashControlSet,
        (AnyExport)(void (*)(void))QCX_FlashControlGet,
        (AnyExport)(void (*)(void))QCX_TriggerModeSet,
        (AnyExport)(void (*)(void))QCX_TriggerModeGet,
        (AnyExport)(void (*)(void))QCX_SensorModeSet,
        (AnyExport)(void (*)(void))QCX_SensorModeGet,
        (AnyExport)(void (*)(void))QCX_TriggerStatusGet,
        (AnyExport)(void (*)(void))QCX_TriggerDelaySet,
        (AnyExport)(void (*)(void))QCX_TriggerDelayGet,
        (AnyExport)(void (*)(void))QCX_TriggerDelayGetRange,
        (AnyExport)(void (*)(void))QCX_StrobeDelayGetRange,
        (AnyExport)(void (*)(void))QCX_StrobeDelaySet,
        (AnyExport)(void (*)(void))QCX_StrobeDelayGet,
        (AnyExport)(void (*)(void))QCX_HelperGetBmpFileHeaderSize,
        (AnyExport)(void (*)(void))QCX_HelperGetBmpFileHeader,
        (AnyExport)(void (*)(void))QCX_HelperSaveToBmp,
        (AnyExport)(void (*)(void))QCX_HelperSaveToJpg,
        (AnyExport)(void (*)(void))QCX_HelperSaveToTiff,
        (AnyExport)(void (*)(void))QCX_HelperStretchBmp,
        (AnyExport)(void (*)(void))QCX_RecordStart,
        (AnyExport)(void (*)(void))QCX_RecordStartEx,
        (AnyExport)(void (*)(void))QCX_RecordStatusGet
    };
    (void)argv;
    return argc > 99 ? (int)(sizeof exports / sizeof exports[0]) : 0;
}
