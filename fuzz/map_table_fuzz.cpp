// Map table files of any content: the reader must never touch memory outside
// its table, must answer 1 or -8, and must change exactly the entries the file
// reaches: the first min(L, bytes after the records) entries, nothing past
// the announced length, nothing at all when it refuses the file.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>

#include "camera/common/status.h"
#include "camera/imaging/map_table_file.h"
#include "fuzz/fuzz_stream.h"

namespace {

constexpr std::size_t kHeaderSize = 20;
constexpr std::uint32_t kMaxEntries = 4096;

using Table = std::array<std::uint8_t, 4096>;

// A pattern no file is likely to repeat by chance, so a stray write shows.
Table PatternTable() {
    Table table{};
    for (std::size_t i = 0; i < table.size(); ++i) table[i] = static_cast<std::uint8_t>(i * 7 + 3);
    return table;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qcx::fuzz::Check;
    const Table before = PatternTable();
    Table table = before;

    int result;
    {
        qcx::fuzz::InputStream stream(data, size);
        if (stream.get() == nullptr) return 0;
        result = qcx::ReadMapTable(stream.get(), table);
    }

    const bool complete = size >= kHeaderSize;
    const std::uint32_t length = complete ? qcx::fuzz::LittleEndian32(data + 16) : 0;
    if (!complete || length > kMaxEntries) {
        Check(result == qcx::status::kFail, "a short header or a table over 4096 entries is refused with -8");
        Check(table == before, "a refused file leaves the table unchanged");
        return 0;
    }
    Check(result == qcx::status::kSuccess, "a file with a complete header and L <= 4096 loads");

    const std::uint64_t records = qcx::fuzz::LittleEndian32(data + 12);
    const std::uint64_t start = kHeaderSize + 8 * records;
    const std::uint64_t available = size > start ? size - start : 0;
    const std::size_t loaded = static_cast<std::size_t>(std::min<std::uint64_t>(length, available));
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (i < loaded) {
            Check(table[i] == data[start + i], "entry i is byte i after the records");
        } else if (i >= length) {
            Check(table[i] == before[i], "entries past the announced length keep their values");
        } else {
            Check(table[i] == before[i], "entries past the end of a short file keep their values");
        }
    }
    return 0;
}
