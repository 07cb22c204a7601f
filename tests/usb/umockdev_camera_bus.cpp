#include "tests/usb/umockdev_camera_bus.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <sys/stat.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>
#include <thread>

#include "camera/platform/request_record.h"

namespace qcx {

namespace {

constexpr std::uint32_t kPacketBytes = 512;
constexpr std::uint8_t kStatusEndpoint = 0x81;  // listed first, never sends anything
constexpr std::uint8_t kFrameEndpoint = 0x86;   // only in alternate setting 1
constexpr int kFrameAltSetting = 1;
// What usbfs counts for a submitted transfer beyond its buffer.
constexpr std::uint64_t kTransferOverheadBytes = 512;
// A frame read of the firmware waits at most this long; a frame that takes
// longer (a dropped one) is lost, and nothing comes until the host gives up.
constexpr std::uint32_t kFirmwareFrameWaitMs = 2000;

// The device, configuration, interface and endpoint descriptors as one
// hex string, as sysfs gives them in "descriptors". Alternate setting 0 has
// a small status endpoint and the command endpoint; setting 1 adds the frame
// endpoint of 512-byte packets.
const char* kDescriptors =
    "12010002000000" "40" "b404" "0410" "0001" "000000" "01"  // device: 04b4:1004
    "0902" "3700" "01" "01" "00" "80" "32"                    // configuration, 55 bytes
    "0904" "00" "00" "02" "ff0000" "00"                       // interface 0, alt 0
    "0705" "81" "02" "4000" "00"                              //   0x81 bulk IN, 64
    "0705" "02" "02" "0002" "00"                              //   0x02 bulk OUT, 512
    "0904" "00" "01" "02" "ff0000" "00"                       // interface 0, alt 1
    "0705" "81" "02" "4000" "00"                              //   0x81 bulk IN, 64
    "0705" "86" "02" "0002" "00";                             //   0x86 bulk IN, 512

struct Urb {
    UMockdevIoctlData* urb = nullptr;     // the client's usbdevfs_urb, resolved
    UMockdevIoctlData* buffer = nullptr;  // its buffer, resolved
    std::uint64_t seq = 0;
    std::uint64_t chargedBytes = 0;
    int filled = 0;

    usbdevfs_urb* Fields() const { return reinterpret_cast<usbdevfs_urb*>(urb->data); }
    int Length() const { return Fields()->buffer_length; }
};

void Release(Urb& u) {
    if (u.buffer) umockdev_ioctl_data_unref(u.buffer);
    if (u.urb) umockdev_ioctl_data_unref(u.urb);
    u.buffer = u.urb = nullptr;
}

}  // namespace

struct UmockdevCameraBus::Shared {
    UMockdevTestbed* testbed = nullptr;
    std::mutex memoryLock;
    std::uint64_t memoryLimit = 0;
    std::uint64_t memoryInUse = 0;

    bool Charge(std::uint64_t bytes) {
        std::lock_guard<std::mutex> hold(memoryLock);
        if (memoryLimit != 0 && memoryInUse + bytes > memoryLimit) return false;
        memoryInUse += bytes;
        return true;
    }
    void Refund(std::uint64_t bytes) {
        std::lock_guard<std::mutex> hold(memoryLock);
        memoryInUse -= std::min(memoryInUse, bytes);
    }
};

struct UmockdevCameraBus::Device {
    std::shared_ptr<SimCamera> camera;
    std::shared_ptr<Shared> shared;
    std::uint32_t connection = 0;
    int address = 0;
    std::string devnode;
    std::string syspath;
    UsbDeviceLook look;
    UMockdevIoctlBase* handler = nullptr;
    std::thread firmware;

    std::mutex lock;  // everything below
    std::condition_variable wake;
    bool gone = false;
    bool stopping = false;
    int alt = 0;
    UMockdevIoctlClient* claimedBy = nullptr;
    bool frameEndpointHalted = false;
    int clearedHalts = 0;
    int frameEndpointUsed = 0;
    UsbFrameFaults faults;
    std::uint64_t inFlightBytes = 0;
    int vendorRequests = 0;

