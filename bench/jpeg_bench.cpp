// JPEG saving speed: QCX_HelperSaveToJpg beside libjpeg-turbo compressing the
// same 5-megapixel picture straight from its bottom-up rows. Both write a
// file of the same bytes, so the ratio shows what the helper adds.
//
//   jpeg_bench [folder]     (files go to /tmp without a folder)
#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>  // after <cstdio> and <cstddef>: it uses FILE and size_t

#include "qcxapi.h"

namespace {

constexpr int kWidth = 2592;
constexpr int kHeight = 1944;
constexpr int kQuality = 75;
constexpr int kWarmUps = 2;
constexpr int kRuns = 20;

// Deterministic and photo-like: smooth gradients, a grid of sharp details
// and a little sensor noise, so the entropy coder has real work.
std::vector<std::uint8_t> MakePicture() {
    std::vector<std::uint8_t> image(static_cast<std::size_t>(kWidth) * kHeight * 3);
    std::uint32_t noise = 2024;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const bool detail = (x % 64 < 3) || (y % 48 < 2) || ((x / 8 + y / 8) % 17 == 0);
            for (int c = 0; c < 3; ++c) {
                noise = noise * 1664525u + 1013904223u;
                int value = (x * (60 + 40 * c) / kWidth) + (y * (150 - 40 * c) / kHeight) + 20;
                if (detail) value = 255 - value;
                value += static_cast<int>(noise >> 29) - 4;
                image[(static_cast<std::size_t>(y) * kWidth + x) * 3 + c] = static_cast<std::uint8_t>(std::clamp(value, 0, 255));
            }
        }
    return image;
}

bool SaveDirect(const std::vector<std::uint8_t>& image, const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    jpeg_compress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = kWidth;
    info.image_height = kHeight;
    info.input_components = 3;
    info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, kQuality, TRUE);
    jpeg_start_compress(&info, TRUE);
    const std::size_t stride = static_cast<std::size_t>(kWidth) * 3;
    while (info.next_scanline < info.image_height) {
        // The first memory row is the bottom of the picture.
        JSAMPROW row = const_cast<JSAMPROW>(image.data() + (kHeight - 1 - info.next_scanline) * stride);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::fclose(file);
    return true;
}

double Milliseconds(std::chrono::steady_clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 != 0 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string folder = argc > 1 ? argv[1] : "/tmp";
    const std::string ours = folder + "/qcx_jpeg_bench_ours.jpg";
    const std::string direct = folder + "/qcx_jpeg_bench_direct.jpg";
    std::vector<std::uint8_t> image = MakePicture();

    std::vector<double> oursMs;
    std::vector<double> directMs;
    for (int run = 0; run < kWarmUps + kRuns; ++run) {
        // Alternating the two keeps slow drifts of the machine out of the ratio.
        const auto start = std::chrono::steady_clock::now();
        if (QCX_HelperSaveToJpg(image.data(), kWidth, kHeight, 24, kQuality, ours.c_str()) != 1) {
            std::fprintf(stderr, "QCX_HelperSaveToJpg failed for %s\n", ours.c_str());
            return 1;
        }
        const auto middle = std::chrono::steady_clock::now();
        if (!SaveDirect(image, direct)) {
            std::fprintf(stderr, "cannot write %s\n", direct.c_str());
            return 1;
        }
        const auto end = std::chrono::steady_clock::now();
        if (run >= kWarmUps) {
            oursMs.push_back(Milliseconds(middle - start));
            directMs.push_back(Milliseconds(end - middle));
        }
    }
    std::remove(ours.c_str());
    std::remove(direct.c_str());

    const double oursMedian = Median(oursMs);
    const double directMedian = Median(directMs);
    std::printf("JPEG %dx%d 24-bit, quality %d, median of %d runs\n", kWidth, kHeight, kQuality, kRuns);
    std::printf("  QCX_HelperSaveToJpg      %8.2f ms\n", oursMedian);
    std::printf("  libjpeg-turbo directly   %8.2f ms\n", directMedian);
    std::printf("  ratio ours/direct        %8.3f\n", oursMedian / directMedian);
    return 0;
}
