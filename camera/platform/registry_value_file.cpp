// The text of a value file, written like a registry export:
//
//     Windows Registry Editor Version 5.00
//
//     [HKEY_LOCAL_MACHINE\SOFTWARE\Vantorix\QCXAPI\Compossor]
//     "fccType"=dword:73646976
//     "lpFormat"=hex:01,02,ff
//
#include "camera/platform/registry_value_file.h"

#include <cstdio>

namespace qcx {
namespace {

constexpr char kExportHeader[] = "Windows Registry Editor Version 5.00";
constexpr char kHiveName[] = "HKEY_LOCAL_MACHINE";
constexpr char kNumberPrefix[] = "dword:";
constexpr char kBytesPrefix[] = "hex:";
// The registry's own limit on the length of a value name.
constexpr std::size_t kMaxValueNameLength = 16383;

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::uint32_t NumberFromBytes(const std::vector<std::uint8_t>& bytes) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4 && i < bytes.size(); ++i) value |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
    return value;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "@" is the key's unnamed value; other names are quoted, with '"' and '\'
// escaped by a backslash as registry exports do.
void AppendName(std::string& out, std::string_view name) {
    if (name.empty()) {
        out += '@';
        return;
    }
    out += '"';
    for (char c : name) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
}

void AppendContent(std::string& out, const StoredRegistryValue& value) {
    static constexpr char kDigits[] = "0123456789abcdef";
    if (value.type == RegistryValueType::kNumber) {
        char text[16];
        std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(NumberFromBytes(value.content)));
        out += kNumberPrefix;
        out += text;
        return;
    }
    out += kBytesPrefix;
    for (std::size_t i = 0; i < value.content.size(); ++i) {
        if (i > 0) out += ',';
        out += kDigits[value.content[i] >> 4];
        out += kDigits[value.content[i] & 0xF];
    }
}

// Reads the name at the start of `line`; `pos` is left after it.
bool ParseName(std::string_view line, std::size_t& pos, std::string& name) {
    if (line.empty()) return false;
    if (line[0] == '@') {
        pos = 1;
        return true;
    }
    if (line[0] != '"') return false;
    for (pos = 1; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\0') return false;
        if (c == '\\') {
            if (pos + 1 >= line.size() || (line[pos + 1] != '\\' && line[pos + 1] != '"')) return false;
            c = line[++pos];
        }
        name += c;
    }
    return false;  // no closing quote
}

// Exactly eight hex digits.
bool ParseNumber(std::string_view text, std::vector<std::uint8_t>& content) {
    if (text.size() != 8) return false;
    std::uint32_t value = 0;
    for (char c : text) {
        int digit = HexDigit(c);
        if (digit < 0) return false;
        value = (value << 4) | static_cast<std::uint32_t>(digit);
    }
    content = RegistryNumberBytes(value);
    return true;
}

// Bytes of two hex digits each, separated by single commas; nothing for none.
bool ParseBytes(std::string_view text, std::vector<std::uint8_t>& content) {
    content.clear();
    if (text.empty()) return true;
    if (text.size() % 3 != 2) return false;
    content.reserve(text.size() / 3 + 1);
    for (std::size_t i = 0; i < text.size(); i += 3) {
        int high = HexDigit(text[i]);
        int low = HexDigit(text[i + 1]);
        if (high < 0 || low < 0 || (i + 2 < text.size() && text[i + 2] != ',')) return false;
        content.push_back(static_cast<std::uint8_t>(high << 4 | low));
    }
    return true;
}

bool ParseValueLine(std::string_view line, StoredRegistryValue& value) {
    std::size_t pos = 0;
    if (!ParseName(line, pos, value.name) || pos >= line.size() || line[pos] != '=') return false;
    std::string_view data = line.substr(pos + 1);
    if (data.starts_with(kNumberPrefix)) {
        value.type = RegistryValueType::kNumber;
        return ParseNumber(data.substr(sizeof kNumberPrefix - 1), value.content);
    }
    if (data.starts_with(kBytesPrefix)) {
        value.type = RegistryValueType::kBytes;
        return ParseBytes(data.substr(sizeof kBytesPrefix - 1), value.content);
    }
    return false;
}

}  // namespace

bool RegistryNamesEqual(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (FoldCase(a[i]) != FoldCase(b[i])) return false;
    return true;
}

StoredRegistryValues::iterator FindStoredValue(StoredRegistryValues& values, std::string_view name) {
    for (auto it = values.begin(); it != values.end(); ++it)
        if (RegistryNamesEqual(it->name, name)) return it;
    return values.end();
}

bool IsStorableRegistryName(std::string_view name) {
    return name.size() <= kMaxValueNameLength && name.find('\n') == std::string_view::npos &&
           name.find('\0') == std::string_view::npos;
}

std::vector<std::uint8_t> RegistryNumberBytes(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

std::string FormatValueFile(std::string_view keyPath, const StoredRegistryValues& values) {
    std::string out;
    out += kExportHeader;
    out += "\n\n[";
    out += kHiveName;
    out += '\\';
    out += keyPath;
    out += "]\n";
    for (const StoredRegistryValue& value : values) {
        AppendName(out, value.name);
        out += '=';
        AppendContent(out, value);
        out += '\n';
    }
    return out;
}

StoredRegistryValues ParseValueFile(std::string_view text) {
    StoredRegistryValues values;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) break;
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        StoredRegistryValue value;
        if (!ParseValueLine(line, value)) continue;
        auto existing = FindStoredValue(values, value.name);
        if (existing == values.end()) {
            values.push_back(std::move(value));
        } else {
            existing->type = value.type;
            existing->content = std::move(value.content);
        }
    }
    return values;
}

}  // namespace qcx