    std::deque<Urb> pending;  // frame transfers waiting for bytes
    std::deque<Urb> silent;   // transfers on endpoints that never send
    std::deque<Urb> done;     // completed, to be reaped
    std::uint64_t lastSubmitSeq = 0;
    std::uint64_t servedThroughSeq = 0;  // transfers up to this one ask for no new frame
    std::vector<std::uint8_t> fifo;      // bytes of the frame on its way
    std::size_t fifoPos = 0;
    std::vector<std::uint8_t> heldBack;  // the rest of a cut-off frame
    bool terminatorPending = false;      // the frame ends with a zero-length packet
    bool stalled = false;                // a lost frame: nothing comes until the host gives up
    std::uint32_t flushCount = 0;

    // --- the firmware side ---------------------------------------------

    bool NeedsFrameLocked() const {
        if (stalled || frameEndpointHalted || fifoPos < fifo.size() || !heldBack.empty() || terminatorPending)
            return false;
        return std::any_of(pending.begin(), pending.end(), [this](const Urb& u) { return u.seq > servedThroughSeq; });
    }

    void FirmwareLoop() {
        std::vector<std::uint8_t> frame;
        std::unique_lock<std::mutex> held(lock);
        while (true) {
            wake.wait(held, [this] { return stopping || (!gone && NeedsFrameLocked()); });
            if (stopping) return;
            const auto shape = camera->FrameShape();
            const std::uint32_t size =
                shape ? shape->Bytes() : static_cast<std::uint32_t>(pending.front().Length() - pending.front().filled);
            held.unlock();
            frame.resize(size);
            const FrameReadResult read = camera->ReadFrame(frame.data(), size, kFirmwareFrameWaitMs, connection);
            held.lock();
            if (read.kind == FrameReadResult::Kind::Completed) {
                LoadFrameLocked(frame.data(), read.bytesRead, size);
            } else {
                stalled = true;
            }
            FillLocked();
        }
    }

    void LoadFrameLocked(const std::uint8_t* bytes, std::uint32_t count, std::uint32_t fullSize) {
        fifo.assign(bytes, bytes + count);
        fifoPos = 0;
        // A frame that is cut short ends with a short or empty packet; a
        // whole frame only where its size is no multiple of the packet.
        terminatorPending = count < fullSize || count == 0;
        if (faults.padLastPacket && count % kPacketBytes != 0) {
            fifo.resize((count / kPacketBytes + 1) * kPacketBytes, 0);
        }
        if (faults.cutNextAfter != 0) {
            const std::size_t keep = std::min<std::size_t>(fifo.size(), faults.cutNextAfter / kPacketBytes * kPacketBytes);
            heldBack.assign(fifo.begin() + static_cast<std::ptrdiff_t>(keep), fifo.end());
            fifo.resize(keep);
            faults.cutNextAfter = 0;
        }
    }

    void CompleteLocked(Urb u, int status) {
        usbdevfs_urb* fields = u.Fields();
        fields->status = status;
        fields->actual_length = u.filled;
        inFlightBytes -= std::min(inFlightBytes, u.chargedBytes);
        shared->Refund(u.chargedBytes);
        u.chargedBytes = 0;
        done.push_back(u);
    }

    void NoticeFlushLocked() {
        const std::uint32_t flushes = camera->FlushCount();
        if (flushes == flushCount) return;
        flushCount = flushes;
        fifo.clear();
        fifoPos = 0;
        heldBack.clear();
        terminatorPending = false;
        stalled = false;
    }

    // Moves frame bytes into the waiting transfers, packet by packet.
    void FillLocked() {
        NoticeFlushLocked();
        while (!pending.empty()) {
            Urb& u = pending.front();
            if (faults.stallNext) {
                faults.stallNext = false;
                frameEndpointHalted = true;
            }
            if (frameEndpointHalted) {
                CompleteLocked(u, -EPIPE);
                pending.pop_front();
                continue;
            }
            auto* out = static_cast<std::uint8_t*>(u.buffer->data);
            int status = 1;  // still open
            while (status == 1 && u.filled < u.Length() && fifoPos < fifo.size()) {
                const std::size_t packet = std::min<std::size_t>(kPacketBytes, fifo.size() - fifoPos);
                const std::size_t room = static_cast<std::size_t>(u.Length() - u.filled);
                if (packet > room) {
                    fifoPos += packet;  // the packet is lost with the transfer
                    status = -EOVERFLOW;
                    break;
                }
                std::memcpy(out + u.filled, fifo.data() + fifoPos, packet);
                fifoPos += packet;
                u.filled += static_cast<int>(packet);
                if (packet < kPacketBytes) {
                    status = 0;  // a short packet ends the transfer and the frame
                    terminatorPending = false;
                    servedThroughSeq = lastSubmitSeq;
                }
            }
            if (status == 1 && u.filled == u.Length()) status = 0;
            if (status == 1 && fifoPos >= fifo.size() && terminatorPending && heldBack.empty()) {
                status = 0;  // the zero-length packet after a cut-short frame
                terminatorPending = false;
                servedThroughSeq = lastSubmitSeq;
            }
            if (status == 1) return;  // waits for more bytes
            CompleteLocked(u, status);
            pending.pop_front();
        }
    }

