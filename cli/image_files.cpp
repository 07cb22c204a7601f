#include "cli/image_files.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cerrno>
#include <cstring>
#include <utility>

#include "cli/command_support.h"
#include "qcxapi.h"

namespace qcxcli {

namespace {

std::string LowerExtension(const std::string& path) {
    const std::size_t dot = path.find_last_of('.');
    const std::size_t slash = path.find_last_of("/\\");
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string extension = path.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return extension;
}

void WriteBytes(const std::string& path, const std::string& header, const std::uint8_t* data, std::size_t size) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) throw ApiError("cannot create " + path + ": " + std::strerror(errno), QCX_STATUS_FAIL);
    bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    ok = ok && (size == 0 || std::fwrite(data, 1, size, file) == size);
    ok = (std::fclose(file) == 0) && ok;
    if (!ok) throw ApiError("cannot write " + path, QCX_STATUS_FAIL);
}

// The rows of `rowBytes` bytes in the other order.
std::vector<std::uint8_t> Flipped(const std::uint8_t* data, int height, std::size_t rowBytes) {
    std::vector<std::uint8_t> out(rowBytes * static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row) {
        std::memcpy(out.data() + static_cast<std::size_t>(height - 1 - row) * rowBytes,
                    data + static_cast<std::size_t>(row) * rowBytes, rowBytes);
    }
    return out;
}

// Top-down red-green-blue rows of the image, as TIFF and Netpbm store
// colour; 16-bit channels stay little-endian words.
std::vector<std::uint8_t> TopDownRgb(const Image& image) {
    const int pixelBytes = image.PixelBytes();
    const int channel = image.channelBytes;
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(image.width) * image.height * 3 * channel);
    for (int row = 0; row < image.height; ++row) {
        const int from = image.bottomUp ? image.height - 1 - row : row;
        const std::uint8_t* p = image.pixels.data() + static_cast<std::size_t>(from) * image.width * pixelBytes;
        std::uint8_t* q = rgb.data() + static_cast<std::size_t>(row) * image.width * 3 * channel;
        for (int x = 0; x < image.width; ++x, p += pixelBytes, q += 3 * channel) {
            const bool grey = image.bitCount == 8;
            for (int c = 0; c < 3; ++c) {
                const std::uint8_t* sample = p + (grey ? 0 : (2 - c) * channel);
                std::memcpy(q + c * channel, sample, static_cast<std::size_t>(channel));
            }
        }
    }
    return rgb;
}

// Top-down rows of the grey image.
std::vector<std::uint8_t> TopDownGrey(const Image& image) {
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * image.PixelBytes();
    return image.bottomUp ? Flipped(image.pixels.data(), image.height, rowBytes) : image.pixels;
}

// Netpbm keeps 16-bit samples most significant byte first.
void SwapWordBytes(std::vector<std::uint8_t>& data) {
    for (std::size_t i = 0; i + 1 < data.size(); i += 2) std::swap(data[i], data[i + 1]);
}

std::string NetpbmHeader(const char* magic, int width, int height, int maximum) {
    return std::string(magic) + "\n" + std::to_string(width) + " " + std::to_string(height) + "\n" +
           std::to_string(maximum) + "\n";
}

void WarnUnpaddedBmp(const std::string& path, int width, int bitCount) {
    const long rowBytes = static_cast<long>(width) * (bitCount / 8);
    if (rowBytes % 4 != 0 && !verbosity.quiet) {
        std::fprintf(stderr, "qcx: %s: rows of %ld bytes are stored unpadded; readers that expect 4-byte rows show "
                     "the picture skewed (choose a width whose rows are a multiple of 4 bytes)\n",
                     path.c_str(), rowBytes);
    }
}

}  // namespace

FileKind KindOfFile(const std::string& path) {
    const std::string extension = LowerExtension(path);
    if (extension == "bmp") return FileKind::Bmp;
    if (extension == "jpg" || extension == "jpeg") return FileKind::Jpeg;
    if (extension == "tif" || extension == "tiff") return FileKind::Tiff;
    if (extension == "raw") return FileKind::Raw;
    if (extension == "pgm") return FileKind::Pgm;
    if (extension == "ppm") return FileKind::Ppm;
    throw UsageError("cannot tell the format of '" + path + "': name it .bmp, .jpg, .tif, .raw, .pgm or .ppm");
}

