// Linux video services: AVI files through FFmpeg. libavformat's avi muxer
// writes the container, libavcodec encodes FFV1 and H.264, libjpeg-turbo the
// Motion JPEG frames, and uncompressed frames go to the file as they are.
// The file is written through a descriptor of our own rather than FFmpeg's
// file protocol, so the free space of its filesystem can be checked before
// each frame and a full disk drops frames instead of breaking the file.
#include "camera/platform/video_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "camera/common/bitmap_header.h"
#include "camera/output/jpeg_encoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/imgutils.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace qcx {
namespace {

constexpr std::uint32_t kVideoServicesVersion = 0x010A0000;  // 1.10

using bitmap::Get16;
using bitmap::Get32;
using bitmap::kBitCountField;
using bitmap::kColoursUsedField;
using bitmap::kCompressionField;
using bitmap::kHeightField;
using bitmap::kWidthField;
constexpr std::size_t kBitmapHeaderBytes = bitmap::kHeaderBytes;
constexpr std::uint32_t kPaletteEntries = 256;

constexpr int kIoBufferBytes = 64 * 1024;
constexpr int kDefaultJpegQuality = 75;
constexpr std::uint32_t kHighestQuality = 10000;

// Room kept free on the disk for the index and the trailer: a fixed part for
// the headers the trailer rewrites, and per frame its index entries.
constexpr std::uint64_t kTrailerReserve = 64 * 1024;
constexpr std::uint64_t kIndexBytesPerFrame = 32;
constexpr std::uint64_t kChunkHeaderBytes = 8;
// An encoded frame is not known before encoding; the encoder is given a frame
// only when even an incompressible picture of twice the raw size would fit.
constexpr std::uint64_t kEncodedSizeFactor = 2;
constexpr std::uint64_t kEncodedSlack = 4096;

#if LIBAVFORMAT_VERSION_MAJOR < 61
using SinkBytes = std::uint8_t*;
#else
using SinkBytes = const std::uint8_t*;
#endif

// The output file: a descriptor behind an AVIOContext. Writes go to the
// position the muxer believes it is at, even after a failed write, so a
// best-effort trailer still lands where the index says.
class FileSink {
public:
    static std::unique_ptr<FileSink> Create(const std::string& path) {
        int fd = -1;
        do {
            fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0) return nullptr;
        std::unique_ptr<FileSink> sink(new (std::nothrow) FileSink(fd));
        if (!sink) {
            ::close(fd);
            return nullptr;
        }
        struct stat info {};
        sink->regular_ = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
        auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
        if (buffer == nullptr) return nullptr;
        // Without a seek function the muxer writes a streaming file (a pipe, say).
        sink->io_ = avio_alloc_context(buffer, kIoBufferBytes, 1, sink.get(), nullptr, &FileSink::WriteBlock,
                                       sink->regular_ ? &FileSink::Seek : nullptr);
        if (sink->io_ == nullptr) {
            av_free(buffer);
            return nullptr;
        }
        // Frames go from the caller's buffer straight to the file; only the
        // small header and index writes pass through the buffer.
        sink->io_->direct = 1;
        return sink;
    }

    ~FileSink() {
        if (io_ != nullptr) {
            av_freep(&io_->buffer);
            avio_context_free(&io_);
        }
        ::close(fd_);
    }

    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    AVIOContext* Io() const { return io_; }
    bool Failed() const { return error_ != 0; }

    // Bytes the file may still grow by; unlimited when that cannot be known.
    std::uint64_t FreeBytes() const {
        struct statvfs space {};
        if (!regular_ || ::fstatvfs(fd_, &space) != 0) return std::numeric_limits<std::uint64_t>::max() / 4;
        return static_cast<std::uint64_t>(space.f_bavail) * space.f_frsize;
    }

