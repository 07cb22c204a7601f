// Save and load of the colour correction table file. Fields are encoded byte
// by byte, little-endian, so the file is the same on every host.
#include "camera/imaging/correction_table_file.h"

#include <array>
#include <cstring>

#include "camera/common/status.h"

namespace qcx {
namespace {

using Header = std::array<std::uint8_t, kCorrectionTableHeaderSize>;

constexpr char kMagic[4] = {'Q', 'C', 'X', 'C'};
constexpr std::uint16_t kFirstWord = 0;
constexpr std::uint16_t kSecondWord = 1;

void PutWord(Header& h, int at, std::uint16_t value) {
    h[at] = static_cast<std::uint8_t>(value);
    h[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void PutDword(Header& h, int at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) h[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint16_t GetWord(const Header& h, int at) {
    return static_cast<std::uint16_t>(h[at] | (h[at + 1] << 8));
}

std::uint32_t GetDword(const Header& h, int at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | h[at + i];
    return value;
}

// Signed fields are stored as their two's complement bit pattern.
std::int32_t GetInt(const Header& h, int at) { return static_cast<std::int32_t>(GetDword(h, at)); }
void PutInt(Header& h, int at, std::int32_t value) { PutDword(h, at, static_cast<std::uint32_t>(value)); }

Header EncodeHeader(const ColourCorrection& c, std::uint32_t deviceType) {
    Header h{};
    std::memcpy(h.data(), kMagic, sizeof kMagic);
    PutWord(h, 4, kFirstWord);
    PutWord(h, 6, kSecondWord);
    PutDword(h, 8, kCorrectionTableFileSize);
    PutDword(h, 12, deviceType);
    PutInt(h, 16, c.mode);
    PutInt(h, 20, c.redOffset);
    PutInt(h, 24, c.greenOffset);
    PutInt(h, 28, c.blueOffset);
    PutInt(h, 32, c.values[0]);
    PutInt(h, 36, c.values[1]);
    PutInt(h, 40, c.values[2]);
    return h;
}

bool HeaderMatches(const Header& h) {
    return std::memcmp(h.data(), kMagic, sizeof kMagic) == 0 && GetWord(h, 4) == kFirstWord &&
           GetWord(h, 6) == kSecondWord && GetDword(h, 8) == kCorrectionTableFileSize;
}

bool WriteAll(std::FILE* file, const std::uint8_t* data, std::size_t size) {
    return std::fwrite(data, 1, size, file) == size;
}

int WriteFile(const ColourCorrection& c, std::uint32_t deviceType, std::FILE* file) {
    const Header header = EncodeHeader(c, deviceType);
    if (!WriteAll(file, header.data(), header.size())) return status::kFail;
    for (const ByteTable* table : {&c.redTable, &c.greenTable, &c.blueTable}) {
        if (!WriteAll(file, table->data(), table->size())) return status::kFail;
    }
    return status::kSuccess;
}

}  // namespace

int SaveCorrectionTable(const ColourCorrection& c, std::uint32_t deviceType, const char* file) {
    if (c.mode == 0 || file == nullptr) return status::kFail;
    std::FILE* stream = std::fopen(file, "wb");
    if (stream == nullptr) return status::kFail;
    int result = WriteFile(c, deviceType, stream);
    // Buffered bytes reach the file only at the close: a failing close is a
    // short write too.
    if (std::fclose(stream) != 0) result = status::kFail;
    return result;
}

int LoadCorrectionTable(ColourCorrection& c, const char* file) {
    if (file == nullptr) {
        c.mode = 0;
        c.tableLoaded = false;
        c.redOffset = c.greenOffset = c.blueOffset = 0;
        c.redTable = c.greenTable = c.blueTable = IdentityTable();
        return status::kSuccess;
    }
    std::FILE* stream = std::fopen(file, "rb");
    if (stream == nullptr) return status::kFail;
    const int result = ReadCorrectionTable(c, stream);
    std::fclose(stream);
    return result;
}

int ReadCorrectionTable(ColourCorrection& c, std::FILE* file) {
    if (file == nullptr) return status::kFail;
    Header header{};
    if (std::fread(header.data(), 1, header.size(), file) != header.size()) return status::kFail;
    if (!HeaderMatches(header)) return status::kVersionError;

    // The header is in force before the tables are read.
    c.mode = GetInt(header, 16);
    c.redOffset = GetInt(header, 20);
    c.greenOffset = GetInt(header, 24);
    c.blueOffset = GetInt(header, 28);
    c.values[0] = GetInt(header, 32);
    c.values[1] = GetInt(header, 36);
    c.values[2] = GetInt(header, 40);

    // Each table is taken only when it came complete.
    for (ByteTable* table : {&c.redTable, &c.greenTable, &c.blueTable}) {
        ByteTable read{};
        if (std::fread(read.data(), 1, read.size(), file) != read.size()) return status::kFail;
        *table = read;
    }
    c.tableLoaded = true;
    return status::kSuccess;
}

}  // namespace qcx
