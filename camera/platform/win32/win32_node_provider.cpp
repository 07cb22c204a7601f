#include "camera/platform/win32/win32_node_provider.h"

#include <new>

namespace qcx {
namespace {

constexpr int kNodeNames = 32;
constexpr DWORD kRequestWaitMs = 5000;

HANDLE OpenDevice(const std::string& name) {
    // Read and write, no sharing: an open node belongs to one camera object.
    return CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED,
                       nullptr);
}

// The node is there, whether this open got it or someone else holds it.
bool NodeExists(const std::string& name) {
    HANDLE device = OpenDevice(name);
    if (device != INVALID_HANDLE_VALUE) {
        CloseHandle(device);
        return true;
    }
    const DWORD error = GetLastError();
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
}

// Errors by which a driver says its device has gone from the bus.
bool MeansDeviceGone(DWORD error) {
    return error == ERROR_DEVICE_NOT_CONNECTED || error == ERROR_DEVICE_REMOVED ||
           error == ERROR_FILE_NOT_FOUND || error == ERROR_BAD_COMMAND;
}

// A wait that must end: the I/O cannot be left running over a buffer that
// the caller is about to reuse.
void CancelAndDrain(HANDLE device, OVERLAPPED* overlapped) {
    CancelIo(device);
    DWORD ignored = 0;
    GetOverlappedResult(device, overlapped, &ignored, TRUE);
}

}  // namespace

std::string Win32NodeProvider::NodeName(int node) {
    return std::string("\\\\.\\zelvicam-") + static_cast<char>('0' + node);
}

int Win32NodeProvider::CountNodes() {
    int count = 0;
    for (int n = 0; n < kNodeNames; ++n) {
        if (NodeExists(NodeName(n))) ++count;
    }
    return count;
}

std::unique_ptr<DriverNode> Win32NodeProvider::OpenNode(int localIndex) {
    int seen = 0;
    for (int n = 0; n < kNodeNames; ++n) {
        const std::string name = NodeName(n);
        if (!NodeExists(name)) continue;
        if (seen++ != localIndex) continue;
        HANDLE device = OpenDevice(name);
        if (device == INVALID_HANDLE_VALUE) return nullptr;
        return Win32Node::Adopt(device, name);
    }
    return nullptr;
}

std::unique_ptr<Win32Node> Win32Node::Adopt(HANDLE device, std::string name) {
    HANDLE frameEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (frameEvent == nullptr) {
        CloseHandle(device);
        return nullptr;
    }
    std::unique_ptr<Win32Node> node(new (std::nothrow) Win32Node(device, frameEvent, std::move(name)));
    if (!node) {
        CloseHandle(frameEvent);
        CloseHandle(device);
    }
    return node;
}

Win32Node::Win32Node(HANDLE device, HANDLE frameEvent, std::string name)
    : device_(device), frameEvent_(frameEvent), name_(std::move(name)) {}

Win32Node::~Win32Node() {
    CloseHandle(frameEvent_);
    CloseHandle(device_);
}

void Win32Node::NoteError(DWORD error) {
    if (MeansDeviceGone(error)) gone_.store(true, std::memory_order_relaxed);
}

bool Win32Node::IoControl(std::uint32_t code, const RequestRecordBytes& record, void* data, std::uint32_t dataSize) {
    HANDLE done = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (done == nullptr) return false;
    OVERLAPPED overlapped{};
    overlapped.hEvent = done;
    DWORD returned = 0;
    // A request the driver leaves pending counts as failed; it is cancelled
    // before its record and buffer go out of scope.
    const BOOL ok = DeviceIoControl(device_, code, const_cast<std::uint8_t*>(record.data()),
                                    static_cast<DWORD>(record.size()), data, dataSize, &returned, &overlapped);
    const DWORD error = ok ? ERROR_SUCCESS : GetLastError();
    if (!ok) {
        if (error == ERROR_IO_PENDING) CancelAndDrain(device_, &overlapped);
        NoteError(error);
        CloseHandle(done);
        return false;
    }
    WaitForSingleObject(done, kRequestWaitMs);
    CloseHandle(done);
    return true;
}

FrameReadResult Win32Node::ReadFrame(void* buffer, std::uint32_t size, std::uint32_t timeoutMs) {
    FrameReadResult result;
    OVERLAPPED overlapped{};
    overlapped.hEvent = frameEvent_;
    ResetEvent(frameEvent_);
    if (!ReadFile(device_, buffer, size, nullptr, &overlapped)) {
        const DWORD error = GetLastError();
        if (error != ERROR_IO_PENDING) {
            // Nothing was started, so nothing will signal the event.
            NoteError(error);
            result.kind = FrameReadResult::Kind::Failed;
            result.errorCode = error;
            return result;
        }
    }
    if (WaitForSingleObject(frameEvent_, timeoutMs) != WAIT_OBJECT_0) {
        CancelAndDrain(device_, &overlapped);
        result.kind = FrameReadResult::Kind::TimedOut;
        return result;
    }
    DWORD bytes = 0;
    if (!GetOverlappedResult(device_, &overlapped, &bytes, TRUE)) {
        const DWORD error = GetLastError();
        NoteError(error);
        result.kind = FrameReadResult::Kind::Failed;
        result.errorCode = error;
        return result;
    }
    result.kind = FrameReadResult::Kind::Completed;
    result.bytesRead = bytes;
    return result;
}

}  // namespace qcx
