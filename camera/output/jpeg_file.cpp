// Saving JPEG files.
#include "camera/output/jpeg_file.h"

#include <cstdio>

#include "camera/common/status.h"
#include "camera/output/jpeg_encoder.h"

namespace qcx {

int SaveToJpg(const std::uint8_t* data, int width, int height, int bitCount, int quality, const char* file) {
    if (data == nullptr || width <= 0 || height <= 0 || file == nullptr ||
        (bitCount != 8 && bitCount != 24 && bitCount != 32))
        return status::kFail;
    std::FILE* out = std::fopen(file, "wb");
    if (out == nullptr) return status::kFail;
    const JpegSource source{data, width, height, bitCount, true};
    // libjpeg's file destination reports short writes and a failed final
    // flush as compression errors, so the close has nothing more to say.
    const bool compressed = CompressJpegToFile(source, quality, out);
    std::fclose(out);
    return compressed ? status::kSuccess : status::kFail;
}

}  // namespace qcx
