// The compression options dialog on Windows: the Video Compression Manager's
// compressor chooser, modal over the calling thread's active window. It
// lists every installed video compressor and "Full Frames (Uncompressed)",
// and lets the user set the quality, the key-frame interval and the data
// rate. The choice becomes the options record AVIMakeCompressedStream takes:
// the compressor's configuration travels as its state block (lpParms).
#include "camera/platform/compress_options_dialog.h"

#include <windows.h>
#include <vfw.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace qcx {

namespace {

// The configuration the user gave the chosen compressor (its "Configure"
// dialog); empty when it keeps none or cannot hand it out.
std::vector<std::uint8_t> CompressorState(HIC compressor) {
    std::vector<std::uint8_t> state;
    if (compressor == nullptr) return state;
    const LRESULT size = ICGetState(compressor, nullptr, 0);
    if (size <= 0) return state;
    try {
        state.resize(static_cast<std::size_t>(size));
    } catch (const std::bad_alloc&) {
        return state;
    }
    if (ICGetState(compressor, state.data(), static_cast<DWORD>(state.size())) != ICERR_OK) state.clear();
    return state;
}

}  // namespace

bool ChooseCompressOptions(VideoCompressOptions* options) {
    if (CompressOptionsScripted()) return ChooseScriptedCompressOptions(options);

    COMPVARS choice{};
    choice.cbSize = sizeof choice;  // no ICMF_COMPVARS_VALID: the dialog starts from its defaults
    if (!ICCompressorChoose(GetActiveWindow(), ICMF_CHOOSE_KEYFRAME | ICMF_CHOOSE_DATARATE, nullptr, nullptr,
                            &choice, nullptr))
        return false;

    VideoCompressOptions chosen;
    chosen.fccType = streamtypeVIDEO;
    chosen.fccHandler = choice.fccHandler;
    chosen.dwQuality = static_cast<std::uint32_t>(choice.lQ);  // ICQUALITY_DEFAULT stays all ones
    chosen.dwFlags = AVICOMPRESSF_VALID;
    if (choice.lKey > 0) {
        chosen.dwKeyFrameEvery = static_cast<std::uint32_t>(choice.lKey);
        chosen.dwFlags |= AVICOMPRESSF_KEYFRAMES;
    }
    if (choice.lDataRate > 0) {
        // The dialog counts kilobytes per second.
        chosen.dwBytesPerSecond = static_cast<std::uint32_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(choice.lDataRate) * 1024u, UINT32_MAX));
        chosen.dwFlags |= AVICOMPRESSF_DATARATE;
    }
    chosen.parms = CompressorState(choice.hic);
    ICCompressorFree(&choice);
    *options = std::move(chosen);
    return true;
}

}  // namespace qcx
