// Turning a driver request record back into the USB control transfer it
// stands for, the way the kernel driver would.
#pragma once

#include <cstdint>
#include <optional>

#include "camera/platform/request_record.h"

namespace qcx {

// A control transfer has exactly the fields of the setup packet it came from.
using ControlTransfer = SetupPacket;

// The transfer for `record`, whose data buffer holds `dataSize` bytes. Null
// when the record cannot have come from a setup packet (a field wider than
// 16 bits, a direction byte that contradicts bmRequestType) or when the
// buffer is smaller than wLength. The record's buffer address is not used:
// the buffer travels beside the record.
std::optional<ControlTransfer> ControlTransferFromRecord(const RequestRecordBytes& record,
                                                         std::uint32_t dataSize);

}  // namespace qcx
