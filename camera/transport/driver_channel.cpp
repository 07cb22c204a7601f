#include "camera/transport/driver_channel.h"

#include "camera/common/status.h"

namespace qcx {

namespace {

// Sets a flag for a scope and puts its old value back.
class FlagHold {
public:
    explicit FlagHold(bool& flag) : flag_(flag), saved_(flag) { flag_ = true; }
    ~FlagHold() { flag_ = saved_; }
    FlagHold(const FlagHold&) = delete;
    FlagHold& operator=(const FlagHold&) = delete;

private:
    bool& flag_;
    bool saved_;
};

}  // namespace

int DriverChannel::Open() {
    return Open([] { return true; });
}

int DriverChannel::Open(const std::function<bool()>& accept) {
    std::lock_guard<IoMutex> hold(ioLock_);
    const FlagHold searching(recoveryHeld_);
    const bool wasLost = lost_;
    for (int n = 0; n < kMaxNodes; ++n) {
        std::unique_ptr<DriverNode> node = nodes_.OpenNode(n);
        if (!node) continue;
        std::unique_ptr<NodeClaim> claim = NodeClaim::TryClaim(node->ClaimName(n), n);
        if (!claim) continue;  // another camera object holds it
        node_ = std::move(node);
        claim_ = std::move(claim);
        lost_ = false;
        // A candidate that goes away while it is asked has dropped itself.
        if (accept() && node_) return status::kSuccess;
        node_.reset();
        claim_.reset();
    }
    // Gone candidates say nothing about this channel's own camera.
    lost_ = wasLost;
    return status::kFail;
}

int DriverChannel::Close() {
    // The node goes first: a claim outliving its node is harmless, a node
    // outliving its claim could be taken twice.
    std::lock_guard<IoMutex> hold(ioLock_);
    node_.reset();
    claim_.reset();
    lost_ = false;
    return status::kSuccess;
}

int DriverChannel::Reopen(const std::function<bool()>& accept) {
    std::lock_guard<IoMutex> hold(ioLock_);
    const bool wasLost = lost_;
    Close();
    lost_ = wasLost;
    return Open(accept);
}

void DriverChannel::SetRecovery(std::function<int()> recover) {
    std::lock_guard<IoMutex> hold(ioLock_);
    recover_ = std::move(recover);
}

void DriverChannel::RecoverIfLost() {
    if (node_ || !lost_ || !recover_ || recoveryHeld_) return;
    const FlagHold recovering(recoveryHeld_);
    // A copy: the hook may replace itself.
    const std::function<int()> recover = recover_;
    recover();
}

void DriverChannel::Lose() {
    node_.reset();
    claim_.reset();
    lost_ = true;
}

bool DriverChannel::IsOpen() const {
    std::lock_guard<IoMutex> hold(ioLock_);
    return node_ != nullptr;
}

bool DriverChannel::RendersOnReader() const {
    std::lock_guard<IoMutex> hold(ioLock_);
    return node_ != nullptr && node_->RendersOnReader();
}

std::string DriverChannel::NodeDescription() const {
    std::lock_guard<IoMutex> hold(ioLock_);
    return node_ ? node_->Description() : std::string();
}

int DriverChannel::NodeNumber() const {
    std::lock_guard<IoMutex> hold(ioLock_);
    return claim_ ? claim_->Node() : -1;
}

int DriverChannel::VendorCmd(const SetupPacket& setup, void* data) {
    std::lock_guard<IoMutex> hold(ioLock_);
    RecoverIfLost();
    if (!node_) return status::kNotInitialized;
    const RequestRecordBytes record = RequestRecord::FromSetup(setup, data).Encode();
    // The output buffer is the caller's data buffer of wLength bytes (the
    // 32-bit EEPROM write sets wLength to its 4 address bytes).
    if (!node_->IoControl(kVendorIoControlCode, record, data, setup.wLength)) {
        // Holding a dead node would keep the camera's claim, and the camera,
        // plugged in again, could not be taken back.
        if (node_->IsGone()) Lose();
        return status::kFail;
    }
    return status::kSuccess;
}

int DriverChannel::InRequest(std::uint8_t bRequest, std::uint16_t wValue, std::uint16_t wIndex,
                             std::uint8_t* data, std::uint16_t wLength) {
    SetupPacket setup;
    setup.bmRequestType = vendor::kTypeIn;
    setup.bRequest = bRequest;
    setup.wValue = wValue;
    setup.wIndex = wIndex;
    setup.wLength = wLength;
    return VendorCmd(setup, data);
}

int DriverChannel::StatusRequest(std::uint8_t bRequest, std::uint16_t wValue, std::uint16_t wIndex,
                                 std::uint8_t* data, std::uint16_t wLength) {
    const int result = InRequest(bRequest, wValue, wIndex, data, wLength);
    if (result != status::kSuccess) return result;
    return data[0] == 0 ? status::kSuccess : status::kFail;
}

int DriverChannel::ReadFx2Reg(std::uint16_t address, std::uint8_t* value) {
    std::uint8_t data[2] = {0xFF, 0};
    const int result = StatusRequest(vendor::kReadFx2Reg, address, 0, data, sizeof data);
    if (result == status::kSuccess) *value = data[1];
    return result;
}

int DriverChannel::WriteFx2Reg(std::uint16_t address, std::uint8_t value) {
    std::uint8_t data[1] = {0xFF};
    return StatusRequest(vendor::kWriteFx2Reg, address, value, data, sizeof data);
}

int DriverChannel::ReadSfr(std::uint16_t sfr, std::uint8_t* value) {
    std::uint8_t data[2] = {0xFF, 0};
    const int result = StatusRequest(vendor::kReadSfr, sfr, 0, data, sizeof data);
    if (result == status::kSuccess) *value = data[1];
    return result;
}

int DriverChannel::WriteSfr(std::uint16_t sfr, std::uint8_t value) {
    std::uint8_t data[1] = {0xFF};
    return StatusRequest(vendor::kWriteSfr, sfr, value, data, sizeof data);
}

int DriverChannel::ReadEeprom(std::uint16_t address, std::uint8_t* value) {
    std::uint8_t data[2] = {0xFF, 0};
    const int result = StatusRequest(vendor::kReadEeprom, address, 0, data, sizeof data);
    if (result == status::kSuccess) *value = data[1];
    return result;
}

int DriverChannel::WriteEeprom(std::uint16_t address, std::uint8_t value) {
    std::uint8_t data[1] = {0xFF};
    return StatusRequest(vendor::kWriteEeprom, address, value, data, sizeof data);
}

int DriverChannel::ReadEeprom32(std::uint32_t address, std::uint8_t* value) {
    std::uint8_t data[2] = {0xFF, 0};
    const int result = StatusRequest(vendor::kReadEeprom32, static_cast<std::uint16_t>(address >> 16),
                                     static_cast<std::uint16_t>(address & 0xFFFF), data, sizeof data);
    if (result == status::kSuccess) *value = data[1];
    return result;
}

int DriverChannel::WriteEeprom32(std::uint32_t address, std::uint8_t value) {
    // Host to device: the address goes in the data stage, most significant
    // byte first, and the camera sends no status back.
    std::uint8_t data[4] = {static_cast<std::uint8_t>(address >> 24), static_cast<std::uint8_t>(address >> 16),
                            static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address)};
    SetupPacket setup;
    setup.bmRequestType = vendor::kTypeOut;
    setup.bRequest = vendor::kWriteEeprom32;
    setup.wValue = 0;
    setup.wIndex = value;
    setup.wLength = sizeof data;
    return VendorCmd(setup, data);
}

