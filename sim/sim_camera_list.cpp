#include "sim/sim_camera_list.h"

#include <optional>

namespace qcx {
namespace {

std::string_view Trim(std::string_view s) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const auto first = s.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(kSpace);
    return s.substr(first, last - first + 1);
}

// Digits only (no sign, no spaces), value at most `max`.
std::optional<std::uint32_t> ParseNumber(std::string_view s, std::uint32_t max) {
    unsigned base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    if (s.empty()) return std::nullopt;
    std::uint64_t value = 0;
    for (const char c : s) {
        unsigned digit;
        if (c >= '0' && c <= '9') {
            digit = static_cast<unsigned>(c - '0');
        } else if (base == 16 && c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (base == 16 && c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return std::nullopt;
        }
        value = value * base + digit;
        if (value > max) return std::nullopt;
    }
    return static_cast<std::uint32_t>(value);
}

std::optional<std::uint32_t> ParseDecimal(std::string_view s, std::uint32_t max) {
    if (s.size() > 1 && (s[1] == 'x' || s[1] == 'X')) return std::nullopt;
    return ParseNumber(s, max);
}

std::optional<SimCameraIdentity> ParseEntry(std::string_view entry, std::size_t position) {
    constexpr std::string_view kUsbPrefix = "usb:";
    const bool onUsb = entry.substr(0, kUsbPrefix.size()) == kUsbPrefix;
    if (onUsb) entry.remove_prefix(kUsbPrefix.size());
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const auto colon = entry.find(':', start);
        fields.push_back(entry.substr(start, colon == std::string_view::npos ? colon : colon - start));
        if (colon == std::string_view::npos) break;
        start = colon + 1;
    }
    if (fields.size() > 3) return std::nullopt;

    SimCameraIdentity identity;
    identity.onUsb = onUsb;
    const auto type = ParseDecimal(fields[0], 0xFF);
    if (!type) return std::nullopt;
    identity.deviceType = static_cast<std::uint8_t>(*type);

    if (fields.size() > 1) {
        const auto number = ParseDecimal(fields[1], 0xFF);
        if (!number) return std::nullopt;
        identity.deviceNumber = static_cast<std::uint8_t>(*number);
    } else {
        // More than 256 cameras cannot be attached anyway; wrap rather than fail.
        identity.deviceNumber = static_cast<std::uint8_t>(position);
    }

    identity.firmwareVersion = kDefaultSimFirmwareVersion;
    if (fields.size() > 2) {
        const auto firmware = ParseNumber(fields[2], 0xFFFF);
        if (!firmware) return std::nullopt;
        identity.firmwareVersion = static_cast<std::uint16_t>(*firmware);
    }
    return identity;
}

}  // namespace

SimCameraList ParseSimCameraList(std::string_view text) {
    SimCameraList list;
    if (text.empty()) return list;

    std::size_t start = 0;
    while (true) {
        const auto comma = text.find(',', start);
        const std::string_view raw =
            text.substr(start, comma == std::string_view::npos ? comma : comma - start);
        if (const auto identity = ParseEntry(Trim(raw), list.cameras.size())) {
            list.cameras.push_back(*identity);
        } else {
            list.warnings.push_back("qcxapi: ignoring QCX_SIM entry '" + std::string(raw) + "'");
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return list;
}

}  // namespace qcx
