#include "camera/platform/libusb/usb_control_transfer.h"

namespace qcx {

std::optional<ControlTransfer> ControlTransferFromRecord(const RequestRecordBytes& record,
                                                         std::uint32_t dataSize) {
    const RequestRecord r = RequestRecord::Decode(record.data());
    if (r.wValue > 0xFFFF || r.wIndex > 0xFFFF || r.wLength > 0xFFFF) return std::nullopt;
    // Only 0x80 and 0 are directions; anything else is a corrupt record.
    if (r.direction != (r.bmRequestType & 0x80)) return std::nullopt;
    if (dataSize < r.wLength) return std::nullopt;

    ControlTransfer t;
    t.bmRequestType = r.bmRequestType;
    t.bRequest = r.bRequest;
    t.wValue = static_cast<std::uint16_t>(r.wValue);
    t.wIndex = static_cast<std::uint16_t>(r.wIndex);
    t.wLength = static_cast<std::uint16_t>(r.wLength);
    return t;
}

}  // namespace qcx