    // --- the host side: usbfs requests -----------------------------------

    static gboolean OnIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        return static_cast<Device*>(self)->HandleIoctl(client);
    }
    static void OnClientVanished(UMockdevIoctlBase*, UMockdevIoctlClient* client, gpointer self) {
        auto* device = static_cast<Device*>(self);
        std::lock_guard<std::mutex> hold(device->lock);
        if (device->claimedBy == client) device->claimedBy = nullptr;
    }

    gboolean HandleIoctl(UMockdevIoctlClient* client) {
        const unsigned long request = umockdev_ioctl_client_get_request(client);
        UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
        std::unique_lock<std::mutex> held(lock);
        // After an unplug the transfers that were under way can still be
        // reaped, as usbfs lets them; then every request finds no device.
        if (gone && (request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY) && !done.empty())
            return Reap(client, arg);
        if (gone) {
            umockdev_ioctl_client_complete(client, -1, ENODEV);
            return TRUE;
        }
        switch (request) {
            case USBDEVFS_GET_CAPABILITIES: {
                UMockdevIoctlData* caps = umockdev_ioctl_data_resolve(arg, 0, sizeof(std::uint32_t), nullptr);
                // One URB per transfer, as on a host controller that gathers.
                const std::uint32_t value = USBDEVFS_CAP_BULK_SCATTER_GATHER | USBDEVFS_CAP_BULK_CONTINUATION |
                                            USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                            USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
                std::memcpy(caps->data, &value, sizeof value);
                umockdev_ioctl_data_unref(caps);
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            }
            case USBDEVFS_CLAIMINTERFACE:
            case USBDEVFS_DISCONNECT_CLAIM:
                // One program at a time, as the kernel keeps it.
                if (claimedBy != nullptr && claimedBy != client) {
                    umockdev_ioctl_client_complete(client, -1, EBUSY);
                } else {
                    claimedBy = client;
                    umockdev_ioctl_client_complete(client, 0, 0);
                }
                return TRUE;
            case USBDEVFS_RELEASEINTERFACE:
                if (claimedBy == client) claimedBy = nullptr;
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            case USBDEVFS_SETINTERFACE: {
                UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_setinterface), nullptr);
                const auto* setting = reinterpret_cast<const usbdevfs_setinterface*>(data->data);
                const bool known = setting->interface == 0 && setting->altsetting <= 1;
                if (known) alt = static_cast<int>(setting->altsetting);
                umockdev_ioctl_data_unref(data);
                umockdev_ioctl_client_complete(client, known ? 0 : -1, known ? 0 : EINVAL);
                return TRUE;
            }
            case USBDEVFS_CLEAR_HALT: {
                UMockdevIoctlData* data = umockdev_ioctl_data_resolve(arg, 0, sizeof(unsigned int), nullptr);
                unsigned int endpoint = 0;
                std::memcpy(&endpoint, data->data, sizeof endpoint);
                umockdev_ioctl_data_unref(data);
                if (endpoint == kFrameEndpoint) {
                    if (frameEndpointHalted) ++clearedHalts;
                    frameEndpointHalted = false;
                }
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            }
            case USBDEVFS_RESET:
            case USBDEVFS_RESETEP:
                umockdev_ioctl_client_complete(client, 0, 0);
                return TRUE;
            case USBDEVFS_SUBMITURB:
                return Submit(client, arg);
            case USBDEVFS_DISCARDURB:
                return Discard(client, arg);
            case USBDEVFS_REAPURB:
            case USBDEVFS_REAPURBNDELAY:
                return Reap(client, arg);
            default:
                umockdev_ioctl_client_complete(client, -1, ENOTTY);
                return TRUE;
        }
    }

    gboolean Submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        Urb u;
        u.urb = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
        const usbdevfs_urb* fields = u.Fields();
        const int length = fields->buffer_length;
        if (length < 0 || (length > 0 && fields->buffer == nullptr)) {
            Release(u);
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        u.buffer = umockdev_ioctl_data_resolve(u.urb, offsetof(usbdevfs_urb, buffer), static_cast<gsize>(length), nullptr);
        u.seq = ++lastSubmitSeq;

        if (fields->type == USBDEVFS_URB_TYPE_CONTROL) {
            Control(u);
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        }
        const bool frameEndpoint = fields->endpoint == kFrameEndpoint && alt == kFrameAltSetting;
        const bool silentEndpoint = fields->endpoint == kStatusEndpoint || fields->endpoint == 0x02;
        if (fields->type != USBDEVFS_URB_TYPE_BULK || (!frameEndpoint && !silentEndpoint)) {
            Release(u);  // no such endpoint in the current setting
            umockdev_ioctl_client_complete(client, -1, ENOENT);
            return TRUE;
        }
        u.chargedBytes = static_cast<std::uint64_t>(length) + kTransferOverheadBytes;
        if (!shared->Charge(u.chargedBytes)) {
            Release(u);
            umockdev_ioctl_client_complete(client, -1, ENOMEM);
            return TRUE;
        }
        inFlightBytes += u.chargedBytes;
        frameEndpointUsed = fields->endpoint;
        if (!frameEndpoint) {
            silent.push_back(u);
        } else {
            pending.push_back(u);
            FillLocked();
            wake.notify_all();
        }
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }

    // A control transfer: the 8-byte setup packet, then its data stage.
    void Control(Urb& u) {
        auto* bytes = static_cast<std::uint8_t*>(u.buffer->data);
        const int length = u.Length();
        if (length < static_cast<int>(kSetupPacketSize)) {
            CompleteLocked(u, -EINVAL);
            return;
        }
        const SetupPacket setup = SetupPacket::FromBytes(bytes);
        std::uint8_t* data = bytes + kSetupPacketSize;
        const int room = length - static_cast<int>(kSetupPacketSize);
        const int wanted = std::min<int>(setup.wLength, room);
        bool ok = false;
        if ((setup.bmRequestType & 0x60) == 0x40) {
            ++vendorRequests;
            if (look.camera) {
                const RequestRecordBytes record = RequestRecord::FromSetup(setup, data).Encode();
                // The firmware's answer goes into a copy that can hold wLength.
                std::vector<std::uint8_t> stage(data, data + wanted);
                stage.resize(setup.wLength);
                ok = camera->HandleRequest(record, stage.data(), setup.wLength, connection);
                std::memcpy(data, stage.data(), static_cast<std::size_t>(wanted));
                NoticeFlushLocked();
                wake.notify_all();
            }
        } else if (setup.bmRequestType == 0x81 && setup.bRequest == 0x0A && wanted >= 1) {
            data[0] = static_cast<std::uint8_t>(alt);  // GET_INTERFACE
            ok = true;
        }
        u.filled = ok ? wanted : 0;
        CompleteLocked(u, ok ? 0 : -EPIPE);
    }

    gboolean Discard(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        gulong address = 0;
        std::memcpy(&address, arg->data, std::min<std::size_t>(sizeof address, static_cast<std::size_t>(arg->data_len)));
        const auto at = [address](const Urb& u) { return u.urb->client_addr == address; };
        if (const auto it = std::find_if(silent.begin(), silent.end(), at); it != silent.end()) {
            CompleteLocked(*it, -ENOENT);
            silent.erase(it);
            umockdev_ioctl_client_complete(client, 0, 0);
            return TRUE;
        }
        const auto it = std::find_if(pending.begin(), pending.end(), at);
        if (it == pending.end()) {
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return TRUE;
        }
        Urb u = *it;
        pending.erase(it);
        CompleteLocked(u, -ENOENT);
        // The host gave up on the frame; the rest of a cut-off one arrives
        // now, and a lost frame is over.
        if (!heldBack.empty()) {
            fifo.erase(fifo.begin(), fifo.begin() + static_cast<std::ptrdiff_t>(fifoPos));
            fifo.insert(fifo.end(), heldBack.begin(), heldBack.end());
            fifoPos = 0;
            heldBack.clear();
        }
        if (stalled) {
            stalled = false;
            servedThroughSeq = lastSubmitSeq;
        }
        wake.notify_all();
        umockdev_ioctl_client_complete(client, 0, 0);
        return TRUE;
    }

    gboolean Reap(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
        if (done.empty()) {
            umockdev_ioctl_client_complete(client, -1, EAGAIN);
            return TRUE;
        }
        Urb u = done.front();
        done.pop_front();
        UMockdevIoctlData* slot = umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
        umockdev_ioctl_data_set_ptr(slot, 0, u.urb);
        umockdev_ioctl_client_complete(client, 0, 0);
        umockdev_ioctl_data_unref(slot);
        Release(u);
        return TRUE;
    }
};

