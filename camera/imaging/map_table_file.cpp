#include "camera/imaging/map_table_file.h"

#include <algorithm>
#include <cstddef>
#include <memory>

#include "camera/common/status.h"

namespace qcx {

namespace {

constexpr std::size_t kHeaderSize = 20;
constexpr std::size_t kRecordCountOffset = 12;
constexpr std::size_t kTableLengthOffset = 16;
constexpr std::size_t kRecordSize = 8;
constexpr std::uint32_t kMaxTableLength = 4096;

std::uint32_t LittleEndian32(const unsigned char* bytes) {
    return static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
           (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
}

// Reads and discards `count` bytes; stops early at the end of the file (the
// table read after it then finds nothing, which leaves the table as it was).
void SkipBytes(std::FILE* file, std::uint64_t count) {
    unsigned char scratch[512];
    while (count > 0) {
        const std::size_t chunk = static_cast<std::size_t>(std::min<std::uint64_t>(count, sizeof scratch));
        const std::size_t got = std::fread(scratch, 1, chunk, file);
        if (got < chunk) return;
        count -= got;
    }
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

int ReadMapTable(std::FILE* file, std::array<std::uint8_t, 4096>& table) {
    if (file == nullptr) return status::kFail;
    unsigned char header[kHeaderSize];
    // Without a whole header the record count and table length are unknown.
    if (std::fread(header, 1, kHeaderSize, file) != kHeaderSize) return status::kFail;
    const std::uint32_t recordCount = LittleEndian32(header + kRecordCountOffset);
    const std::uint32_t tableLength = LittleEndian32(header + kTableLengthOffset);
    if (tableLength > kMaxTableLength) return status::kFail;

    SkipBytes(file, static_cast<std::uint64_t>(recordCount) * kRecordSize);
    // Read beside the table and copy what arrived: a file that ends early
    // changes only the entries it reaches.
    std::array<std::uint8_t, 4096> entries;
    const std::size_t got = std::fread(entries.data(), 1, tableLength, file);
    std::copy_n(entries.begin(), got, table.begin());
    return status::kSuccess;
}

int LoadMapTableFile(PipelineSettings& s, bool enable, const char* file) {
    if (!enable) {
        s.mapTableOn = false;
        return status::kSuccess;
    }
    if (file == nullptr) return status::kParameterError;
    std::unique_ptr<std::FILE, FileCloser> stream(std::fopen(file, "rb"));
    if (!stream) return status::kFail;
    if (ReadMapTable(stream.get(), s.mapTable) != status::kSuccess) return status::kFail;
    s.mapTableOn = true;
    return status::kSuccess;
}

}  // namespace qcx
