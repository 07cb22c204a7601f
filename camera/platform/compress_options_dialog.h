// The video compression options "dialog" of a recording. A desktop without a
// compressor dialog gets a chooser that answers at once: Motion JPEG at
// quality 7500 unless the environment says otherwise.
//   QCX_AVI_CODEC    a FourCC ("MJPG", "DIB", "FFV1", "H264"; shorter codes
//                    are padded with spaces, "0" means uncompressed)
//   QCX_AVI_QUALITY  0 ... 10000
//   QCX_AVI_DIALOG   "cancel": the user cancels
#pragma once

#include "camera/platform/video_file.h"

namespace qcx {

inline constexpr std::uint32_t kDefaultCompressQuality = 7500;

// Fills `options` with the choice; false when the user cancelled.
bool ChooseCompressOptions(VideoCompressOptions* options);

}  // namespace qcx
