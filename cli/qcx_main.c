/* qcx: a command-line tool over the public C interface of the camera library. */
#define _POSIX_C_SOURCE 200809L
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include "qcxapi.h"
#include "qcxsim.h"

static int ListCameras(void) {
    int status = QCX_Init();
    if (status != QCX_STATUS_SUCCESS) {
        char text[64];
        QCX_GetErrorInfo(status, text);
        fprintf(stderr, "qcx: QCX_Init failed: %s (%d)\n", text, status);
        return 1;
    }
    int count = QCX_DeviceGetCount();
    printf("%d camera node(s) found\n", count);
    for (int node = 0; node < count; ++node) {
        int type = 0, number = 0;
        unsigned short firmware = 0;
        if (QCXSimDescribe(node, &type, &number, &firmware) == 1)
            printf("node %d: simulated camera, device type %d, device number %d, firmware 0x%04x\n", node, type,
                   number, firmware);
        else
            printf("node %d: USB camera\n", node);
    }
    QCX_UnInit();
    return 0;
}

static void PrintStatus(const char* what, int status) {
    char text[64];
    QCX_GetErrorInfo(status, text);
    printf("%-28s %3d  %s\n", what, status, text);
}

/* Writes `size` bytes to folder/name; 1 on success. */
static int WriteFile(const char* folder, const char* name, const unsigned char* data, size_t size) {
    char path[1024];
    snprintf(path, sizeof path, "%s/%s", folder, name);
    FILE* file = fopen(path, "wb");
    if (file == NULL) {
        fprintf(stderr, "qcx: cannot create %s\n", path);
        return 0;
    }
    const size_t written = fwrite(data, 1, size, file);
    const int closed = fclose(file);
    if (written != size || closed != 0) {
        fprintf(stderr, "qcx: cannot write %s\n", path);
        return 0;
    }
    printf("wrote %s (%zu bytes)\n", path, size);
    return 1;
}

/* The first camera that opens, or -1. */
static int FirstCamera(void) {
    const int count = QCX_DeviceGetCount();
    for (int index = 0; index < count; ++index) {
        if (QCX_DeviceGetInformation(index, NULL, NULL, NULL) == QCX_STATUS_SUCCESS) return index;
    }
    return -1;
}

/* QCX_Init, then the first camera that opens; -1 (library closed again)
   when there is none. */
static int InitAndOpenFirstCamera(void) {
    const int status = QCX_Init();
    if (status != QCX_STATUS_SUCCESS) {
        PrintStatus("QCX_Init", status);
        return -1;
    }
    const int index = FirstCamera();
    if (index < 0) {
        fprintf(stderr, "qcx: no camera opens (try QCX_SIM=21)\n");
        QCX_UnInit();
    }
    return index;
}

/* Saves a bottom-up blue-green-red image as capture.bmp, capture.jpg and
   capture.tif; 1 when all three were written. */
static int SaveImageFiles(const char* folder, unsigned char* image, int width, int height, int bitCount) {
    char path[1024];
    int ok = 1;
    snprintf(path, sizeof path, "%s/capture.bmp", folder);
    int status = QCX_HelperSaveToBmp(image, width, height, bitCount, path);
    PrintStatus("QCX_HelperSaveToBmp", status);
    ok = ok && status == QCX_STATUS_SUCCESS;
    snprintf(path, sizeof path, "%s/capture.jpg", folder);
    status = QCX_HelperSaveToJpg(image, width, height, bitCount, 90, path);
    PrintStatus("QCX_HelperSaveToJpg", status);
    ok = ok && status == QCX_STATUS_SUCCESS;

    /* The TIFF writer stores colour samples in memory order, top row first,
       so an application hands it red-green-blue rows from the top. */
    const int pixelBytes = bitCount / 8;
    const size_t rowBytes = (size_t)width * (size_t)pixelBytes;
    unsigned char* rgb = malloc(rowBytes * (size_t)height);
    if (rgb == NULL) return 0;
    for (int row = 0; row < height; ++row) {
        const unsigned char* from = image + (size_t)(height - 1 - row) * rowBytes;
        unsigned char* to = rgb + (size_t)row * rowBytes;
        for (int x = 0; x < width; ++x) {
            const unsigned char* p = from + (size_t)x * (size_t)pixelBytes;
            unsigned char* q = to + (size_t)x * (size_t)pixelBytes;
            if (pixelBytes == 1) {
                q[0] = p[0];
            } else {
                q[0] = p[2];
                q[1] = p[1];
                q[2] = p[0];
                if (pixelBytes == 4) q[3] = p[3];
            }
        }
    }
    snprintf(path, sizeof path, "%s/capture.tif", folder);
    /* A grey image is stored bottom row first like the others. */
    status = pixelBytes == 1 ? QCX_HelperSaveToTiff(image, width, height, 8, 1, path)
                             : QCX_HelperSaveToTiff(rgb, width, height, 8, pixelBytes, path);
    PrintStatus("QCX_HelperSaveToTiff", status);
    free(rgb);
    ok = ok && status == QCX_STATUS_SUCCESS;
    if (ok) printf("wrote %s/capture.bmp, capture.jpg, capture.tif\n", folder);
    return ok;
}

