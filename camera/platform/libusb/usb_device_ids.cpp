#include "camera/platform/libusb/usb_device_ids.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string_view>

namespace qcx {

namespace {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::uint16_t> ParseHex16(std::string_view s) {
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) s.remove_prefix(2);
    if (s.empty() || s.size() > 4) return std::nullopt;
    unsigned value = 0;
    for (char c : s) {
        const int d = HexDigit(c);
        if (d < 0) return std::nullopt;
        value = value * 16 + static_cast<unsigned>(d);
    }
    return static_cast<std::uint16_t>(value);
}

std::optional<UsbDeviceId> ParseEntry(std::string_view entry) {
    const auto colon = entry.find(':');
    if (colon == std::string_view::npos) return std::nullopt;
    const auto vendor = ParseHex16(Trim(entry.substr(0, colon)));
    const auto product = ParseHex16(Trim(entry.substr(colon + 1)));
    if (!vendor || !product) return std::nullopt;
    return UsbDeviceId{*vendor, *product};
}

}  // namespace

std::vector<UsbDeviceId> ParseUsbDeviceIds(const char* text, std::vector<std::string>* warnings) {
    std::vector<UsbDeviceId> ids;
    if (text == nullptr) return ids;
    std::string_view rest(text);
    while (true) {
        const auto comma = rest.find(',');
        const std::string_view entry = Trim(rest.substr(0, comma));
        if (!entry.empty()) {
            if (const auto id = ParseEntry(entry)) {
                ids.push_back(*id);
            } else if (warnings != nullptr) {
                warnings->push_back("qcxapi: ignoring QCX_USB_IDS entry '" + std::string(entry) + "'");
            }
        }
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return ids;
}

std::vector<UsbDeviceId> UsbDeviceIdsFromEnvironment() {
    std::vector<UsbDeviceId> ids{kDefaultUsbDeviceId};
    std::vector<std::string> warnings;
    for (const UsbDeviceId& id : ParseUsbDeviceIds(std::getenv("QCX_USB_IDS"), &warnings)) {
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    for (const std::string& w : warnings) std::fprintf(stderr, "%s\n", w.c_str());
    return ids;
}

}  // namespace qcx