bool UmockdevCameraBus::Available() {
    // umockdev_in_mock_environment() tells only once a test bed exists.
    const char* preload = std::getenv("LD_PRELOAD");
    return preload != nullptr && std::strstr(preload, "umockdev-preload") != nullptr;
}

UmockdevCameraBus::UmockdevCameraBus() : shared_(std::make_shared<Shared>()) {
    shared_->testbed = umockdev_testbed_new();
}

UmockdevCameraBus::~UmockdevCameraBus() {
    std::lock_guard<std::mutex> hold(mutex_);
    for (const auto& device : attached_) DetachLocked(*device);
    attached_.clear();
    for (const auto& device : detached_) {
        {
            std::lock_guard<std::mutex> inner(device->lock);
            device->stopping = true;
        }
        device->wake.notify_all();
        if (device->firmware.joinable()) device->firmware.join();
        if (device->handler) {
            umockdev_testbed_detach_ioctl(shared_->testbed, device->devnode.c_str(), nullptr);
            g_object_unref(device->handler);
        }
        for (Urb& u : device->pending) Release(u);
        for (Urb& u : device->silent) Release(u);
        for (Urb& u : device->done) Release(u);
    }
    detached_.clear();
    g_object_unref(shared_->testbed);
}

std::shared_ptr<UmockdevCameraBus::Device> UmockdevCameraBus::FindLocked(const std::shared_ptr<SimCamera>& camera) const {
    for (const auto& device : attached_) {
        if (device->camera == camera) return device;
    }
    return nullptr;
}

