// The library's USB path against simulated cameras on the USB bus: what a
// real camera on a Linux PC does to it (permissions, endpoints, stalls,
// padded packets, frames cut off, transfer memory, replugs, other devices).
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "qcxapi.h"
#include "qcxsim.h"
#include "sim/sim_node_provider.h"
#include "tests/e2e/sim_session.h"
#include "tests/usb/usb_bus_environment.h"

namespace {

using qcx::TestUsbBus;

std::shared_ptr<qcx::SimCamera> CameraAt(int node) { return qcx::SimNodeProvider::Instance().CameraAtNode(node); }

// The ramp scene's sample at (x, y) of a full 752 x 480 window.
unsigned char Ramp(int x, int y) { return static_cast<unsigned char>((1 + x) + 2 * (4 + y)); }

class UsbPath : public e2e::SimSession {
protected:
    void TearDown() override {
        setenv("QCX_USB_ENDPOINT", "", 1);
        TestUsbBus()->SetTransferMemoryLimit(0);
        SimSession::TearDown();
        // The cameras leave the bus with their faults.
        setenv("QCX_SIM", "", 1);
        QCXSimGetCount();
    }
    // A raw capture of camera `index` at the capture window's size, which
    // goes to `size` when given.
    static int Capture(int index, std::vector<unsigned char>& raw, std::pair<int, int>* size = nullptr) {
        int w = 0, h = 0;
        if (QCX_CaptureGetSize(index, &w, &h) != QCX_STATUS_SUCCESS) return -100;
        raw.assign(static_cast<std::size_t>(w) * h, 0);
        if (size != nullptr) *size = {w, h};
        return QCX_CaptureRawData(index, raw.data());
    }
};

// Runs `body` with the process unable to override file permissions, as a
// user who is not root; a root test run would open anything.
template <typename Body>
void WithoutFilePrivileges(Body body) {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
    syscall(SYS_capget, &header, saved);
    __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
    reduced[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
    syscall(SYS_capset, &header, reduced);
    body();
    syscall(SYS_capset, &header, saved);
}

TEST_F(UsbPath, ACameraWithoutPermissionIsNamedOnceWithTheCureAndNotCounted) {
    qcx::UsbDeviceLook look;
    look.accessDenied = true;
    TestUsbBus()->SetLooks({look});
    Start("21");
    WithoutFilePrivileges([] {
        ::testing::internal::CaptureStderr();
        EXPECT_EQ(QCX_DeviceGetCount(), 0);
        EXPECT_EQ(QCX_DeviceGetCount(), 0);
        const std::string said = ::testing::internal::GetCapturedStderr();
        const std::string line = "no permission; install udev/60-qcxapi.rules\n";
        EXPECT_NE(said.find("qcxapi: camera 04b4:1004 on bus 1 port path "), std::string::npos) << said;
        EXPECT_EQ(said.find(line), said.rfind(line)) << "once: " << said;
        EXPECT_NE(said.find(line), std::string::npos) << said;
    });
}

TEST_F(UsbPath, FramesComeFromTheLargestEndpointInItsOwnAlternateSettingOrTheOneNamed) {
    Start("21");
    std::vector<unsigned char> raw;
    ASSERT_EQ(Capture(camera, raw), QCX_STATUS_SUCCESS);
    EXPECT_EQ(raw[100 * 752 + 100], Ramp(100, 100));
    EXPECT_EQ(TestUsbBus()->AlternateSetting(CameraAt(node)), 1);
    EXPECT_EQ(TestUsbBus()->FrameEndpoint(CameraAt(node)), 0x86);
    QCX_UnInit();

    // The status endpoint, named by the user, never sends a frame.
    setenv("QCX_USB_ENDPOINT", "0x81,0", 1);
    ::testing::internal::CaptureStderr();
    ASSERT_EQ(QCX_Init(), QCX_STATUS_SUCCESS);
    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 100), QCX_STATUS_SUCCESS);
    EXPECT_NE(Capture(camera, raw), QCX_STATUS_SUCCESS);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("frames from endpoint 0x81, alternate setting 0, 64-byte packets"), std::string::npos) << said;
    EXPECT_EQ(TestUsbBus()->AlternateSetting(CameraAt(node)), 0);
}

