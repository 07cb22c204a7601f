/*
 * Every export of qcxapi.h called once, as a strict C99 program: each call
 * is checked against its prototype, and the program links only when the
 * library defines every one of them. The calls run only when asked
 * (`every_export_c99 run`), on no camera, where each returns a status.
 */
#include "qcxapi.h"

#include <stddef.h>
#include <string.h>

static void CallEveryExport(void) {
    (void)QCX_Init();
    (void)QCX_UnInit();
    (void)QCX_DeviceGetCount();
    (void)QCX_GetErrorInfo(0, NULL);
    (void)QCX_LogSet(0, NULL);
    (void)QCX_LogGet(NULL, NULL);
    (void)QCX_WrFx2Reg(0, 0, 0);
    (void)QCX_RdFx2Reg(0, 0, NULL);
    (void)QCX_WrFx2Sfr(0, 0, 0);
    (void)QCX_RdFx2Sfr(0, 0, NULL);
    (void)QCX_WrEEPROM(0, 0, 0);
    (void)QCX_RdEEPROM(0, 0, NULL);
    (void)QCX_WrEEPROMEx(0, 0, 0);
    (void)QCX_RdEEPROMEx(0, 0, NULL);
    (void)QCX_WrSensorReg(0, 0, 0);
    (void)QCX_RdSensorReg(0, 0, NULL);
    (void)QCX_WrSensorRegX(0, 0, 0);
    (void)QCX_RdSensorRegX(0, 0, NULL);
    (void)QCX_VendorCmd(0, NULL, NULL);
    (void)QCX_DeviceGetInformation(0, NULL, NULL, NULL);
    (void)QCX_EmptyFrameBuffer(0);
    (void)QCX_SetData16Bits(0, 0);
    (void)QCX_GetData16Bits(0, NULL);
    (void)QCX_CaptureSetTimeOut(0, 0);
    (void)QCX_CaptureGetTimeOut(0, NULL);
    (void)QCX_CaptureRawData(0, NULL);
    (void)QCX_CaptureRgbData(0, NULL);
    (void)QCX_CaptureRgbDataEx(0, NULL, NULL, NULL, NULL);
    (void)QCX_CaptureRawDataAfterEmptyFrameBuffer(0, NULL);
    (void)QCX_CaptureRgbDataAfterEmptyFrameBuffer(0, NULL);
    (void)QCX_CaptureRgbDataExAfterEmptyFrameBuffer(0, NULL, NULL, NULL, NULL);
    (void)QCX_CaptureSetFieldOfView(0, 0, 0, 0, 0, 0, 0);
    (void)QCX_PreviewSetFieldOfView(0, 0, 0, 0, 0, 0, 0);
    (void)QCX_CaptureGetFieldOfView(0, NULL, NULL, NULL, NULL, NULL, NULL);
    (void)QCX_PreviewGetFieldOfView(0, NULL, NULL, NULL, NULL, NULL, NULL);
    (void)QCX_CaptureGetDefaultFieldOfView(0, NULL, NULL, NULL, NULL, NULL, NULL);
    (void)QCX_PreviewGetDefaultFieldOfView(0, NULL, NULL, NULL, NULL, NULL, NULL);
    (void)QCX_CaptureGetSize(0, NULL, NULL);
    (void)QCX_CaptureGetSizeEx(0, NULL, NULL, NULL);
    (void)QCX_CaptureGetSizeExEx(0, NULL, NULL, NULL, NULL);
    (void)QCX_PreviewGetSize(0, NULL, NULL);
    (void)QCX_PreviewGetSizeEx(0, NULL, NULL, NULL);
    (void)QCX_PreviewStart(0, 0);
    (void)QCX_PreviewPause(0, 0);
    (void)QCX_PreviewGetStatus(0, NULL);
    (void)QCX_PreviewSetPos(0, 0, 0, 0, 0, 0);
    (void)QCX_PreviewGetPos(0, NULL, NULL, NULL, NULL);
    (void)QCX_PreviewGetPausedData(0, NULL);
    (void)QCX_PreviewGetPausedDataEx(0, NULL, NULL, NULL, NULL);
    (void)QCX_PreviewGetFrameRate(0, NULL);
    (void)QCX_PreviewSetCallback(0, NULL, NULL);
    (void)QCX_PreviewSetCallbackEx(0, NULL, NULL);
    (void)QCX_PreviewSetMode(0, 0);
    (void)QCX_PreviewGetMode(0, NULL);
    (void)QCX_SetParam(0, 0, 0);
    (void)QCX_GetParam(0, 0, NULL);
    (void)QCX_GetParamRange(0, 0, NULL, NULL);
    (void)QCX_ExposureTimeSet(0, 0.0f);
    (void)QCX_ExposureTimeGet(0, NULL);
    (void)QCX_AESetRegion(0, 0, 0, 0, 0);
    (void)QCX_AEStart(0, 0, 0, 0);
    (void)QCX_AESetCallback(0, NULL, NULL);
    (void)QCX_AWBSetRegion(0, 0, 0, 0, 0);
    (void)QCX_AWBStart(0, 0, 0, 0, 0, 0);
    (void)QCX_AWBSetCallback(0, NULL, NULL);
    (void)QCX_AFSetRegion(0, 0, 0, 0, 0);
    (void)QCX_AFStart(0, 0);
    (void)QCX_AFSetCallback(0, NULL, NULL);
    (void)QCX_AECSetEnable(0, 0);
    (void)QCX_AECGetEnable(0, NULL);
    (void)QCX_AECSetRange(0, 0, 0);
    (void)QCX_AECGetRange(0, NULL, NULL);
    (void)QCX_AECGetCur(0, NULL);
    (void)QCX_AGCSetEnable(0, 0);
    (void)QCX_AGCGetEnable(0, NULL);
    (void)QCX_AGCSetRange(0, 0, 0);
    (void)QCX_AGCGetRange(0, NULL, NULL);
    (void)QCX_AGCGetCur(0, NULL);
    (void)QCX_BayerSetMode(0, 0);
    (void)QCX_BayerGetMode(0, NULL);
    (void)QCX_BayerGetDefaultMode(0, NULL);
    (void)QCX_FilterSetMode(0, 0);
    (void)QCX_FilterGetMode(0, NULL);
    (void)QCX_GammaSetValue(0, 0);
    (void)QCX_GammaOn(0, 0);
    (void)QCX_ProcessContrastSet(0, 0);
    (void)QCX_ProcessContrastGet(0, NULL);
    (void)QCX_ProcessContrastGetRange(0, NULL, NULL);
    (void)QCX_ProcessBrightnessGetRange(0, NULL, NULL);
    (void)QCX_ProcessBrightnessSet(0, 0);
    (void)QCX_ProcessBrightnessGet(0, NULL);
    (void)QCX_ProcessSaturationSet(0, 0);
    (void)QCX_ProcessSaturationGet(0, NULL);
    (void)QCX_ProcessSaturationGetRange(0, NULL, NULL);
    (void)QCX_BadPixelCorrectionSetThreshold(0, 0, 0);
    (void)QCX_BadPixelCorrectionGetThreshold(0, NULL, NULL);
    (void)QCX_BadPixelCorrectionSet(0, 0, 0);
    (void)QCX_BadPixelCorrectionGet(0, NULL, NULL);
    (void)QCX_LoadMapTableFile(0, 0, NULL);
    (void)QCX_ColorCorrectSet(0, 0, 0, 0, 0);
    (void)QCX_ColorCorrectGet(0, NULL);
    (void)QCX_ColorCorrectSetCallback(0, NULL, NULL);
    (void)QCX_ColorCorrectTableSave(0, NULL);
    (void)QCX_ColorCorrectTableLoad(0, NULL);
    (void)QCX_IsColorCorrectTableLoad(0, NULL);
    (void)QCX_SensitivitySetMode(0, 0);
    (void)QCX_SensitivityGetMode(0, NULL);
    (void)QCX_LedSetStatus(0, 0, 0);
    (void)QCX_LedGetStatus(0, 0, NULL);
    (void)QCX_SnapButtonStatus(0, NULL);
    (void)QCX_GpioSetDirection(0, 0);
    (void)QCX_GpioGetDirection(0, NULL);
    (void)QCX_GpioSetStatus(0, 0);
    (void)QCX_GpioGetStatus(0, NULL);
    (void)QCX_FlashControlSet(0, 0, 0, 0);
    (void)QCX_FlashControlGet(0, NULL, NULL, NULL);
    (void)QCX_TriggerModeSet(0, 0);
    (void)QCX_TriggerModeGet(0, NULL);
    (void)QCX_SensorModeSet(0, 0);
    (void)QCX_SensorModeGet(0, NULL);
    (void)QCX_TriggerStatusGet(0, NULL);
    (void)QCX_TriggerDelaySet(0, 0);
    (void)QCX_TriggerDelayGet(0, NULL);
    (void)QCX_TriggerDelayGetRange(0, NULL, NULL);
    (void)QCX_StrobeDelayGetRange(0, NULL, NULL);
    (void)QCX_StrobeDelaySet(0, 0);
    (void)QCX_StrobeDelayGet(0, NULL);
    (void)QCX_HelperGetBmpFileHeaderSize(0, NULL);
    (void)QCX_HelperGetBmpFileHeader(0, 0, 0, NULL);
    (void)QCX_HelperSaveToBmp(NULL, 0, 0, 0, NULL);
    (void)QCX_HelperSaveToJpg(NULL, 0, 0, 0, 0, NULL);
    (void)QCX_HelperSaveToTiff(NULL, 0, 0, 0, 0, NULL);
    (void)QCX_HelperStretchBmp(NULL, 0, 0, 0, NULL, 0, 0);
    (void)QCX_RecordStart(0, 0, 0.0f, NULL);
    (void)QCX_RecordStartEx(0, 0, 0.0f, NULL, 0);
    (void)QCX_RecordStatusGet(0, NULL);
}

int main(int argc, char **argv) {
    if (argc > 1 && strcmp(argv[1], "run") == 0) CallEveryExport();
    return 0;
}
