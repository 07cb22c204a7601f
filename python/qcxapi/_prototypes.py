"""ctypes prototypes of every export of qcxapi.h and qcxsim.h.

One line per function: its name and its arguments. Every function returns
int. Argument codes: i int, B 8-bit unsigned (QCX_BYTE, QCX_BOOL8), H 16-bit
unsigned, I 32-bit unsigned, f float, d double, w QCX_WINDOW (uintptr_t),
p an image or data buffer passed by address, s a char string (in or out),
a leading * a pointer to one such value, and a callback type by name.
"""

from __future__ import annotations

import ctypes
from typing import Mapping

_SCALARS = {
    "i": ctypes.c_int,
    "B": ctypes.c_uint8,
    "H": ctypes.c_uint16,
    "I": ctypes.c_uint32,
    "f": ctypes.c_float,
    "d": ctypes.c_double,
    "w": ctypes.c_size_t,
}

PROTOTYPES = """
QCX_Init
QCX_UnInit
QCX_DeviceGetCount
QCX_GetErrorInfo                              i s
QCX_LogSet                                    B s
QCX_LogGet                                    *B s
QCX_WrFx2Reg                                  i H B
QCX_RdFx2Reg                                  i H *B
QCX_WrFx2Sfr                                  i H B
QCX_RdFx2Sfr                                  i H *B
QCX_WrEEPROM                                  i H B
QCX_RdEEPROM                                  i H *B
QCX_WrEEPROMEx                                i I B
QCX_RdEEPROMEx                                i I *B
QCX_WrSensorReg                               i B H
QCX_RdSensorReg                               i B *H
QCX_WrSensorRegX                              i H H
QCX_RdSensorRegX                              i H *H
QCX_VendorCmd                                 i p p
QCX_DeviceGetInformation                      i *i *i *H
QCX_EmptyFrameBuffer                          i
QCX_SetData16Bits                             i B
QCX_GetData16Bits                             i *B
QCX_CaptureSetTimeOut                         i I
QCX_CaptureGetTimeOut                         i *I
QCX_CaptureRawData                            i p
QCX_CaptureRgbData                            i p
QCX_CaptureRgbDataEx                          i p *i *i *i
QCX_CaptureRawDataAfterEmptyFrameBuffer       i p
QCX_CaptureRgbDataAfterEmptyFrameBuffer       i p
QCX_CaptureRgbDataExAfterEmptyFrameBuffer     i p *i *i *i
QCX_CaptureSetFieldOfView                     i i i i i i i
QCX_PreviewSetFieldOfView                     i i i i i i i
QCX_CaptureGetFieldOfView                     i *i *i *i *i *i *i
QCX_PreviewGetFieldOfView                     i *i *i *i *i *i *i
QCX_CaptureGetDefaultFieldOfView              i *i *i *i *i *i *i
QCX_PreviewGetDefaultFieldOfView              i *i *i *i *i *i *i
QCX_CaptureGetSize                            i *i *i
QCX_CaptureGetSizeEx                          i *i *i *i
QCX_CaptureGetSizeExEx                        i *i *i *i *i
QCX_PreviewGetSize                            i *i *i
QCX_PreviewGetSizeEx                          i *i *i *i
QCX_PreviewStart                              i B
QCX_PreviewPause                              i B
QCX_PreviewGetStatus                          i *i
QCX_PreviewSetPos                             i w i i i i
QCX_PreviewGetPos                             i *i *i *i *i
QCX_PreviewGetPausedData                      i p
QCX_PreviewGetPausedDataEx                    i p *i *i *i
QCX_PreviewGetFrameRate                       i *f
QCX_PreviewSetCallback                        i preview_callback p
QCX_PreviewSetCallbackEx                      i preview_callback_ex p
QCX_PreviewSetMode                            i i
QCX_PreviewGetMode                            i *i
QCX_SetParam                                  i i i
QCX_GetParam                                  i i *i
QCX_GetParamRange                             i i *i *i
QCX_ExposureTimeSet                           i f
QCX_ExposureTimeGet                           i *f
QCX_AESetRegion                               i i i i i
QCX_AEStart                                   i B i i
QCX_AESetCallback                             i ae_callback p
QCX_AWBSetRegion                              i i i i i
QCX_AWBStart                                  i B i i i i
QCX_AWBSetCallback                            i awb_callback p
QCX_AFSetRegion                               i i i i i
QCX_AFStart                                   i B
QCX_AFSetCallback                             i af_callback p
QCX_AECSetEnable                              i B
QCX_AECGetEnable                              i *B
QCX_AECSetRange                               i H H
QCX_AECGetRange                               i *H *H
QCX_AECGetCur                                 i *H
QCX_AGCSetEnable                              i B
QCX_AGCGetEnable                              i *B
QCX_AGCSetRange                               i H H
QCX_AGCGetRange                               i *H *H
QCX_AGCGetCur                                 i *H
QCX_BayerSetMode                              i i
QCX_BayerGetMode                              i *i
QCX_BayerGetDefaultMode                       i *i
QCX_FilterSetMode                             i i
QCX_FilterGetMode                             i *i
QCX_GammaSetValue                             i i
QCX_GammaOn                                   i i
QCX_ProcessContrastSet                        i i
QCX_ProcessContrastGet                        i *i
QCX_ProcessContrastGetRange                   i *i *i
QCX_ProcessBrightnessGetRange                 i *i *i
QCX_ProcessBrightnessSet                      i i
QCX_ProcessBrightnessGet                      i *i
QCX_ProcessSaturationSet                      i i
QCX_ProcessSaturationGet                      i *i
QCX_ProcessSaturationGetRange                 i *i *i
QCX_BadPixelCorrectionSetThreshold            i B B
QCX_BadPixelCorrectionGetThreshold            i *B *B
QCX_BadPixelCorrectionSet                     i B i
QCX_BadPixelCorrectionGet                     i *B *i
QCX_LoadMapTableFile                          i B s
QCX_ColorCorrectSet                           i i i i i
QCX_ColorCorrectGet                           i *i
QCX_ColorCorrectSetCallback                   i color_correct_callback p
QCX_ColorCorrectTableSave                     i s
QCX_ColorCorrectTableLoad                     i s
QCX_IsColorCorrectTableLoad                   i *B
QCX_SensitivitySetMode                        i i
QCX_SensitivityGetMode                        i *i
QCX_LedSetStatus                              i i i
QCX_LedGetStatus                              i i *i
QCX_SnapButtonStatus                          i *i
QCX_GpioSetDirection                          i B
QCX_GpioGetDirection                          i *B
QCX_GpioSetStatus                             i B
QCX_GpioGetStatus                             i *B
QCX_FlashControlSet                           i B B i
QCX_FlashControlGet                           i *B *B *i
QCX_TriggerModeSet                            i B
QCX_TriggerModeGet                            i *i
QCX_SensorModeSet                             i i
QCX_SensorModeGet                             i *i
QCX_TriggerStatusGet                          i *i
QCX_TriggerDelaySet                           i H
QCX_TriggerDelayGet                           i *H
QCX_TriggerDelayGetRange                      i *H *H
QCX_StrobeDelayGetRange                       i *H *H
QCX_StrobeDelaySet                            i H
QCX_StrobeDelayGet                            i *H
QCX_HelperGetBmpFileHeaderSize                i *i
QCX_HelperGetBmpFileHeader                    i i i p
QCX_HelperSaveToBmp                           p i i i s
QCX_HelperSaveToJpg                           p i i i i s
QCX_HelperSaveToTiff                          p i i i i s
QCX_HelperStretchBmp                          p i i i p i i
QCX_RecordStart                               i B f s
QCX_RecordStartEx                             i B f s B
QCX_RecordStatusGet                           i *B
QCXSimGetCount
QCXSimDescribe                                i *i *i *H
QCXSimFailRequests                            i i i
QCXSimFailRequestsAfter                       i i i i
QCXSimUnplug                                  i
QCXSimReplugAll
QCXSimReadEeprom                              i I *B
QCXSimWriteEeprom                             i I B
QCXSimReadEeprom32                            i I *B
QCXSimWriteEeprom32                           i I B
QCXSimReadFx2Reg                              i H *B
QCXSimWriteFx2Reg                             i H B
QCXSimReadSfr                                 i B *B
QCXSimWriteSfr                                i B B
QCXSimReadSensorReg                           i H *H
QCXSimWriteSensorReg                          i H H
QCXSimGetWorkingMode                          i *H
QCXSimSetWorkingMode                          i H
QCXSimGetRequestCount                         i *I
QCXSimResetRequestCount                       i
QCXSimGetLastRequest                          i p p *I
QCXSimGetFlushCount                           i *I
QCXSimGetFrameReleaseCount                    i *I
QCXSimSetSnapButton                           i i
QCXSimSetGpioInputs                           i B
QCXSimGetGpioLevels                           i *B
QCXSimGetLamps                                i *B
QCXSimTrigger                                 i
QCXSimGetStrobeCount                          i *I
QCXSimSetScene                                i i
QCXSimGetScene                                i *i
QCXSimSetBlur                                 i i
QCXSimGetBlur                                 i *i
QCXSimSetTiming                               i i
QCXSimGetTiming                               i *i
QCXSimDropFrames                              i i
QCXSimEmptyFrames                             i i
QCXSimShortFrames                             i i I
QCXSimGetPendingFrameFaults                   i *I *I *I
QCXSimGetFrameCounts                          i *I *I
QCXSimGetFrameSize                            i *i *i
QCXSimGetFrameTime                            i *d
"""


def signatures() -> dict[str, list[str]]:
    """Function name -> argument codes, as listed above."""
    result = {}
    for line in PROTOTYPES.strip().splitlines():
        name, *codes = line.split()
        result[name] = codes
    return result


def _ctype(code: str, callbacks: Mapping[str, type]):
    if code == "p":
        return ctypes.c_void_p
    if code == "s":
        return ctypes.c_char_p
    if code.startswith("*"):
        return ctypes.POINTER(_SCALARS[code[1:]])
    if code in _SCALARS:
        return _SCALARS[code]
    return callbacks[code]


def declare(library: ctypes.CDLL, prefix: str, callbacks: Mapping[str, type]) -> None:
    """Sets argtypes and restype of every listed function whose name starts with prefix."""
    for name, codes in signatures().items():
        if not name.startswith(prefix):
            continue
        function = getattr(library, name)
        function.argtypes = tuple(_ctype(code, callbacks) for code in codes)
        function.restype = ctypes.c_int
