// Baseline JPEG compression through libjpeg-turbo. The pixels go to libjpeg
// as they lie in memory: the extended colour spaces read blue-green-red(-x)
// directly and the row pointers are handed over in picture order, so there is
// no working copy, no flip and no byte swap. The result is byte for byte what
// compressing a flipped red-green-blue copy would give.
#include "camera/output/jpeg_encoder.h"

#include <jpeglib.h>
#include <jerror.h>

#include <algorithm>
#include <csetjmp>
#include <new>

namespace qcx {
namespace {

// Rows handed to libjpeg per call; one iMCU row of 4:2:0 is 16.
constexpr int kRowBatch = 16;
constexpr std::size_t kFirstOutputSize = 64 * 1024;

// libjpeg's error manager with a way back: error_exit jumps to the setjmp of
// the compressing function instead of ending the process.
struct ErrorManager {
    jpeg_error_mgr standard;
    std::jmp_buf back;
};

[[noreturn]] void ReturnOnError(j_common_ptr info) {
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->back, 1);
}

// Warnings are no reason to print into the application's console.
void KeepQuiet(j_common_ptr) {}

// A destination that grows a vector, so the Motion JPEG recorder reuses the
// capacity of its buffer frame after frame.
struct VectorDestination {
    jpeg_destination_mgr manager;
    std::vector<std::uint8_t>* out;
};

// Grows the vector to `size` bytes; false when memory cannot be had. No
// exception may travel through libjpeg's C frames.
bool Grow(std::vector<std::uint8_t>* out, std::size_t size) {
    try {
        out->resize(size);
        return true;
    } catch (...) {
        return false;
    }
}

void StartVector(j_compress_ptr info) {
    auto* destination = reinterpret_cast<VectorDestination*>(info->dest);
    std::vector<std::uint8_t>* out = destination->out;
    if (!Grow(out, std::max(out->capacity(), kFirstOutputSize))) ERREXIT(info, JERR_OUT_OF_MEMORY);
    destination->manager.next_output_byte = out->data();
    destination->manager.free_in_buffer = out->size();
}

boolean GrowVector(j_compress_ptr info) {
    auto* destination = reinterpret_cast<VectorDestination*>(info->dest);
    std::vector<std::uint8_t>* out = destination->out;
    const std::size_t used = out->size();  // libjpeg asks only when the buffer is full
    if (!Grow(out, used * 2)) ERREXIT(info, JERR_OUT_OF_MEMORY);
    destination->manager.next_output_byte = out->data() + used;
    destination->manager.free_in_buffer = out->size() - used;
    return TRUE;
}

void FinishVector(j_compress_ptr info) {
    auto* destination = reinterpret_cast<VectorDestination*>(info->dest);
    destination->out->resize(destination->out->size() - destination->manager.free_in_buffer);
}

bool ValidSource(const JpegSource& source) {
    return source.data != nullptr && source.width > 0 && source.height > 0 &&
           (source.bitCount == 8 || source.bitCount == 24 || source.bitCount == 32);
}

// One compression from setup to finish. Only trivially destructible objects
// live in this frame, so the jump back from libjpeg's error exit skips no
// destructor. `vector` is used when `file` is null.
bool Compress(const JpegSource& source, int quality, std::FILE* file, std::vector<std::uint8_t>* vector) {
    jpeg_compress_struct info{};
    ErrorManager errors{};
    VectorDestination destination{};
    info.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = ReturnOnError;
    errors.standard.output_message = KeepQuiet;
    if (setjmp(errors.back) != 0) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    if (file != nullptr) {
        jpeg_stdio_dest(&info, file);
    } else {
        destination.out = vector;
        destination.manager.init_destination = StartVector;
        destination.manager.empty_output_buffer = GrowVector;
        destination.manager.term_destination = FinishVector;
        info.dest = &destination.manager;
    }

    info.image_width = static_cast<JDIMENSION>(source.width);
    info.image_height = static_cast<JDIMENSION>(source.height);
    switch (source.bitCount) {
    case 8:
        info.input_components = 1;
        info.in_color_space = JCS_GRAYSCALE;
        break;
    case 24:
        info.input_components = 3;
        info.in_color_space = JCS_EXT_BGR;
        break;
    default:
        info.input_components = 4;
        info.in_color_space = JCS_EXT_BGRX;
        break;
    }
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);

    const std::size_t stride = static_cast<std::size_t>(source.bitCount / 8) * static_cast<std::size_t>(source.width);
    const std::size_t height = static_cast<std::size_t>(source.height);
    JSAMPROW rows[kRowBatch];
    while (info.next_scanline < info.image_height) {
        const std::size_t first = info.next_scanline;
        const std::size_t count = std::min<std::size_t>(kRowBatch, height - first);
        for (std::size_t i = 0; i < count; ++i) {
            // Picture row first + i: counted from the end of memory when the
            // first memory row is the bottom of the picture.
            const std::size_t memoryRow = source.bottomUp ? height - 1 - (first + i) : first + i;
            rows[i] = const_cast<JSAMPROW>(source.data + memoryRow * stride);
        }
        jpeg_write_scanlines(&info, rows, static_cast<JDIMENSION>(count));
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool CompressJpeg(const JpegSource& source, int quality, std::vector<std::uint8_t>* out) {
    if (out == nullptr || !ValidSource(source)) return false;
    if (!Compress(source, quality, nullptr, out)) {
        out->clear();
        return false;
    }
    return true;
}

bool CompressJpegToFile(const JpegSource& source, int quality, std::FILE* file) {
    if (file == nullptr || !ValidSource(source)) return false;
    return Compress(source, quality, file, nullptr);
}

}  // namespace qcx
