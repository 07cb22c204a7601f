#include "camera/platform/libusb/usb_frame_reader.h"

#include <libusb.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace qcx {

namespace {

// Once per process: the cure for a kernel that refuses transfer memory.
void ReportNoTransferMemory() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::fprintf(stderr,
                     "qcxapi: the kernel refused USB transfer memory (LIBUSB_ERROR_NO_MEM): the cameras read "
                     "at once need more than /sys/module/usbcore/parameters/usbfs_memory_mb allows (16 MiB by "
                     "default); raise it, for example: echo 256 | sudo tee "
                     "/sys/module/usbcore/parameters/usbfs_memory_mb\n");
    });
}

int ErrorOfStatus(int status) {
    switch (status) {
        case LIBUSB_TRANSFER_STALL: return LIBUSB_ERROR_PIPE;
        case LIBUSB_TRANSFER_NO_DEVICE: return LIBUSB_ERROR_NO_DEVICE;
        case LIBUSB_TRANSFER_OVERFLOW: return LIBUSB_ERROR_OVERFLOW;
        case LIBUSB_TRANSFER_TIMED_OUT: return LIBUSB_ERROR_TIMEOUT;
        default: return LIBUSB_ERROR_IO;
    }
}

}  // namespace

UsbFrameReader::UsbFrameReader(libusb_context* context, libusb_device_handle* handle, std::uint8_t endpoint,
                               std::uint16_t maxPacketSize)
    : context_(context), handle_(handle), endpoint_(endpoint), maxPacketSize_(std::max<std::uint16_t>(maxPacketSize, 1)),
      scratch_(maxPacketSize_) {
    ready_ = true;
    for (Slot& slot : slots_) {
        slot.transfer = libusb_alloc_transfer(0);
        ready_ = ready_ && slot.transfer != nullptr;
    }
}

UsbFrameReader::~UsbFrameReader() {
    for (Slot& slot : slots_) {
        if (slot.transfer) libusb_free_transfer(slot.transfer);
    }
}

void LIBUSB_CALL UsbFrameReader::Finished(libusb_transfer* transfer) {
    // Any thread that handles the context's events may run this; the reader
    // looks at the flag after each round of event handling.
    static_cast<Slot*>(transfer->user_data)->done.store(true, std::memory_order_release);
}

std::vector<UsbFrameReader::Piece> UsbFrameReader::Plan(std::uint32_t size) const {
    std::vector<Piece> pieces;
    std::uint32_t offset = 0;
    while (offset < size) {
        const std::uint32_t left = size - offset;
        Piece piece;
        piece.offset = offset;
        if (left >= kFrameTransferBytes) {
            piece.length = kFrameTransferBytes;
        } else if (left >= maxPacketSize_) {
            piece.length = left / maxPacketSize_ * maxPacketSize_;
        } else {
            // A camera may pad its last packet to full size: a transfer of the
            // exact remainder would overflow.
            piece.length = left;
            piece.tail = true;
        }
        pieces.push_back(piece);
        offset += piece.length;
    }
    return pieces;
}

void UsbFrameReader::CancelBusy() {
    for (Slot& slot : slots_) {
        if (slot.busy && !slot.done.load(std::memory_order_acquire)) libusb_cancel_transfer(slot.transfer);
    }
}

