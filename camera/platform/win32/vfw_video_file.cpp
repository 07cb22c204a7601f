// Windows video services: AVI files through Video for Windows. The AVIFile
// library writes the container, and a compressed stream over the file's
// video stream runs the chosen installed compressor ("DIB " passes frames
// through uncompressed). Frames arrive with rows packed as the display
// buffer keeps them; DIB rows are whole 4-byte words, so rows whose length
// is not are copied into padded rows first. The free space of the file's
// disk is checked before each frame, so a full disk drops frames and still
// leaves room to finish the file.
#include "camera/platform/video_file.h"

#include <windows.h>
#include <vfw.h>

#include <climits>
#include <cstring>
#include <new>
#include <string>
#include <utility>
#include <vector>

#include "camera/common/bitmap_header.h"

namespace qcx {
namespace {

using bitmap::Get16;
using bitmap::Get32;
using bitmap::kBitCountField;
using bitmap::kColoursUsedField;
using bitmap::kCompressionField;
using bitmap::kHeightField;
using bitmap::kImageSizeField;
using bitmap::kWidthField;
constexpr std::uint32_t kPaletteEntries = 256;

// Room kept free on the disk for finishing the file: a fixed part for the
// headers, and per frame its index entry and chunk header.
constexpr std::uint64_t kTrailerReserve = 64 * 1024;
constexpr std::uint64_t kIndexBytesPerFrame = 16;
constexpr std::uint64_t kChunkHeaderBytes = 8;
// A compressed frame is not known before compressing; a frame is handed to the
// compressor only when even twice the raw size would fit.
constexpr std::uint64_t kCompressedSizeFactor = 2;

// `path` made absolute, so a later change of the current folder does not
// change the file it names; as it is when it cannot be resolved.
std::string FullPath(const std::string& path) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) return path;
    return std::string(full, length);
}

// The folder of an absolute path, as GetDiskFreeSpaceEx takes it; empty for
// anything else.
std::string FolderOf(const std::string& path) {
    const std::size_t separator = path.find_last_of("\\/");
    return separator == std::string::npos ? std::string() : path.substr(0, separator + 1);
}

class VfwVideoFile final : public VideoFile {
public:
    explicit VfwVideoFile(const std::string& path) : path_(FullPath(path)), folder_(FolderOf(path_)) { AVIFileInit(); }

    ~VfwVideoFile() override {
        // Releasing the file writes its index and headers.
        if (compressed_ != nullptr) AVIStreamRelease(compressed_);
        if (stream_ != nullptr) AVIStreamRelease(stream_);
        if (file_ != nullptr) {
            AVIFileRelease(file_);
            // A file whose stream never got its format holds no video: it is
            // left empty, as it was opened, rather than with headers alone.
            if (!writable_) {
                const HANDLE emptied = CreateFileA(path_.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                                   FILE_ATTRIBUTE_NORMAL, nullptr);
                if (emptied != INVALID_HANDLE_VALUE) CloseHandle(emptied);
            }
        }
        AVIFileExit();
    }

    VfwVideoFile(const VfwVideoFile&) = delete;
    VfwVideoFile& operator=(const VfwVideoFile&) = delete;

    bool Open() {
        PAVIFILE file = nullptr;
        if (AVIFileOpenA(&file, path_.c_str(), OF_WRITE | OF_CREATE, nullptr) != AVIERR_OK) return false;
        file_ = file;
        return file_ != nullptr;
    }

    bool CreateStream(const VideoStreamInfo& info) override {
        if (file_ == nullptr || stream_ != nullptr || info.rate == 0 || info.scale == 0 || info.width <= 0 ||
            info.height <= 0)
            return false;
        AVISTREAMINFOA description{};
        description.fccType = streamtypeVIDEO;
        description.fccHandler = 0;
        description.dwScale = info.scale;
        description.dwRate = info.rate;
        description.dwSuggestedBufferSize = info.suggestedBufferSize;
        description.rcFrame = RECT{0, 0, info.width, info.height};
        PAVISTREAM stream = nullptr;
        if (AVIFileCreateStreamA(file_, &stream, &description) != AVIERR_OK) return false;
        stream_ = stream;
        width_ = info.width;
        height_ = info.height;
        return stream_ != nullptr;
    }

