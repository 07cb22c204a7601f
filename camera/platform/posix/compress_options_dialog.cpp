#include "camera/platform/compress_options_dialog.h"

namespace qcx {

// There is no desktop-wide compressor dialog to ask: the environment chooses.
bool ChooseCompressOptions(VideoCompressOptions* options) { return ChooseScriptedCompressOptions(options); }

}  // namespace qcx
