#include "camera/platform/compress_options_dialog.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <string>

#include "camera/platform/environment.h"

namespace qcx {

namespace {

// A FourCC from up to four characters; false for anything else.
bool ParseFourCC(const std::string& text, std::uint32_t* code) {
    if (text == "0") {
        *code = 0;
        return true;
    }
    if (text.empty() || text.size() > 4) return false;
    char chars[4] = {' ', ' ', ' ', ' '};
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isprint(c)) return false;
        chars[i] = static_cast<char>(std::toupper(c));
    }
    *code = MakeFourCC(chars[0], chars[1], chars[2], chars[3]);
    return true;
}

bool ParseQuality(const std::string& text, std::uint32_t* quality) {
    if (text.empty() || text.size() > 5) return false;
    for (const char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    }
    const unsigned long value = std::strtoul(text.c_str(), nullptr, 10);
    if (value > 10000) return false;
    *quality = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace

bool CompressOptionsScripted() {
    for (const char* name : {"QCX_AVI_DIALOG", "QCX_AVI_CODEC", "QCX_AVI_QUALITY"}) {
        if (!EnvironmentValue(name).empty()) return true;
    }
    return false;
}

bool ChooseScriptedCompressOptions(VideoCompressOptions* options) {
    if (EnvironmentValue("QCX_AVI_DIALOG") == "cancel") return false;
    VideoCompressOptions choice;
    choice.fccType = kStreamTypeVideo;
    choice.fccHandler = kHandlerMotionJpeg;
    choice.dwQuality = kDefaultCompressQuality;
    choice.dwFlags = kCompressValid;
    // Unusable settings fall back to the defaults, as a dialog would start
    // from them.
    (void)ParseFourCC(EnvironmentValue("QCX_AVI_CODEC"), &choice.fccHandler);
    (void)ParseQuality(EnvironmentValue("QCX_AVI_QUALITY"), &choice.dwQuality);
    *options = std::move(choice);
    return true;
}

}  // namespace qcx