    // After a failed write the trailer is still tried in full: every later
    // write gets its own chance (rewriting the header's sizes needs no new
    // space), and the muxer is not stopped by the first refusal.
    void ForgiveErrors() {
        bestEffort_ = true;
        io_->error = 0;
    }

private:
    explicit FileSink(int fd) : fd_(fd) {}

    static int WriteBlock(void* opaque, SinkBytes data, int size) {
        auto* sink = static_cast<FileSink*>(opaque);
        int error = 0;
        int done = 0;
        while (done < size) {
            const ssize_t wrote = sink->regular_ ? ::pwrite(sink->fd_, data + done, size - done, sink->offset_ + done)
                                                 : ::write(sink->fd_, data + done, size - done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                error = wrote < 0 ? AVERROR(errno) : AVERROR(EIO);
                break;
            }
            done += static_cast<int>(wrote);
        }
        sink->offset_ += size;
        if (error == 0) return size;
        if (sink->error_ == 0) sink->error_ = error;
        return sink->bestEffort_ ? size : error;
    }

    static std::int64_t Seek(void* opaque, std::int64_t offset, int whence) {
        auto* sink = static_cast<FileSink*>(opaque);
        struct stat info {};
        switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            return ::fstat(sink->fd_, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : AVERROR(errno);
        case SEEK_SET:
            break;
        case SEEK_CUR:
            offset += sink->offset_;
            break;
        case SEEK_END:
            if (::fstat(sink->fd_, &info) != 0) return AVERROR(errno);
            offset += info.st_size;
            break;
        default:
            return AVERROR(EINVAL);
        }
        if (offset < 0) return AVERROR(EINVAL);
        sink->offset_ = offset;
        return offset;
    }

    int fd_;
    bool regular_ = false;
    bool bestEffort_ = false;
    int error_ = 0;
    std::int64_t offset_ = 0;
    AVIOContext* io_ = nullptr;
};

enum class Compressor { kNone, kUncompressed, kMotionJpeg, kFfv1, kH264 };

class FfmpegVideoFile final : public VideoFile {
public:
    explicit FfmpegVideoFile(std::unique_ptr<FileSink> sink) : sink_(std::move(sink)) {}

    ~FfmpegVideoFile() override {
        if (headerWritten_) {
            if (encoder_ != nullptr && !broken_ && avcodec_send_frame(encoder_, nullptr) >= 0) WriteEncodedPackets();
            if (sink_->Failed()) sink_->ForgiveErrors();
            av_write_trailer(format_);
            avio_flush(sink_->Io());
        }
        sws_freeContext(scaler_);
        av_frame_free(&picture_);
        av_packet_free(&packet_);
        avcodec_free_context(&encoder_);
        avformat_free_context(format_);  // the I/O context is the sink's
    }

    FfmpegVideoFile(const FfmpegVideoFile&) = delete;
    FfmpegVideoFile& operator=(const FfmpegVideoFile&) = delete;

    bool CreateStream(const VideoStreamInfo& info) override {
        if (format_ != nullptr || info.rate == 0 || info.scale == 0 || info.width <= 0 || info.height <= 0)
            return false;
        // One tick of the stream's time base is one frame: scale / rate seconds.
        AVRational frameTime{0, 1};
        av_reduce(&frameTime.num, &frameTime.den, info.scale, info.rate, INT_MAX);
        if (frameTime.num <= 0 || frameTime.den <= 0) return false;

        AVFormatContext* format = nullptr;
        if (avformat_alloc_output_context2(&format, nullptr, "avi", nullptr) < 0 || format == nullptr) return false;
        // Uncompressed frames keep their rows bottom-up as the preview draws
        // them: the stream format says so with a positive height.
        AVStream* stream = nullptr;
        if (av_opt_set_int(format->priv_data, "flipped_raw_rgb", 1, 0) < 0 ||
            (stream = avformat_new_stream(format, nullptr)) == nullptr) {
            avformat_free_context(format);
            return false;
        }
        stream->time_base = frameTime;
        stream->avg_frame_rate = av_inv_q(frameTime);
        stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        stream->codecpar->width = info.width;
        stream->codecpar->height = info.height;
        format->pb = sink_->Io();
        format_ = format;
        stream_ = stream;
        frameTime_ = frameTime;
        width_ = info.width;
        height_ = info.height;
        return true;
    }