void UmockdevCameraBus::Sync(const std::vector<std::shared_ptr<SimCamera>>& cameras) {
    std::lock_guard<std::mutex> hold(mutex_);
    for (auto it = attached_.begin(); it != attached_.end();) {
        const auto& device = *it;
        const bool listed = std::find(cameras.begin(), cameras.end(), device->camera) != cameras.end();
        if (listed && device->camera->IsPlugged() && device->camera->Connection() == device->connection) {
            ++it;
            continue;
        }
        DetachLocked(*device);
        it = attached_.erase(it);
    }
    for (const auto& camera : cameras) {
        if (camera->IsPlugged() && !FindLocked(camera)) AttachLocked(camera);
    }
}

std::vector<std::shared_ptr<SimCamera>> UmockdevCameraBus::InNodeOrder() const {
    std::lock_guard<std::mutex> hold(mutex_);
    std::vector<std::shared_ptr<Device>> devices = attached_;
    std::sort(devices.begin(), devices.end(), [](const auto& a, const auto& b) { return a->address < b->address; });
    std::vector<std::shared_ptr<SimCamera>> cameras;
    for (const auto& device : devices) cameras.push_back(device->camera);
    return cameras;
}

void UmockdevCameraBus::AttachLocked(const std::shared_ptr<SimCamera>& camera) {
    auto device = std::make_shared<Device>();
    device->camera = camera;
    device->shared = shared_;
    device->connection = camera->Connection();
    device->flushCount = camera->FlushCount();
    const UsbDeviceLook look = looks_.empty() ? UsbDeviceLook{} : looks_.front();
    if (!looks_.empty()) looks_.erase(looks_.begin());
    device->look = look;
    device->address = nextAddress_++;
    char name[32];
    std::snprintf(name, sizeof name, "bus/usb/001/%03d", device->address);
    device->devnode = std::string("/dev/") + name;
    device->syspath = "/sys/devices/usb1/1-" + std::to_string(device->address);

    // The device node answers before the device is announced, so libusb can
    // open it as soon as it hears of it.
    if (!look.accessDenied) {
        device->handler = umockdev_ioctl_base_new();
        g_signal_connect(device->handler, "handle-ioctl", G_CALLBACK(&Device::OnIoctl), device.get());
        g_signal_connect(device->handler, "client-vanished", G_CALLBACK(&Device::OnClientVanished), device.get());
        umockdev_testbed_attach_ioctl(shared_->testbed, device->devnode.c_str(), device->handler, nullptr);
    }
    const std::string record = "P: /devices/usb1/1-" + std::to_string(device->address) +
                               "\nN: " + name +
                               "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nE: DRIVER=usb\nE: BUSNUM=001\nE: DEVNUM=" +
                               std::string(name + 12) + "\nE: DEVNAME=" + device->devnode +
                               "\nA: busnum=1\\n\nA: devnum=" + std::to_string(device->address) +
                               "\\n\nA: bConfigurationValue=1\\n\nA: speed=" + std::to_string(look.speedMbps) +
                               "\\n\nH: descriptors=" + kDescriptors + "\n";
    umockdev_testbed_add_from_string(shared_->testbed, record.c_str(), nullptr);
    if (look.accessDenied) {
        gchar* root = umockdev_testbed_get_root_dir(shared_->testbed);
        ::chmod((std::string(root) + device->devnode).c_str(), 0);
        g_free(root);
    }
    device->firmware = std::thread([raw = device.get()] { raw->FirmwareLoop(); });
    attached_.push_back(std::move(device));
}