static int Capture(const char* folder) {
    const int index = InitAndOpenFirstCamera();
    if (index < 0) return 1;
    int status = QCX_STATUS_SUCCESS;
    int type = 0, number = 0;
    unsigned short firmware = 0;
    QCX_DeviceGetInformation(index, &type, &number, &firmware);
    printf("camera %d: device type %d, device number %d, firmware 0x%04x\n", index, type, number, firmware);

    int width = 0, height = 0, bitCount = 0, dataBits = 0;
    PrintStatus("QCX_CaptureGetSizeExEx", QCX_CaptureGetSizeExEx(index, &width, &height, &bitCount, &dataBits));
    printf("capture window %d x %d, %d-bit samples, %d-bit images\n", width, height, dataBits, bitCount);

    int result = 1;
    const size_t rawBytes = (size_t)width * (size_t)height * (size_t)(dataBits / 8);
    const size_t imageBytes = (size_t)width * (size_t)height * (size_t)(bitCount / 8) * (size_t)(dataBits / 8);
    unsigned char* raw = malloc(rawBytes);
    unsigned char* image = malloc(imageBytes);
    if (raw != NULL && image != NULL) {
        char name[128];
        status = QCX_CaptureRawData(index, raw);
        PrintStatus("QCX_CaptureRawData", status);
        snprintf(name, sizeof name, "capture_raw_%dx%d.gray", width, height);
        int ok = status == QCX_STATUS_SUCCESS && WriteFile(folder, name, raw, rawBytes);
        int w = 0, h = 0, bits = 0;
        status = QCX_CaptureRgbDataEx(index, image, &w, &h, &bits);
        PrintStatus("QCX_CaptureRgbDataEx", status);
        snprintf(name, sizeof name, "capture_colour_%dx%d_%dbit.bgr", w, h, bits);
        ok = ok && status == QCX_STATUS_SUCCESS && WriteFile(folder, name, image, (size_t)w * h * (bits / 8));
        ok = ok && SaveImageFiles(folder, image, w, h, bits);
        result = ok ? 0 : 1;
    } else {
        fprintf(stderr, "qcx: out of memory\n");
    }
    free(raw);
    free(image);
    QCX_UnInit();
    return result;
}

/* The simulated node of camera `index`, found by its identity, or -1 for a
   USB camera. */
static int SimulatedNodeOf(int index) {
    int type = 0, number = 0;
    unsigned short firmware = 0;
    if (QCX_DeviceGetInformation(index, &type, &number, &firmware) != QCX_STATUS_SUCCESS) return -1;
    const int count = QCX_DeviceGetCount();
    for (int node = 0; node < count; ++node) {
        int t = 0, n = 0;
        unsigned short f = 0;
        if (QCXSimDescribe(node, &t, &n, &f) == 1 && t == type && n == number && f == firmware) return node;
    }
    return -1;
}

/* Arms external trigger on the first camera that opens, shows that no frame
   comes without a trigger, fires the trigger (on a simulated camera; a real
   one waits for its input line), and saves the triggered frame. */
