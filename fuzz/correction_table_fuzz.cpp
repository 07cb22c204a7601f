// Correction table files of any content: the reader answers 1, -8 or -15 and
// nothing else, leaves the state alone when the header is short or foreign,
// and takes exactly the header fields and complete tables the file holds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "camera/common/status.h"
#include "camera/imaging/correction_table_file.h"
#include "fuzz/fuzz_stream.h"

namespace {

constexpr std::size_t kHeaderSize = 44;
constexpr std::size_t kTableSize = 256;

bool SameState(const qcx::ColourCorrection& a, const qcx::ColourCorrection& b) {
    return a.mode == b.mode && a.redOffset == b.redOffset && a.greenOffset == b.greenOffset &&
           a.blueOffset == b.blueOffset && std::equal(a.values, a.values + 3, b.values) &&
           a.redTable == b.redTable && a.greenTable == b.greenTable && a.blueTable == b.blueTable &&
           a.tableLoaded == b.tableLoaded;
}

bool HeaderMatches(const std::uint8_t* data) {
    return std::memcmp(data, "QCXC", 4) == 0 && data[4] == 0 && data[5] == 0 && data[6] == 1 && data[7] == 0 &&
           qcx::fuzz::LittleEndian32(data + 8) == 812;
}

std::int32_t Field(const std::uint8_t* data, std::size_t at) {
    return static_cast<std::int32_t>(qcx::fuzz::LittleEndian32(data + at));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qcx::fuzz::Check;
    const qcx::ColourCorrection before;
    qcx::ColourCorrection c;

    int result;
    {
        qcx::fuzz::InputStream stream(data, size);
        if (stream.get() == nullptr) return 0;
        result = qcx::ReadCorrectionTable(c, stream.get());
    }
    Check(result == qcx::status::kSuccess || result == qcx::status::kFail || result == qcx::status::kVersionError,
          "the reader answers 1, -8 or -15");

    if (size < kHeaderSize) {
        Check(result == qcx::status::kFail, "a short header is -8");
        Check(SameState(c, before), "a short header changes nothing");
        return 0;
    }
    if (!HeaderMatches(data)) {
        Check(result == qcx::status::kVersionError, "a foreign header is -15");
        Check(SameState(c, before), "a foreign header changes nothing");
        return 0;
    }

    // The header is in force whether or not the tables come complete.
    Check(c.mode == Field(data, 16), "mode from offset 16");
    Check(c.redOffset == Field(data, 20) && c.greenOffset == Field(data, 24) && c.blueOffset == Field(data, 28),
          "offsets from offsets 20, 24, 28");
    Check(c.values[0] == Field(data, 32) && c.values[1] == Field(data, 36) && c.values[2] == Field(data, 40),
          "calibration values from offsets 32, 36, 40");

    const std::size_t completeTables = std::min<std::size_t>(3, (size - kHeaderSize) / kTableSize);
    const qcx::ByteTable* tables[3] = {&c.redTable, &c.greenTable, &c.blueTable};
    for (std::size_t t = 0; t < completeTables; ++t) {
        Check(std::memcmp(tables[t]->data(), data + kHeaderSize + t * kTableSize, kTableSize) == 0,
              "a complete table is taken byte for byte");
    }
    if (completeTables == 3) {
        Check(result == qcx::status::kSuccess && c.tableLoaded, "a complete file loads and is marked loaded");
    } else {
        Check(result == qcx::status::kFail && !c.tableLoaded, "a short table is -8 and not marked loaded");
        // Tables after the short one are never reached.
        for (std::size_t t = completeTables + 1; t < 3; ++t)
            Check(*tables[t] == qcx::IdentityTable(), "tables after a short one stay as they were");
    }
    return 0;
}