    bool MakeCompressedStream(const VideoCompressOptions& options) override {
        if (formatTried_) return false;
        const std::uint32_t handler = UpperFourCC(options.fccHandler);
        Compressor chosen = Compressor::kNone;
        if (handler == 0 || handler == kHandlerUncompressed) {
            chosen = Compressor::kUncompressed;
        } else if (handler == kHandlerMotionJpeg) {
            chosen = Compressor::kMotionJpeg;
        } else if (handler == kHandlerFfv1) {
            if (avcodec_find_encoder(AV_CODEC_ID_FFV1) == nullptr) return false;
            chosen = Compressor::kFfv1;
        } else if (handler == kHandlerH264) {
            if (avcodec_find_encoder(AV_CODEC_ID_H264) == nullptr) return false;
            chosen = Compressor::kH264;
        } else {
            return false;
        }
        compressor_ = chosen;
        jpegQuality_ = options.dwQuality > kHighestQuality ? kDefaultJpegQuality
                                                           : static_cast<int>(options.dwQuality / 100);
        keyFrameEvery_ = static_cast<int>(std::min<std::uint32_t>(options.dwKeyFrameEvery, INT_MAX));
        bitRate_ = 8 * static_cast<std::int64_t>(options.dwBytesPerSecond);
        return true;
    }

    bool SetFormat(const std::uint8_t* bitmapInfo, std::size_t size) override {
        if (format_ == nullptr || compressor_ == Compressor::kNone || formatTried_ || bitmapInfo == nullptr ||
            size < kBitmapHeaderBytes)
            return false;
        const std::uint32_t headerSize = Get32(bitmapInfo, 0);
        const auto width = static_cast<std::int32_t>(Get32(bitmapInfo, kWidthField));
        const auto height = static_cast<std::int32_t>(Get32(bitmapInfo, kHeightField));
        const int bitCount = Get16(bitmapInfo, kBitCountField);
        if (headerSize < kBitmapHeaderBytes || headerSize > size) return false;
        if (bitCount != 8 && bitCount != 24 && bitCount != 32) return false;
        if (Get32(bitmapInfo, kCompressionField) != 0) return false;
        if (width != width_ || height != height_ || height <= 0) return false;
        const std::uint64_t rowBytes = static_cast<std::uint64_t>(width) * (bitCount / 8);
        const std::uint64_t frameBytes = rowBytes * static_cast<std::uint64_t>(height);
        if (frameBytes > static_cast<std::uint64_t>(INT_MAX) / 2) return false;  // packets are int-sized

        const std::uint8_t* palette = nullptr;
        std::uint32_t paletteEntries = 0;
        if (bitCount == 8) {
            const std::uint32_t used = Get32(bitmapInfo, kColoursUsedField);
            paletteEntries = used == 0 || used > kPaletteEntries ? kPaletteEntries : used;
            if (size - headerSize < 4 * static_cast<std::size_t>(paletteEntries)) return false;
            palette = bitmapInfo + headerSize;
        }
        if (!ResetStreamFormat()) return false;  // nothing left of an earlier attempt
        bitCount_ = bitCount;
        frameBytes_ = static_cast<std::size_t>(frameBytes);
        // The muxer pads stored rows to whole 4-byte words.
        storedFrameBytes_ = ((rowBytes + 3) & ~std::uint64_t{3}) * static_cast<std::uint64_t>(height);

        bool ready = false;
        switch (compressor_) {
        case Compressor::kUncompressed:
            ready = DescribeUncompressed(palette, paletteEntries);
            break;
        case Compressor::kMotionJpeg:
            ready = DescribeMotionJpeg();
            break;
        case Compressor::kFfv1:
        case Compressor::kH264:
            ready = OpenEncoder();
            break;
        case Compressor::kNone:
            break;
        }
        if (!ready) return false;
        if (packet_ == nullptr && (packet_ = av_packet_alloc()) == nullptr) return false;

        formatTried_ = true;
        if (avformat_write_header(format_, nullptr) < 0) return false;
        headerWritten_ = true;
        avio_flush(sink_->Io());
        if (sink_->Failed()) {
            broken_ = true;
            return false;
        }
        return true;
    }

