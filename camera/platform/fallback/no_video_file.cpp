// A build without FFmpeg has no video services: recording reports them too old.
#include "camera/platform/video_file.h"

namespace qcx {

std::uint32_t VideoServicesVersion() { return 0; }

std::unique_ptr<VideoFile> OpenVideoFile(const std::string&) { return nullptr; }

}  // namespace qcx
