// Which USB devices are cameras: vendor:product pairs, a built-in default plus
// the ones named in QCX_USB_IDS.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qcx {

struct UsbDeviceId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;

    friend bool operator==(const UsbDeviceId&, const UsbDeviceId&) = default;
};

// The camera's controller with its bulk firmware (Cypress FX2). This is the
// default; QCX_USB_IDS adds further ids beside it.
inline constexpr UsbDeviceId kDefaultUsbDeviceId{0x04B4, 0x1004};

// Parses "vvvv:pppp,vvvv:pppp,..." (hex, 1 to 4 digits each, optional 0x).
// Blanks around entries and empty entries are skipped; an entry that does not
// parse is left out and, when `warnings` is given, described there. Null
// text gives an empty list.
std::vector<UsbDeviceId> ParseUsbDeviceIds(const char* text, std::vector<std::string>* warnings);

// The default id followed by the parsed QCX_USB_IDS ids, without repeats.
// Writes one line to stderr per entry it ignores.
std::vector<UsbDeviceId> UsbDeviceIdsFromEnvironment();

}  // namespace qcx