static int TriggerCapture(const char* folder) {
    const int index = InitAndOpenFirstCamera();
    if (index < 0) return 1;
    int result = 1;
    int status = QCX_TriggerModeSet(index, 1);
    PrintStatus("QCX_TriggerModeSet", status);
    if (status != QCX_STATUS_SUCCESS) {
        fprintf(stderr, "qcx: this camera has no external trigger input (try QCX_SIM=17)\n");
        QCX_UnInit();
        return 1;
    }
    int width = 0, height = 0, bitCount = 0, dataBits = 0;
    QCX_CaptureGetSizeExEx(index, &width, &height, &bitCount, &dataBits);
    unsigned char* image = malloc((size_t)width * (size_t)height * (size_t)(bitCount / 8) * (size_t)(dataBits / 8));
    if (image == NULL) {
        fprintf(stderr, "qcx: out of memory\n");
        QCX_UnInit();
        return 1;
    }
    int w = 0, h = 0, bits = 0;
    QCX_CaptureSetTimeOut(index, 300);
    status = QCX_CaptureRgbDataEx(index, image, &w, &h, &bits);
    PrintStatus("QCX_CaptureRgbDataEx (no trigger)", status);

    const int node = SimulatedNodeOf(index);
    if (node >= 0) {
        PrintStatus("QCXSimTrigger", QCXSimTrigger(node));
    } else {
        printf("waiting up to 10 s for the camera's trigger input\n");
    }
    QCX_CaptureSetTimeOut(index, 10000);
    status = QCX_CaptureRgbDataEx(index, image, &w, &h, &bits);
    PrintStatus("QCX_CaptureRgbDataEx (triggered)", status);
    int fired = 0;
    if (QCX_TriggerStatusGet(index, &fired) == QCX_STATUS_SUCCESS) printf("trigger status %d\n", fired);
    if (status == QCX_STATUS_SUCCESS && SaveImageFiles(folder, image, w, h, bits)) result = 0;
    PrintStatus("QCX_TriggerModeSet (free run)", QCX_TriggerModeSet(index, 0));
    free(image);
    QCX_UnInit();
    return result;
}

static void SleepMs(int ms) {
    struct timespec wait = {ms / 1000, (long)(ms % 1000) * 1000000L};
    nanosleep(&wait, NULL);
}

/* The automatic loops report on the preview thread. */
static int QCXAPI_CALL OnExposure(QCX_BOOL8 success, int exposureMs, void* context) {
    (void)context;
    printf("automatic exposure %s: exposure %d ms\n", success ? "reached its target" : "stopped off target",
           exposureMs);
    fflush(stdout);
    return 0;
}

static int QCXAPI_CALL OnWhiteBalance(QCX_BOOL8 success, int red, int green, int blue, void* context) {
    (void)context;
    printf("automatic white balance %s: gains red %d, green %d, blue %d\n",
           success ? "reached its targets" : "stopped off target", red, green, blue);
    fflush(stdout);
    return 0;
}

static int QCXAPI_CALL CountFrame(QCX_BYTE* buffer, int width, int height, int bitCount, void* context) {
    (void)buffer;
    (void)width;
    (void)height;
    (void)bitCount;
    ++*(long*)context;
    return 0;
}

static int Preview(int seconds, const char* folder) {
    const int index = InitAndOpenFirstCamera();
    if (index < 0) return 1;
    int status = QCX_STATUS_SUCCESS;
    int width = 0, height = 0, bitCount = 0;
    QCX_PreviewGetSizeEx(index, &width, &height, &bitCount);
    printf("camera %d: preview %d x %d, %d-bit images, for %d s\n", index, width, height, bitCount, seconds);

    /* Drawn at the top left of the screen when there is one (DISPLAY). */
    long frames = 0;
    QCX_PreviewSetPos(index, 0, 0, 0, width, height);
    QCX_PreviewSetCallback(index, CountFrame, &frames);
    QCX_AESetCallback(index, OnExposure, NULL);
    const int colour = QCX_AWBSetCallback(index, OnWhiteBalance, NULL) == QCX_STATUS_SUCCESS;
    status = QCX_PreviewStart(index, 1);
    PrintStatus("QCX_PreviewStart", status);
    if (status != QCX_STATUS_SUCCESS) {
        QCX_UnInit();
        return 1;
    }
    PrintStatus("QCX_AEStart", QCX_AEStart(index, 1, 100, 110));
    if (colour) PrintStatus("QCX_AWBStart", QCX_AWBStart(index, 1, 100, 110, 110, 110));

    for (int elapsed = 0; elapsed < seconds; ++elapsed) {
        SleepMs(1000);
        float rate = 0.0f;
        if (QCX_PreviewGetFrameRate(index, &rate) == QCX_STATUS_SUCCESS && elapsed >= 1)
            printf("frame rate %.1f frames/s (%ld frames so far)\n", rate, frames);
    }

    int result = 1;
    PrintStatus("QCX_PreviewPause", QCX_PreviewPause(index, 1));
    unsigned char* image = malloc((size_t)width * (size_t)height * 4);
    if (image != NULL) {
        int w = 0, h = 0, bits = 0;
        status = QCX_PreviewGetPausedDataEx(index, image, &w, &h, &bits);
        PrintStatus("QCX_PreviewGetPausedDataEx", status);
        char name[128];
        snprintf(name, sizeof name, "preview_last_%dx%d_%dbit.%s", w, h, bits, bits == 8 ? "gray" : "bgr");
        if (status == QCX_STATUS_SUCCESS && WriteFile(folder, name, image, (size_t)w * h * (bits / 8))) result = 0;
        free(image);
    }
    QCX_PreviewPause(index, 0);
    PrintStatus("QCX_PreviewStart(stop)", QCX_PreviewStart(index, 0));
    QCX_UnInit();
    return result;
}