TEST_F(UsbPath, AFrameCutOffAtTheDeadlineRecoversAndTheNextFrameStartsOnItsBoundary) {
    Start("28");  // a type with a frame buffer the recovery can flush
    std::vector<unsigned char> raw;
    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 300), QCX_STATUS_SUCCESS);
    qcx::UsbFrameFaults faults;
    faults.cutNextAfter = 200 * 512;
    ASSERT_TRUE(TestUsbBus()->SetFrameFaults(CameraAt(node), faults));
    EXPECT_EQ(Capture(camera, raw), QCX_STATUS_RECOVERY_SUCCESSFUL);
    ASSERT_EQ(QCX_CaptureSetTimeOut(camera, 5000), QCX_STATUS_SUCCESS);
    ASSERT_EQ(Capture(camera, raw), QCX_STATUS_SUCCESS);
    EXPECT_EQ(raw[0], Ramp(0, 0));
    EXPECT_EQ(raw[300 * 752 + 7], Ramp(7, 300)) << "not the rest of the cut-off frame";
}

// Everything the camera logs in `folder` put together.
std::string LogsIn(const std::string& folder) {
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path());
        all.append(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }
    return all;
}

TEST_F(UsbPath, AStalledEndpointIsClearedAndAPaddedLastPacketDoesNotOverflow) {
    const std::string logs = ::testing::TempDir() + "usb-stall-logs";
    std::filesystem::remove_all(logs);
    QCX_LogSet(1, logs.c_str());
    Start("21");
    std::vector<unsigned char> raw;
    qcx::UsbFrameFaults faults;
    faults.stallNext = true;
    ASSERT_TRUE(TestUsbBus()->SetFrameFaults(CameraAt(node), faults));
    EXPECT_EQ(Capture(camera, raw), QCX_STATUS_RECOVERY_SUCCESSFUL);
    EXPECT_EQ(Capture(camera, raw), QCX_STATUS_SUCCESS);
    EXPECT_EQ(TestUsbBus()->ClearedHalts(CameraAt(node)), 1);
    QCX_LogSet(0, nullptr);
    const std::string logged = LogsIn(logs);
    EXPECT_NE(logged.find("LIBUSB_ERROR_PIPE"), std::string::npos) << "the libusb error by its name";
    EXPECT_NE(logged.find("frames from endpoint 0x86, alternate setting 1, 512-byte packets"), std::string::npos);

    // A window of about 100 x 101 bytes ends in a short packet, which this
    // camera pads to 512.
    faults = {};
    faults.padLastPacket = true;
    ASSERT_TRUE(TestUsbBus()->SetFrameFaults(CameraAt(node), faults));
    ASSERT_EQ(QCX_CaptureSetFieldOfView(camera, 0, 0, 100, 101, 0, 0), QCX_STATUS_SUCCESS);
    std::pair<int, int> size;
    ASSERT_EQ(Capture(camera, raw, &size), QCX_STATUS_SUCCESS);
    ASSERT_NE(raw.size() % 512, 0u);
    const auto [w, h] = size;
    EXPECT_EQ(raw[static_cast<std::size_t>(h - 3) * w + w / 2], Ramp(w / 2, h - 3));
}

TEST_F(UsbPath, FourFiveMegapixelCamerasReadAtOnceWithinTheKernelsTransferMemory) {
    TestUsbBus()->SetTransferMemoryLimit(16u << 20);
    Start("8,8,8,8");
    std::vector<int> results(4, 0);
    std::vector<std::thread> readers;
    for (int c = 0; c < 4; ++c) {
        readers.emplace_back([&, c] {
            std::vector<unsigned char> raw;
            for (int frame = 0; frame < 3 && results[c] >= 0; ++frame) results[c] = Capture(c, raw);
        });
    }
    for (auto& r : readers) r.join();
    EXPECT_EQ(results, std::vector<int>(4, QCX_STATUS_SUCCESS));

    // A kernel that grants less than one transfer refuses the read, and the
    // user learns which limit to raise.
    TestUsbBus()->SetTransferMemoryLimit(64u << 10);
    ::testing::internal::CaptureStderr();
    std::vector<unsigned char> raw;
    EXPECT_NE(Capture(0, raw), QCX_STATUS_SUCCESS);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("LIBUSB_ERROR_NO_MEM"), std::string::npos);
}

