// BMP headers and files.
#include "camera/output/bmp_file.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <new>

#include "camera/common/bitmap_header.h"
#include "camera/common/status.h"

namespace qcx {
namespace {

constexpr std::uint32_t kInformationHeaderSize = 40;

bool ValidBitCount(int bitCount) { return bitCount == 8 || bitCount == 24 || bitCount == 32; }

int HeaderSize(int bitCount) { return bitCount == 8 ? kBmpHeadersSize + kBmpPaletteSize : kBmpHeadersSize; }

using bitmap::Put16;
using bitmap::Put32;

// The header fields are 32 bits wide; for images of 4 GiB and more they
// wrap, as the file format cannot say more.
std::uint64_t ImageBytes(int width, int height, int bitCount) {
    return static_cast<std::uint64_t>(bitCount / 8) * static_cast<std::uint64_t>(width) *
           static_cast<std::uint64_t>(height);
}

void FillHeader(int width, int height, int bitCount, std::uint8_t* header) {
    const std::uint64_t imageBytes = ImageBytes(width, height, bitCount);
    const auto offset = static_cast<std::uint32_t>(HeaderSize(bitCount));
    std::fill_n(header, kBmpHeadersSize, 0);  // reserved, resolution and colour counts
    header[0] = 'B';
    header[1] = 'M';
    Put32(header, 2, static_cast<std::uint32_t>(imageBytes + offset));
    Put32(header, 10, offset);
    Put32(header, 14, kInformationHeaderSize);
    Put32(header, 18, static_cast<std::uint32_t>(width));
    Put32(header, 22, static_cast<std::uint32_t>(height));  // positive: bottom row first
    Put16(header, 26, 1);
    Put16(header, 28, static_cast<std::uint32_t>(bitCount));
    Put32(header, 34, static_cast<std::uint32_t>(imageBytes));
    if (bitCount == 8) {
        // Grey palette; the reserved byte of each entry carries the index too.
        std::uint8_t* palette = header + kBmpHeadersSize;
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 4; ++j) *palette++ = static_cast<std::uint8_t>(i);
    }
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

int GetBmpFileHeaderSize(int bitCount, int* size) {
    if (size == nullptr || !ValidBitCount(bitCount)) return status::kParameterError;
    *size = HeaderSize(bitCount);
    return status::kSuccess;
}

int GetBmpFileHeader(int width, int height, int bitCount, std::uint8_t* header) {
    if (header == nullptr || width < 1 || height < 1 || !ValidBitCount(bitCount)) return status::kParameterError;
    FillHeader(width, height, bitCount, header);
    return status::kSuccess;
}

int SaveToBmp(const std::uint8_t* data, int width, int height, int bitCount, const char* file) {
    if (data == nullptr || width < 1 || height < 1 || !ValidBitCount(bitCount) || file == nullptr)
        return status::kParameterError;
    std::unique_ptr<std::FILE, FileCloser> out(std::fopen(file, "wb"));
    if (!out) return status::kFail;
    // The file already exists (empty) when the headers cannot be had; it
    // stays so.
    std::unique_ptr<std::uint8_t[]> header(new (std::nothrow) std::uint8_t[HeaderSize(bitCount)]);
    if (!header) return status::kNoMemory;
    FillHeader(width, height, bitCount, header.get());
    // Write results are not looked at: a short write leaves a short file.
    std::fwrite(header.get(), 1, static_cast<std::size_t>(HeaderSize(bitCount)), out.get());
    std::fwrite(data, 1, static_cast<std::size_t>(ImageBytes(width, height, bitCount)), out.get());
    return status::kSuccess;
}

}  // namespace qcx
