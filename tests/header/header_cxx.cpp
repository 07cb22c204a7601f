// The public header as a C++ program sees it: the types keep their C sizes,
// the exports keep their C argument types and C linkage. The checks are
// static; main() calls one export so that a C++-mangled declaration would
// fail to link against the library.
#include "qcxapi.h"

#include <cstring>
#include <type_traits>

// Basic types.
static_assert(sizeof(QCX_BYTE) == 1 && std::is_unsigned_v<QCX_BYTE>);
static_assert(sizeof(QCX_WORD) == 2 && std::is_unsigned_v<QCX_WORD>);
static_assert(sizeof(QCX_DWORD) == 4 && std::is_unsigned_v<QCX_DWORD>);
static_assert(sizeof(QCX_BOOL8) == 1 && std::is_unsigned_v<QCX_BOOL8>);
static_assert(sizeof(QCX_WINDOW) == sizeof(void*) && std::is_unsigned_v<QCX_WINDOW>);

// Status codes are plain int constants.
static_assert(std::is_same_v<decltype(QCX_STATUS_FAIL), int>);
static_assert(QCX_STATUS_SUCCESS == 1 && QCX_STATUS_PARAMETER_ERROR == -1 &&
              QCX_STATUS_NOT_INITIALIZED == -5 && QCX_STATUS_FAIL == -8 &&
              QCX_STATUS_RECOVERY_SUCCESSFUL == -10 && QCX_STATUS_VERSION_ERROR == -15);

// QCX_PARAM: first, last and a few in between.
static_assert(std::is_enum_v<QCX_PARAM>);
static_assert(QCX_EXPOSURE == 0 && QCX_RED == 1 && QCX_GAMMA == 4 && QCX_FLIP == 11 &&
              QCX_MIRROR == 13 && QCX_CDSGAIN == 18 && QCX_RED_SHIFT == 19 &&
              QCX_EXPOSURE_LINES == 23 && QCX_SATURATION == 24);

// Exports whose argument types are easy to get wrong.
template <typename Expected, typename Actual>
constexpr bool kSame = std::is_same_v<Expected, Actual>;

static_assert(kSame<int(QCXAPI_CALL*)(int, int), decltype(&QCX_GammaOn)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, const QCX_BYTE*, void*), decltype(&QCX_VendorCmd)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, int*, int*, QCX_WORD*),
                    decltype(&QCX_DeviceGetInformation)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, QCX_BYTE, QCX_WORD), decltype(&QCX_WrSensorReg)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, QCX_WORD, QCX_WORD), decltype(&QCX_WrSensorRegX)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, QCX_DWORD, QCX_BYTE), decltype(&QCX_WrEEPROMEx)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, QCX_WINDOW, int, int, int, int),
                    decltype(&QCX_PreviewSetPos)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, QCX_BOOL8, float, const char*, QCX_BOOL8),
                    decltype(&QCX_RecordStartEx)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, QCX_BOOL8*), decltype(&QCX_IsColorCorrectTableLoad)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, int*), decltype(&QCX_TriggerModeGet)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, float), decltype(&QCX_ExposureTimeSet)>);
static_assert(kSame<int(QCXAPI_CALL*)(int, QCX_DWORD*), decltype(&QCX_CaptureGetTimeOut)>);
static_assert(kSame<int(QCXAPI_CALL*)(QCX_BYTE*, int, int, int, QCX_BYTE*, int, int),
                    decltype(&QCX_HelperStretchBmp)>);

// The same-function pairs share one signature.
static_assert(kSame<decltype(&QCX_ProcessBrightnessGetRange),
                    decltype(&QCX_ProcessContrastGetRange)>);
static_assert(kSame<decltype(&QCX_PreviewGetDefaultFieldOfView),
                    decltype(&QCX_CaptureGetDefaultFieldOfView)>);
static_assert(kSame<decltype(&QCX_StrobeDelayGetRange), decltype(&QCX_TriggerDelayGetRange)>);

// Callback types.
static_assert(kSame<int(QCXAPI_CALL*)(QCX_BYTE*, int, int, int, void*), QCX_PREVIEW_CALLBACK>);
static_assert(kSame<int(QCXAPI_CALL*)(QCX_SURFACE*, QCX_BYTE*, int, int, int, void*),
                    QCX_PREVIEW_CALLBACK_EX>);
static_assert(kSame<int(QCXAPI_CALL*)(QCX_BOOL8, int, void*), QCX_AE_CALLBACK>);
static_assert(kSame<int(QCXAPI_CALL*)(QCX_BOOL8, int, int, int, void*), QCX_AWB_CALLBACK>);
static_assert(kSame<int(QCXAPI_CALL*)(int, void*), QCX_AF_CALLBACK>);
static_assert(kSame<int(QCXAPI_CALL*)(int, int, int, int, void*), QCX_COLOR_CORRECT_CALLBACK>);
static_assert(std::is_standard_layout_v<QCX_SURFACE>);
static_assert(kSame<QCX_BYTE*, decltype(QCX_SURFACE::pixels)> &&
              kSame<int, decltype(QCX_SURFACE::stride)>);

int main() {
    // Links only if the header gives the exports C linkage.
    char text[QCX_ERROR_TEXT_SIZE] = {};
    if (QCX_GetErrorInfo(QCX_STATUS_SUCCESS, text) != QCX_STATUS_SUCCESS) return 1;
    return std::strcmp(text, "Successful") == 0 ? 0 : 1;
}