    bool Write(std::uint32_t position, const std::uint8_t* frame, std::size_t bytes) override {
        if (!headerWritten_ || broken_ || frame == nullptr || bytes != frameBytes_) return false;
        if (!FollowsLastFrame(lastPosition_, position)) return false;
        const std::int64_t skipped = lastPosition_ < 0 ? 0 : position - lastPosition_ - 1;

        switch (compressor_) {
        case Compressor::kUncompressed:
            if (!HasRoomFor(storedFrameBytes_, skipped, position)) return false;
            return WriteStoredFrame(position, frame, bytes);
        case Compressor::kMotionJpeg: {
            JpegSource source;
            source.data = frame;
            source.width = width_;
            source.height = height_;
            source.bitCount = bitCount_;
            source.bottomUp = true;
            if (!CompressJpeg(source, jpegQuality_, &jpeg_)) return false;
            if (!HasRoomFor(jpeg_.size(), skipped, position)) return false;
            return WriteStoredFrame(position, jpeg_.data(), jpeg_.size());
        }
        case Compressor::kFfv1:
        case Compressor::kH264:
            if (!HasRoomFor(kEncodedSizeFactor * frameBytes_ + kEncodedSlack, skipped, position)) return false;
            return EncodeFrame(position, frame);
        case Compressor::kNone:
            break;
        }
        return false;
    }

private:
    bool ResetStreamFormat() {
        AVCodecParameters* blank = avcodec_parameters_alloc();
        const bool reset = blank != nullptr && avcodec_parameters_copy(stream_->codecpar, blank) >= 0;
        avcodec_parameters_free(&blank);
        stream_->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        stream_->codecpar->width = width_;
        stream_->codecpar->height = height_;
        return reset;
    }

    // Frames are stored as given: 8 bits with the palette in the stream
    // format, 24 bits blue-green-red, 32 bits blue-green-red-x.
    bool DescribeUncompressed(const std::uint8_t* palette, std::uint32_t entries) {
        AVCodecParameters* par = stream_->codecpar;
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        par->codec_tag = 0;
        par->bits_per_coded_sample = bitCount_;
        par->format = bitCount_ == 8 ? AV_PIX_FMT_PAL8 : bitCount_ == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGRA;
        if (palette != nullptr) {
            // The muxer writes the extra data of a palette stream as the
            // colour table of its stream format, so the palette is in the
            // file from the header on, whether or not a frame follows.
            const int paletteBytes = 4 * kPaletteEntries;
            par->extradata = static_cast<std::uint8_t*>(av_mallocz(paletteBytes + AV_INPUT_BUFFER_PADDING_SIZE));
            if (par->extradata == nullptr) return false;
            std::memcpy(par->extradata, palette, 4 * static_cast<std::size_t>(entries));
            par->extradata_size = paletteBytes;
        }
        return true;
    }

    bool DescribeMotionJpeg() {
        AVCodecParameters* par = stream_->codecpar;
        par->codec_id = AV_CODEC_ID_MJPEG;
        par->codec_tag = kHandlerMotionJpeg;
        par->bits_per_coded_sample = 24;
        return true;
    }

