// Exports of the image file helpers: BMP headers, saving BMP, JPEG and TIFF
// files, and resizing. They need no camera and no QCX_Init, and keep no
// state, so any thread may call them at any time.
#include <new>

#include "camera/common/status.h"
#include "camera/output/bmp_file.h"
#include "camera/output/image_stretch.h"
#include "camera/output/jpeg_file.h"
#include "camera/output/tiff_file.h"
#include "qcxapi.h"

using namespace qcx;

namespace {

// No exception crosses the C interface: memory that cannot be had becomes
// `noMemory` (each helper names its own code for it), anything else -8.
template <typename Operation>
int Guarded(int noMemory, Operation&& operation) {
    try {
        return operation();
    } catch (const std::bad_alloc&) {
        return noMemory;
    } catch (...) {
        return status::kFail;
    }
}

}  // namespace

int QCXAPI_CALL QCX_HelperGetBmpFileHeaderSize(int bitCount, int* size) {
    return GetBmpFileHeaderSize(bitCount, size);
}

int QCXAPI_CALL QCX_HelperGetBmpFileHeader(int width, int height, int bitCount, QCX_BYTE* header) {
    return GetBmpFileHeader(width, height, bitCount, header);
}

int QCXAPI_CALL QCX_HelperSaveToBmp(QCX_BYTE* data, int width, int height, int bitCount, const char* file) {
    return Guarded(status::kNoMemory, [&] { return SaveToBmp(data, width, height, bitCount, file); });
}

int QCXAPI_CALL QCX_HelperSaveToJpg(QCX_BYTE* data, int width, int height, int bitCount, int quality,
                                    const char* file) {
    return Guarded(status::kFail, [&] { return SaveToJpg(data, width, height, bitCount, quality, file); });
}

int QCXAPI_CALL QCX_HelperSaveToTiff(QCX_BYTE* data, int width, int height, int bitsPerSample,
                                     int samplesPerPixel, const char* file) {
    return Guarded(status::kFail,
                   [&] { return SaveToTiff(data, width, height, bitsPerSample, samplesPerPixel, file); });
}

int QCXAPI_CALL QCX_HelperStretchBmp(QCX_BYTE* source, int width, int height, int bitCount, QCX_BYTE* target,
                                     int targetWidth, int targetHeight) {
    return Guarded(status::kNoMemory, [&] {
        return StretchBmp(source, width, height, bitCount, target, targetWidth, targetHeight);
    });
}