bool RowsBottomUp(int bayerMode, bool sixteenBit) { return ((bayerMode % 8) < 4) != sixteenBit; }

void SaveImage(const std::string& path, const Image& image, int jpegQuality) {
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * image.PixelBytes();
    const bool wide = image.channelBytes == 2;
    // The BMP and JPEG writers take the first row in memory as the bottom one.
    auto bottomUp = [&] {
        return image.bottomUp ? image.pixels : Flipped(image.pixels.data(), image.height, rowBytes);
    };
    const FileKind kind = KindOfFile(path);
    if (wide && (kind == FileKind::Bmp || kind == FileKind::Jpeg))
        throw UsageError(path + ": images from 16-bit transfer have 16-bit channels; save them as .tif, .ppm, .pgm "
                                "or .raw");
    switch (kind) {
        case FileKind::Bmp: {
            std::vector<std::uint8_t> data = bottomUp();
            WarnUnpaddedBmp(path, image.width, image.bitCount);
            Check(QCX_HelperSaveToBmp(data.data(), image.width, image.height, image.bitCount, path.c_str()),
                  "QCX_HelperSaveToBmp");
            break;
        }
        case FileKind::Jpeg: {
            std::vector<std::uint8_t> data = bottomUp();
            Check(QCX_HelperSaveToJpg(data.data(), image.width, image.height, image.bitCount, jpegQuality,
                                      path.c_str()),
                  "QCX_HelperSaveToJpg");
            break;
        }
        case FileKind::Tiff:
            if (image.bitCount == 8) {
                // One sample per pixel: the writer turns bottom-up rows the right way.
                std::vector<std::uint8_t> data = bottomUp();
                Check(QCX_HelperSaveToTiff(data.data(), image.width, image.height, 8 * image.channelBytes, 1,
                                           path.c_str()),
                      "QCX_HelperSaveToTiff");
            } else {
                std::vector<std::uint8_t> rgb = TopDownRgb(image);
                Check(QCX_HelperSaveToTiff(rgb.data(), image.width, image.height, 8 * image.channelBytes, 3,
                                           path.c_str()),
                      "QCX_HelperSaveToTiff");
            }
            break;
        case FileKind::Raw:
            WriteBytes(path, "", image.pixels.data(), image.pixels.size());
            break;
        case FileKind::Pgm: {
            if (image.bitCount != 8)
                throw UsageError(path + ": a colour image needs .ppm (or --raw, or a grey Bayer mode 16 ... 23)");
            std::vector<std::uint8_t> grey = TopDownGrey(image);
            if (wide) SwapWordBytes(grey);
            WriteBytes(path, NetpbmHeader("P5", image.width, image.height, wide ? 65535 : 255), grey.data(),
                       grey.size());
            break;
        }
        case FileKind::Ppm: {
            std::vector<std::uint8_t> rgb = TopDownRgb(image);
            if (wide) SwapWordBytes(rgb);
            WriteBytes(path, NetpbmHeader("P6", image.width, image.height, wide ? 65535 : 255), rgb.data(),
                       rgb.size());
            break;
        }
    }
}

void SaveRawFrame(const std::string& path, const RawFrame& frame) {
    Image grey;
    grey.pixels = frame.data;
    grey.width = frame.width;
    grey.height = frame.height;
    grey.bitCount = 8;
    grey.channelBytes = frame.dataBits / 8;
    grey.bottomUp = false;
    SaveImage(path, grey, 90);
}

namespace {

// Position and length of the %d field, or npos.
std::size_t FindSequenceField(const std::string& pattern, std::size_t* length) {
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        std::size_t j = i + 1;
        while (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j]))) ++j;
        if (j < pattern.size() && pattern[j] == 'd') {
            *length = j + 1 - i;
            return i;
        }
    }
    return std::string::npos;
}

}  // namespace

bool HasSequenceField(const std::string& pattern) {
    std::size_t length = 0;
    return FindSequenceField(pattern, &length) != std::string::npos;
}

std::string SequenceName(const std::string& pattern, int number) {
    std::size_t length = 0;
    const std::size_t at = FindSequenceField(pattern, &length);
    if (at == std::string::npos) return pattern;
    const std::string field = pattern.substr(at, length);
    char text[32];
    std::snprintf(text, sizeof text, field.c_str(), number);
    return pattern.substr(0, at) + text + pattern.substr(at + length);
}

}  // namespace qcxcli
