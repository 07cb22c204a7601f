// The AVI operations of a recording: a file with one video stream whose frames
// are appended one at a time as key frames. Windows implements it with Video
// for Windows, Linux with FFmpeg's libavformat (container) and libavcodec
// (encoders); a Linux build without FFmpeg has no video services (version 0).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qcx {

// Builds a FourCC code from its four characters ('M','J','P','G').
constexpr std::uint32_t MakeFourCC(char a, char b, char c, char d) {
    return static_cast<std::uint32_t>(static_cast<std::uint8_t>(a)) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(b)) << 8) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(c)) << 16) |
           (static_cast<std::uint32_t>(static_cast<std::uint8_t>(d)) << 24);
}

// `code` with its ASCII letters in upper case: stored choices may spell a
// handler in lower case ("mjpg", "dib ").
constexpr std::uint32_t UpperFourCC(std::uint32_t code) {
    std::uint32_t upper = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        std::uint32_t c = (code >> shift) & 0xFF;
        if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
        upper |= c << shift;
    }
    return upper;
}

inline constexpr std::uint32_t kStreamTypeVideo = MakeFourCC('v', 'i', 'd', 's');
inline constexpr std::uint32_t kHandlerUncompressed = MakeFourCC('D', 'I', 'B', ' ');
inline constexpr std::uint32_t kHandlerMotionJpeg = MakeFourCC('M', 'J', 'P', 'G');
inline constexpr std::uint32_t kHandlerFfv1 = MakeFourCC('F', 'F', 'V', '1');
inline constexpr std::uint32_t kHandlerH264 = MakeFourCC('H', '2', '6', '4');

// Flags of the compression options record.
inline constexpr std::uint32_t kCompressKeyFrames = 0x4;  // dwKeyFrameEvery is valid
inline constexpr std::uint32_t kCompressDataRate = 0x2;   // dwBytesPerSecond is valid
inline constexpr std::uint32_t kCompressValid = 0x8;      // the record holds a choice

// The compression options of one stream, field for field as they are stored
// between runs. fccHandler chooses the codec: 0 or "DIB " uncompressed frames,
// "MJPG" Motion JPEG with dwQuality / 100 as the JPEG quality, "FFV1"
// lossless, "H264" where an H.264 encoder is available. dwKeyFrameEvery is
// the encoder's key-frame interval (0: the encoder's default), dwBytesPerSecond
// its bit rate (0: the encoder's default). The format and parameter blocks
// are kept and stored as they are; the encoders here do not read them.
struct VideoCompressOptions {
    std::uint32_t fccType = 0;
    std::uint32_t fccHandler = 0;
    std::uint32_t dwKeyFrameEvery = 0;
    std::uint32_t dwQuality = 0;
    std::uint32_t dwBytesPerSecond = 0;
    std::uint32_t dwFlags = 0;
    std::vector<std::uint8_t> format;  // lpFormat, cbFormat bytes
    std::vector<std::uint8_t> parms;   // lpParms, cbParms bytes
    std::uint32_t dwInterleaveEvery = 0;
};

// The stream description: rate / scale frames per second, the size of one
// frame and the frame rectangle.
struct VideoStreamInfo {
    std::uint32_t scale = 100;
    std::uint32_t rate = 0;
    std::uint32_t suggestedBufferSize = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

// Skipped positions are filled with empty chunks, at most this many at once.
inline constexpr std::int64_t kMaxSkippedFrames = 60000;

// True when a frame may go at `position` after the one at `lastPosition`
// (-1: none yet): later, and no more than kMaxSkippedFrames positions skipped.
constexpr bool FollowsLastFrame(std::int64_t lastPosition, std::uint32_t position) {
    if (lastPosition >= 0 && position <= lastPosition) return false;
    const std::int64_t skipped = lastPosition < 0 ? 0 : position - lastPosition - 1;
    return skipped <= kMaxSkippedFrames;
}

// One open AVI file. The calls come in the order of a recording: CreateStream,
// MakeCompressedStream, SetFormat, then Write per frame; destruction finishes
// the file (index and sizes) and closes it. Every call returns false on
// failure and leaves the object usable for destruction. Not thread-safe: the
// recording serialises its calls.
class VideoFile {
public:
    virtual ~VideoFile() = default;

    // Adds the one video stream.
    virtual bool CreateStream(const VideoStreamInfo& info) = 0;

    // Chooses the encoder for the options; false when the handler is unknown
    // or its encoder is not available.
    virtual bool MakeCompressedStream(const VideoCompressOptions& options) = 0;

    // The stream format: a 40-byte bitmap information header (positive height:
    // frames are stored bottom row first) followed, for 8-bit frames, by the
    // 256-entry palette. Writes the file header; false when the format does not
    // suit the encoder (bit counts other than 8, 24 and 32).
    virtual bool SetFormat(const std::uint8_t* bitmapInfo, std::size_t size) = 0;

    // Appends one frame at `position` (after the last, at most
    // kMaxSkippedFrames later; see FollowsLastFrame) as a key frame: `bytes` bytes of rows
    // of (bit count / 8) x width bytes each, bottom row first, as the format
    // says. false when it cannot be compressed or written (the disk is full,
    // say); the file stays consistent and the next frame may succeed.
    virtual bool Write(std::uint32_t position, const std::uint8_t* frame, std::size_t bytes) = 0;
};

// The version of the video services, major in the high 16 bits and minor in
// the low ones (1.10 = 0x010A0000 and above can record); 0 when the build has
// none.
std::uint32_t VideoServicesVersion();

// Creates (or truncates) the file at `path` for writing; null when it cannot
// be created. The file exists, empty, from here on.
std::unique_ptr<VideoFile> OpenVideoFile(const std::string& path);

}  // namespace qcx