    // FFV1 keeps the picture losslessly (grey or blue-green-red); H.264 takes
    // 4:2:0 and so an even width and height: an odd last column or bottom row
    // is left out. Both are given the picture upright.
    bool OpenEncoder() {
        const bool h264 = compressor_ == Compressor::kH264;
        const AVCodec* codec = avcodec_find_encoder(h264 ? AV_CODEC_ID_H264 : AV_CODEC_ID_FFV1);
        if (codec == nullptr) return false;
        const int width = h264 ? width_ & ~1 : width_;
        const int height = h264 ? height_ & ~1 : height_;
        if (width <= 0 || height <= 0) return false;
        const AVPixelFormat given = bitCount_ == 8 ? AV_PIX_FMT_GRAY8 : bitCount_ == 24 ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_BGRA;
        const AVPixelFormat coded = h264 ? AV_PIX_FMT_YUV420P : bitCount_ == 8 ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_BGR0;

        avcodec_free_context(&encoder_);
        encoder_ = avcodec_alloc_context3(codec);
        if (encoder_ == nullptr) return false;
        encoder_->width = width;
        encoder_->height = height;
        encoder_->pix_fmt = coded;
        encoder_->time_base = frameTime_;
        encoder_->framerate = av_inv_q(frameTime_);
        if (keyFrameEvery_ > 0) encoder_->gop_size = keyFrameEvery_;
        if (h264) {
            encoder_->max_b_frames = 0;
            if (bitRate_ > 0) encoder_->bit_rate = bitRate_;
            encoder_->color_range = AVCOL_RANGE_MPEG;  // what libswscale makes of RGB
            encoder_->colorspace = AVCOL_SPC_BT470BG;
            encoder_->thread_count = 0;
            if (std::strcmp(codec->name, "libx264") == 0) {
                // Each Write gives its packet at once; x264 reports only
                // warnings and errors, not its statistics.
                if (av_opt_set(encoder_->priv_data, "preset", "veryfast", 0) < 0 ||
                    av_opt_set(encoder_->priv_data, "tune", "zerolatency", 0) < 0 ||
                    av_opt_set(encoder_->priv_data, "x264-params", "log=1", 0) < 0)
                    return false;
            }
        }
        if (avcodec_open2(encoder_, codec, nullptr) < 0) return false;
        if (avcodec_parameters_from_context(stream_->codecpar, encoder_) < 0) return false;
        stream_->codecpar->codec_tag = h264 ? kHandlerH264 : kHandlerFfv1;

        av_frame_free(&picture_);
        picture_ = av_frame_alloc();
        if (picture_ == nullptr) return false;
        picture_->format = coded;
        picture_->width = width;
        picture_->height = height;
        if (av_frame_get_buffer(picture_, 0) < 0) return false;

        // Grey to grey and 32-bit to blue-green-red-x are the same bytes: a
        // row copy flips them. Everything else goes through libswscale.
        sws_freeContext(scaler_);
        scaler_ = nullptr;
        if (h264 || bitCount_ == 24) {
            scaler_ = sws_getContext(width, height, given, width, height, coded, SWS_BICUBIC, nullptr, nullptr, nullptr);
            if (scaler_ == nullptr) return false;
        }
        return true;
    }

    bool HasRoomFor(std::uint64_t payload, std::int64_t skipped, std::uint32_t position) const {
        const std::uint64_t chunks = (static_cast<std::uint64_t>(skipped) + 1) * kChunkHeaderBytes + payload + 1;
        const std::uint64_t reserve = kTrailerReserve + kIndexBytesPerFrame * (static_cast<std::uint64_t>(position) + 1);
        return sink_->FreeBytes() >= chunks + reserve;
    }