FrameReadResult UsbFrameReader::Read(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) {
    using Kind = FrameReadResult::Kind;
    using Clock = std::chrono::steady_clock;
    FrameReadResult result;
    if (!ready_ || buffer == nullptr) {
        result.errorCode = static_cast<std::uint32_t>(-LIBUSB_ERROR_INVALID_PARAM);
        result.detail = libusb_error_name(LIBUSB_ERROR_INVALID_PARAM);
        return result;
    }
    // No transfer completes in no time.
    if (timeoutMs == 0 || size == 0) {
        result.kind = size == 0 ? Kind::Completed : Kind::TimedOut;
        return result;
    }

    auto* out = static_cast<unsigned char*>(buffer);
    const std::vector<Piece> pieces = Plan(size);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::size_t next = 0;
    int inFlight = 0;
    std::uint32_t total = 0;
    bool ended = false;     // a short packet, or an error
    bool timedOut = false;
    int error = 0;

    const auto submitMore = [&] {
        for (Slot& slot : slots_) {
            if (ended || timedOut || next >= pieces.size()) return;
            if (slot.busy) continue;
            const Piece& piece = pieces[next];
            unsigned char* target = piece.tail ? scratch_.data() : out + piece.offset;
            const int length = piece.tail ? static_cast<int>(maxPacketSize_) : static_cast<int>(piece.length);
            libusb_fill_bulk_transfer(slot.transfer, handle_, endpoint_, target, length, &UsbFrameReader::Finished,
                                      &slot, 0);
            slot.done.store(false, std::memory_order_relaxed);
            slot.piece = next;
            const int rc = libusb_submit_transfer(slot.transfer);
            if (rc == LIBUSB_ERROR_NO_MEM) ReportNoTransferMemory();
            // Fewer transfers in flight still make progress.
            if (rc == LIBUSB_ERROR_NO_MEM && inFlight > 0) return;
            if (rc != 0) {
                error = rc;
                ended = true;
                return;
            }
            slot.busy = true;
            ++inFlight;
            ++next;
        }
    };

    submitMore();
    while (inFlight > 0) {
        const auto now = Clock::now();
        if (!timedOut && now >= deadline) {
            timedOut = true;
            CancelBusy();
        }
        // After the deadline only the cancelled transfers are awaited.
        const auto wait = timedOut || ended ? std::chrono::microseconds(100000)
                                            : std::chrono::ceil<std::chrono::microseconds>(deadline - now);
        timeval tv{};
        tv.tv_sec = static_cast<time_t>(wait.count() / 1000000);
        tv.tv_usec = static_cast<suseconds_t>(wait.count() % 1000000);
        // Returns after one round of event handling, by this thread or by
        // another one reading another camera of the context.
        libusb_handle_events_timeout_completed(context_, &tv, nullptr);

        // Transfers of one endpoint complete in the order they were submitted.
        for (bool progress = true; progress;) {
            progress = false;
            for (Slot& slot : slots_) {
                if (!slot.busy || !slot.done.load(std::memory_order_acquire)) continue;
                progress = true;
                slot.busy = false;
                --inFlight;
                const libusb_transfer* t = slot.transfer;
                const Piece& piece = pieces[slot.piece];
                const std::uint32_t got = std::min(static_cast<std::uint32_t>(std::max(t->actual_length, 0)), piece.length);
                if (piece.tail) std::memcpy(out + piece.offset, scratch_.data(), got);
                if (ended) continue;  // bytes after the frame's end belong to no frame
                if (t->status == LIBUSB_TRANSFER_COMPLETED || t->status == LIBUSB_TRANSFER_CANCELLED) {
                    total += got;
                    if (t->status == LIBUSB_TRANSFER_COMPLETED && t->actual_length < t->length && !ended) {
                        ended = true;  // the camera ended the frame early
                        CancelBusy();
                    }
                } else {
                    error = ErrorOfStatus(t->status);
                    if (error == LIBUSB_ERROR_NO_DEVICE) sawNoDevice_ = true;
                    ended = true;
                    CancelBusy();
                }
            }
        }
        submitMore();
    }

    if (error == LIBUSB_ERROR_PIPE) libusb_clear_halt(handle_, endpoint_);
    if (error != 0) {
        result.kind = Kind::Failed;
        result.bytesRead = total;
        result.errorCode = static_cast<std::uint32_t>(-error);
        result.detail = libusb_error_name(error);
        return result;
    }
    result.bytesRead = total;
    result.kind = timedOut && !ended && total < size ? Kind::TimedOut : Kind::Completed;
    return result;
}

}  // namespace qcx
