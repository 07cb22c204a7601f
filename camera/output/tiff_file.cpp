// Saving TIFF files.
#include "camera/output/tiff_file.h"

#include <tiffio.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <new>

#include "camera/common/status.h"

namespace qcx {
namespace {

constexpr float kResolution = 90.0f;  // dots per inch

struct TiffCloser {
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

// Bytes per memory row, or 0 when the arguments cannot describe an image in
// memory. libtiff keeps both counts in 16 bits.
std::uint64_t RowBytes(int width, int height, int bitsPerSample, int samplesPerPixel) {
    if (width < 1 || height < 1 || bitsPerSample < 1 || samplesPerPixel < 1) return 0;
    if (bitsPerSample > 0xFFFF || samplesPerPixel > 0xFFFF) return 0;
    const std::uint64_t row = static_cast<std::uint64_t>(bitsPerSample / 8) * static_cast<std::uint64_t>(width) *
                              static_cast<std::uint64_t>(samplesPerPixel);
    constexpr auto kLimit = static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());
    if (row > kLimit / static_cast<std::uint64_t>(height)) return 0;
    return row;
}

void SetTags(TIFF* tiff, int width, int height, int bitsPerSample, int samplesPerPixel) {
    TIFFSetField(tiff, TIFFTAG_SAMPLEFORMAT, SAMPLEFORMAT_UINT);
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width));
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, static_cast<unsigned>(samplesPerPixel));
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, static_cast<unsigned>(bitsPerSample));
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, samplesPerPixel == 1 ? PHOTOMETRIC_MINISBLACK : PHOTOMETRIC_RGB);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT);
    TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, static_cast<std::uint32_t>(height));
    TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, static_cast<double>(kResolution));
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, static_cast<double>(kResolution));
    TIFFSetField(tiff, TIFFTAG_SUBFILETYPE, 0u);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
}

}  // namespace

int SaveToTiff(const std::uint8_t* data, int width, int height, int bitsPerSample, int samplesPerPixel,
               const char* file) {
    const std::uint64_t rowBytes = RowBytes(width, height, bitsPerSample, samplesPerPixel);
    if (data == nullptr || file == nullptr || rowBytes == 0) return status::kFail;
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpen(file, "w"));
    if (!tiff) return status::kFail;
    SetTags(tiff.get(), width, height, bitsPerSample, samplesPerPixel);

    // libtiff reads a whole scanline of its own reckoning from the buffer;
    // for sample sizes that are not whole bytes that is more than a memory
    // row, so the buffer covers both and the rest stays zero.
    const auto scanlineBytes = static_cast<std::uint64_t>(TIFFScanlineSize64(tiff.get()));
    const std::uint64_t bufferBytes = std::max(rowBytes, scanlineBytes);
    if (bufferBytes > std::numeric_limits<std::size_t>::max()) return status::kFail;
    std::unique_ptr<std::uint8_t[]> row(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(bufferBytes)]());
    if (!row) return status::kFail;

    const auto stride = static_cast<std::size_t>(rowBytes);
    for (int r = 0; r < height; ++r) {
        const int memoryRow = samplesPerPixel == 1 ? height - 1 - r : r;
        std::memcpy(row.get(), data + static_cast<std::size_t>(memoryRow) * stride, stride);
        // Write results are not looked at: a failed write leaves a short file.
        TIFFWriteScanline(tiff.get(), row.get(), static_cast<std::uint32_t>(r), 0);
    }
    return status::kSuccess;
}

}  // namespace qcx
