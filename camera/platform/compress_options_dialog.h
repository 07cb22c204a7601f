// The video compression options dialog of a recording. On Windows it is the
// system's compressor dialog. Where there is none, or when the environment
// names a choice, a chooser answers at once: Motion JPEG at quality 7500
// unless the environment says otherwise.
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

// True when one of the variables above is set, so the choice is scripted.
bool CompressOptionsScripted();
// The choice the variables above make, without a dialog.
bool ChooseScriptedCompressOptions(VideoCompressOptions* options);

}  // namespace qcx