/* Previews the first camera for two seconds to learn its frame rate, then
   records `seconds` seconds of preview into `file` at that rate. */
static int Record(int seconds, const char* file) {
    const int index = InitAndOpenFirstCamera();
    if (index < 0) return 1;
    int width = 0, height = 0, bitCount = 0;
    QCX_PreviewGetSizeEx(index, &width, &height, &bitCount);
    int status = QCX_PreviewStart(index, 1);
    PrintStatus("QCX_PreviewStart", status);
    if (status != QCX_STATUS_SUCCESS) {
        QCX_UnInit();
        return 1;
    }
    SleepMs(2500);
    float rate = 0.0f;
    QCX_PreviewGetFrameRate(index, &rate);
    if (rate <= 1.0f) rate = 25.0f;
    printf("camera %d: recording %d x %d, %d-bit frames at %.2f frames/s for %d s into %s\n", index, width, height,
           bitCount, rate, seconds, file);
    long frames = 0;
    QCX_PreviewSetCallback(index, CountFrame, &frames);
    status = QCX_RecordStartEx(index, 1, rate, file, 0);
    PrintStatus("QCX_RecordStartEx", status);
    int result = 1;
    if (status == QCX_STATUS_SUCCESS) {
        SleepMs(seconds * 1000);
        QCX_BOOL8 recording = 0;
        QCX_RecordStatusGet(index, &recording);
        PrintStatus("QCX_RecordStart(stop)", QCX_RecordStart(index, 0, 0.0f, NULL));
        printf("recorded about %ld frames (still recording at the stop: %d)\n", frames, recording);
        result = 0;
    }
    QCX_PreviewSetCallback(index, NULL, NULL);
    PrintStatus("QCX_PreviewStart(stop)", QCX_PreviewStart(index, 0));
    QCX_UnInit();
    return result;
}

static void Usage(void) {
    fprintf(stderr,
            "usage: qcx list\n"
            "  list   the camera nodes the library finds (real USB cameras first,\n"
            "         then the simulated cameras of QCX_SIM, e.g. QCX_SIM=21,8:3:0x0102)\n"
            "usage: qcx capture [folder]\n"
            "  capture  opens the first camera that opens, captures a raw and a colour\n"
            "           frame and writes them as raw files into folder (default .)\n"
            "usage: qcx preview [seconds] [folder]\n"
            "  preview  previews the first camera that opens for some seconds (default 4)\n"
            "           with automatic exposure and white balance, prints the frame rate\n"
            "           and what the loops reached, and writes the last frame into folder\n"
            "usage: qcx trigger [folder]\n"
            "  trigger  arms external trigger on the first camera that opens, fires it\n"
            "           (simulated cameras; a real one waits for its input) and saves\n"
            "           the triggered frame as capture.bmp, .jpg and .tif into folder\n"
            "usage: qcx record [seconds] [file]\n"
            "  record   previews the first camera that opens and records some seconds\n"
            "           (default 3) of it into an AVI file (default preview.avi) with the\n"
            "           compressor stored by the last recording, or QCX_AVI_CODEC (MJPG)\n");
}

int main(int argc, char** argv) {
    if (argc < 2 || strcmp(argv[1], "list") == 0) return ListCameras();
    if (strcmp(argv[1], "capture") == 0) return Capture(argc > 2 ? argv[2] : ".");
    if (strcmp(argv[1], "preview") == 0)
        return Preview(argc > 2 ? atoi(argv[2]) : 4, argc > 3 ? argv[3] : ".");
    if (strcmp(argv[1], "trigger") == 0) return TriggerCapture(argc > 2 ? argv[2] : ".");
    if (strcmp(argv[1], "record") == 0)
        return Record(argc > 2 ? atoi(argv[2]) : 3, argc > 3 ? argv[3] : "preview.avi");
    Usage();
    return 2;
}
