// Recording of the live preview into an AVI file: every frame, as drawn, is
// appended as one key frame. The compressor is chosen in the options dialog
// or taken from the choice an earlier recording stored.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "camera/common/bitmap_header.h"
#include "camera/common/qcx_reg.h"
#include "camera/common/status.h"
#include "camera/device/device.h"
#include "camera/platform/compress_options_dialog.h"
#include "camera/platform/video_file.h"

namespace qcx {

namespace {

constexpr std::uint32_t kMinimumVideoServices = 0x010A;  // 1.10
constexpr const char* kCompressorKey = "Compossor";

using bitmap::Get32;

// The options of the last recording, when the key held them already.
bool ReadStoredOptions(VideoCompressOptions* options) {
    CQCXReg reg;
    if (reg.Open(kCompressorKey) != 2) return false;
    VideoCompressOptions stored;
    reg.GetNumber("fccType", 0, &stored.fccType);
    reg.GetNumber("fccHandler", 0, &stored.fccHandler);
    reg.GetNumber("dwKeyFrameEvery", 0, &stored.dwKeyFrameEvery);
    reg.GetNumber("dwQuality", 0, &stored.dwQuality);
    reg.GetNumber("dwBytesPerSecond", 0, &stored.dwBytesPerSecond);
    reg.GetNumber("dwFlags", 0, &stored.dwFlags);
    std::uint32_t formatBytes = 0;
    std::uint32_t parmsBytes = 0;
    reg.GetNumber("cbFormat", 0, &formatBytes);
    reg.GetNumber("cbParms", 0, &parmsBytes);
    reg.GetNumber("dwInterleaveEvery", 0, &stored.dwInterleaveEvery);
    // A damaged store must not make us allocate gigabytes.
    constexpr std::uint32_t kMaximumBlock = 1u << 20;
    if (formatBytes > kMaximumBlock || parmsBytes > kMaximumBlock) return false;
    stored.format.assign(formatBytes, 0);
    stored.parms.assign(parmsBytes, 0);
    reg.GetBytes("lpFormat", stored.format.data(), formatBytes);
    reg.GetBytes("lpParms", stored.parms.data(), parmsBytes);
    *options = std::move(stored);
    return true;
}

// Failures are not looked at: a recording does not fail because its options
// cannot be kept.
void StoreOptions(const VideoCompressOptions& options) {
    CQCXReg reg;
    reg.Open(kCompressorKey);
    reg.SetNumber("fccType", options.fccType);
    reg.SetNumber("fccHandler", options.fccHandler);
    reg.SetNumber("dwKeyFrameEvery", options.dwKeyFrameEvery);
    reg.SetNumber("dwQuality", options.dwQuality);
    reg.SetNumber("dwBytesPerSecond", options.dwBytesPerSecond);
    reg.SetNumber("dwFlags", options.dwFlags);
    reg.SetNumber("cbFormat", static_cast<std::uint32_t>(options.format.size()));
    reg.SetNumber("cbParms", static_cast<std::uint32_t>(options.parms.size()));
    reg.SetNumber("dwInterleaveEvery", options.dwInterleaveEvery);
    reg.SetBytes("lpFormat", options.format.data(), static_cast<std::uint32_t>(options.format.size()));
    reg.SetBytes("lpParms", options.parms.data(), static_cast<std::uint32_t>(options.parms.size()));
}

}  // namespace

int CDevice::RecordStart(bool start, float frameRate, const char* file, bool useStoredOptions,
                         bool deleteFileOnFailure) {
    if (!start) return RecordStop();
    if (recording_ || previewState_ != kPreviewRunning) return status::kIllegalOperation;
    // NaN and rates whose hundredths do not fit the stream's rate field fail too.
    if (!(static_cast<double>(frameRate) > 0.01) || frameRate * 100 >= 4294967296.0f) return status::kFail;
    if ((VideoServicesVersion() >> 16) < kMinimumVideoServices) return status::kNotSupported;
    if (file == nullptr || file[0] == '\0') return status::kFail;

    std::vector<std::uint8_t> format;
    {
        std::lock_guard<IoMutex> io(channel_.IoLock());
        const std::uint8_t* header = displayHeader_.get();
        if (header == nullptr) return status::kFail;
        format.assign(header, header + bitmap::kHeaderBytes + 4 * std::min<std::uint32_t>(Get32(header, bitmap::kColoursUsedField), 256));
    }
    VideoStreamInfo info;
    info.scale = 100;
    info.rate = static_cast<std::uint32_t>(frameRate * 100);
    info.suggestedBufferSize = Get32(format.data(), bitmap::kImageSizeField);
    info.width = static_cast<std::int32_t>(Get32(format.data(), bitmap::kWidthField));
    info.height = static_cast<std::int32_t>(Get32(format.data(), bitmap::kHeightField));

    std::unique_ptr<VideoFile> video = OpenVideoFile(file);
    if (!video) return status::kFail;
    // From here a failure closes the file, and the plain start deletes it.
    const auto fail = [&] {
        video.reset();
        if (deleteFileOnFailure) std::remove(file);
        return status::kFail;
    };
    if (!video->CreateStream(info)) return fail();

    VideoCompressOptions options;
    if (!(useStoredOptions && ReadStoredOptions(&options)) && !ChooseCompressOptions(&options)) return fail();
    if (!video->MakeCompressedStream(options)) return fail();
    if (!video->SetFormat(format.data(), format.size())) return fail();
    StoreOptions(options);

    {
        std::lock_guard<std::mutex> hold(recordLock_);
        recordFile_ = std::move(video);
        recordFrameIndex_ = 0;
    }
    recording_ = true;
    return status::kSuccess;
}

int CDevice::RecordStop() {
    if (!recording_.exchange(false)) return status::kSuccess;
    // A frame write in progress ends before the file is finished and closed.
    std::unique_ptr<VideoFile> finished;
    {
        std::lock_guard<std::mutex> hold(recordLock_);
        finished = std::move(recordFile_);
    }
    finished.reset();
    return status::kSuccess;
}

void CDevice::WriteRecordingFrame(const std::uint8_t* image, std::size_t bytes) {
    if (!recording_) return;
    std::lock_guard<std::mutex> hold(recordLock_);
    if (!recording_ || !recordFile_) return;
    // A frame that cannot be written is dropped; the next one takes its place.
    if (recordFile_->Write(recordFrameIndex_, image, bytes)) ++recordFrameIndex_;
}

}  // namespace qcx
