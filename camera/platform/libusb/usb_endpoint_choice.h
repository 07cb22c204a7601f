// Which bulk IN endpoint of a camera carries its frames, and in which
// alternate setting of the camera's interface.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qcx {

// One bulk IN endpoint as an interface descriptor lists it.
struct BulkInEndpoint {
    std::uint8_t address = 0;     // 0x81 ... 0x8F
    std::uint8_t altSetting = 0;
    std::uint16_t maxPacketSize = 0;
};

// QCX_USB_ENDPOINT=0x86[,ALT]: the endpoint, and the alternate setting when given.
struct EndpointOverride {
    std::uint8_t address = 0;
    std::optional<std::uint8_t> altSetting;
};

// Parses "0x86", "134", "0x86,1"; nullopt (with `warning` set) for anything
// else. Null or empty text gives nullopt without a warning.
std::optional<EndpointOverride> ParseEndpointOverride(const char* text, std::string* warning);

// The frame endpoint among `endpoints` (those of the camera's interface, all
// alternate settings). Without an override: the largest packet size, then
// the highest address, then the lowest alternate setting; firmware lists its
// endpoints in no promised order and small ones carry status, not frames.
// With one: that endpoint, in the given setting or the first that has it.
std::optional<BulkInEndpoint> ChooseFrameEndpoint(const std::vector<BulkInEndpoint>& endpoints,
                                                  const std::optional<EndpointOverride>& override);

}  // namespace qcx