    // One chunk whose bytes are `data` itself (uncompressed frame or JPEG).
    bool WriteStoredFrame(std::uint32_t position, const std::uint8_t* data, std::size_t size) {
        packet_->data = const_cast<std::uint8_t*>(data);  // the muxer only reads it
        packet_->size = static_cast<int>(size);
        packet_->pts = position;
        packet_->dts = position;
        packet_->duration = 1;
        packet_->flags = AV_PKT_FLAG_KEY;
        packet_->stream_index = stream_->index;
        const int result = av_write_frame(format_, packet_);
        av_packet_unref(packet_);  // not reference-counted: the data stays the caller's
        if (!Flushed() || result < 0) return false;
        lastPosition_ = position;
        return true;
    }

    bool EncodeFrame(std::uint32_t position, const std::uint8_t* frame) {
        if (av_frame_make_writable(picture_) < 0) return false;
        // The frame is bottom-up: the picture's top row is the last in memory.
        const int stride = width_ * (bitCount_ / 8);
        const std::uint8_t* top = frame + static_cast<std::ptrdiff_t>(height_ - 1) * stride;
        if (scaler_ != nullptr) {
            const std::uint8_t* const planes[4] = {top, nullptr, nullptr, nullptr};
            const int strides[4] = {-stride, 0, 0, 0};
            if (sws_scale(scaler_, planes, strides, 0, picture_->height, picture_->data, picture_->linesize) < 0)
                return false;
        } else {
            av_image_copy_plane(picture_->data[0], picture_->linesize[0], top, -stride, stride, picture_->height);
        }
        picture_->pts = position;
        picture_->pict_type = AV_PICTURE_TYPE_NONE;
        if (avcodec_send_frame(encoder_, picture_) < 0) return false;
        lastPosition_ = position;  // the encoder has it: later frames come after it
        return WriteEncodedPackets();
    }

    // Writes every packet the encoder has ready; positions are frame ticks
    // for the encoder and the stream alike.
    bool WriteEncodedPackets() {
        bool written = true;
        for (;;) {
            const int received = avcodec_receive_packet(encoder_, packet_);
            if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) break;
            if (received < 0) return false;
            packet_->stream_index = stream_->index;
            const int result = av_write_frame(format_, packet_);
            av_packet_unref(packet_);
            if (!Flushed()) return false;
            if (result < 0) written = false;
        }
        return written;
    }

    // Pushes buffered bytes out; a write error ends the file's frames.
    bool Flushed() {
        avio_flush(sink_->Io());
        if (sink_->Failed() || sink_->Io()->error < 0) broken_ = true;
        return !broken_;
    }

    std::unique_ptr<FileSink> sink_;
    AVFormatContext* format_ = nullptr;
    AVStream* stream_ = nullptr;
    AVCodecContext* encoder_ = nullptr;
    SwsContext* scaler_ = nullptr;
    AVFrame* picture_ = nullptr;
    AVPacket* packet_ = nullptr;
    std::vector<std::uint8_t> jpeg_;

    AVRational frameTime_{0, 1};
    int width_ = 0;
    int height_ = 0;
    Compressor compressor_ = Compressor::kNone;
    int jpegQuality_ = kDefaultJpegQuality;
    int keyFrameEvery_ = 0;
    std::int64_t bitRate_ = 0;

    int bitCount_ = 0;
    std::size_t frameBytes_ = 0;
    std::uint64_t storedFrameBytes_ = 0;
    bool formatTried_ = false;    // the header is written once, or never
    bool headerWritten_ = false;
    bool broken_ = false;         // a write failed: no more frames
    std::int64_t lastPosition_ = -1;
};

}  // namespace

std::uint32_t VideoServicesVersion() { return kVideoServicesVersion; }

std::unique_ptr<VideoFile> OpenVideoFile(const std::string& path) {
    if (path.empty()) return nullptr;
    std::unique_ptr<FileSink> sink = FileSink::Create(path);
    if (!sink) return nullptr;
    return std::unique_ptr<VideoFile>(new (std::nothrow) FfmpegVideoFile(std::move(sink)));
}

}  // namespace qcx
