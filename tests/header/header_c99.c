/*
 * The public header as a strict C99 program sees it (-std=c99 -pedantic
 * -Werror): the basic types have their sizes and signedness, the exports
 * whose argument types are easy to get wrong are declared with those types
 * (C refuses a conflicting redeclaration), the callback types take functions
 * of their documented shapes, and the program links against the library.
 */
#include "qcxapi.h"

#include <string.h>

#define CHECK(name, cond) typedef char check_##name[(cond) ? 1 : -1]

CHECK(byte, sizeof(QCX_BYTE) == 1 && (QCX_BYTE)-1 > 0);
CHECK(word, sizeof(QCX_WORD) == 2 && (QCX_WORD)-1 > 0);
CHECK(dword, sizeof(QCX_DWORD) == 4 && (QCX_DWORD)-1 > 0);
CHECK(bool8, sizeof(QCX_BOOL8) == 1 && (QCX_BOOL8)-1 > 0);
CHECK(window, sizeof(QCX_WINDOW) == sizeof(void *) && (QCX_WINDOW)-1 > 0);
CHECK(status_codes, QCX_STATUS_SUCCESS == 1 && QCX_STATUS_FAIL == -8 && QCX_STATUS_VERSION_ERROR == -15);
CHECK(params, QCX_EXPOSURE == 0 && QCX_FLIP == 11 && QCX_RED_SHIFT == 19 && QCX_SATURATION == 24);

QCXAPI_EXPORT int QCXAPI_CALL QCX_GammaOn(int, int);
QCXAPI_EXPORT int QCXAPI_CALL QCX_VendorCmd(int, const QCX_BYTE *, void *);
QCXAPI_EXPORT int QCXAPI_CALL QCX_DeviceGetInformation(int, int *, int *, QCX_WORD *);
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrSensorReg(int, QCX_BYTE, QCX_WORD);
QCXAPI_EXPORT int QCXAPI_CALL QCX_WrEEPROMEx(int, QCX_DWORD, QCX_BYTE);
QCXAPI_EXPORT int QCXAPI_CALL QCX_PreviewSetPos(int, QCX_WINDOW, int, int, int, int);
QCXAPI_EXPORT int QCXAPI_CALL QCX_RecordStartEx(int, QCX_BOOL8, float, const char *, QCX_BOOL8);
QCXAPI_EXPORT int QCXAPI_CALL QCX_IsColorCorrectTableLoad(int, QCX_BOOL8 *);
QCXAPI_EXPORT int QCXAPI_CALL QCX_ExposureTimeSet(int, float);
QCXAPI_EXPORT int QCXAPI_CALL QCX_HelperStretchBmp(QCX_BYTE *, int, int, int, QCX_BYTE *, int, int);

static int QCXAPI_CALL OnPreview(QCX_BYTE *b, int w, int h, int bits, void *c) {
    (void)b, (void)w, (void)h, (void)bits, (void)c;
    return 0;
}
static int QCXAPI_CALL OnPreviewEx(QCX_DRAWING s, QCX_BYTE *b, int w, int h, int bits, void *c) {
    (void)s, (void)b, (void)w, (void)h, (void)bits, (void)c;
    return 0;
}
static int QCXAPI_CALL OnAWB(QCX_BOOL8 ok, int r, int g, int b, void *c) {
    (void)ok, (void)r, (void)g, (void)b, (void)c;
    return 0;
}
static int QCXAPI_CALL OnColorCorrect(int state, int r, int g, int b, void *c) {
    (void)state, (void)r, (void)g, (void)b, (void)c;
    return 0;
}

int main(void) {
    char text[QCX_ERROR_TEXT_SIZE];
    QCX_PREVIEW_CALLBACK preview = OnPreview;
    QCX_PREVIEW_CALLBACK_EX previewEx = OnPreviewEx;
    QCX_AWB_CALLBACK awb = OnAWB;
    QCX_COLOR_CORRECT_CALLBACK colorCorrect = OnColorCorrect;
    (void)preview, (void)previewEx, (void)awb, (void)colorCorrect;
    /* Links only against C names; a status text comes back. */
    if (QCX_GetErrorInfo(QCX_STATUS_SUCCESS, text) != QCX_STATUS_SUCCESS) return 1;
    return strcmp(text, "Successful") == 0 ? 0 : 1;
}
