// The values of one registry key as the file store keeps them, and the text
// of its value file. Pure text in, values out and back: the store adds the
// files, and the parser can be tried on any bytes without a file system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "camera/platform/registry_backing.h"

namespace qcx {

struct StoredRegistryValue {
    std::string name;
    RegistryValueType type = RegistryValueType::kBytes;
    std::vector<std::uint8_t> content;  // a number as its 4 bytes, least significant first
};
using StoredRegistryValues = std::vector<StoredRegistryValue>;

// Value and key names compare as the registry compares them: ASCII letters
// without regard to case.
bool RegistryNamesEqual(std::string_view a, std::string_view b);
StoredRegistryValues::iterator FindStoredValue(StoredRegistryValues& values, std::string_view name);

// A name that one line of the value file can hold.
bool IsStorableRegistryName(std::string_view name);

std::vector<std::uint8_t> RegistryNumberBytes(std::uint32_t value);

// The whole file: header, the key's line, one line per value.
std::string FormatValueFile(std::string_view keyPath, const StoredRegistryValues& values);

// The values of a file's text. The header and key lines carry nothing that
// is read back; a line that does not parse is a missing value. A last line
// without its line end was cut short and is not trusted; a name given twice
// keeps its first place and its last value.
StoredRegistryValues ParseValueFile(std::string_view text);

}  // namespace qcx