    bool MakeCompressedStream(const VideoCompressOptions& options) override {
        if (stream_ == nullptr || compressed_ != nullptr) return false;
        AVICOMPRESSOPTIONS chosen{};
        chosen.fccType = options.fccType != 0 ? options.fccType : streamtypeVIDEO;
        // No handler, in either spelling of "DIB ", stores the frames as they are.
        const std::uint32_t handler = UpperFourCC(options.fccHandler);
        chosen.fccHandler = handler == 0 || handler == comptypeDIB ? comptypeDIB : options.fccHandler;
        chosen.dwKeyFrameEvery = options.dwKeyFrameEvery;
        chosen.dwQuality = options.dwQuality;
        chosen.dwBytesPerSecond = options.dwBytesPerSecond;
        chosen.dwFlags = options.dwFlags;
        // The blocks are read during the call only: the compressor takes a
        // copy of its state.
        if (!options.format.empty()) {
            chosen.lpFormat = const_cast<std::uint8_t*>(options.format.data());
            chosen.cbFormat = static_cast<DWORD>(options.format.size());
        }
        if (!options.parms.empty()) {
            chosen.lpParms = const_cast<std::uint8_t*>(options.parms.data());
            chosen.cbParms = static_cast<DWORD>(options.parms.size());
        }
        chosen.dwInterleaveEvery = options.dwInterleaveEvery;
        compressing_ = chosen.fccHandler != comptypeDIB;
        PAVISTREAM compressed = nullptr;
        if (AVIMakeCompressedStream(&compressed, stream_, &chosen, nullptr) != AVIERR_OK) {
            if (compressed != nullptr) AVIStreamRelease(compressed);
            return false;
        }
        compressed_ = compressed;
        return compressed_ != nullptr;
    }

    bool SetFormat(const std::uint8_t* bitmapInfo, std::size_t size) override {
        if (compressed_ == nullptr || formatSet_ || bitmapInfo == nullptr || size < bitmap::kHeaderBytes ||
            size > static_cast<std::size_t>(LONG_MAX))
            return false;
        const std::uint32_t headerSize = Get32(bitmapInfo, 0);
        const auto width = static_cast<std::int32_t>(Get32(bitmapInfo, kWidthField));
        const auto height = static_cast<std::int32_t>(Get32(bitmapInfo, kHeightField));
        const int bitCount = Get16(bitmapInfo, kBitCountField);
        if (headerSize < bitmap::kHeaderBytes || headerSize > size) return false;
        if (bitCount != 8 && bitCount != 24 && bitCount != 32) return false;
        if (Get32(bitmapInfo, kCompressionField) != BI_RGB) return false;
        if (width != width_ || height != height_ || height <= 0) return false;
        if (bitCount == 8) {
            const std::uint32_t used = Get32(bitmapInfo, kColoursUsedField);
            const std::uint32_t entries = used == 0 || used > kPaletteEntries ? kPaletteEntries : used;
            if (size - headerSize < 4 * static_cast<std::size_t>(entries)) return false;
        }
        const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount / 8);
        const std::uint64_t stride = (rowBytes + 3) & ~std::uint64_t{3};
        const std::uint64_t storedBytes = stride * static_cast<std::uint64_t>(height);
        if (storedBytes > static_cast<std::uint64_t>(LONG_MAX)) return false;  // AVIStreamWrite takes a LONG