int DriverChannel::ReadSensorReg(std::uint16_t reg, std::uint16_t* value) {
    std::uint8_t data[3] = {0xFF, 0, 0};
    const int result = StatusRequest(vendor::kReadSensorReg, reg, 0, data, sizeof data);
    if (result == status::kSuccess) *value = static_cast<std::uint16_t>((data[1] << 8) | data[2]);
    return result;
}

int DriverChannel::WriteSensorReg(std::uint16_t reg, std::uint16_t value) {
    std::uint8_t data[1] = {0xFF};
    return StatusRequest(vendor::kWriteSensorReg, reg, value, data, sizeof data);
}

int DriverChannel::GetDeviceInformation(DeviceInformation* info) {
    std::uint8_t data[5] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    const int result = StatusRequest(vendor::kDeviceInformation, 0, 0, data, sizeof data);
    if (result == status::kSuccess && info != nullptr) {
        info->deviceType = data[1];
        info->deviceNumber = data[2];
        info->firmwareVersion = static_cast<std::uint16_t>(data[3] | (data[4] << 8));
    }
    return result;
}

int DriverChannel::RequestGetWorkingMode(std::uint16_t* word, std::uint8_t* statusByte) {
    std::uint8_t data[3] = {0xFF, 0, 0};
    const int result = InRequest(vendor::kGetWorkingMode, 0, 0, data, sizeof data);
    *statusByte = data[0];
    if (result == status::kSuccess && data[0] == 0) *word = static_cast<std::uint16_t>(data[1] | (data[2] << 8));
    return result;
}

int DriverChannel::RequestSetWorkingMode(std::uint16_t word, std::uint8_t* statusByte) {
    std::uint8_t data[1] = {0xFF};
    const int result = InRequest(vendor::kSetWorkingMode, word, 0, data, sizeof data);
    *statusByte = data[0];
    return result;
}

FrameReadResult DriverChannel::ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) {
    std::lock_guard<IoMutex> hold(ioLock_);
    RecoverIfLost();
    if (!node_) return FrameReadResult{FrameReadResult::Kind::Failed, 0, 0};
    const FrameReadResult result = node_->ReadFrame(buffer, size, timeoutMs);
    if (result.kind == FrameReadResult::Kind::Failed && node_->IsGone()) Lose();
    return result;
}

}  // namespace qcx
