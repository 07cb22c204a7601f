// A frame read from a camera's bulk endpoint as a queue of asynchronous
// transfers: a large frame never asks the kernel for more transfer memory
// than a few transfers hold, and a padded last packet lands in a scratch
// tail instead of overflowing the caller's buffer.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

#include "camera/platform/driver_node.h"

struct libusb_context;
struct libusb_device_handle;
struct libusb_transfer;

namespace qcx {

// Each transfer moves at most this much. The kernel grants all programs
// together 16 MiB of transfer memory by default (usbfs_memory_mb), so four
// 5-megapixel cameras can read at once with kQueuedTransfers each in flight.
inline constexpr std::uint32_t kFrameTransferBytes = 1u << 20;
inline constexpr int kQueuedTransfers = 3;

class UsbFrameReader {
public:
    UsbFrameReader(libusb_context* context, libusb_device_handle* handle, std::uint8_t endpoint,
                   std::uint16_t maxPacketSize);
    ~UsbFrameReader();
    UsbFrameReader(const UsbFrameReader&) = delete;
    UsbFrameReader& operator=(const UsbFrameReader&) = delete;

    bool Ready() const { return ready_; }

    // One frame of at most `size` bytes within `timeoutMs`:
    //  - Completed when the frame ended: all of it, or less when the camera
    //    ended it early with a short packet;
    //  - TimedOut when the deadline came first, even if part of the frame
    //    came (the rest would be the start of the next read);
    //  - Failed on a transfer error, with the libusb error code (positive)
    //    and its name. A stalled endpoint is cleared before returning.
    FrameReadResult Read(void* buffer, std::uint32_t size, std::uint32_t timeoutMs);

    // True once a transfer found the camera gone.
    bool SawNoDevice() const { return sawNoDevice_; }

private:
    struct Slot {
        libusb_transfer* transfer = nullptr;
        std::atomic<bool> done{false};
        bool busy = false;
        std::size_t piece = 0;
    };
    struct Piece {
        std::uint32_t offset = 0;
        std::uint32_t length = 0;  // bytes of the frame
        bool tail = false;         // read into the scratch tail, a whole packet long
    };

    static void Finished(libusb_transfer* transfer);
    std::vector<Piece> Plan(std::uint32_t size) const;
    void CancelBusy();

    libusb_context* context_;
    libusb_device_handle* handle_;
    std::uint8_t endpoint_;
    std::uint16_t maxPacketSize_;
    std::array<Slot, kQueuedTransfers> slots_;
    std::vector<unsigned char> scratch_;
    bool ready_ = false;
    bool sawNoDevice_ = false;
};

}  // namespace qcx