        // The stream format describes the frames as they are stored: padded
        // rows make the image size.
        std::vector<std::uint8_t> format;
        try {
            format.assign(bitmapInfo, bitmapInfo + size);
        } catch (const std::bad_alloc&) {
            return false;
        }
        bitmap::Put32(format.data(), kImageSizeField, static_cast<std::uint32_t>(storedBytes));
        formatSet_ = true;  // the format is set once, or never
        if (AVIStreamSetFormat(compressed_, 0, format.data(), static_cast<LONG>(format.size())) != AVIERR_OK)
            return false;
        rowBytes_ = static_cast<std::size_t>(rowBytes);
        stride_ = static_cast<std::size_t>(stride);
        frameBytes_ = rowBytes_ * static_cast<std::size_t>(height);
        storedBytes_ = static_cast<std::size_t>(storedBytes);
        writable_ = true;
        return true;
    }

    // Positions count frames from the start of the stream; a position past the
    // next one leaves the frames between empty (dropped), as AVIFile fills
    // them. Positions only go forwards.
    bool Write(std::uint32_t position, const std::uint8_t* frame, std::size_t bytes) override {
        if (!writable_ || frame == nullptr || bytes != frameBytes_) return false;
        if (position > static_cast<std::uint32_t>(LONG_MAX)) return false;
        if (!FollowsLastFrame(lastPosition_, position)) return false;
        const std::int64_t skipped = lastPosition_ < 0 ? 0 : position - lastPosition_ - 1;
        const std::uint64_t payload = compressing_ ? kCompressedSizeFactor * storedBytes_ : storedBytes_;
        if (!HasRoomFor(payload, skipped, position)) return false;

        const std::uint8_t* stored = frame;
        if (stride_ != rowBytes_) {
            try {
                padded_.resize(storedBytes_);
            } catch (const std::bad_alloc&) {
                return false;
            }
            for (std::int32_t row = 0; row < height_; ++row) {
                std::memcpy(padded_.data() + static_cast<std::size_t>(row) * stride_,
                            frame + static_cast<std::size_t>(row) * rowBytes_, rowBytes_);
            }
            stored = padded_.data();
        }
        if (AVIStreamWrite(compressed_, static_cast<LONG>(position), 1, const_cast<std::uint8_t*>(stored),
                           static_cast<LONG>(storedBytes_), AVIIF_KEYFRAME, nullptr, nullptr) != AVIERR_OK)
            return false;
        lastPosition_ = position;
        return true;
    }

private:
    // True when the frame and the file's finish fit on the disk, or when the
    // free space cannot be learnt.
    bool HasRoomFor(std::uint64_t payload, std::int64_t skipped, std::uint32_t position) const {
        ULARGE_INTEGER available{};
        if (folder_.empty() || !GetDiskFreeSpaceExA(folder_.c_str(), &available, nullptr, nullptr)) return true;
        const std::uint64_t chunks = (static_cast<std::uint64_t>(skipped) + 1) * kChunkHeaderBytes + payload + 1;
        const std::uint64_t reserve =
            kTrailerReserve + kIndexBytesPerFrame * (static_cast<std::uint64_t>(position) + 1);
        return available.QuadPart >= chunks + reserve;
    }

    std::string path_;
    std::string folder_;
    PAVIFILE file_ = nullptr;
    PAVISTREAM stream_ = nullptr;
    PAVISTREAM compressed_ = nullptr;
    bool compressing_ = false;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    bool formatSet_ = false;
    bool writable_ = false;
    std::size_t rowBytes_ = 0;
    std::size_t stride_ = 0;
    std::size_t frameBytes_ = 0;
    std::size_t storedBytes_ = 0;
    std::vector<std::uint8_t> padded_;  // one frame with DIB rows, when they differ
    std::int64_t lastPosition_ = -1;
};

}  // namespace

std::uint32_t VideoServicesVersion() { return static_cast<std::uint32_t>(VideoForWindowsVersion()); }

std::unique_ptr<VideoFile> OpenVideoFile(const std::string& path) {
    std::unique_ptr<VfwVideoFile> file(new (std::nothrow) VfwVideoFile(path));
    if (!file || !file->Open()) return nullptr;
    return file;
}

}  // namespace qcx
