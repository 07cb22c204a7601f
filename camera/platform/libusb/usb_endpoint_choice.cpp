#include "camera/platform/libusb/usb_endpoint_choice.h"

#include <cerrno>
#include <cstdlib>
#include <tuple>

namespace qcx {

namespace {

std::optional<unsigned long> ParseField(const std::string& field, unsigned long max) {
    if (field.empty() || field.find_first_of(" \t+-") != std::string::npos) return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(field.c_str(), &end, 0);
    if (errno != 0 || end == field.c_str() || *end != '\0' || value > max) return std::nullopt;
    return value;
}

}  // namespace

std::optional<EndpointOverride> ParseEndpointOverride(const char* text, std::string* warning) {
    if (text == nullptr || text[0] == '\0') return std::nullopt;
    const std::string all(text);
    const std::size_t comma = all.find(',');
    const auto address = ParseField(all.substr(0, comma), 0xFF);
    std::optional<unsigned long> alt;
    if (comma != std::string::npos) alt = ParseField(all.substr(comma + 1), 0xFF);
    const bool bulkIn = address && (*address & 0x80) != 0 && (*address & 0x70) == 0 && (*address & 0x0F) != 0;
    if (!bulkIn || (comma != std::string::npos && !alt)) {
        if (warning) *warning = "qcxapi: ignoring QCX_USB_ENDPOINT '" + all + "' (want an IN endpoint such as 0x86 or 0x86,1)";
        return std::nullopt;
    }
    EndpointOverride result;
    result.address = static_cast<std::uint8_t>(*address);
    if (alt) result.altSetting = static_cast<std::uint8_t>(*alt);
    return result;
}

std::optional<BulkInEndpoint> ChooseFrameEndpoint(const std::vector<BulkInEndpoint>& endpoints,
                                                  const std::optional<EndpointOverride>& override) {
    std::optional<BulkInEndpoint> best;
    for (const BulkInEndpoint& e : endpoints) {
        if (override) {
            if (e.address != override->address) continue;
            if (override->altSetting && e.altSetting != *override->altSetting) continue;
            if (!best || e.altSetting < best->altSetting) best = e;
            continue;
        }
        const auto rank = [](const BulkInEndpoint& x) {
            return std::make_tuple(x.maxPacketSize, x.address, -static_cast<int>(x.altSetting));
        };
        if (!best || rank(e) > rank(*best)) best = e;
    }
    return best;
}

}  // namespace qcx
