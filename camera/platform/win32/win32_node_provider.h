// Real cameras on Windows through the camera's kernel driver: driver node n
// is the device "\\.\zelvicam-<'0' + n>", a request record goes to it as an
// I/O control request and a frame as one overlapped read.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "camera/platform/driver_node.h"

namespace qcx {

// One opened driver node with its frame event. Closes both on destruction.
class Win32Node final : public DriverNode {
public:
    // Takes ownership of `device` (opened for overlapped I/O). Null when no
    // event can be made.
    static std::unique_ptr<Win32Node> Adopt(HANDLE device, std::string name);
    ~Win32Node() override;
    Win32Node(const Win32Node&) = delete;
    Win32Node& operator=(const Win32Node&) = delete;

    bool IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data,
                   std::uint32_t dataSize) override;
    FrameReadResult ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) override;
    bool IsGone() const override { return gone_.load(std::memory_order_relaxed); }
    std::string Description() const override { return name_; }

private:
    Win32Node(HANDLE device, HANDLE frameEvent, std::string name);
    void NoteError(DWORD error);

    HANDLE device_;
    HANDLE frameEvent_;  // manual reset, in every frame read's overlapped record
    std::string name_;
    std::atomic<bool> gone_{false};
};

class Win32NodeProvider final : public NodeProvider {
public:
    // Nodes that exist, whether or not someone holds them open.
    int CountNodes() override;
    // The `localIndex`-th existing node, opened; null when it is held or gone.
    std::unique_ptr<DriverNode> OpenNode(int localIndex) override;

    // "\\.\zelvicam-0" ... "\\.\zelvicam-O".
    static std::string NodeName(int node);
};

}  // namespace qcx
