// Registry value files of any content: the reader keeps what parses and
// drops the rest, and whatever it reads the store writes back unchanged:
// read, write, read gives the same values, and writing those again gives the
// same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "camera/platform/registry_value_file.h"
#include "fuzz/fuzz_stream.h"

namespace {

constexpr char kKeyPath[] = "SOFTWARE\\Vantorix\\QCXAPI\\Compossor";

bool SameValues(const qcx::StoredRegistryValues& a, const qcx::StoredRegistryValues& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].content != b[i].content) return false;
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using qcx::fuzz::Check;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const qcx::StoredRegistryValues read = qcx::ParseValueFile(text);
    for (std::size_t i = 0; i < read.size(); ++i) {
        const qcx::StoredRegistryValue& value = read[i];
        Check(value.type != qcx::RegistryValueType::kNumber || value.content.size() == 4, "a number is four bytes");
        for (std::size_t j = 0; j < i; ++j)
            Check(!qcx::RegistryNamesEqual(read[j].name, value.name), "each name is read once");
    }

    const std::string written = qcx::FormatValueFile(kKeyPath, read);
    const qcx::StoredRegistryValues reread = qcx::ParseValueFile(written);
    Check(SameValues(read, reread), "what is read is written back unchanged");
    Check(qcx::FormatValueFile(kKeyPath, reread) == written, "writing the same values gives the same bytes");
    return 0;
}
