// Writing frames to files, the format chosen by the file name's extension:
// .bmp, .jpg and .tif through the library's helpers, .raw as the bytes are,
// .pgm and .ppm (binary Netpbm) here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qcxcli {

enum class FileKind { Bmp, Jpeg, Tiff, Raw, Pgm, Ppm };

// The kind of a file name; UsageError for an extension the tool cannot write.
FileKind KindOfFile(const std::string& path);

// A processed image as the library delivers it: grey or blue, green, red
// (and a fourth channel at 32 bits), rows bottom-up or top-down. From 16-bit
// transfer every channel is a little-endian 16-bit word holding the raw sample.
struct Image {
    std::vector<std::uint8_t> pixels;
    int width = 0;
    int height = 0;
    int bitCount = 24;  // 8, 24 or 32, as the size functions report it
    int channelBytes = 1;
    bool bottomUp = true;

    int PixelBytes() const { return bitCount / 8 * channelBytes; }
};

// A raw sensor frame: top row first, one byte per sample, or one
// little-endian 16-bit word with 16-bit transfer.
struct RawFrame {
    std::vector<std::uint8_t> data;
    int width = 0;
    int height = 0;
    int dataBits = 8;
};

// Whether the library delivers rows bottom-up for this Bayer mode and
// transfer width.
bool RowsBottomUp(int bayerMode, bool sixteenBit);

// Writes the file; throws ApiError when a helper fails and UsageError when
// the format cannot hold the image (a colour image as .pgm, 16-bit channels
// as .bmp or .jpg).
void SaveImage(const std::string& path, const Image& image, int jpegQuality);
void SaveRawFrame(const std::string& path, const RawFrame& frame);

// Whether the name holds one printf-style %d field (%05d and the like).
bool HasSequenceField(const std::string& pattern);
// The name with its %d field replaced by `number`.
std::string SequenceName(const std::string& pattern, int number);

}  // namespace qcxcli