void UmockdevCameraBus::DetachLocked(Device& device) {
    {
        // Transfers still waiting die with the device, and their memory is free again.
        std::lock_guard<std::mutex> hold(device.lock);
        device.gone = true;
        for (std::deque<Urb>* waiting : {&device.pending, &device.silent}) {
            while (!waiting->empty()) {
                device.CompleteLocked(waiting->front(), -ESHUTDOWN);
                waiting->pop_front();
            }
        }
    }
    device.wake.notify_all();
    umockdev_testbed_uevent(shared_->testbed, device.syspath.c_str(), "remove");
    umockdev_testbed_remove_device(shared_->testbed, device.syspath.c_str());
    for (const auto& d : attached_) {
        if (d.get() == &device) detached_.push_back(d);
    }
}

void UmockdevCameraBus::SetLooks(std::vector<UsbDeviceLook> looks) {
    std::lock_guard<std::mutex> hold(mutex_);
    looks_ = std::move(looks);
}

bool UmockdevCameraBus::SetFrameFaults(const std::shared_ptr<SimCamera>& camera, const UsbFrameFaults& faults) {
    std::lock_guard<std::mutex> hold(mutex_);
    const auto device = FindLocked(camera);
    if (!device) return false;
    std::lock_guard<std::mutex> inner(device->lock);
    device->faults = faults;
    return true;
}

void UmockdevCameraBus::SetTransferMemoryLimit(std::uint64_t bytes) {
    std::lock_guard<std::mutex> hold(shared_->memoryLock);
    shared_->memoryLimit = bytes;
}

template <typename Read>
int UmockdevCameraBus::AskDevice(const std::shared_ptr<SimCamera>& camera, Read read) const {
    std::lock_guard<std::mutex> hold(mutex_);
    const auto device = FindLocked(camera);
    if (!device) return -1;
    std::lock_guard<std::mutex> inner(device->lock);
    return read(*device);
}

int UmockdevCameraBus::VendorRequests(const std::shared_ptr<SimCamera>& camera) const {
    return AskDevice(camera, [](const Device& d) { return d.vendorRequests; });
}

int UmockdevCameraBus::AlternateSetting(const std::shared_ptr<SimCamera>& camera) const {
    return AskDevice(camera, [](const Device& d) { return d.alt; });
}

int UmockdevCameraBus::FrameEndpoint(const std::shared_ptr<SimCamera>& camera) const {
    return AskDevice(camera, [](const Device& d) { return d.frameEndpointUsed; });
}

int UmockdevCameraBus::Address(const std::shared_ptr<SimCamera>& camera) const {
    return AskDevice(camera, [](const Device& d) { return d.address; });
}

int UmockdevCameraBus::ClearedHalts(const std::shared_ptr<SimCamera>& camera) const {
    return AskDevice(camera, [](const Device& d) { return d.clearedHalts; });
}

}  // namespace qcx
