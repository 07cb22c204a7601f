// DriverChannel: a camera's claimed driver node and the vendor requests that
// travel over it to the camera's USB controller.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "camera/platform/driver_node.h"
#include "camera/common/fair_mutex.h"
#include "camera/platform/node_claim.h"
#include "camera/platform/request_record.h"
#include "camera/transport/node_directory.h"

namespace qcx {

// Fair, so that application threads get their turn between preview frames.
using IoMutex = FairRecursiveMutex;


struct DeviceInformation {
    std::uint8_t deviceType = 0;
    std::uint8_t deviceNumber = 0;
    std::uint16_t firmwareVersion = 0;
};

class DriverChannel {
public:
    explicit DriverChannel(NodeDirectory& nodes) : nodes_(nodes) {}
    ~DriverChannel() { Close(); }
    DriverChannel(const DriverChannel&) = delete;
    DriverChannel& operator=(const DriverChannel&) = delete;

    // Claims the lowest-numbered node that opens and whose claim (see
    // DriverNode::ClaimName) no camera object holds: 1, or -8 when none of
    // the 32 nodes is free.
    int Open();
    // As Open, but a node whose camera `accept` turns down (it is asked with
    // the node claimed) is let go again and the search goes on.
    int Open(const std::function<bool()>& accept);
    // Releases the node and its claim; always 1. The channel is then closed
    // on purpose, not lost.
    int Close();
    // Close followed by Open(accept). A lost channel whose camera is not
    // found stays lost, so the next request tries again.
    int Reopen(const std::function<bool()>& accept);

    // The way back for a lost channel, the channel having dropped a node
    // whose device was unplugged: called with the I/O lock held before the
    // next vendor request or frame read, once for each of them, until the
    // channel is open again. It is never started from within itself nor
    // while a node is searched for. Null: a lost channel stays closed.
    void SetRecovery(std::function<int()> recover);

    // The node changes under the I/O lock (a recovery on the preview thread
    // closes and reopens it), so these look at it under the lock too.
    bool IsOpen() const;
    bool RendersOnReader() const;
    int NodeNumber() const;
    // The open node's description (see DriverNode::Description).
    std::string NodeDescription() const;

    // Serialises vendor requests and frame reads of this camera; re-entrant
    // for the thread that holds it (recovery re-enters it).
    IoMutex& IoLock() { return ioLock_; }

    // One vendor request: `data` holds at least `wLength` bytes (4 for the
    // 32-bit EEPROM write). -5 without a node, -8 when the driver refuses, 1.
    // A refusal by a node whose device is gone also drops the node and its
    // claim, and the channel is lost.
    int VendorCmd(const SetupPacket& setup, void* data);

    // Typed requests: -5 without a node, the vendor request's status when it
    // is not 1, -8 when the camera's status byte is not 0, else 1. Reads store
    // their value only on success.
    int ReadFx2Reg(std::uint16_t address, std::uint8_t* value);
    int WriteFx2Reg(std::uint16_t address, std::uint8_t value);
    int ReadSfr(std::uint16_t sfr, std::uint8_t* value);
    int WriteSfr(std::uint16_t sfr, std::uint8_t value);
    int ReadEeprom(std::uint16_t address, std::uint8_t* value);
    int WriteEeprom(std::uint16_t address, std::uint8_t value);
    int ReadEeprom32(std::uint32_t address, std::uint8_t* value);
    int WriteEeprom32(std::uint32_t address, std::uint8_t value);
    int ReadSensorReg(std::uint16_t reg, std::uint16_t* value);
    int WriteSensorReg(std::uint16_t reg, std::uint16_t value);
    int GetDeviceInformation(DeviceInformation* info);

    // The working-mode requests, returning the vendor request's status and
    // the camera's status byte separately: the device logs them apart.
    int RequestGetWorkingMode(std::uint16_t* word, std::uint8_t* statusByte);
    int RequestSetWorkingMode(std::uint16_t word, std::uint8_t* statusByte);

    // A bounded frame read on the claimed node (Failed without a node). A
    // failed read on a node whose device is gone loses the channel as a
    // vendor request does.
    FrameReadResult ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs);

private:
    // Runs the recovery of a lost channel, unless one is under way.
    void RecoverIfLost();
    // Drops the node of a device that is gone, with its claim.
    void Lose();

    // A 0xC0 request whose answer starts with the status byte.
    int InRequest(std::uint8_t bRequest, std::uint16_t wValue, std::uint16_t wIndex, std::uint8_t* data,
                  std::uint16_t wLength);
    // InRequest followed by the status byte test.
    int StatusRequest(std::uint8_t bRequest, std::uint16_t wValue, std::uint16_t wIndex, std::uint8_t* data,
                      std::uint16_t wLength);

    NodeDirectory& nodes_;
    std::unique_ptr<DriverNode> node_;
    std::unique_ptr<NodeClaim> claim_;
    // The node went away with its device rather than by Close.
    bool lost_ = false;
    std::function<int()> recover_;
    // Set while the recovery runs or a node is searched for: a request made
    // then goes to the candidate node or fails, it never starts a recovery.
    bool recoveryHeld_ = false;
    mutable IoMutex ioLock_;
};

}  // namespace qcx