TEST_F(UsbPath, ACameraStaysFreeForOthersWhenTheOneBeforeItIsUnpluggedAndComesBackToItsOwner) {
    Start("21,21");
    int number = -1;
    ASSERT_EQ(QCX_DeviceGetInformation(0, nullptr, &number, nullptr), QCX_STATUS_SUCCESS);
    ASSERT_EQ(number, 0);
    ASSERT_EQ(QCXSimUnplug(0), QCXSIM_OK);
    // Camera 1 opens only now, on the node number camera 0 had.
    ASSERT_EQ(QCX_DeviceGetInformation(1, nullptr, &number, nullptr), QCX_STATUS_SUCCESS);
    EXPECT_EQ(number, 1);
    ASSERT_EQ(QCXSimReplugAll(), QCXSIM_OK);
    std::vector<unsigned char> raw;
    EXPECT_EQ(Capture(0, raw), QCX_STATUS_RECOVERY_SUCCESSFUL);
    ASSERT_EQ(QCX_DeviceGetInformation(0, nullptr, &number, nullptr), QCX_STATUS_SUCCESS);
    EXPECT_EQ(number, 0) << "its own camera, at its new address";
    EXPECT_EQ(Capture(1, raw), QCX_STATUS_SUCCESS);
}

TEST_F(UsbPath, ARegisterRequestThatFindsTheCameraGoneBringsItBackOnceItIsReplugged) {
    Start("21");
    int low = 0, high = 0;
    ASSERT_EQ(QCX_GetParamRange(camera, QCX_RED, &low, &high), QCX_STATUS_SUCCESS);
    ASSERT_EQ(QCX_SetParam(camera, QCX_RED, low + 1), QCX_STATUS_SUCCESS);
    ASSERT_EQ(QCXSimUnplug(node), QCXSIM_OK);
    EXPECT_NE(QCX_SetParam(camera, QCX_RED, low + 2), QCX_STATUS_SUCCESS);
    ASSERT_EQ(QCXSimReplugAll(), QCXSIM_OK);
    EXPECT_EQ(QCX_SetParam(camera, QCX_RED, low + 3), QCX_STATUS_SUCCESS);
    int gain = 0;
    ASSERT_EQ(QCX_GetParam(camera, QCX_RED, &gain), QCX_STATUS_SUCCESS);
    EXPECT_EQ(gain, low + 3);
}

TEST_F(UsbPath, AForeignDeviceWithTheCamerasIdIsAskedWhoItIsAndNothingElseAndASlowPortIsNamed) {
    qcx::UsbDeviceLook generic;
    generic.camera = false;
    qcx::UsbDeviceLook slow;
    slow.speedMbps = 12;
    TestUsbBus()->SetLooks({generic, slow});
    ::testing::internal::CaptureStderr();
    Start("21,21:7");
    int number = -1;
    ASSERT_EQ(QCX_DeviceGetInformation(0, nullptr, &number, nullptr), QCX_STATUS_SUCCESS);
    EXPECT_EQ(number, 7) << "the camera after the foreign device";
    EXPECT_EQ(TestUsbBus()->VendorRequests(CameraAt(0)), 1) << "only the device-information request";
    const std::string said = ::testing::internal::GetCapturedStderr();
    const std::string warning = "port path " + std::to_string(TestUsbBus()->Address(CameraAt(1))) +
                                ": runs at full speed (12 Mbit/s)";
    EXPECT_NE(said.find(warning), std::string::npos) << said;
    EXPECT_EQ(said.find("runs at full speed"), said.rfind("runs at full speed")) << "only the slow port: " << said;
}

}  // namespace
